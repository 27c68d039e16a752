#include "livery/livery_index.h"

#include "aircraft/ac_category.h"
#include "aircraft/aircraft_db.h"
#include "base/log.h"
#include "base/text_util.h"
#include "livery/regcodes.h"
#include "livery/similar_types.h"
#include "platform/win32/window.h"
#include "settings/setting_controls.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "shown/display_state.h"

#include <algorithm>
#include <tuple>

namespace zyn {

TextMap<TextMap<std::vector<LiveryTitle>>> g_liveryTitlesByAirline;
std::array<TextMap<TypeTitles>, 2> g_liveriesByAirlineType;
std::array<TypeTitles, 2> g_genericLiveriesByType;
std::array<std::vector<std::string>, 3> g_categoryTypePools;
std::atomic<bool> g_liveriesProcessed{false};

namespace {

// Every installed title once, for the registration codes that name a livery by its title.
std::unordered_set<std::string_view> g_titleIndex;

constexpr std::size_t kTypesPerLogLine = 20;

void lf_emptyLiveryTables()
{
    for (auto& pool : g_categoryTypePools)
        pool.clear();
    gf_clearRegcodes();
    gf_clearSimilarModels();
    for (auto& table : g_genericLiveriesByType)
        table.clear();
    for (auto& table : g_liveriesByAirlineType)
        table.clear();
    g_titleIndex.clear();
    g_liveryTitlesByAirline.clear();
}

void lf_sortByAirlineTypeTitle(std::vector<LiveryData>& liveries)
{
    std::stable_sort(liveries.begin(), liveries.end(), [](const LiveryData& a, const LiveryData& b) {
        return std::tie(a.airl, a.type, a.title) < std::tie(b.airl, b.type, b.title);
    });
}

// The owning table. The input is ordered, so each list comes out in title order; the views of the
// other tables are taken only once it is complete.
void lf_buildLiveryIndex(const std::vector<LiveryData>& liveries)
{
    for (const auto& livery : liveries)
        g_liveryTitlesByAirline[livery.airl][livery.type].push_back({livery.title, livery.cargo});
    for (const auto& [airline, types] : g_liveryTitlesByAirline)
        for (const auto& [type, titles] : types)
            for (const auto& livery : titles)
                g_titleIndex.insert(livery.title);
}

void lf_buildAirlineTypeSets()
{
    for (const auto& [airline, types] : g_liveryTitlesByAirline) {
        std::array<TypeTitles, 2> byKind;
        for (const auto& [type, titles] : types) {
            std::array<TitleViews, 2> lists;
            for (const auto& livery : titles)
                lists[livery.cargo ? kCargo : kPassenger].push_back(livery.title);
            for (std::size_t kind : {kPassenger, kCargo})
                if (!lists[kind].empty())
                    byKind[kind].emplace(type, std::move(lists[kind]));
        }
        for (std::size_t kind : {kPassenger, kCargo})
            if (!byKind[kind].empty())
                g_liveriesByAirlineType[kind].emplace(airline, std::move(byKind[kind]));
    }
}

void lf_buildGenericLiveries()
{
    for (const auto& [airline, types] : g_liveryTitlesByAirline)
        for (const auto& [type, titles] : types) {
            for (const auto& livery : titles) {
                auto& table = g_genericLiveriesByType[livery.cargo ? kCargo : kPassenger];
                table[type].push_back(livery.title);
            }
        }
}

// The types in order, at most twenty to a line, each line indented by two blanks.
void lf_logTypeLines(const std::vector<std::string>& types)
{
    for (std::size_t i = 0; i < types.size(); i += kTypesPerLogLine) {
        std::string line = "  ";
        const std::size_t end = std::min(types.size(), i + kTypesPerLogLine);
        for (std::size_t k = i; k < end; ++k) {
            if (k > i)
                line += ',';
            line += types[k];
        }
        gf_log(line);
    }
}

void lf_sortUnique(std::vector<std::string>& types)
{
    std::sort(types.begin(), types.end());
    types.erase(std::unique(types.begin(), types.end()), types.end());
}

void lf_reportGenericLiveries()
{
    const auto it = g_liveryTitlesByAirline.find(g_genericAirlineCode);
    if (it == g_liveryTitlesByAirline.end()) {
        gf_log("No generic liveries");
        return;
    }
    std::vector<std::string> types;
    for (const auto& [type, titles] : it->second)
        types.push_back(type);
    lf_sortUnique(types);
    gf_logf("{} model{} have a generic livery", types.size(), gf_plural(types.size()));
    lf_logTypeLines(types);
}

std::vector<std::string>* lf_categoryPool(AcCategory category)
{
    switch (category) {
    case AcCategory::Light:
        return &g_categoryTypePools[0];
    case AcCategory::Buzjets:
        return &g_categoryTypePools[1];
    case AcCategory::Rotorcraft:
        return &g_categoryTypePools[2];
    default:
        return nullptr;
    }
}

// The setting that lets aircraft of a category fly, for the categories that have one.
BoolControlParameter* lf_categorySetting(AcCategory category)
{
    switch (category) {
    case AcCategory::Light:
        return &param::LIGHT_AIRCRAFT;
    case AcCategory::HighPerf:
        return &param::HIGH_PERF_AIRCRAFT;
    case AcCategory::Rotorcraft:
        return &param::HELICOPTERS;
    default:
        return nullptr;
    }
}

std::string_view lf_missingCategoryText(AcCategory category)
{
    switch (category) {
    case AcCategory::Light:
        return "light aircraft";
    case AcCategory::HighPerf:
        return "High Perf aircraft";
    default:
        return "Helicopters";
    }
}

void lf_switchOffMissingCategory(AcCategory category)
{
    BoolControlParameter* setting = lf_categorySetting(category);
    if (setting == nullptr)
        return;
    if (setting->on()) {
        setting->value = 0;
        gf_writeParametersXml(*setting);
        gf_logf("{} temporary switched off because you do not have {} installed", setting->key,
                lf_missingCategoryText(category));
    }
    gf_enableControl(*setting, false);
}

void lf_reportCategories(AcCategory category)
{
    std::size_t typeCount = 0;
    std::array<std::size_t, 2> liveryCount{0, 0};
    std::vector<std::string> types;
    for (std::size_t kind : {kPassenger, kCargo})
        for (const auto& [type, titles] : g_genericLiveriesByType[kind]) {
            if (gf_aircraftCategory(type) != category)
                continue;
            ++typeCount;
            liveryCount[kind] += titles.size();
            types.push_back(type);
        }
    const std::string name = gf_categoryName(static_cast<std::uint32_t>(category));
    const auto [pax, cargo] = liveryCount;
    if (pax == 0 && cargo == 0) {
        gf_logf("Category {}: No livery found", name);
        lf_switchOffMissingCategory(category);
        return;
    }
    std::string line = fmt::format("Category {}: {} pax liverie{}", name, pax, gf_plural(pax));
    if (cargo > 0)
        line += fmt::format(" and {} cargo liverie{}", cargo, gf_plural(cargo));
    gf_log(line);
    if (typeCount > 0) {
        lf_sortUnique(types);
        lf_logTypeLines(types);
        if (auto* pool = lf_categoryPool(category))
            pool->insert(pool->end(), types.begin(), types.end());
    }
    if (const BoolControlParameter* setting = lf_categorySetting(category))
        gf_enableControl(*setting, true);
}

} // namespace

void gf_processScannedLiveries(const std::function<std::vector<LiveryData>()>& readScanned)
{
    if (g_liveriesProcessed.load()) {
        gf_log("Processing scanned liveries skipped; already done in previous start-up");
        return;
    }
    gf_buildLiveryIndex(readScanned());
}

void gf_buildLiveryIndex(std::vector<LiveryData> liveries)
{
    g_liveriesProcessed = false;
    lf_emptyLiveryTables();
    g_liveryCount = liveries.size();
    gf_repaintBand(Band::Counters);
    lf_sortByAirlineTypeTitle(liveries);
    lf_buildLiveryIndex(liveries);
    lf_buildAirlineTypeSets();
    lf_checkInlineRegcodeClashes(liveries);
    lf_processRegcodeFiles();
    gf_logf("{} registration codes", g_regcodeLiveries.size());
    lf_buildGenericLiveries();
    gf_logf("{} airlines, {} pax aircraft models and {} cargo aircraft models", g_liveryTitlesByAirline.size(),
            g_genericLiveriesByType[kPassenger].size(), g_genericLiveriesByType[kCargo].size());
    gf_buildSimilarModels();
    lf_reportGenericLiveries();
    for (std::uint32_t category = 0; category <= 5; ++category)
        lf_reportCategories(static_cast<AcCategory>(category));
    g_liveriesProcessed = true;
    gf_repaintBand(Band::Counters);
}

const std::vector<std::string>* gf_categoryTypePool(AcCategory category) { return lf_categoryPool(category); }

bool gf_hasLiveryForAirlineType(std::string_view airline, std::string_view type)
{
    const auto it = g_liveryTitlesByAirline.find(airline);
    return it != g_liveryTitlesByAirline.end() && it->second.find(type) != it->second.end();
}

bool gf_hasGenericLivery(std::string_view type)
{
    return g_genericLiveriesByType[kPassenger].find(type) != g_genericLiveriesByType[kPassenger].end() ||
           g_genericLiveriesByType[kCargo].find(type) != g_genericLiveriesByType[kCargo].end();
}

std::vector<std::string> gf_liveryAirlines()
{
    std::vector<std::string> airlines;
    airlines.reserve(g_liveryTitlesByAirline.size());
    for (const auto& [airline, types] : g_liveryTitlesByAirline)
        airlines.push_back(airline);
    return airlines;
}

std::string_view gf_findLiveryByTitle(std::string_view title)
{
    const auto it = g_titleIndex.find(title);
    return it == g_titleIndex.end() ? std::string_view{} : *it;
}

void gf_clearLiveries() { g_liveriesProcessed = false; }

void gf_resetLiveryIndex()
{
    lf_emptyLiveryTables();
    g_liveriesProcessed = false;
    g_liveryCount = 0;
}

} // namespace zyn
