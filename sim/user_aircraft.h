#pragma once
// The user aircraft as the simulator reports it: its data once per request, its on-ground state once
// per simulator second, and the session's wait until both are known.
#include "base/geo.h"
#include "base/guarded.h"
#include "sim/data_blocks.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

namespace zyn {

extern Guarded<UserAcData> g_userAcSim; // the last reply, written by the SimConnect thread
extern Guarded<UserAcData> g_userAc;    // the main loop's once-per-second copy
extern std::atomic<std::uint8_t> g_userDataValid; // a reply with a known position has arrived
extern std::atomic<std::uint8_t> g_userOnGround;
extern Guarded<std::string> g_userStandName;      // the stand within 55 m of the user aircraft, or empty

inline LatLon gf_positionOf(const UserAcData& d) { return {d.lat, d.lon}; }

// Requests the user aircraft's data (request 109) and returns the last reply; nothing is sent while the
// link is stopped.
UserAcData gf_requestUserAcPosition();
// Requests the title (106) and the ATC model (107) of the user aircraft.
void gf_requestUserAcTitleModel();
// The session's wait for a running flight and a known user position; false when the program exits.
bool gf_requestAcGndAir();

// Dispatch handlers (SimConnect thread).
void gf_onUserAcData(std::uint32_t objectId, const UserAcData& data);
void gf_onUserOnGround(std::optional<std::int64_t> onGround);

void gf_resetUserAircraft();

} // namespace zyn
