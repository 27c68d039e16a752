#include "livery/matching.h"

#include "base/log.h"
#include "base/random_util.h"
#include "settings/settings.h"
#include "aircraft/aircraft_db.h"
#include "livery/livery_index.h"
#include "livery/regcodes.h"
#include "sim/failed_liveries.h"

#include <algorithm>
#include <mutex>

namespace zyn {

std::array<std::int32_t, 6> g_matchStepCounts{};

namespace {

constexpr std::string_view kPrivateAirlineCode = "PVT";
constexpr int kSpecialRedraws = 5;

// What differs between the ladder of a live aircraft and that of a parked one.
struct LadderRules {
    bool parked = false;
    std::uint8_t standCargo = 0;
};

bool lf_isSpecial(std::string_view title)
{
    return std::find(g_specialLiveryTitles.begin(), g_specialLiveryTitles.end(), title) != g_specialLiveryTitles.end();
}

std::string_view lf_drawCandidate(const TitleViews& candidates)
{
    if (candidates.size() == 1)
        return candidates.front();
    return candidates[gf_randomEngine()() % candidates.size()];
}

// A random candidate, but never a special livery: those belong to their own registrations.
void lf_pickLivery(AcRecord& a, const TitleViews& candidates)
{
    if (candidates.empty())
        return;
    a.liveryTitle = lf_drawCandidate(candidates);
    if (g_specialLiveryTitles.empty())
        return;
    for (int i = 0; i < kSpecialRedraws && lf_isSpecial(a.liveryTitle); ++i)
        a.liveryTitle = lf_drawCandidate(candidates);
    if (!lf_isSpecial(a.liveryTitle))
        return;
    TitleViews ordinary;
    std::copy_if(candidates.begin(), candidates.end(), std::back_inserter(ordinary),
                 [](std::string_view title) { return !lf_isSpecial(title); });
    a.liveryTitle = ordinary.empty() ? std::string_view{} : lf_drawCandidate(ordinary);
}

bool lf_matchRegcode(AcRecord& a)
{
    if (a.head.registration.empty())
        return false;
    for (const auto& spelling : gf_registrationVariants(a.head.registration)) {
        if (const auto it = g_regcodeLiveries.find(spelling); it != g_regcodeLiveries.end()) {
            a.liveryTitle = it->second;
            return true;
        }
    }
    return false;
}

void lf_matchAirlineType(AcRecord& a, std::string_view airline, std::string_view type, std::size_t table)
{
    const auto& byAirline = g_liveriesByAirlineType.at(table);
    const auto types = byAirline.find(airline);
    if (types == byAirline.end())
        return;
    if (const auto titles = types->second.find(type); titles != types->second.end())
        lf_pickLivery(a, titles->second);
}

// A cargo aircraft falls back to passenger liveries; a passenger aircraft never takes a cargo one.
bool lf_lookUp(AcRecord& a, std::string_view airline, std::string_view type)
{
    lf_matchAirlineType(a, airline, type, a.cargo ? kCargo : kPassenger);
    if (a.liveryTitle.empty() && a.cargo)
        lf_matchAirlineType(a, airline, type, kPassenger);
    return !a.liveryTitle.empty();
}

// Any airline's livery of the type, of the aircraft's own kind only.
bool lf_matchGenericType(AcRecord& a, std::string_view type)
{
    const auto& table = g_genericLiveriesByType[a.cargo ? kCargo : kPassenger];
    if (const auto titles = table.find(type); titles != table.end())
        lf_pickLivery(a, titles->second);
    return !a.liveryTitle.empty();
}

bool lf_hasFallbackCategory(AcCategory category)
{
    return category == AcCategory::Light || category == AcCategory::Buzjets || category == AcCategory::Rotorcraft;
}

// Steps 4 to 6: airline-neutral liveries of the type, then any livery of the type or a stand-in type.
int lf_matchFallbackSteps(AcRecord& a, std::int32_t depth)
{
    if (depth == 4 && lf_lookUp(a, g_genericAirlineCode, a.head.type))
        return 4;
    if (!a.liveryTitle.empty() || !lf_hasFallbackCategory(a.category))
        return 0;
    if (a.head.airline != kPrivateAirlineCode && lf_lookUp(a, g_genericAirlineCode, a.head.type))
        return 4;
    if (lf_matchGenericType(a, a.head.type))
        return 5;
    const std::vector<std::string> substitutes = gf_substituteTypes(a.head.type);
    for (const auto& type : substitutes)
        if (lf_matchGenericType(a, type))
            return 6;
    return 0;
}

// Step 3: the airline's liveries of similar types (for a live aircraft, of its own category).
bool lf_matchSimilarTypes(AcRecord& a, std::string_view airline, const LadderRules& rules)
{
    const std::vector<std::string> similar = gf_lookupAirlineTypeList(a.head.airline, a.head.type);
    for (const auto& type : similar)
        if ((rules.parked || gf_aircraftCategory(type) == a.category) && lf_lookUp(a, airline, type))
            return true;
    return false;
}

// The ladder; returns the step at which the title was found, 0 when none was.
int lf_matchLadder(AcRecord& a, const LadderRules& rules)
{
    const std::int32_t depth = param::MATCHING_DEPTH.value.load();
    if (lf_matchRegcode(a))
        return 1;
    if (rules.parked)
        a.cargo = rules.standCargo;
    if (depth < 2)
        return 0;
    const AcHead& h = a.head;
    if (h.airline == kPrivateAirlineCode && lf_lookUp(a, g_genericAirlineCode, h.type))
        return 4;
    const std::string operatorCode = gf_regOperator(h.registration);
    if (h.airline.empty() && !rules.parked)
        return depth >= 3 ? lf_matchFallbackSteps(a, depth) : 0;
    if (lf_lookUp(a, h.airline, h.type))
        return 2;
    if (!operatorCode.empty() && lf_lookUp(a, gf_regAirline(h.registration), h.type))
        return 2;
    if (depth < 3)
        return 0;
    if (lf_matchSimilarTypes(a, h.airline, rules))
        return 3;
    if (!operatorCode.empty() && lf_matchSimilarTypes(a, gf_regAirline(h.registration), rules))
        return 3;
    return lf_matchFallbackSteps(a, depth);
}

void lf_logMatch(const AcRecord& a, int step)
{
    if (param::LOG.on())
        gf_logf("          {} ={}= {}", gf_acDescription(a), step, a.liveryTitle);
}

} // namespace

void gf_matchLiveAcLivery(AcRecord& a)
{
    const int step = lf_matchLadder(a, LadderRules{});
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
    const int step = lf_matchLadder(a, LadderRules{true, static_cast<std::uint8_t>(stand.cargo ? 1 : 0)});
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
