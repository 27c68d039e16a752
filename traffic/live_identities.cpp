#include "traffic/live_identities.h"

namespace zyn {

std::mutex g_liveIdentityMutex;
std::set<std::string> g_liveCallsigns;
std::set<std::uint32_t> g_liveHexIds;

} // namespace zyn
