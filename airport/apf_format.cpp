#include "airport/apf_format.h"

#include "aircraft/aircraft_db.h"
#include "base/atomic_file.h"
#include "base/log.h"
#include "base/path_text.h"
#include "base/text_util.h"
#include "platform/system/error_text.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "settings/xml_meta.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <functional>

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

void lf_setAttribute(pugi::xml_node node, const char* name, const OptionText& value)
{
    node.append_attribute(name).set_value(value.c_str());
}

void lf_setAttribute(pugi::xml_node node, const char* name, const char* value)
{
    node.append_attribute(name).set_value(value);
}

// Metres with one decimal; a radius that small would print as 0.0, which readers take for none, so
// it keeps its digits.
std::string lf_radiusText(const ParkPos& stand)
{
    const double metres = stand.radius * kMetresPerNm;
    return metres > 0.0 && metres < 0.05 ? fmt::format("{}", metres) : gf_fixedText(metres, 1, true);
}

void lf_writeFullForm(pugi::xml_node parkpos, const ParkPos& stand)
{
    lf_setAttribute(parkpos, "latitude", gf_fixedText(stand.latitude, 6));
    lf_setAttribute(parkpos, "longitude", gf_fixedText(stand.longitude, 6));
    lf_setAttribute(parkpos, "heading", gf_fixedText(stand.heading * kRadToDeg, 1, true));
    lf_setAttribute(parkpos, "radius", lf_radiusText(stand));
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
        lf_setAttribute(parkpos, "radius", lf_radiusText(stand));
    }
    if (stand.cargoChanged) {
        lf_setAttribute(parkpos, "cargo_change", kTrue);
        lf_setAttribute(parkpos, "cargo", lf_apfBoolText(stand.cargo));
    }
}

// "cs": the callsign, and the coupled one after a colon. A callsign holding a colon would be read
// back split, so it is left out.
std::string lf_optionCallsigns(const ParkPosOption& option)
{
    const auto colonIn = [](std::string_view text) { return text.find(':') != std::string_view::npos; };
    if (colonIn(option.callsign) || colonIn(option.callsign2)) {
        gf_logErrorf("{}: callsigns \"{}\" \"{}\" hold a colon, not written", "gf_writeApf", option.callsign,
                     option.callsign2);
        return {};
    }
    return option.callsign2.empty() ? option.callsign.str() : fmt::format("{}:{}", option.callsign, option.callsign2);
}

// The per-airport copies of the settings that a learned file carries.
bool lf_writeLearnedSettings(pugi::xml_node parameters, const AirportSettings& s)
{
    using namespace param;
    const auto flag = [&](const BoolParameter& p, bool value) { return gf_appendBoolParameterNode(parameters, p.key, value); };
    const auto number = [&](const IntParameter& p, std::int32_t value) {
        return gf_appendIntParameterNode(parameters, p.key, value);
    };
    bool ok = number(LATERAL_RANGE, s.lateralRange) && flag(AUTO_RANGE, s.autoRange) && flag(WEEK, s.week) &&
              flag(PARK_FAKE, s.parkFake) && flag(PARK_SOFT, s.parkSoft) &&
              number(parking_percentage, s.parkingPercentage) && flag(INITIAL_LOAD_ONLY, s.initialLoadOnly) &&
              number(MAX_FIT, s.maxFit) && flag(RT_PARKTRAFFIC_ONLY, s.parkTrafficOnly);
    if (ok && s.maxLive >= 0) // the default -1 is left out
        ok = number(MAX_LIVE, s.maxLive);
    return ok && flag(LEARN_SOFT, s.learnSoft);
}

// A coordinate attribute: nothing when absent; an error text when it is no usable number.
struct Coordinate {
    bool present = false;
    double value = 0.0;
    std::string error;
};

Coordinate lf_readCoordinate(std::string_view name, const char* text, double limit)
{
    if (!text)
        return {};
    const auto value = gf_fileNumber(text);
    if (!value)
        return {true, 0.0, fmt::format("{} \"{}\" is no number", name, text)};
    if (std::fabs(*value) > limit)
        return {true, 0.0, fmt::format("{} {} out of range", name, *value)};
    return {true, *value, {}};
}

// Degrees folded into [0, 360).
double lf_foldDegrees(double degrees)
{
    const double folded = std::fmod(degrees, 360.0);
    return folded < 0.0 ? folded + 360.0 : folded;
}

// A heading or radius as the format reads it: absent is 0, and so is a text that is no number, which
// the log tells; the stand is kept.
double lf_numberOrZero(const char* text, std::string_view name, const std::string& id, ReadReport& report)
{
    if (!text)
        return 0.0;
    if (const auto value = gf_fileNumber(text))
        return *value;
    report.note(fmt::format("parkpos \"{}\"", id), fmt::format("{} \"{}\" is no number, read as 0", name, text));
    return 0.0;
}

