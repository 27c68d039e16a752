#include "airport/apf_format.h"

#include "aircraft/aircraft_db.h"
#include "base/atomic_file.h"
#include "base/log.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "settings/xml_meta.h"

#include <fmt/format.h>

#include <cmath>

namespace zyn {

namespace fs = std::filesystem;

namespace {

constexpr const char* kTrue = "true";
constexpr const char* kFalse = "false";
constexpr double kLatitudeLimit = 90.0;
constexpr double kLongitudeLimit = 180.0;

const char* lf_apfBoolText(bool value) { return value ? kTrue : kFalse; }

void lf_setAttribute(pugi::xml_node node, const char* name, const std::string& value)
{
    node.append_attribute(name).set_value(value.c_str());
}

void lf_setAttribute(pugi::xml_node node, const char* name, const char* value)
{
    node.append_attribute(name).set_value(value);
}

void lf_writeFullForm(pugi::xml_node parkpos, const ParkPos& stand)
{
    lf_setAttribute(parkpos, "latitude", fmt::format("{:.6f}", stand.latitude));
    lf_setAttribute(parkpos, "longitude", fmt::format("{:.6f}", stand.longitude));
    lf_setAttribute(parkpos, "heading", fmt::format("{:.1F}", stand.heading * kRadToDeg));
    lf_setAttribute(parkpos, "radius", fmt::format("{:.1F}", stand.radius * kMetresPerNm));
    if (stand.heli)
        lf_setAttribute(parkpos, "heli", kTrue);
    else
        lf_setAttribute(parkpos, "cargo", lf_apfBoolText(stand.cargo));
    lf_setAttribute(parkpos, "ramp", lf_apfBoolText(stand.ramp));
    if (stand.manual)
        lf_setAttribute(parkpos, "manual", kTrue);
}

void lf_writeDeltaForm(pugi::xml_node parkpos, const ParkPos& stand)
{
    if (stand.radiusChanged) {
        lf_setAttribute(parkpos, "radius_change", kTrue);
        lf_setAttribute(parkpos, "radius", fmt::format("{:.1F}", stand.radius * kMetresPerNm));
    }
    if (stand.cargoChanged) {
        lf_setAttribute(parkpos, "cargo_change", kTrue);
        lf_setAttribute(parkpos, "cargo", lf_apfBoolText(stand.cargo));
    }
}

bool lf_appendSettingBool(pugi::xml_node parameters, const BoolParameter& setting)
{
    return gf_appendBoolParameterNode(parameters, setting.key, setting.on());
}

bool lf_appendSettingInt(pugi::xml_node parameters, const IntParameter& setting)
{
    return gf_appendIntParameterNode(parameters, setting.key, setting.value.load());
}

// The per-airport copies of the settings that a learned file carries.
bool lf_writeLearnedSettings(pugi::xml_node parameters)
{
    using namespace param;
    bool ok = lf_appendSettingInt(parameters, LATERAL_RANGE) && lf_appendSettingBool(parameters, AUTO_RANGE) &&
              lf_appendSettingBool(parameters, WEEK) && lf_appendSettingBool(parameters, PARK_FAKE) &&
              lf_appendSettingBool(parameters, PARK_SOFT) && lf_appendSettingInt(parameters, parking_percentage) &&
              lf_appendSettingBool(parameters, INITIAL_LOAD_ONLY) && lf_appendSettingInt(parameters, MAX_FIT) &&
              lf_appendSettingBool(parameters, RT_PARKTRAFFIC_ONLY);
    if (ok && MAX_LIVE.value.load() >= 0) // the default -1 is left out
        ok = lf_appendSettingInt(parameters, MAX_LIVE);
    return ok && lf_appendSettingBool(parameters, LEARN_SOFT);
}

// A coordinate attribute: nothing when absent; an error text when it is no usable number.
struct Coordinate {
    bool present = false;
    double value = 0.0;
    std::string error;
};

Coordinate lf_readCoordinate(pugi::xml_attribute attribute, double limit)
{
    if (!attribute)
        return {};
    const auto value = gf_leadingNumber(attribute.value());
    if (!value)
        return {true, 0.0, fmt::format("{} \"{}\" is no number", attribute.name(), attribute.value())};
    if (std::fabs(*value) > limit)
        return {true, 0.0, fmt::format("{} {} out of range", attribute.name(), *value)};
    return {true, *value, {}};
}

// Degrees from the file, any finite value, folded into [0, 360).
std::optional<double> lf_readHeadingDegrees(pugi::xml_attribute heading)
{
    if (!heading)
        return 0.0;
    const auto value = gf_leadingNumber(heading.value());
    if (!value)
        return std::nullopt;
    const double folded = std::fmod(*value, 360.0);
    return folded < 0.0 ? folded + 360.0 : folded;
}

std::size_t lf_countChildren(pugi::xml_node node, const char* name)
{
    std::size_t count = 0;
    for (auto child = node.child(name); child; child = child.next_sibling(name))
        ++count;
    return count;
}

} // namespace

bool lf_writeApfParameters(pugi::xml_document& document, const ApfWriteData& data, ApfMode mode)
{
    auto parameters = document.append_child("parameters");
    if (!parameters)
        return false;
    bool ok = gf_appendParameterNode(parameters, "airport_name", data.airportName) &&
              gf_appendParameterNode(parameters, "publisher", data.publisher);
    if (ok && data.handmade)
        ok = gf_appendParameterNode(parameters, "handmade", kTrue);
    if (ok && (data.handmade || mode == ApfMode::Generated))
        ok = gf_appendIntParameterNode(parameters, "altitude", data.altitude);
    if (ok)
        ok = gf_appendIntParameterNode(parameters, "num_parkpos", static_cast<std::int32_t>(data.stands.size()));
    if (ok && data.handmade)
        ok = gf_appendIntParameterNode(parameters, "Qf_real", data.qfReal) &&
             gf_appendIntParameterNode(parameters, "Qf_soft", data.qfSoft);
    if (ok && data.publisher == "unknown")
        ok = gf_appendParameterNode(parameters, "BGLpath", data.bglPath) &&
             gf_appendParameterNode(parameters, "manufacturer", data.manufacturer) &&
             gf_appendParameterNode(parameters, "creator", data.creator);
    if (ok && mode == ApfMode::Learned)
        ok = lf_writeLearnedSettings(parameters);
    return ok;
}

void lf_writeParkPosOptions(pugi::xml_node parent, const ParkPosOption& option)
{
    if (option.number == 0)
        return;
    auto opt = parent.append_child("opt");
    lf_setAttribute(opt, "reg", option.registration);
    lf_setAttribute(opt, "airl", option.airline);
    lf_setAttribute(opt, "type", option.type);
    if (option.real == 0)
        lf_setAttribute(opt, "soft", kTrue);
    lf_setAttribute(opt, "day", std::to_string(option.day));
    lf_setAttribute(opt, "hh", gf_hoursText(option.halfHours));
}

void lf_writeParkPos(pugi::xml_node parent, const ParkPos& stand, ApfMode mode, bool handmade)
{
    auto parkpos = parent.append_child("parkpos");
    lf_setAttribute(parkpos, "id", stand.id);
    if (mode == ApfMode::Generated) {
        lf_writeFullForm(parkpos, stand);
        return;
    }
    if (stand.manual || (handmade && !stand.radiusChanged && !stand.cargoChanged))
        lf_writeFullForm(parkpos, stand);
    else if (stand.radiusChanged || stand.cargoChanged)
        lf_writeDeltaForm(parkpos, stand);
    for (const auto& option : stand.options)
        lf_writeParkPosOptions(parkpos, option);
}

bool gf_writeApf(const ApfWriteData& data, const fs::path& path, ApfMode mode)
{
    try {
        pugi::xml_document document;
        if (!gf_writeXmlMeta(document) || !lf_writeApfParameters(document, data, mode)) {
            gf_logErrorf("{}: \"{}\" could not be built", "gf_writeApf", path.string());
            return false;
        }
        auto parkpositions = document.append_child("parkpositions");
        for (const auto& stand : data.stands)
            lf_writeParkPos(parkpositions, stand, mode, data.handmade);
        gf_saveXmlAtomic(document, path);
        return true;
    } catch (const std::exception& e) {
        gf_logErrorf("{}: {}", "gf_writeApf", e.what());
        return false;
    }
}

bool gf_apfBool(pugi::xml_attribute attribute)
{
    switch (attribute.value()[0]) {
    case '1':
    case 't':
    case 'T':
    case 'y':
    case 'Y':
        return true;
    default:
        return false;
    }
}

std::optional<bool> lf_readParameterBool(const pugi::xml_document& document, std::string_view name)
{
    const auto node = gf_findParameterNode(document, name);
    if (!node)
        return std::nullopt;
    return gf_apfBool(node.attribute("value"));
}

std::optional<std::int32_t> lf_readParameterInt(const pugi::xml_document& document, std::string_view name)
{
    const auto node = gf_findParameterNode(document, name);
    if (!node)
        return std::nullopt;
    return node.attribute("value").as_int();
}

std::optional<std::string> lf_readParameterText(const pugi::xml_document& document, std::string_view name)
{
    const auto node = gf_findParameterNode(document, name);
    if (!node)
        return std::nullopt;
    return std::string(node.attribute("value").as_string());
}

OptionTexts lf_readAirlTypeLists(pugi::xml_node opt)
{
    OptionTexts texts;
    const std::string_view cs = opt.attribute("cs").as_string();
    const std::size_t colon = cs.find(':');
    texts.callsign = std::string(cs.substr(0, colon));
    if (colon != std::string_view::npos && cs.find(':', colon + 1) == std::string_view::npos)
        texts.callsign2 = std::string(cs.substr(colon + 1));
    const std::string_view reg = opt.attribute("reg").as_string();
    if (const auto record = gf_findRegistration(reg)) {
        texts.airline = record->opr.empty() ? record->airl : record->opr;
        texts.type = record->type;
    } else {
        texts.airline = opt.attribute("airl").as_string();
        texts.type = opt.attribute("type").as_string();
    }
    return texts;
}

std::optional<ParkPosOption> lf_readParkPosOption(pugi::xml_node opt, std::uint32_t number, std::uint32_t archived,
                                                  std::string_view standId, ReadReport& report)
{
    std::int32_t day = 0;
    if (const auto dayAttribute = opt.attribute("day")) {
        const auto value = gf_leadingInt(dayAttribute.value());
        if (!value || *value < 0 || *value > 7) {
            report.skip(fmt::format("parkpos \"{}\" opt {}", standId, number),
                        fmt::format("day \"{}\" is no day of the week", dayAttribute.value()));
            return std::nullopt;
        }
        day = *value;
    }
    OptionTexts texts = lf_readAirlTypeLists(opt);
    ParkPosOption option;
    option.airline = std::move(texts.airline);
    option.type = std::move(texts.type);
    option.registration = opt.attribute("reg").as_string();
    option.callsign = std::move(texts.callsign);
    option.callsign2 = std::move(texts.callsign2);
    option.halfHours = gf_hours2bitset(opt.attribute("hh").as_string());
    option.number = number;
    option.day = day;
    option.archived = archived;
    option.real = gf_apfBool(opt.attribute("soft")) ? 0 : 1;
    return option;
}

std::optional<double> lf_readRadiusMetres(pugi::xml_attribute radius)
{
    if (!radius)
        return 0.0;
    const auto value = gf_leadingNumber(radius.value());
    if (!value || *value < 0.0 || *value > kMaxStandRadiusMetres)
        return std::nullopt;
    return *value;
}

bool lf_readParkPos(pugi::xml_node parkpos, const std::string& id, std::uint32_t archived, std::vector<ParkPos>& stands,
                    ReadReport& report)
{
    const std::string element = fmt::format("parkpos \"{}\"", id);
    const Coordinate latitude = lf_readCoordinate(parkpos.attribute("latitude"), kLatitudeLimit);
    const Coordinate longitude = lf_readCoordinate(parkpos.attribute("longitude"), kLongitudeLimit);
    if (!latitude.present && !longitude.present)
        return false; // a bare element: nothing to place
    for (const Coordinate* c : {&latitude, &longitude})
        if (!c->error.empty()) {
            report.skip(element, c->error);
            return false;
        }
    if (!latitude.present || !longitude.present) {
        report.skip(element, latitude.present ? "longitude missing" : "latitude missing");
        return false;
    }
    if (latitude.value == 0.0 && longitude.value == 0.0)
        return false;
    const auto radius = lf_readRadiusMetres(parkpos.attribute("radius"));
    if (!radius) {
        report.skip(element, fmt::format("radius \"{}\" is no radius in metres", parkpos.attribute("radius").value()));
        return false;
    }
    const auto heading = lf_readHeadingDegrees(parkpos.attribute("heading"));
    if (!heading) {
        report.skip(element, fmt::format("heading \"{}\" is no number", parkpos.attribute("heading").value()));
        return false;
    }
    std::vector<ParkPosOption> options;
    options.reserve(lf_countChildren(parkpos, "opt"));
    for (auto opt = parkpos.child("opt"); opt; opt = opt.next_sibling("opt"))
        if (auto option = lf_readParkPosOption(opt, static_cast<std::uint32_t>(options.size() + 1), archived, id, report))
            options.push_back(std::move(*option));
    const bool heli = gf_apfBool(parkpos.attribute("heli"));
    const bool ramp = gf_apfBool(parkpos.attribute("ramp"));
    const bool cargo = gf_apfBool(parkpos.attribute("cargo"));
    stands.emplace_back(id, std::move(options), latitude.value, longitude.value, *heading * kDegToRad, *radius,
                        cargo ? 0 : 1, ramp ? 0 : 1, heli ? 0 : 1);
    return true;
}

} // namespace zyn
