#include "airport/learned_merge.h"

#include "base/geo.h"
#include "base/log.h"
#include "base/path_text.h"
#include "platform/system/error_text.h"
#include "platform/system/files.h"
#include "settings/airport_settings.h"
#include "settings/setting_controls.h"
#include "settings/settings.h"
#include "settings/traffic_range.h"
#include "settings/xml_meta.h"
#include "shown/status_line.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <string_view>

namespace zyn {

namespace fs = std::filesystem;

bool g_handmade = false;

namespace {

constexpr double kGroundRangeNm = 10.0;

void lf_logSetting(std::string_view name, const auto& value)
{
    gf_logIndentedf("{:24}: {}", name, value);
}

std::optional<bool> lf_learnBool(const pugi::xml_document& document, BoolControlParameter& setting)
{
    const auto value = lf_readParameterBool(document, setting.key);
    if (value) {
        setting.value = *value ? 1 : 0;
        gf_showCheckBox(setting);
        lf_logSetting(setting.key, *value ? "true" : "false");
    }
    return value;
}

// A learned range; with AUTO_RANGE learned as off it stays the airport's range.
void lf_learnRange(const pugi::xml_document& document)
{
    using namespace param;
    const auto range = lf_readParameterInt(document, LATERAL_RANGE.key);
    if (range) {
        gf_setTrafficRange(*range);
        gf_setBoxInt(LATERAL_RANGE);
        gf_enableControl(LATERAL_RANGE, true);
        lf_logSetting(LATERAL_RANGE.key, *range);
    }
    const auto automatic = lf_learnBool(document, AUTO_RANGE);
    if (!automatic)
        return;
    if (*automatic) {
        // The user's own range stays saved: it comes back when automatic range or parking ends.
        gf_adjustAutoRange();
        gf_enableControl(LATERAL_RANGE, false);
    } else {
        gf_setTrafficRange(range.value_or(gf_usersAirportSettings().lateralRange));
        gf_setBoxInt(LATERAL_RANGE);
        gf_enableControl(LATERAL_RANGE, true);
    }
    g_airportRangeMode = AUTO_RANGE.on() && g_rangeNm.load() == kGroundRangeNm ? 1 : 0;
}

// A learned integer clamped into the setting's bounds; absent: the fallback, when there is one.
void lf_learnInt(const pugi::xml_document& document, IntControlParameter& setting, std::optional<std::int32_t> fallback)
{
    const auto value = lf_readParameterInt(document, setting.key);
    if (value) {
        setting.value = setting.clamp(*value);
        lf_logSetting(setting.key, *value);
        if (setting.value.load() != *value)
            gf_logErrorf("{} {} out of range, {} used", setting.key, *value, setting.value.load());
    } else if (fallback) {
        setting.value = *fallback;
    }
    gf_setBoxInt(setting);
}

void lf_learnMaxFit(const pugi::xml_document& document)
{
    using namespace param;
    const auto value = lf_readParameterInt(document, MAX_FIT.key);
    if (!value)
        return;
    MAX_FIT.value = MAX_FIT.clamp(*value);
    MAX_FIT_FL.value = static_cast<float>(MAX_FIT.value.load()) * 0.5f + 0.5f;
    gf_setBoxFloat(MAX_FIT_FL);
    gf_logIndentedf("{:24}: {} (max number of half hours, is {} hrs decimal)", MAX_FIT.key, MAX_FIT.value.load(),
                    MAX_FIT_FL.value.load());
}

// The per-airport settings the file carries, in their order.
void lf_learnSettings(const pugi::xml_document& document)
{
    using namespace param;
    lf_learnBool(document, LEARN_SOFT);
    lf_learnInt(document, MAX_LIVE, MAX_LIVE.defaultValue);
    lf_learnRange(document);
    lf_learnBool(document, PARK_FAKE);
    lf_learnBool(document, WEEK);
    lf_learnBool(document, PARK_SOFT);
    lf_learnInt(document, parking_percentage, kDefaultParkingPercentage);
    lf_learnBool(document, INITIAL_LOAD_ONLY);
    lf_learnMaxFit(document);
    lf_learnBool(document, RT_PARKTRAFFIC_ONLY);
}

// The attributes a learned "parkpos" may carry besides a full stand's.
enum LearnedAttribute : std::size_t {
    kLearnedId,
    kLearnedManual,
    kLearnedRadiusChange,
    kLearnedRadius,
    kLearnedCargoChange,
    kLearnedCargo
};
constexpr std::array<std::string_view, 6> kLearnedAttributeNames{"id",     "manual",       "radius_change",
                                                                 "radius", "cargo_change", "cargo"};
using LearnedValues = std::array<const char*, kLearnedAttributeNames.size()>;

// A changed radius or cargo use, and the options after the stand's own (numbered on, equal ones dropped).
void lf_applyLearnedParkPos(pugi::xml_node parkpos, const LearnedValues& values, ParkPos& stand, ReadReport& report,
                            std::vector<pugi::xml_node>& opts)
{
    if (gf_apfBool(values[kLearnedRadiusChange])) {
        const auto metres = lf_readRadiusMetres(values[kLearnedRadius]);
        if (metres && *metres > 0.0) {
            stand.radius = *metres * kNmPerMetre;
            stand.radiusChanged = true;
        } else {
            report.skip(fmt::format("parkpos \"{}\" radius_change", stand.id),
                        fmt::format("radius \"{}\" is no radius in metres", lf_valueText(values[kLearnedRadius])));
        }
    }
    if (gf_apfBool(values[kLearnedCargoChange])) {
        stand.cargo = gf_apfBool(values[kLearnedCargo]);
        stand.cargoChanged = true;
    }
    std::uint32_t next = stand.options.empty() ? 1 : stand.options.back().number + 1;
    lf_collectOpts(parkpos, opts);
    stand.options.reserve(stand.options.size() + opts.size());
    for (const pugi::xml_node opt : opts) {
        if (!lf_readParkPosOption(opt, next, 0, stand.id, report, stand.options))
            continue;
        const ParkPosOption& added = stand.options.back();
        if (std::any_of(stand.options.begin(), stand.options.end() - 1, [&](const auto& o) { return lf_sameOption(added, o); }))
            stand.options.pop_back();
        else
            ++next;
    }
}

// A stand made by hand: placed and with a radius, and not already among the stands.
void lf_readManualStand(pugi::xml_node parkpos, const std::string& id, std::vector<ParkPos>& stands, StandIds& byId,
                        ReadReport& report, std::vector<pugi::xml_node>& opts)
{
    if (byId.find(id)) {
        gf_logErrorf("manually created standid {} already exists in {}", id, report.file());
        return;
    }
    const LatLon at{gf_fileNumber(parkpos.attribute("latitude").as_string()).value_or(0.0),
                    gf_fileNumber(parkpos.attribute("longitude").as_string()).value_or(0.0)};
    const double radius = gf_fileNumber(parkpos.attribute("radius").as_string()).value_or(0.0);
    if (!gf_positionKnown(at) || radius == 0.0) {
        gf_logErrorf("manually created standid {} misses correct attributes in {}", id, report.file());
        return;
    }
    if (lf_readParkPos(parkpos, id, 0, stands, report, opts)) {
        stands.back().manual = true;
        byId.add(stands.back().id, stands.size() - 1);
    }
}

void lf_readLearnedChanges(pugi::xml_node parkpositions, std::vector<ParkPos>& stands, ReadReport& report)
{
    std::size_t learned = 0;
    for (pugi::xml_node child = parkpositions.first_child(); child; child = child.next_sibling())
        learned += lf_nameIs(child.name(), "parkpos");
    // Room for every manual stand up front: the ids the table points at stay where they are.
    stands.reserve(stands.size() + learned);
    StandIds byId(stands.size() + learned); // the first stand of each id
    bool unique = true;
    for (std::size_t i = 0; i < stands.size(); ++i)
        unique = byId.add(stands[i].id, i) && unique;
    // A learned file lists its stands in the order they were read: the stand after the last one
    // found is tried first. Only with unique ids is it the first stand of its id.
    std::size_t next = 0;
    std::vector<pugi::xml_node> opts;
    for (pugi::xml_node parkpos = parkpositions.first_child(); parkpos; parkpos = parkpos.next_sibling()) {
        if (!lf_nameIs(parkpos.name(), "parkpos"))
            continue;
        const LearnedValues values = lf_attributeValues<kLearnedAttributeNames>(parkpos);
        const std::string_view id = lf_valueText(values[kLearnedId]);
        if (gf_apfBool(values[kLearnedManual])) {
            lf_readManualStand(parkpos, std::string(id), stands, byId, report, opts);
        } else if (const auto index = unique && next < stands.size() && stands[next].id == id ? next : byId.find(id)) {
            lf_applyLearnedParkPos(parkpos, values, stands[*index], report, opts);
            next = *index + 1;
        } else {
            gf_logf("learned stand {} in {} not found?", id, report.file());
        }
    }
}

// False when the meta block is refused: then nothing of the file is taken.
bool lf_mergeLearnedDocument(const pugi::xml_document& document, ReadReport& report, const std::string& airportName,
                             std::vector<ParkPos>& stands, bool& handmade)
{
    gf_logf("Read from learned airport file: \"{}\"", report.file());
    if (!gf_checkXmlMeta(document))
        return false;
    if (const auto name = lf_readParameterText(document, "airport_name"); name && *name != airportName)
        gf_setStatusMessage(fmt::format("Warning: learned file airport name: \"{}\" differs from archived file airport "
                                        "name: \"{}\"",
                                        *name, airportName),
                            true);
    lf_learnSettings(document);
    const auto handmadeValue = lf_readParameterText(document, "handmade");
    handmade = handmadeValue.has_value();
    const auto parkpositions = document.child("parkpositions");
    if (handmade) {
        stands.clear();
        gf_readFullStands(parkpositions, stands, report);
        lf_logSetting("handmade", *handmadeValue);
    } else if (parkpositions) {
        lf_readLearnedChanges(parkpositions, stands, report);
    }
    return true;
}

// A copy of a learned file that was not taken, before the next save writes over it; the older
// copy goes. Empty when the name allows none.
fs::path lf_keepCopy(const fs::path& path)
{
    const fs::path backup = gf_learnedBackupPath(path);
    if (backup.empty() || !fs::exists(path))
        return {};
    gf_copyFile(path, backup, ExistingTarget::Replace);
    return backup;
}

// Runs one merge; every error ends it with a log line, the stands read so far staying.
template <typename Merge> void lf_guardedMerge(ReadReport& report, Merge&& merge)
{
    try {
        merge();
    } catch (const std::exception& e) {
        gf_logf("{}: {}", "lf_readLearned", gf_exceptionText(e));
    }
    report.finish();
}

} // namespace


fs::path gf_learnedBackupPath(const fs::path& path)
{
    const std::string text = gf_utf8FromPath(path);
    const std::size_t dot = text.rfind('.');
    if (dot == std::string::npos)
        return {};
    return gf_pathFromUtf8(text.substr(0, dot) + "0" + text.substr(dot));
}

bool lf_sameOption(const ParkPosOption& added, const ParkPosOption& existing)
{
    // The callsign too: an aircraft seen under a callsign the stand's own option lacks is kept, so that
    // static parking can tell it from the live aircraft flying under it.
    return added.day == existing.day && added.real == existing.real && (added.halfHours & existing.halfHours) != 0 &&
           added.registration == existing.registration && added.airline == existing.airline &&
           added.type == existing.type && added.callsign == existing.callsign;
}

bool lf_readLearnedParkPos(pugi::xml_node parkpos, ParkPos& stand, ReadReport& report)
{
    const LearnedValues values = lf_attributeValues<kLearnedAttributeNames>(parkpos);
    if (stand.id != lf_valueText(values[kLearnedId]))
        return false;
    std::vector<pugi::xml_node> opts;
    lf_applyLearnedParkPos(parkpos, values, stand, report, opts);
    return true;
}

void lf_readLearned(const fs::path& path, const std::string& airportName, std::vector<ParkPos>& stands, bool& handmade)
{
    ReadReport report(gf_genericUtf8FromPath(path));
    lf_guardedMerge(report, [&] {
        pugi::xml_document document;
        const pugi::xml_parse_result loaded = document.load_file(path.c_str());
        if (!loaded) {
            lf_keepCopy(path);
            gf_logf("{} found, but could not be loaded, saved as *.0.xml: {}", report.file(), loaded.description());
            return;
        }
        if (!lf_mergeLearnedDocument(document, report, airportName, stands, handmade))
            if (const fs::path copy = lf_keepCopy(path); !copy.empty())
                gf_logf("{} refused, kept as \"{}\"", report.file(), gf_utf8FromPath(copy));
    });
}

void gf_mergeLearnedBytes(std::string_view bytes, const std::string& label, const std::string& airportName,
                          std::vector<ParkPos>& stands, bool& handmade)
{
    ReadReport report(label);
    lf_guardedMerge(report, [&] {
        pugi::xml_document document;
        if (const pugi::xml_parse_result loaded = document.load_buffer(bytes.data(), bytes.size()); !loaded) {
            gf_logf("{} could not be loaded: {}", label, loaded.description());
            return;
        }
        lf_mergeLearnedDocument(document, report, airportName, stands, handmade);
    });
}

} // namespace zyn
