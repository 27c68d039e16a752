#pragma once
// The main-loop side of the simulator commands: what the SimConnect thread and the traffic reader
// learned about AI objects is applied to the aircraft lists, and new objects run their light
// sequence before they count as in the simulator. Main-loop thread only (gf_pushSimCommand aside).
#include "engine/records.h"
#include "sim/sim_command.h"

#include <cstdint>
#include <vector>

namespace zyn {

inline constexpr std::int32_t kLightCycleTicks = 200;
inline constexpr std::int32_t kFirstLightToggle = 50;
inline constexpr std::int32_t kSecondLightToggle = 100;

// One created object on its way to state 2. The object id and hex id together name the aircraft,
// so that an entry never finishes a later aircraft that reuses the hex id.
struct LightCycleEntry {
    std::uint32_t objectId = 0;
    std::uint32_t hexId = 0;
    std::int32_t counter = 0; // ticks since creation; -1 when done
    SimCommandKind kind = SimCommandKind::LiveCreated;
};

extern std::vector<LightCycleEntry> g_lightCycle;
// A static is ours only once its lights are set; when the session ends before that, its object is
// queued for removal here, since no later tick would remove it.
void gf_removeStaticsBeingLit();

// Once per tick: applies the queued commands in order of arrival, then advances the light cycle.
void gf_SimCommands();
void lf_doSimCommand(const SimCommand& command);
// Touchdown reported by the simulator.
void lf_onTouchdown(LiveAcRecord& aircraft);

// Reserves the command lists; empties them.
void gf_reserveSimCommandLists();
void gf_clearSimCommandLists();

} // namespace zyn
