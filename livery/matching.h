#pragma once
// Livery matching: the installed livery an aircraft wears, found by a ladder of up to six steps
// from its own registration down to any livery of a similar type ("MATCHING_DEPTH" cuts it short).
// The ladder itself (gf_matchLivery) reads nothing but its arguments; the two calls below run it on
// the installed catalogue and the aircraft database. Main-loop thread only.
#include "aircraft/ai_aircraft.h"
#include "airport/park_pos.h"
#include "livery/livery_index.h"

#include <array>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace zyn {

// Everything the ladder reads besides the aircraft: the installed liveries, the registration codes
// and what it asks of the aircraft database.
struct LiveryCatalogue {
    const std::array<TextMap<TypeTitles>, 2>& byAirlineType; // [passenger, cargo]: airline -> type -> titles
    const std::array<TypeTitles, 2>& genericByType;          // [passenger, cargo]: type -> titles
    const TextMap<std::string_view>& regcodeLiveries;        // registration spelling -> title
    const std::vector<std::string_view>& specialTitles;      // titles that belong to their registrations
    // The airline's types with a livery that are similar to the type, in the order to try.
    std::function<const std::vector<std::string>&(std::string_view airline, std::string_view type)> similarTypes;
    // The types with a livery that may stand in for the type.
    std::function<const std::vector<std::string>&(std::string_view type)> substituteTypes;
    std::function<AcCategory(std::string_view type)> category;
    std::function<std::string(std::string_view registration)> registrationOperator; // empty when unknown
    std::function<std::string(std::string_view registration)> registrationAirline;
};

// What differs between the ladder of a live aircraft and that of a parked one.
struct LadderRules {
    std::int32_t depth = 4;     // MATCHING_DEPTH
    bool parked = false;
    std::uint8_t standCargo = 0; // a parked aircraft takes its stand's cargo flag below step 1
};

struct LiveryMatch {
    std::string_view title; // a view into the catalogue; empty when nothing fits
    int step = 0;           // the ladder step that found it, 1 to 6
    std::uint8_t cargo = 0; // the aircraft's cargo flag after the ladder
};

// The ladder for one aircraft (its head, category and cargo flag); random draws among equal
// candidates come from the engine.
LiveryMatch gf_matchLivery(const AcRecord& aircraft, const LadderRules& rules, const LiveryCatalogue& catalogue,
                           std::mt19937& random);

// The installed catalogue and the aircraft database read at start-up.
LiveryCatalogue gf_installedCatalogue();

// Live matches made at ladder step k (element k-1); they grow for the whole run.
extern std::array<std::int32_t, 6> g_matchStepCounts;

// Sets the title and the "FSLTL_" flag when a livery fits; otherwise leaves the title empty.
// Called for an aircraft without a title.
void gf_matchLiveAcLivery(AcRecord& aircraft);
// A static aircraft placed on the stand: keeps a title it has, else matches one (taking the stand's
// cargo flag once the registration has not matched). True when the aircraft has a title.
bool gf_matchParkedAcLivery(AiAcRecord& aircraft, const ParkPos& stand);

// Room for the tables that matching and the index grow; once per process.
void gf_reserveLiveryTables();

} // namespace zyn
