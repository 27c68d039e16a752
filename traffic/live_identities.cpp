#include "traffic/live_identities.h"

namespace zyn {

std::mutex g_liveIdentityMutex;
std::set<std::string> g_liveCallsigns;
std::set<std::uint32_t> g_liveHexIds;

bool gf_callsignIsLive(const std::string& callsign)
{
    if (callsign.empty())
        return false;
    std::lock_guard lock(g_liveIdentityMutex);
    return g_liveCallsigns.contains(callsign) || g_liveCallsigns.contains(callsign + "_");
}

} // namespace zyn
