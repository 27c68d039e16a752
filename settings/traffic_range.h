#pragma once
// The traffic range: the radius around the user aircraft inside which live traffic is requested
// and AI objects are asked from the simulator. LATERAL_RANGE holds it in nautical miles; the two
// derived values below are read by the reader threads and the SimConnect side, hence atomics.
#include <atomic>
#include <cstdint>

namespace zyn {

extern std::atomic<double> g_rangeNm;           // traffic range in nautical miles
extern std::atomic<std::uint32_t> g_rangeMetres; // radius of the simulator's query: range x 1852 + 10000
extern std::atomic<std::uint8_t> g_airportRangeMode; // AUTO_RANGE on and the range exactly 10 NM

// Sets LATERAL_RANGE to nm clamped into its bounds and derives the two values from that clamped
// range, so all three always agree. Neither repaints nor saves.
void gf_setTrafficRange(std::int32_t nm);

// The automatic range lives in the application core, above the rooms that switch it on (a learned
// AUTO_RANGE, the window's check box); the core hands it down at start-up. Until then switching it on
// only switches the setting.
using RangeAdjustment = void (*)();
void gf_setAutoRangeAdjustment(RangeAdjustment adjustment);
// Sets the range for the user's situation at once, through the adjustment handed down.
void gf_adjustAutoRange();

} // namespace zyn
