#include "engine/ai_driver.h"

#include "airport/park_pos.h"
#include "base/errors.h"
#include "base/folders.h"
#include "base/log.h"
#include "base/path_text.h"
#include "base/tick.h"
#include "engine/commands.h"
#include "engine/identity.h"
#include "engine/live_removals.h"
#include "engine/live_update.h"
#include "engine/merge.h"
#include "engine/motion_inputs.h"
#include "engine/parking_queries.h"
#include "engine/queues.h"
#include "engine/removal.h"
#include "engine/records.h"
#include "engine/spawn.h"
#include "engine/stand_claims.h"
#include "engine/stand_candidates.h"
#include "engine/stand_hold.h"
#include "livery/matching.h"
#include "livery/matching_summary.h"
#include "platform/system/error_text.h"
#include "platform/system/files.h"
#include "settings/traffic_range.h"
#include "sim/failed_liveries.h"
#include "sim/queues.h"
#include "sim/user_aircraft.h"
#include "traffic/intake.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <mutex>

namespace zyn {

namespace {

bool lf_every(std::int32_t ticks) { return g_tick % ticks == 0; }

bool lf_finiteRequest(const SIMCONNECT_DATA_INITPOSITION& p)
{
    for (const double v : {p.Latitude, p.Longitude, p.Altitude, p.Pitch, p.Bank, p.Heading})
        if (!std::isfinite(v))
            return false;
    return true;
}

// The live aircraft whose creation request carries the hex id; nullptr when none waits for it.
LiveAcRecord* lf_awaitingRequest(std::uint32_t hexId)
{
    const auto it = std::find_if(g_liveAircraft.begin(), g_liveAircraft.end(), [hexId](const LiveAcRecord& a) {
        return a.hexId == hexId && a.state == ObjectState::CreationRequested && a.objectId == 0 && !a.gone;
    });
    return it == g_liveAircraft.end() ? nullptr : &*it;
}

// One pending hex id becomes a request of the live creation queue.
void lf_buildCreationRequest()
{
    if (g_pendingCreationIds.empty())
        return;
    const std::uint32_t hexId = g_pendingCreationIds.back();
    g_pendingCreationIds.pop_back();
    LiveAcRecord* found = lf_awaitingRequest(hexId);
    if (!found)
        return;
    LiveAcRecord& a = *found;
    CreateAcRequest request;
    request.position = {a.block.lat, a.block.lon, a.block.altitude, a.block.pitch * kRadToDeg,
                        a.block.bank * kRadToDeg, a.block.heading * kRadToDeg, 0, 0};
    if (a.head.callsign.empty() || !lf_finiteRequest(request.position)) {
        gf_logf("{} {} objectid = 0?", "operator ()", gf_acDescription(a));
        gf_endLiveRecord(a); // nothing would ever create it
        return;
    }
    request.name = a.head.callsign;
    request.title = a.liveryTitle;
    request.hexId = hexId;
    g_liveCreationQueue.push_back(std::move(request));
}

bool lf_rematchLive(CreateAcRequest& request)
{
    LiveAcRecord* a = lf_awaitingRequest(request.hexId);
    if (!a || !gf_rematchFailedLivery(*a))
        return false;
    request.title = a->liveryTitle;
    return true;
}

// A static whose livery failed is matched again on its stand; without another livery it is not parked.
bool lf_rematchStatic(CreateAcRequest& request)
{
    const auto it = std::find_if(g_staticAircraft.begin(), g_staticAircraft.end(), [&](const AiAcRecord& s) {
        return s.hexId == request.hexId && s.state == ObjectState::CreationRequested && s.objectId == 0 && !s.erase;
    });
    if (it == g_staticAircraft.end())
        return false;
    it->liveryTitle = {}; // a title it holds would be kept unchecked
    const ParkPos* stand = gf_standBySid(it->standId);
    if (stand && gf_matchParkedAcLivery(*it, *stand)) {
        request.title = it->liveryTitle;
        return true;
    }
    it->erase = 1;
    return false;
}

// Passes the queue's first request that may still be created. Requests wait in the queue for seconds:
// when the simulator failed on a request's livery meanwhile, its aircraft is matched again, and a
// request whose aircraft finds no other livery is dropped. False when none was passed.
bool lf_passCreatable(std::deque<CreateAcRequest>& queue, bool (*rematch)(CreateAcRequest&))
{
    while (!queue.empty()) {
        CreateAcRequest request = std::move(queue.front());
        queue.pop_front();
        if (!gf_isNotCreatableTitle(request.title) || rematch(request)) {
            gf_queueCreateAc(request);
            return true;
        }
    }
    return false;
}

void lf_passCreationsAndRemovals()
{
    if (!lf_every(kRemovalEveryTicks))
        return;
    if (!g_removalQueue.empty()) {
        gf_queueRemoveAc(g_removalQueue.front());
        g_removalQueue.pop_front();
    }
    if (!lf_every(kCreationEveryTicks))
        return;
    if (!lf_passCreatable(g_liveCreationQueue, lf_rematchLive)) {
        lf_passCreatable(g_staticCreationQueue, lf_rematchStatic);
        if (!g_standCandidates.empty())
            gf_parkNextStatic();
    }
}

void lf_requestInRange()
{
    if (!lf_every(kInRangeEveryTicks) || g_simStopped.load())
        return;
    gf_requestAircraftInRange(g_rangeMetres.load());
}

void lf_refreshUserAc()
{
    if (!lf_every(kUserAcEveryTicks))
        return;
    g_userAc.set(gf_requestUserAcPosition());
    g_userOfTick = g_userAc.get();
    gf_refreshMotionInputs();
}

// The list of aircraft in the simulator belongs to one session: an earlier one's must not stay
// behind, also when no new list will be written (MSFS 2024, or the list switched off).
void lf_deleteParkedList()
{
    std::error_code ec;
    if (gf_removeFile(g_callsignObjectIdPath, ec) || !ec)
        return;
    gf_logf("{}: {} {}", "lf_deleteParkedList", gf_utf8FromPath(g_callsignObjectIdPath), gf_errorText(ec));
}

} // namespace

void lf_updateAllLiveAc()
{
    try {
        bool anyGone = false;
        for (auto& a : g_liveAircraft)
            anyGone = updateLiveAc(a) || anyGone;
        if (anyGone)
            gf_compactLiveList();
    } catch (const std::exception& e) {
        gf_logf("{}: {}", "lf_updateAllLiveAc", e.what());
    }
    gf_swapPositionSets();
}

void lf_handleUdpMessages()
{
    std::lock_guard lock(g_intakeMutex);
    try {
        for (int i = 0; i < kRecordsMergedPerTick && !g_sharedBatch.empty(); ++i) {
            // Taken out first: a record that fails to merge is dropped, not tried again next tick.
            const TrafficRecord record = std::move(g_sharedBatch.back());
            g_sharedBatch.pop_back();
            lf_mergeTrafficRecord(record);
        }
    } catch (const std::exception& e) {
        gf_logf("{}: {}", "lf_handleUdpMessages", e.what());
        throw;
    }
}

void gf_updateAI()
{
    try {
        gf_SimCommands();
        gf_followMaxLive();
        lf_updateAllLiveAc();
        lf_passCreationsAndRemovals();
        lf_handleUdpMessages();
        lf_buildCreationRequest();
        lf_requestInRange();
        lf_refreshUserAc();
    } catch (const UserErrorException&) {
        ++g_tick;
        throw; // ends the run: the main loop reports it
    } catch (const std::exception& e) {
        gf_logf("{}: {}", "gf_updateAI", e.what());
    }
    // The clock advances on every tick, so that play times never stall behind a failing step.
    ++g_tick;
}

void gf_reserveAcContainers()
{
    lf_deleteParkedList();
    static bool reserved = false;
    if (reserved)
        return;
    reserved = true;
    g_liveAircraft.reserve(512);
    g_staticAircraft.reserve(256);
    g_stands.reserve(512);
    gf_reserveSimCommandLists();
    g_pendingCreationIds.reserve(64);
    g_ghostCallsigns.reserve(64);
    g_identityCheckIds.reserve(64);
}

void gf_clearAcContainers()
{
    gf_clearSimCommandLists();
    g_ghostCallsigns.clear();
    g_liveryByHexId.clear();
    g_pendingCreationIds.clear();
    g_removalQueue.clear();
    g_liveCreationQueue.clear();
    g_staticCreationQueue.clear();
    g_staticAircraft.clear();
    gf_clearIntake();
    lf_deleteParkedList();
    gf_clearSelection(); // object ids of this session mean nothing to the next
    g_liveAircraft.clear();
    g_stands.clear();
    g_motionInputs.qnh = 1013;
    g_aircraftWithoutLivery.clear();
    g_identityCheckIds.clear();
    gf_forgetAllSentAway();
    g_userOfTick = UserAcData{};
    gf_resetParkAttempt();
}

} // namespace zyn
