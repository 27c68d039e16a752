#include "livery/matching.h"

#include "aircraft/aircraft_db.h"
#include "base/log.h"
#include "base/random_util.h"
#include "livery/livery_index.h"
#include "livery/regcodes.h"
#include "livery/similar_types.h"
#include "settings/settings.h"
#include "sim/failed_liveries.h"

#include <algorithm>
#include <mutex>

namespace zyn {

std::array<std::int32_t, 6> g_matchStepCounts{};

namespace {

constexpr std::string_view kPrivateAirlineCode = "PVT";
constexpr int kSpecialRedraws = 5;

// The ladder's working state: the aircraft as asked and what it has found so far.
struct Ladder {
    const AcHead& head;
    AcCategory category;
    std::uint8_t cargo;
    const LiveryCatalogue& catalogue;
    std::mt19937& random;
    std::string_view title{};
};

bool lf_isSpecial(const Ladder& l, std::string_view title)
{
    const auto& special = l.catalogue.specialTitles;
    return std::find(special.begin(), special.end(), title) != special.end();
}

std::string_view lf_drawCandidate(Ladder& l, const TitleViews& candidates)
{
    if (candidates.size() == 1)
        return candidates.front();
    return candidates[l.random() % candidates.size()];
}

// A random candidate, but never a special livery: those belong to their own registrations.
void lf_pickLivery(Ladder& l, const TitleViews& candidates)
{
    if (candidates.empty())
        return;
    l.title = lf_drawCandidate(l, candidates);
    if (l.catalogue.specialTitles.empty())
        return;
    for (int i = 0; i < kSpecialRedraws && lf_isSpecial(l, l.title); ++i)
        l.title = lf_drawCandidate(l, candidates);
    if (!lf_isSpecial(l, l.title))
        return;
    TitleViews ordinary;
    std::copy_if(candidates.begin(), candidates.end(), std::back_inserter(ordinary),
                 [&l](std::string_view title) { return !lf_isSpecial(l, title); });
    l.title = ordinary.empty() ? std::string_view{} : lf_drawCandidate(l, ordinary);
}

bool lf_matchRegcode(Ladder& l)
{
    if (l.head.registration.empty())
        return false;
    return gf_visitSpellings(l.head.registration, [&l](std::string_view spelling) {
        const auto it = l.catalogue.regcodeLiveries.find(spelling);
        if (it == l.catalogue.regcodeLiveries.end())
            return false;
        l.title = it->second;
        return true;
    });
}

void lf_matchAirlineType(Ladder& l, std::string_view airline, std::string_view type, std::size_t table)
{
    const auto& byAirline = l.catalogue.byAirlineType.at(table);
    const auto types = byAirline.find(airline);
    if (types == byAirline.end())
        return;
    if (const auto titles = types->second.find(type); titles != types->second.end())
        lf_pickLivery(l, titles->second);
}

// A cargo aircraft falls back to passenger liveries; a passenger aircraft never takes a cargo one.
bool lf_lookUp(Ladder& l, std::string_view airline, std::string_view type)
{
    lf_matchAirlineType(l, airline, type, l.cargo ? kCargo : kPassenger);
    if (l.title.empty() && l.cargo)
        lf_matchAirlineType(l, airline, type, kPassenger);
    return !l.title.empty();
}

// Any airline's livery of the type, of the aircraft's own kind only.
bool lf_matchGenericType(Ladder& l, std::string_view type)
{
    const auto& table = l.catalogue.genericByType[l.cargo ? kCargo : kPassenger];
    if (const auto titles = table.find(type); titles != table.end())
        lf_pickLivery(l, titles->second);
    return !l.title.empty();
}

bool lf_hasFallbackCategory(AcCategory category)
{
    return category == AcCategory::Light || category == AcCategory::Buzjets || category == AcCategory::Rotorcraft;
}

// Steps 4 to 6: airline-neutral liveries of the type, then any livery of the type or a stand-in type.
int lf_matchFallbackSteps(Ladder& l, std::int32_t depth)
{
    if (depth == 4 && lf_lookUp(l, g_genericAirlineCode, l.head.type))
        return 4;
    if (!l.title.empty() || !lf_hasFallbackCategory(l.category))
        return 0;
    if (l.head.airline != kPrivateAirlineCode && lf_lookUp(l, g_genericAirlineCode, l.head.type))
        return 4;
    if (lf_matchGenericType(l, l.head.type))
        return 5;
    for (const auto& type : l.catalogue.substituteTypes(l.head.type))
        if (lf_matchGenericType(l, type))
            return 6;
    return 0;
}

// Step 3: the airline's liveries of similar types (for a live aircraft, of its own category).
bool lf_matchSimilarTypes(Ladder& l, std::string_view airline, const LadderRules& rules)
{
    for (const auto& type : l.catalogue.similarTypes(l.head.airline, l.head.type))
        if ((rules.parked || l.catalogue.category(type) == l.category) && lf_lookUp(l, airline, type))
            return true;
    return false;
}

// The ladder; returns the step at which the title was found, 0 when none was.
int lf_matchLadder(Ladder& l, const LadderRules& rules)
{
    const std::int32_t depth = rules.depth;
    if (lf_matchRegcode(l))
        return 1;
    if (rules.parked)
        l.cargo = rules.standCargo;
    if (depth < 2)
        return 0;
    const AcHead& h = l.head;
    if (h.airline == kPrivateAirlineCode && lf_lookUp(l, g_genericAirlineCode, h.type))
        return 4;
    const std::string operatorCode = l.catalogue.registrationOperator(h.registration);
    if (h.airline.empty() && !rules.parked)
        return depth >= 3 ? lf_matchFallbackSteps(l, depth) : 0;
    if (lf_lookUp(l, h.airline, h.type))
        return 2;
    if (!operatorCode.empty() && lf_lookUp(l, l.catalogue.registrationAirline(h.registration), h.type))
        return 2;
    if (depth < 3)
        return 0;
    if (lf_matchSimilarTypes(l, h.airline, rules))
        return 3;
    if (!operatorCode.empty() && lf_matchSimilarTypes(l, l.catalogue.registrationAirline(h.registration), rules))
        return 3;
    return lf_matchFallbackSteps(l, depth);
}

// The ladder on the installed catalogue: sets the title and the cargo flag, returns the step.
int lf_matchInstalled(AcRecord& a, const LadderRules& rules)
{
    const LiveryMatch match = gf_matchLivery(a, rules, gf_installedCatalogue(), gf_randomEngine());
    a.liveryTitle = match.title;
    a.cargo = match.cargo;
    return match.step;
}

void lf_logMatch(const AcRecord& a, int step)
{
    if (param::LOG.on())
        gf_logf("          {} ={}= {}", gf_acDescription(a), step, a.liveryTitle);
}

} // namespace

LiveryMatch gf_matchLivery(const AcRecord& aircraft, const LadderRules& rules, const LiveryCatalogue& catalogue,
                           std::mt19937& random)
{
    Ladder ladder{aircraft.head, aircraft.category, aircraft.cargo, catalogue, random};
    const int step = lf_matchLadder(ladder, rules);
    return {ladder.title, ladder.title.empty() ? 0 : step, ladder.cargo};
}

LiveryCatalogue gf_installedCatalogue()
{
    return {g_liveriesByAirlineType,
            g_genericLiveriesByType,
            g_regcodeLiveries,
            g_specialLiveryTitles,
            gf_lookupAirlineTypeList,
            gf_substituteTypes,
            gf_aircraftCategory,
            gf_regOperator,
            gf_regAirline};
}

void gf_matchLiveAcLivery(AcRecord& a)
{
    const int step = lf_matchInstalled(a, LadderRules{param::MATCHING_DEPTH.value.load()});
    if (a.liveryTitle.empty())
        return;
    if (gf_isNotCreatableTitle(a.liveryTitle)) {
        a.liveryTitle = {};
        return;
    }
    ++g_matchStepCounts.at(static_cast<std::size_t>(step - 1));
    lf_logMatch(a, step);
    a.fsltlTitle = a.liveryTitle.find("FSLTL_") != std::string_view::npos ? 1 : 0;
}

bool gf_matchParkedAcLivery(AiAcRecord& a, const ParkPos& stand)
{
    if (!a.liveryTitle.empty()) {
        if (param::LOG.on())
            gf_logf("          {} =s= {}", gf_acDescription(a), a.liveryTitle);
        return true;
    }
    const int step = lf_matchInstalled(
        a, LadderRules{param::MATCHING_DEPTH.value.load(), true, static_cast<std::uint8_t>(stand.cargo ? 1 : 0)});
    if (a.liveryTitle.empty()) {
        if (param::LOG.on())
            gf_logf("{:8}: {} no livery match ...", stand.id, gf_acDescription3(a));
        return false;
    }
    if (gf_isNotCreatableTitle(a.liveryTitle)) {
        a.liveryTitle = {};
        return false;
    }
    lf_logMatch(a, step);
    return true;
}

void gf_reserveLiveryTables()
{
    static std::once_flag once;
    std::call_once(once, [] {
        g_specialLiveryTitles.reserve(4096);
        g_categoryTypePools[0].reserve(64);
        g_categoryTypePools[1].reserve(128);
        g_categoryTypePools[2].reserve(32);
    });
}

} // namespace zyn
