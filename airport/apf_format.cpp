#include "airport/apf_format.h"

#include "aircraft/aircraft_db.h"
#include "base/atomic_file.h"
#include "base/log.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "settings/xml_meta.h"

#include <fmt/format.h>

#include <array>
#include <cmath>
#include <unordered_set>

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
    const auto value = gf_fileNumber(attribute.value());
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
    const auto value = gf_fileNumber(heading.value());
    if (!value)
        return std::nullopt;
    const double folded = std::fmod(*value, 360.0);
    return folded < 0.0 ? folded + 360.0 : folded;
}

// The first attribute of each of the names, in one walk over the element's attributes: an "opt" is
// read thousands of times per airport, so its attributes are not looked up one name at a time.
template <std::size_t N>
std::array<pugi::xml_attribute, N> lf_attributesNamed(pugi::xml_node node, const std::array<std::string_view, N>& names)
{
    std::array<pugi::xml_attribute, N> found{};
    for (pugi::xml_attribute attribute = node.first_attribute(); attribute; attribute = attribute.next_attribute()) {
        const char* name = attribute.name();
        for (std::size_t i = 0; i < N; ++i)
            if (name[0] == names[i][0] && names[i] == name) {
                if (!found[i])
                    found[i] = attribute;
                break;
            }
    }
    return found;
}

enum OptAttribute : std::size_t { kOptReg, kOptAirl, kOptType, kOptCs, kOptDay, kOptHh, kOptSoft };
constexpr std::array<std::string_view, 7> kOptAttributeNames{"reg", "airl", "type", "cs", "day", "hh", "soft"};
using OptAttributes = std::array<pugi::xml_attribute, kOptAttributeNames.size()>;

enum ParkposAttribute : std::size_t {
    kStandLatitude,
    kStandLongitude,
    kStandHeading,
    kStandRadius,
    kStandHeli,
    kStandRamp,
    kStandCargo
};
constexpr std::array<std::string_view, 7> kParkposAttributeNames{"latitude", "longitude", "heading", "radius",
                                                                 "heli",     "ramp",      "cargo"};

// Callsigns from "cs" split at its colon; airline and type from the aircraft database when it knows
// the registration, else from "airl" and "type".
void lf_readOptionTexts(const OptAttributes& attributes, std::string& callsign, std::string& callsign2,
                        std::string& airline, std::string& type)
{
    const std::string_view cs = attributes[kOptCs].value();
    const std::size_t colon = cs.find(':');
    callsign.assign(cs.substr(0, colon));
    if (colon != std::string_view::npos && cs.find(':', colon + 1) == std::string_view::npos)
        callsign2.assign(cs.substr(colon + 1));
    if (const auto record = gf_findRegistration(attributes[kOptReg].value())) {
        airline = record->opr.empty() ? record->airl : record->opr;
        type = record->type;
    } else {
        airline = attributes[kOptAirl].value();
        type = attributes[kOptType].value();
    }
}

// The "opt" children of a "parkpos", walked without a look-up by name each step.
template <typename Visit> void lf_forEachOpt(pugi::xml_node parkpos, Visit&& visit)
{
    for (pugi::xml_node child = parkpos.first_child(); child; child = child.next_sibling())
        if (std::string_view(child.name()) == "opt")
            visit(child);
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
    // A handmade file is read in full in place of the stock stands: a delta of it would lose its stand.
    if (stand.manual || handmade)
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
    lf_readOptionTexts(lf_attributesNamed(opt, kOptAttributeNames), texts.callsign, texts.callsign2, texts.airline, texts.type);
    return texts;
}

