#include "sim/queues.h"

#include "base/log.h"
#include "base/path_text.h"
#include "platform/system/ascii_path.h"
#include "requests/exit_request.h"
#include "shown/status_line.h"
#include "sim/ids.h"
#include "sim/link_state.h"
#include "sim/object_match.h"

#include <fmt/format.h>

namespace zyn {

std::vector<CreateAcRequest> g_createQueue;
std::vector<SimEventRequest> g_eventQueue;
std::vector<std::uint32_t> g_removeQueue;

namespace {
std::vector<PositionSetRequest> g_posSetsA;
std::vector<PositionSetRequest> g_posSetsB;
constexpr std::size_t kReserved = 256;
constexpr float kSlowFrameRate = 50.0f;
} // namespace

std::vector<PositionSetRequest>* g_posSetsFill = &g_posSetsA;
std::vector<PositionSetRequest>* g_posSetsSend = &g_posSetsB;

std::atomic<std::int32_t> g_simRequestErrors{0};
std::atomic<std::uint8_t> g_simStopped{0};

void gf_initSimConnectQueues()
{
    std::lock_guard lock(g_simMutex);
    g_posSetsA.reserve(kReserved);
    g_posSetsB.reserve(kReserved);
    g_createQueue.reserve(kReserved);
    g_removeQueue.reserve(kReserved);
    g_sentCreations.reserve(kReserved); // SimConnect thread's lists; it does not run yet
    g_objectsAdded.reserve(kReserved);
    g_ownObjects.reserve(kReserved);
    g_simStopped = 0;
}

void gf_resetSimQueues()
{
    std::lock_guard lock(g_simMutex);
    g_posSetsA.clear();
    g_posSetsB.clear();
    g_posSetsFill = &g_posSetsA;
    g_posSetsSend = &g_posSetsB;
    g_createQueue.clear();
    g_eventQueue.clear();
    g_removeQueue.clear();
    g_removeUnmatchedRequest = false;
    g_simRequestErrors = 0;
    g_simStopped = 0;
}

void gf_queueCreateAc(const CreateAcRequest& request)
{
    std::lock_guard lock(g_simMutex);
    g_createQueue.push_back(request);
}

void gf_queueSimEvent(const SimEventRequest& event)
{
    std::lock_guard lock(g_simMutex);
    gf_queueSimEventLocked(event);
}

void gf_queueSimEventLocked(const SimEventRequest& event) { g_eventQueue.push_back(event); }

void gf_setNavLights(std::uint32_t objectId, std::uint32_t value)
{
    gf_queueSimEvent({objectId, simid::kNavLightsSet, value});
}

void gf_setCabinLights(std::uint32_t objectId, std::uint32_t value)
{
    gf_queueSimEvent({objectId, simid::kCabinLightsSet, value});
}

std::atomic<bool> g_removeUnmatchedRequest{false};

void gf_queueRemoveAc(std::uint32_t objectId)
{
    std::lock_guard lock(g_simMutex);
    g_removeQueue.push_back(objectId);
}

void gf_updateAircraft(const PositionSetRequest& request)
{
    try {
        g_posSetsFill->push_back(request);
    } catch (const std::exception& e) {
        gf_logErrorf("{}: {}", "gf_updateAircraft", e.what());
        throw;
    }
}

void gf_queueSimEvents(std::span<const SimEventRequest> events)
{
    std::lock_guard lock(g_simMutex);
    for (const auto& event : events)
        gf_queueSimEventLocked(event);
}

void gf_swapPositionSets()
{
    std::unique_lock lock(g_simMutex, std::try_to_lock);
    if (!lock.owns_lock()) {
        if (g_frameRate.load() <= kSlowFrameRate) {
            g_posSetsFill->clear();
            return;
        }
        lock.lock();
    }
    std::swap(g_posSetsFill, g_posSetsSend);
    g_posSetsFill->clear();
}

void gf_clearPositionSets()
{
    std::lock_guard lock(g_simMutex);
    g_posSetsFill->clear();
    g_posSetsSend->clear();
}

void gf_requestAircraftInRange(std::uint32_t radiusMetres)
{
    std::lock_guard lock(g_simMutex);
    if (g_simStopped.load())
        return;
    if (FAILED(SimConnect_RequestDataOnSimObjectType(g_hSimConnect.load(), simid::kReqInRange, simid::kDefInRange,
                                                     radiusMetres, SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT))) {
        gf_log("SimConnect request ac within range fails");
        gf_simconRequestError();
    }
}

void gf_requestStaticCog(std::uint32_t objectId)
{
    std::lock_guard lock(g_simMutex);
    if (g_simStopped.load())
        return;
    if (FAILED(SimConnect_RequestDataOnSimObject(g_hSimConnect.load(), simid::kReqStaticCog, simid::kDefStaticCog,
                                                 objectId, SIMCONNECT_PERIOD_ONCE))) {
        gf_log("SimConnect request StaticCG fails");
        gf_simconRequestError();
    }
}

bool gf_assignFlightPlan(std::uint32_t objectId, const std::filesystem::path& plan)
{
    // Nobody says in which code page the library reads the path: it gets ASCII or nothing.
    const std::optional<std::string> text = gf_asciiPathText(plan);
    std::lock_guard lock(g_simMutex);
    if (!text) {
        static std::filesystem::path s_reportedFolder; // under g_simMutex: one line per folder
        if (plan.parent_path() != s_reportedFolder) {
            s_reportedFolder = plan.parent_path();
            gf_logf("Flight plans are not handed to the simulator: \"{}\" has no ASCII form (no 8.3 short names)",
                    gf_utf8FromPath(plan));
        }
        return false;
    }
    if (g_simStopped.load())
        return false;
    if (SUCCEEDED(SimConnect_AISetAircraftFlightPlan(g_hSimConnect.load(), objectId, text->c_str(),
                                                     simid::kReqFlightPlan)))
        return true;
    gf_simconRequestError();
    return false;
}

void gf_sendEngineLevers(std::uint32_t objectId, double spoilerPercent, double throttlePercent)
{
    double levers[3] = {spoilerPercent, throttlePercent, throttlePercent};
    std::lock_guard lock(g_simMutex);
    const HANDLE sim = g_hSimConnect.load();
    if (!sim || g_simStopped.load())
        return;
    if (FAILED(SimConnect_SetDataOnSimObject(sim, simid::kDefEngineLevers, objectId, 0, 0, sizeof(levers), levers))) {
        gf_logf("{}: {}", "gf_setEngineLevers", "SimConnect_SetDataOnSimObject fails");
        gf_simconRequestError();
    }
}

void gf_toggleAllLights(std::uint32_t objectId)
{
    std::lock_guard lock(g_simMutex);
    if (g_simStopped.load())
        return;
    if (FAILED(SimConnect_TransmitClientEvent(g_hSimConnect.load(), objectId, simid::kAllLightsToggle, 0,
                                              simid::kGroup, SIMCONNECT_EVENT_FLAG_DEFAULT)))
        gf_log("SimConnect gf_allLightsToggle fails");
}

void gf_releaseAiControl(std::uint32_t objectId)
{
    std::lock_guard lock(g_simMutex);
    SimConnect_AIReleaseControl(g_hSimConnect.load(), objectId, simid::kReqReleaseControl);
    for (const auto freeze : {simid::kFreezeLatLonSet, simid::kFreezeAltitudeSet, simid::kFreezeAttitudeSet})
        gf_queueSimEventLocked({objectId, freeze, 1});
}

void gf_simconRequestError()
{
    const auto count = ++g_simRequestErrors;
    if (count <= 2)
        return;
    gf_setStatusMessage(fmt::format("SimConnect request error {}, see Log.txt", count), true);
    g_simStopped = 1;
    gf_requestExit(5, 10);
}

} // namespace zyn
