#pragma once
// The engine's heartbeat: one call per 10 ms tick while a flight runs. In a fixed order it applies
// the simulator's commands, moves every live aircraft, passes creations and removals on at fixed
// rates, merges fetched traffic, asks for the aircraft in range and the user aircraft, and advances
// the engine clock g_tick. Main-loop thread only.
#include <cstdint>

namespace zyn {

inline constexpr std::int32_t kRemovalEveryTicks = 10;
inline constexpr std::int32_t kCreationEveryTicks = 50;
inline constexpr std::int32_t kInRangeEveryTicks = 20;
inline constexpr std::int32_t kUserAcEveryTicks = 100;

void gf_updateAI();
void lf_handleUdpMessages();
void lf_updateAllLiveAc();

// Once per process, before the first connection: reserves the engine's shared containers.
void gf_reserveAcContainers();
// Exit and restart: empties them.
void gf_clearAcContainers();

} // namespace zyn
