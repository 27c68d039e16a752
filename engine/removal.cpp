#include "engine/removal.h"

#include "airport/park_pos.h"
#include "base/log.h"
#include "engine/queues.h"
#include "shown/display_texts.h"

#include <algorithm>

namespace zyn {

std::atomic<std::uint32_t> g_queriedObjectId{0};

namespace {

bool lf_isLive(const AiAcRecord& a) { return a.hexId > kHighestStaticHexId; }

// The record is finished without anything to remove in the simulator.
void lf_finish(AiAcRecord& a)
{
    if (lf_isLive(a))
        a.gone = 1;
    else
        a.erase = 1;
}

bool lf_withdrawCreation(const AiAcRecord& a)
{
    if (lf_isLive(a)) {
        auto& ids = g_pendingCreationIds;
        if (auto it = std::find(ids.begin(), ids.end(), a.hexId); it != ids.end()) {
            ids.erase(it);
            return true;
        }
    }
    auto& queue = lf_isLive(a) ? g_liveCreationQueue : g_staticCreationQueue;
    const auto before = queue.size();
    std::erase_if(queue, [&a](const CreateAcRequest& r) { return r.hexId == a.hexId; });
    return queue.size() != before;
}

} // namespace

void gf_freeLiveStand(const AiAcRecord& a)
{
    if (!lf_isLive(a))
        return; // the flag tells of live aircraft; a static leaving must not clear it
    if (ParkPos* stand = gf_standBySid(a.standId))
        stand->liveOccupied = false;
}

void removeAircraftFromSim(AiAcRecord& a)
{
    if (a.state == ObjectState::RemovalRequested)
        return; // already on its way out; a second removal would hit a reused object id
    gf_freeLiveStand(a);
    if (a.state == ObjectState::New) {
        lf_finish(a);
        return;
    }
    if (a.state == ObjectState::CreationRequested && a.objectId == 0) {
        if (lf_withdrawCreation(a)) {
            a.state = ObjectState::RemovalRequested;
            lf_finish(a);
        } else {
            a.removeWhenCreated = 1; // the simulator link has it: remove once the object appears
        }
        return;
    }
    const bool removalQueued = a.state == ObjectState::RespawnPending; // queued by the respawn
    a.state = ObjectState::RemovalRequested;
    if (a.objectId == 0) {
        gf_logf("{} removing act {} with objectid=0 ?", "removeAircraftFromSim", gf_acDescription(a));
        lf_finish(a); // nothing in the simulator answers to it: do not wait for a removal report
        return;
    }
    if (a.objectId == g_queriedObjectId.load()) {
        g_queriedObjectId = 0; // the answer to the callsign query goes with the aircraft
        gf_showCallsignAnswer({});
    }
    if (!removalQueued)
        g_removalQueue.push_back(a.objectId);
}

} // namespace zyn
