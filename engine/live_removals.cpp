#include "engine/live_removals.h"

#include "base/log.h"
#include "engine/identity.h"
#include "engine/motion_inputs.h"
#include "engine/motion_math.h"
#include "engine/removal.h"
#include "engine/stand_hold.h"
#include "engine/stand_search.h"
#include "settings/settings.h"

#include <algorithm>

namespace zyn {

std::vector<std::string> g_ghostCallsigns;

namespace {

bool lf_leaving(const AiAcRecord& a) { return a.state == ObjectState::RemovalRequested; }

// Aircraft in the simulator or waiting for their object are taken out; others are left alone.
template <typename Record> void lf_removeCreatedOrPending(std::vector<Record>& list)
{
    for (auto& a : list)
        if (a.state == ObjectState::InSim || a.state == ObjectState::CreationRequested)
            removeAircraftFromSim(a);
}

} // namespace

void gf_compactLiveList()
{
    const auto gone = [](const LiveAcRecord& a) { return a.gone != 0; };
    const auto first = std::find_if(g_liveAircraft.begin(), g_liveAircraft.end(), gone);
    if (first == g_liveAircraft.end())
        return;
    // Every ended record passes here, whichever way it was marked: an ended record holds nothing, so
    // its stand follows who holds it now.
    for (auto it = first; it != g_liveAircraft.end(); ++it)
        if (it->gone && it->standId != 0)
            gf_updateStandFlag(it->standId);
    g_liveAircraft.erase(std::remove_if(first, g_liveAircraft.end(), gone), g_liveAircraft.end());
}

void gf_removeGhost(std::string_view callsign)
{
    if (callsign.empty())
        return;
    const std::string ghostName = std::string(callsign) + "_";
    const auto it = std::find_if(g_liveAircraft.begin(), g_liveAircraft.end(), [&](const LiveAcRecord& a) {
        return a.head.callsign == ghostName && !lf_leaving(a);
    });
    if (it == g_liveAircraft.end())
        return;
    if (param::LOG.on() && it->phase == MovePhase::Parked)
        gf_logf("{:8}: {:8} is a ghost and will be removed, continue with {}", gf_standNameById(it->standId),
                ghostName, callsign);
    else if (param::LOG.on())
        gf_logf("          {:8} is a ghost and will be removed, continue with {}", ghostName, callsign);
    if (std::find(g_ghostCallsigns.begin(), g_ghostCallsigns.end(), ghostName) == g_ghostCallsigns.end()) {
        if (g_ghostCallsigns.size() >= kMostRemembered)
            g_ghostCallsigns.erase(g_ghostCallsigns.begin()); // the oldest ghost is long gone
        g_ghostCallsigns.push_back(ghostName);
    }
    removeAircraftFromSim(*it);
}

bool lf_ghostBaseFlies(std::string_view callsign)
{
    if (callsign.empty())
        return false;
    const auto base = callsign.substr(0, callsign.size() - 1);
    return std::any_of(g_liveAircraft.begin(), g_liveAircraft.end(),
                       [&](const LiveAcRecord& a) { return a.head.callsign == base && !lf_leaving(a); });
}

bool gf_removeFarthestLiveAc(double distanceNm)
{
    double best = distanceNm;
    LiveAcRecord* candidate = nullptr;
    for (auto& a : g_liveAircraft) {
        if (a.state != ObjectState::InSim)
            continue;
        const double d = gf_distanceNm(g_motionInputs.user, gf_positionOf(a.block));
        if (d > best + 0.1) {
            candidate = &a;
            best = d;
        }
    }
    if (!candidate)
        return true;
    removeAircraftFromSim(*candidate);
    return false;
}

void gf_removeAllLiveAc()
{
    lf_removeCreatedOrPending(g_liveAircraft);
    gf_compactLiveList();
}

void gf_removeAllStaticAc()
{
    lf_removeCreatedOrPending(g_staticAircraft);
    std::erase_if(g_staticAircraft, [](const AiAcRecord& a) { return a.erase != 0; });
}

} // namespace zyn
