#include "engine/removal.h"

#include "base/log.h"
#include "engine/queues.h"
#include "engine/stand_hold.h"
#include "settings/setting_controls.h"
#include "settings/settings.h"
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

void gf_clearSelection()
{
    g_queriedObjectId = 0;
    gf_showCallsignAnswer({});
}

void gf_dropSelection(const AiAcRecord& a, const std::string& queryText)
{
    if (a.objectId == 0 || a.objectId != g_queriedObjectId.load())
        return;
    gf_clearSelection();
    auto& query = param::CALLSIGN_2_OBJECTID;
    if (query.getValue() == queryText)
        return;
    query.setValue(queryText);
    gf_setBoxText(query);
}

namespace {

void lf_takeOut(AiAcRecord& a)
{
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
    gf_dropSelection(a, {}); // the query and its answer go with the aircraft
    if (!removalQueued)
        g_removalQueue.push_back(a.objectId);
}

} // namespace

void removeAircraftFromSim(AiAcRecord& a)
{
    if (a.state == ObjectState::RemovalRequested)
        return; // already on its way out; a second removal would hit a reused object id
    lf_takeOut(a);
    // A live aircraft going lets its stand go, unless another one holds it; a static's never counts.
    if (lf_isLive(a))
        gf_updateStandFlag(a.standId);
}

} // namespace zyn
