#pragma once
// What the live aircraft engine asks of static parking about the parked aircraft. Static parking
// sits above the engine, so it hands its answers down: it installs its queries once at start-up.
// Until then there is no parking count and no parked aircraft to weigh, and the engine's parking
// rules remove nothing.
#include "aircraft/ai_aircraft.h"

#include <cstdint>
#include <vector>

namespace zyn {

struct ParkingQueries {
    std::int32_t (*count)() = nullptr;                     // the last computed number of aircraft to park
    std::vector<AiAcRecord*> (*byStaticOrder)() = nullptr; // parked statics, the last gives way first
    void (*parkNext)() = nullptr;                          // turns the next stand candidate into a static
    std::uint32_t (*staticParkedStats)(bool show) = nullptr; // counts the parked statics; show: their mean time
};
void gf_setParkingQueries(const ParkingQueries& queries);

// The last computed number of aircraft to park; 0 until static parking has computed one.
std::int32_t gf_parkingCount();
// The static aircraft counted as parked, in static parking's order.
std::vector<AiAcRecord*> gf_parkedByStaticOrder();
// Shows how long the parked statics have stood on average (not while "WEEK" is on); nothing until
// static parking is installed.
void gf_showStaticParkedStats();
// Parks the next static aircraft of the stand candidates; nothing until static parking is installed.
void gf_parkNextStatic();

} // namespace zyn