enum OptAttribute : std::size_t { kOptReg, kOptAirl, kOptType, kOptCs, kOptDay, kOptHh, kOptSoft };
constexpr std::array<std::string_view, 7> kOptAttributeNames{"reg", "airl", "type", "cs", "day", "hh", "soft"};
using OptValues = std::array<const char*, kOptAttributeNames.size()>;

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
void lf_readOptionTexts(const OptValues& values, std::string_view registration, OptionText& callsign,
                        OptionText& callsign2, OptionText& airline, OptionText& type)
{
    const char* const cs = values[kOptCs] ? values[kOptCs] : "";
    const char* colon = nullptr;
    std::size_t colons = 0;
    const char* end = cs;
    for (; *end != '\0'; ++end)
        if (*end == ':' && colons++ == 0)
            colon = end;
    callsign.assign(cs, static_cast<std::size_t>((colon ? colon : end) - cs));
    if (colons == 1)
        callsign2.assign(colon + 1, static_cast<std::size_t>(end - colon - 1));
    if (const auto record = gf_findRegistration(registration)) {
        airline = record->opr.empty() ? record->airl : record->opr;
        type = record->type;
    } else {
        airline.assignValue(values[kOptAirl]);
        type.assignValue(values[kOptType]);
    }
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
        ok = lf_writeLearnedSettings(parameters, data.settings);
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
    if (const std::string cs = lf_optionCallsigns(option); !cs.empty())
        lf_setAttribute(opt, "cs", cs);
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

std::optional<std::string> gf_apfText(const ApfWriteData& data, ApfMode mode, const fs::path& path)
{
    pugi::xml_document document;
    if (!gf_writeXmlMeta(document) || !lf_writeApfParameters(document, data, mode)) {
        gf_logErrorf("{}: \"{}\" could not be built", "gf_writeApf", gf_utf8FromPath(path));
        return std::nullopt;
    }
    auto parkpositions = document.append_child("parkpositions");
    for (const auto& stand : data.stands)
        lf_writeParkPos(parkpositions, stand, mode, data.handmade);
    return gf_xmlText(document);
}

bool gf_writeApf(const ApfWriteData& data, const fs::path& path, ApfMode mode, FileSync sync)
{
    try {
        const std::optional<std::string> text = gf_apfText(data, mode, path);
        if (!text)
            return false;
        gf_writeFileAtomic(path, *text, sync);
        return true;
    } catch (const std::exception& e) {
        gf_logErrorf("{}: {}", "gf_writeApf", gf_exceptionText(e));
        return false;
    }
}

bool gf_apfBool(pugi::xml_attribute attribute) { return gf_apfBool(attribute.value()); }

bool gf_apfBool(const char* value)
{
    if (!value)
        return false;
    switch (value[0]) {
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
    const OptValues values = lf_attributeValues<kOptAttributeNames>(opt);
    lf_readOptionTexts(values, lf_valueText(values[kOptReg]), texts.callsign, texts.callsign2, texts.airline, texts.type);
    return texts;
}

bool lf_readParkPosOption(pugi::xml_node opt, std::uint32_t number, std::uint32_t archived, std::string_view standId,
                          ReadReport& report, std::vector<ParkPosOption>& options)
{
    const OptValues values = lf_attributeValues<kOptAttributeNames>(opt);
    std::int32_t day = 0;
    if (const char* text = values[kOptDay]; text && text[0] >= '0' && text[0] <= '7' && text[1] == '\0') {
        day = text[0] - '0'; // the usual single digit, without the general number reading
    } else if (text) {
        const auto value = gf_fileInt(text);
        if (!value || *value < 0 || *value > 7) {
            report.skip(fmt::format("parkpos \"{}\" opt {}", standId, number),
                        fmt::format("day \"{}\" is no day of the week", text));
            return false;
        }
        day = *value;
    }
    ParkPosOption& option = options.emplace_back();
    option.registration.assignValue(values[kOptReg]);
    lf_readOptionTexts(values, option.registration, option.callsign, option.callsign2, option.airline, option.type);
    option.halfHours = values[kOptHh] ? gf_hours2bitset(values[kOptHh]) : 0;
    option.number = number;
    option.day = day;
    option.archived = archived;
    option.real = gf_apfBool(values[kOptSoft]) ? 0 : 1;
    return true;
}

std::optional<double> lf_readRadiusMetres(const char* radius)
{
    if (!radius)
        return 0.0;
    const auto value = gf_fileNumber(radius);
    if (!value || *value < 0.0 || *value > kMaxStandRadiusMetres)
        return std::nullopt;
    return *value;
}

StandIds::StandIds(std::size_t expected) : m_slots(std::bit_ceil(std::max<std::size_t>(16, 2 * expected))) {}

std::size_t StandIds::slotOf(std::string_view id) const
{
    const std::size_t mask = m_slots.size() - 1;
    std::size_t slot = std::hash<std::string_view>{}(id) & mask;
    while (m_slots[slot].index != kFree && m_slots[slot].id != id)
        slot = (slot + 1) & mask;
    return slot;
}

void StandIds::grow()
{
    std::vector<Slot> old(m_slots.size() * 2);
    old.swap(m_slots);
    for (const Slot& entry : old)
        if (entry.index != kFree)
            m_slots[slotOf(entry.id)] = entry;
}

bool StandIds::add(std::string_view id, std::size_t index)
{
    std::size_t slot = slotOf(id);
    if (m_slots[slot].index != kFree)
        return false;
    if (2 * (m_used + 1) > m_slots.size()) {
        grow();
        slot = slotOf(id);
    }
    m_slots[slot] = {id, index};
    ++m_used;
    return true;
}

std::optional<std::size_t> StandIds::find(std::string_view id) const
{
    const Slot& entry = m_slots[slotOf(id)];
    if (entry.index == kFree)
        return std::nullopt;
    return entry.index;
}

void gf_readFullStands(pugi::xml_node parkpositions, std::vector<ParkPos>& stands, ReadReport& report)
{
    std::size_t count = 0;
    for (pugi::xml_node child = parkpositions.first_child(); child; child = child.next_sibling())
        count += lf_nameIs(child.name(), "parkpos");
    stands.reserve(stands.size() + count);
    StandIds seen(count); // views into the document, which outlives the walk
    std::string id;
    std::vector<pugi::xml_node> opts;
    for (pugi::xml_node parkpos = parkpositions.first_child(); parkpos; parkpos = parkpos.next_sibling()) {
        if (!lf_nameIs(parkpos.name(), "parkpos"))
            continue;
        const std::string_view idText = parkpos.attribute("id").value();
        if (idText.empty()) {
            report.skip("parkpos", "no id");
            continue;
        }
        if (!seen.add(idText, 0)) {
            report.skip(fmt::format("parkpos \"{}\"", idText),
                        fmt::format("Parking position {} appears more than once?", idText));
            continue;
        }
        id.assign(idText);
        lf_readParkPos(parkpos, id, 1, stands, report, opts);
    }
}

void lf_collectOpts(pugi::xml_node parkpos, std::vector<pugi::xml_node>& opts)
{
    opts.clear();
    for (pugi::xml_node child = parkpos.first_child();; child = child.next_sibling()) {
        const char* name = child.name(); // empty for text, and past the last child
        if (lf_nameIs(name, "opt"))
            opts.push_back(child);
        else if (*name == '\0' && !child)
            break;
    }
}

bool lf_readParkPos(pugi::xml_node parkpos, const std::string& id, std::uint32_t archived, std::vector<ParkPos>& stands,
                    ReadReport& report, std::vector<pugi::xml_node>& opts)
{
    const auto values = lf_attributeValues<kParkposAttributeNames>(parkpos);
    const auto skip = [&](std::string_view reason) {
        report.skip(fmt::format("parkpos \"{}\"", id), reason);
        return false;
    };
    const Coordinate latitude =
        lf_readCoordinate(kParkposAttributeNames[kStandLatitude], values[kStandLatitude], kLatitudeLimit);
    const Coordinate longitude =
        lf_readCoordinate(kParkposAttributeNames[kStandLongitude], values[kStandLongitude], kLongitudeLimit);
    if (!latitude.present && !longitude.present)
        return false; // a bare element: nothing to place
    for (const Coordinate* c : {&latitude, &longitude})
        if (!c->error.empty())
            return skip(c->error);
    if (!latitude.present || !longitude.present)
        return skip(latitude.present ? "longitude missing" : "latitude missing");
    if (latitude.value == 0.0 && longitude.value == 0.0)
        return false;
    const double radius = lf_numberOrZero(values[kStandRadius], "radius", id, report);
    if (radius < 0.0 || radius > kMaxStandRadiusMetres)
        return skip(fmt::format("radius \"{}\" is no radius in metres", values[kStandRadius]));
    const double heading = lf_foldDegrees(lf_numberOrZero(values[kStandHeading], "heading", id, report));
    lf_collectOpts(parkpos, opts);
    std::vector<ParkPosOption> options;
    options.reserve(opts.size());
    for (const pugi::xml_node opt : opts)
        lf_readParkPosOption(opt, static_cast<std::uint32_t>(options.size() + 1), archived, id, report, options);
    stands.emplace_back(id, std::move(options), latitude.value, longitude.value, heading * kDegToRad, radius,
                        gf_apfBool(values[kStandCargo]) ? 0 : 1, gf_apfBool(values[kStandRamp]) ? 0 : 1,
                        gf_apfBool(values[kStandHeli]) ? 0 : 1);
    return true;
}

} // namespace zyn