bool lf_readParkPosOption(pugi::xml_node opt, std::uint32_t number, std::uint32_t archived, std::string_view standId,
                          ReadReport& report, std::vector<ParkPosOption>& options)
{
    const OptAttributes attributes = lf_attributesNamed(opt, kOptAttributeNames);
    std::int32_t day = 0;
    if (attributes[kOptDay]) {
        const auto value = gf_fileInt(attributes[kOptDay].value());
        if (!value || *value < 0 || *value > 7) {
            report.skip(fmt::format("parkpos \"{}\" opt {}", standId, number),
                        fmt::format("day \"{}\" is no day of the week", attributes[kOptDay].value()));
            return false;
        }
        day = *value;
    }
    ParkPosOption& option = options.emplace_back();
    lf_readOptionTexts(attributes, option.callsign, option.callsign2, option.airline, option.type);
    option.registration = attributes[kOptReg].value();
    option.halfHours = gf_hours2bitset(attributes[kOptHh].value());
    option.number = number;
    option.day = day;
    option.archived = archived;
    option.real = gf_apfBool(attributes[kOptSoft]) ? 0 : 1;
    return true;
}

std::optional<double> lf_readRadiusMetres(pugi::xml_attribute radius)
{
    if (!radius)
        return 0.0;
    const auto value = gf_fileNumber(radius.value());
    if (!value || *value < 0.0 || *value > kMaxStandRadiusMetres)
        return std::nullopt;
    return *value;
}

void gf_readFullStands(pugi::xml_node parkpositions, std::vector<ParkPos>& stands, ReadReport& report)
{
    std::unordered_set<std::string> seen;
    for (auto parkpos = parkpositions.child("parkpos"); parkpos; parkpos = parkpos.next_sibling("parkpos")) {
        std::string id = parkpos.attribute("id").as_string();
        if (id.empty()) {
            report.skip("parkpos", "no id");
            continue;
        }
        if (!seen.insert(id).second) {
            report.skip(fmt::format("parkpos \"{}\"", id), fmt::format("Parking position {} appears more than once?", id));
            continue;
        }
        lf_readParkPos(parkpos, id, 1, stands, report);
    }
}

bool lf_readParkPos(pugi::xml_node parkpos, const std::string& id, std::uint32_t archived, std::vector<ParkPos>& stands,
                    ReadReport& report)
{
    const auto attributes = lf_attributesNamed(parkpos, kParkposAttributeNames);
    const auto skip = [&](std::string_view reason) {
        report.skip(fmt::format("parkpos \"{}\"", id), reason);
        return false;
    };
    const Coordinate latitude = lf_readCoordinate(attributes[kStandLatitude], kLatitudeLimit);
    const Coordinate longitude = lf_readCoordinate(attributes[kStandLongitude], kLongitudeLimit);
    if (!latitude.present && !longitude.present)
        return false; // a bare element: nothing to place
    for (const Coordinate* c : {&latitude, &longitude})
        if (!c->error.empty())
            return skip(c->error);
    if (!latitude.present || !longitude.present)
        return skip(latitude.present ? "longitude missing" : "latitude missing");
    if (latitude.value == 0.0 && longitude.value == 0.0)
        return false;
    const auto radius = lf_readRadiusMetres(attributes[kStandRadius]);
    if (!radius)
        return skip(fmt::format("radius \"{}\" is no radius in metres", attributes[kStandRadius].value()));
    const auto heading = lf_readHeadingDegrees(attributes[kStandHeading]);
    if (!heading)
        return skip(fmt::format("heading \"{}\" is no number", attributes[kStandHeading].value()));
    std::size_t count = 0;
    lf_forEachOpt(parkpos, [&](pugi::xml_node) { ++count; });
    std::vector<ParkPosOption> options;
    options.reserve(count);
    lf_forEachOpt(parkpos, [&](pugi::xml_node opt) {
        lf_readParkPosOption(opt, static_cast<std::uint32_t>(options.size() + 1), archived, id, report, options);
    });
    stands.emplace_back(id, std::move(options), latitude.value, longitude.value, *heading * kDegToRad, *radius,
                        gf_apfBool(attributes[kStandCargo]) ? 0 : 1, gf_apfBool(attributes[kStandRamp]) ? 0 : 1,
                        gf_apfBool(attributes[kStandHeli]) ? 0 : 1);
    return true;
}

} // namespace zyn
