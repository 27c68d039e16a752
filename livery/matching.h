#pragma once
// Livery matching: the installed livery an aircraft wears, found by a ladder of up to six steps
// from its own registration down to any livery of a similar type ("MATCHING_DEPTH" cuts it short).
// Main-loop thread only; reads the livery index and the registration codes.
#include "airport/park_pos.h"
#include "aircraft/ai_aircraft.h"

#include <array>
#include <cstdint>

namespace zyn {

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
