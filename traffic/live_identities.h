#pragma once
// The live identities the traffic client collects for static parking: callsigns and hex ids of the
// live aircraft around the user, taken over before static parking recalculates.
#include <cstdint>
#include <mutex>
#include <set>
#include <string>

namespace zyn {

extern std::mutex g_liveIdentityMutex;
extern std::set<std::string> g_liveCallsigns;
extern std::set<std::uint32_t> g_liveHexIds;

// The callsign, or it with the "_" the service marks a second report of one aircraft with, is live.
bool gf_callsignIsLive(const std::string& callsign);

} // namespace zyn
