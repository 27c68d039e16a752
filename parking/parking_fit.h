#pragma once
// How many static aircraft the park airport gets, and which stands fit the current half hour of the
// week: the count rule, and the search that widens its window half an hour at a time until enough
// stands are taken. Main-loop thread.
#include "base/time_util.h"
#include "engine/stand_candidates.h"

#include <cstdint>
#include <vector>

namespace zyn {

extern std::int32_t g_parkCount;           // last computed number of aircraft to park
extern std::int32_t g_achievedParkPercent; // the percentage shown beside it
extern std::int32_t g_realFitSteps;        // steps of the last real pass
extern std::int32_t g_softFitSteps;        // steps of the last soft pass; -1 none

// One step of the stand search: the stands that fit the window starting span half hours before slot,
// of real (true) or soft (false) options; takes each chosen stand and adds one candidate per stand
// to found.
using StandSearch = void (*)(WeekSlot slot, bool real, std::int32_t span, std::vector<StandCandidate>& found);
// The stand search the fit uses; until one is set the fit finds nothing.
void gf_setStandSearch(StandSearch search);

struct ParkCount {
    std::int64_t count = 0;
    std::int32_t percent = 0; // achieved
};
// The count rule: pct percent of stands (at least 1), capped by maxPark unless it is -1.
ParkCount gf_parkCountFor(std::int32_t pct, std::uint64_t stands, std::int32_t maxPark);
// The hours a fit of that many half-hour steps spans, as the log writes it (step 0: half an hour).
double gf_hoursOfSteps(std::int64_t halfHours);
// The window that starts back half hours before now (back 0..47).
WeekSlot gf_windowStart(WeekSlot now, std::int32_t back);
// Whether parked lies at or before the window start (Sunday against a Monday window counts as before).
bool gf_parkedAtOrBefore(WeekSlot parked, WeekSlot windowStart);
// Whether parked lies strictly before the window start (same week rule).
bool gf_parkedBefore(WeekSlot parked, WeekSlot windowStart);

// Now's week slot, with the day line in the log.
WeekSlot lf_weekSlotNow();
// The count for the park airport's stands, stored and shown.
std::int64_t lf_parkCount();
std::uint64_t gf_takenStandCount();
// The widening search; true when at least wanted stands are taken. real: real options, else soft.
bool lf_fitStands(WeekSlot slot, bool real, std::int64_t wanted, std::vector<StandCandidate>& found);
// Runs the search and trims the candidates so that they and the positions held outside the
// list (live parked aircraft, statics that stay) come to at most wanted.
void lf_fitAndTrim(WeekSlot slot, std::int64_t wanted, std::int64_t others, bool real);
// A real pass, then a soft one when still short and soft or fake parking is on. have counts every
// position already held, the candidates in the list among them.
void lf_fitRealThenSoft(WeekSlot slot, std::int64_t wanted, std::int64_t have);

// Back to the start state (restart, tests).
void gf_resetParkingFit();

} // namespace zyn
