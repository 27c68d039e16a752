#include "sim/frame_drain.h"

#include "base/log.h"
#include "base/time_util.h"
#include "shown/status_line.h"
#include "sim/ids.h"
#include "sim/link_state.h"
#include "sim/object_match.h"
#include "sim/queues.h"
#include "sim/sim_command.h"

#include <fmt/format.h>

#include <mutex>

namespace zyn {

namespace {

bool lf_isAiObject(std::uint32_t objectId) { return objectId > g_userAcObjectId.load(); }

void lf_discardQueues()
{
    g_posSetsSend->clear();
    g_eventQueue.clear();
    g_createQueue.clear();
    g_removeQueue.clear();
}

void lf_sendPositionSets(HANDLE h)
{
    for (auto& set : *g_posSetsSend) {
        if (lf_isAiObject(set.objectId))
            SimConnect_SetDataOnSimObject(h, simid::kDefAiPosition, set.objectId, SIMCONNECT_DATA_SET_FLAG_DEFAULT, 0,
                                          sizeof(AiPositionBlock), &set.block);
    }
    g_posSetsSend->clear();
}

void lf_sendEvent(HANDLE h, const SimEventRequest& e)
{
    // An aircraft without an object id would otherwise switch the user aircraft's lights and engines.
    if (!lf_isAiObject(e.objectId)) {
        gf_logErrorf("SimConnect event {} for object {} not sent: no AI object", e.eventId, e.objectId);
        return;
    }
    const bool flaps = e.eventId == simid::kFlapsSet;
    if (flaps)
        SimConnect_AIReleaseControl(h, e.objectId, simid::kReqReleaseControl);
    const auto hr = SimConnect_TransmitClientEvent(h, e.objectId, e.eventId, e.value, simid::kGroup,
                                                   SIMCONNECT_EVENT_FLAG_DEFAULT);
    if (FAILED(hr)) {
        gf_setStatusMessage(fmt::format("SimConnect TransmitClientEvent: {} fails", e.eventId), true);
        return;
    }
    if (flaps)
        SimConnect_AIReleaseControl(h, e.objectId, simid::kReqReleaseControl);
}

void lf_sendEvents(HANDLE h)
{
    for (const auto& e : g_eventQueue)
        lf_sendEvent(h, e);
    g_eventQueue.clear();
}

SimCommand lf_creationCommand(SimCommandKind kind, std::uint32_t hexId)
{
    SimCommand command;
    command.value = hexId;
    command.kind = kind;
    return command;
}

// One creation. Returns false when it must wait for a later frame: the simulator reports the callsign
// back as the only link to the request, so two objects with one callsign must not be pending at once.
bool lf_createAcInSim(HANDLE h, const CreateAcRequest& r, std::vector<SimCommand>& results)
{
    if (r.name.empty()) {
        gf_logErrorf("! Simcon call to create ac refused, hexid:{}, liv: \"{}\": no callsign", r.hexId, r.title);
        results.push_back(lf_creationCommand(SimCommandKind::CreationRefused, r.hexId));
        return true;
    }
    if (gf_creationPending(r.name))
        return false;
    const std::string title(r.title);
    const auto hr = SimConnect_AICreateNonATCAircraft(h, title.c_str(), r.name.c_str(), r.position, simid::kReqCreate);
    if (hr != S_OK) {
        gf_logErrorf("! Simcon call to create ac in sim failed, hexid:{}, liv: \"{}\", callsign: {}", r.hexId, title,
                     r.name);
        gf_simconRequestError();
        results.push_back(lf_creationCommand(SimCommandKind::CreationRefused, r.hexId));
        return true;
    }
    DWORD packetId = 0;
    if (FAILED(SimConnect_GetLastSentPacketID(h, &packetId))) {
        gf_logError("GetLastSentPacketID");
        packetId = 0;
    }
    gf_recordSentCreation(packetId, r.hexId, r.name);
    results.push_back(lf_creationCommand(SimCommandKind::CreationSent, r.hexId));
    return true;
}

void lf_sendCreations(HANDLE h, std::vector<SimCommand>& results)
{
    std::erase_if(g_createQueue, [&](const CreateAcRequest& r) { return lf_createAcInSim(h, r, results); });
}

// The session ended: objects made for our creations that it never learned of go with the rest.
void lf_queueUnmatchedObjects()
{
    g_removeQueue.insert(g_removeQueue.end(), g_ownObjects.begin(), g_ownObjects.end());
    g_ownObjects.clear();
}

void lf_sendRemovals(HANDLE h)
{
    for (const auto objectId : g_removeQueue) {
        if (!lf_isAiObject(objectId)) {
            gf_logErrorf("Simconnect call to remove ac with objectid {}", objectId);
            continue;
        }
        if (FAILED(SimConnect_AIRemoveObject(h, objectId, simid::kReqRemove))) {
            gf_logErrorf("{}!Simconnect call to remove AI ac from sim failed, id {}?", gf_timeOfDayText(), objectId);
            gf_simconRequestError();
        }
    }
    g_removeQueue.clear();
}

} // namespace

void gf_onFrame()
{
    std::vector<SimCommand> results; // of the creations: sent or failed
    {
        std::unique_lock lock(g_simMutex, std::try_to_lock);
        if (!lock.owns_lock())
            return;
        if (g_simStopped.load()) {
            lf_discardQueues();
            return;
        }
        const HANDLE h = g_hSimConnect.load();
        lf_sendPositionSets(h);
        lf_sendEvents(h);
        gf_expireSentCreations(gf_steadyNow());
        lf_sendCreations(h, results);
        if (g_removeUnmatchedRequest.exchange(false))
            lf_queueUnmatchedObjects();
        lf_sendRemovals(h);
    }
    // Pushed after unlocking: the command mutex comes before the SimConnect mutex.
    for (const auto& command : results)
        gf_pushSimCommand(command);
}

} // namespace zyn
