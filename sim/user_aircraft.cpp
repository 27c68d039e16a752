#include "sim/user_aircraft.h"

#include "airport/stand_lookup.h"
#include "base/log.h"
#include "platform/system/clock.h"
#include "requests/exit_request.h"
#include "shown/sim_display.h"
#include "sim/ids.h"
#include "sim/link_state.h"
#include "sim/queues.h"

#include <chrono>
#include <mutex>

namespace zyn {

Guarded<UserAcData> g_userAcSim;
Guarded<UserAcData> g_userAc;
std::atomic<std::uint8_t> g_userDataValid{0};
std::atomic<std::uint8_t> g_userOnGround{0};
Guarded<std::string> g_userStandName;

namespace {

constexpr double kTeleportNm = 10.0;

// SimConnect thread only.
LatLon g_previousUserPosition;

// Sleeps the period unless the program exits; true when it did not exit.
bool lf_pause(std::chrono::milliseconds period) { return gf_sleepFor(period, gf_exitUnderWay) && !gf_exitUnderWay(); }

void lf_request(std::uint32_t request, std::uint32_t definition, SIMCONNECT_PERIOD period, const char* failure)
{
    if (g_simStopped.load())
        return;
    if (FAILED(SimConnect_RequestDataOnSimObject(g_hSimConnect.load(), request, definition, SIMCONNECT_OBJECT_ID_USER,
                                                 period, SIMCONNECT_DATA_REQUEST_FLAG_DEFAULT, 0, 0, 0))) {
        gf_logError(failure);
        gf_simconRequestError();
    }
}

bool lf_userAcPositionKnown() { return gf_positionKnown(gf_positionOf(g_userAc.get())); }

void lf_showStand(const std::string& name)
{
    const auto previous = g_userStandName.get();
    if (name != previous && (!name.empty() || !previous.empty()))
        gf_showStandLabel(name);
    g_userStandName.set(name);
}

} // namespace

UserAcData gf_requestUserAcPosition()
{
    std::lock_guard lock(g_simMutex);
    lf_request(simid::kReqUserAc, simid::kDefUserAc, SIMCONNECT_PERIOD_ONCE,
               "SimConnect request user ac position fails");
    return g_userAcSim.get();
}

void gf_requestUserAcTitleModel()
{
    std::lock_guard lock(g_simMutex);
    lf_request(simid::kReqTitle, simid::kDefTitle, SIMCONNECT_PERIOD_ONCE, "SimConnect request user ac title fails");
    lf_request(simid::kReqAtcModel, simid::kDefAtcModel, SIMCONNECT_PERIOD_ONCE,
               "SimConnect reques user ac model fails");
}

bool gf_requestAcGndAir()
{
    while (!g_simRunning.load())
        if (!lf_pause(std::chrono::milliseconds(100)))
            return false;
    {
        std::lock_guard lock(g_simMutex);
        lf_request(simid::kReqOnGround, simid::kDefOnGround, SIMCONNECT_PERIOD_SECOND,
                   "SimConnect request ac gnd/air fails");
    }
    while (!g_userDataValid.load() || !lf_userAcPositionKnown()) {
        g_userAc.set(gf_requestUserAcPosition());
        if (!lf_pause(std::chrono::milliseconds(500)))
            return false;
    }
    gf_requestUserAcTitleModel();
    while (!lf_userAcPositionKnown()) {
        g_userAc.set(gf_requestUserAcPosition());
        if (!lf_pause(std::chrono::milliseconds(200)))
            return false;
    }
    return !gf_exitUnderWay();
}

void gf_onUserAcData(std::uint32_t objectId, const UserAcData& reply)
{
    auto data = reply;
    if (data.altitude < 0.0)
        data.altitude = 0.0;
    g_userAcSim.set(data);
    const auto position = gf_positionOf(data);
    if (gf_positionKnown(g_previousUserPosition) && gf_distanceNm(g_previousUserPosition, position) > kTeleportNm) {
        gf_log("Teleport");
        gf_requestExit(2, 45);
    }
    g_previousUserPosition = position;
    lf_showStand(gf_closestStandName(position));
    if (const auto epoch = gf_zuluEpoch(data.zuluYear, data.zuluDayOfYear, data.zuluTime))
        g_simEpoch.store(*epoch);
    g_userAcObjectId = objectId;
}

void gf_onUserOnGround(std::optional<std::int64_t> onGround)
{
    if (onGround && gf_positionKnown(gf_positionOf(g_userAcSim.get()))) {
        g_userOnGround = static_cast<std::uint32_t>(*onGround) != 0 ? 1 : 0;
        g_userDataValid = 1;
    }
    g_oneSecondFlag = 1;
}

void gf_resetUserAircraft()
{
    g_userAcSim.reset();
    g_userAc.reset();
    g_userDataValid = 0;
    g_userOnGround = 0;
    g_userStandName.reset();
    g_previousUserPosition = {};
}

} // namespace zyn
