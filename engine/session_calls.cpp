#include "engine/session_calls.h"

#include "engine/queues.h"
#include "engine/removal.h"

namespace zyn {

std::vector<std::string> g_ghostNames;
std::unordered_map<std::string, std::string> g_liveryChoiceCache;
std::set<std::string> g_noMatchAircraft;

namespace {
constexpr std::size_t kLiveReserve = 512;
constexpr std::size_t kStaticReserve = 256;

template <typename List> void lf_removeAll(List& aircraft)
{
    for (auto& a : aircraft)
        if (a.state != ObjectState::RemovalRequested)
            removeAircraftFromSim(a);
}
} // namespace

void gf_reserveAcContainers()
{
    g_liveAircraft.reserve(kLiveReserve);
    g_staticAircraft.reserve(kStaticReserve);
}

void gf_clearAcContainers()
{
    g_liveAircraft.clear();
    g_staticAircraft.clear();
    g_pendingCreationIds.clear();
    g_liveCreationQueue.clear();
    g_staticCreationQueue.clear();
    g_removalQueue.clear();
}

void gf_removeAllLiveAc() { lf_removeAll(g_liveAircraft); }
void gf_removeAllStaticAc() { lf_removeAll(g_staticAircraft); }

} // namespace zyn
