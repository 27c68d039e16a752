#include "core/main_loop.h"

#include "airport/park_airport_state.h"
#include "airport/park_pos.h"
#include "base/geo.h"
#include "base/log.h"
#include "base/time_util.h"
#include "core/auto_range.h"
#include "core/exit.h"
#include "engine/ai_driver.h"
#include "engine/commands.h"
#include "engine/identity.h"
#include "engine/live_removals.h"
#include "engine/removal.h"
#include "engine/session_calls.h"
#include "engine/spawn.h"
#include "livery/matching_summary.h"
#include "parking/park_airport.h"
#include "parking/session_calls.h"
#include "parking/static_parking.h"
#include "platform/system/clock.h"
#include "platform/system/error_text.h"
#include "platform/system/timer.h"
#include "platform/win32/constants.h"
#include "platform/win32/message_loop.h"
#include "platform/win32/window.h"
#include "requests/destination_request.h"
#include "settings/airport_settings.h"
#include "settings/setting_controls.h"
#include "settings/settings.h"
#include "settings/traffic_range.h"
#include "shown/display_state.h"
#include "shown/status_line.h"
#include "sim/link_state.h"
#include "sim/queues.h"
#include "sim/user_aircraft.h"
#include "sim/user_ident.h"
#include "traffic/client.h"
#include "traffic/intake.h"
#include "traffic/parked_traffic.h"
#include "traffic/query_box.h"
#include "traffic/session.h"
#include "ui/session_controls.h"

#include <algorithm>
#include <cstdlib>
#include <exception>

namespace zyn {

MainLoopCalls gf_defaultMainLoopCalls()
{
    return MainLoopCalls{
        .updateAI = gf_updateAI,
        .refreshConnectionState = gf_refreshConnectionState,
        .updateTrafficBox = gf_updateTrafficBox,
        .checkForParkAirportUpdates = gf_checkForParkAirportUpdates,
        .startParkingOnAnswer = gf_startParkingOnAnswer,
        .removeAcAtStand = gf_removeAcAtStand,
        .disableControls = gf_disableControls,
        .enableControls = gf_enableControls,
        .parkingAdjustments = gf_parkingAdjustments,
        .writeParkedList = gf_writeParkedList,
        .adjustTrafficRange = gf_adjustTrafficRange,
        .logNoMatchList = gf_logNoMatchList,
        .liveryMatchingSummary = gf_liveryMatchingSummary,
    };
}

MainLoopCalls g_mainLoopCalls = gf_defaultMainLoopCalls();

namespace {

constexpr auto kTick = std::chrono::milliseconds(10);
constexpr std::int32_t kTicksPerSecond = 100;
constexpr std::int32_t kSecondsPerDay = 86400;
constexpr std::int64_t kSimClockJumpSeconds = 30;

std::int32_t g_notRunningCountdown = kTicksPerSecond;
LatLon g_lastUserGroundCheck;

bool lf_served(std::atomic<std::uint8_t>& request) { return request.exchange(0) != 0; }

LatLon lf_positionOf(const LiveAcRecord& aircraft) { return {aircraft.block.lat, aircraft.block.lon}; }
LatLon lf_positionOf(const AiAcRecord& aircraft) { return {aircraft.initLat, aircraft.initLon}; }


// Runs a periodic step; an exception is logged with the step's name and ends the main loop.
template <typename Step> void lf_periodic(const char* name, Step step)
{
    try {
        step();
    } catch (const std::exception& e) {
        gf_logf("{}: {}", name, gf_exceptionText(e));
        throw;
    }
}

void lf_followSimTime()
{
    if (!param::SIM_TIME.on())
        return;
    const std::int64_t s = g_simEpoch.load();
    if (std::llabs(s - g_simTimeMark.load()) >= kSimClockJumpSeconds) {
        const std::int64_t minutes = (static_cast<std::int64_t>(gf_timeNow()) - s) / 60;
        lf_timeShift(static_cast<std::int32_t>(std::clamp<std::int64_t>(minutes, 0, kMaxTimeShiftMinutes)), false);
    }
    g_simTimeMark = s;
}

// An aircraft can go before its turn (a spawn may drop the record it queued): its entry is dropped,
// so that it never holds up the checks of the aircraft behind it.
void lf_checkFrontIdentity()
{
    auto& ids = g_identityCheckIds;
    auto live = g_liveAircraft.end();
    while (!ids.empty() && live == g_liveAircraft.end()) {
        const std::uint32_t key = ids.front();
        live = std::find_if(g_liveAircraft.begin(), g_liveAircraft.end(),
                            [key](const LiveAcRecord& a) { return a.hexId == key; });
        if (live == g_liveAircraft.end())
            ids.erase(ids.begin());
    }
    if (live == g_liveAircraft.end())
        return;
    if (live->coupledSearched == 0) {
        lf_searchForCoupledCsAroundThisTime(g_nowWeekSlot.load(), *live);
        live->coupledSearched = 1;
    }
    if (!live->head.callsign.empty()) {
        const IdentityContext context = gf_identityContext(*live);
        for (auto& parked : g_staticAircraft) {
            if (gf_checkSameIdentity(context, parked)) {
                removeAircraftFromSim(parked);
                break;
            }
        }
    }
    ids.erase(ids.begin());
}

// Nav lights of the parked aircraft follow NAV_LIGHTS_WHILE_PARKED.
void lf_applyParkedNavLights()
{
    const std::uint32_t on = param::NAV_LIGHTS_WHILE_PARKED.on() ? 1 : 0;
    for (const auto& parked : g_staticAircraft)
        if (parked.inSim())
            gf_setNavLights(parked.objectId, on);
    for (const auto& live : g_liveAircraft)
        if (live.inSim() && live.phase == MovePhase::Parked)
            gf_setNavLights(live.objectId, on);
}

// What the window asked of the aircraft lists and the park airports, which only this thread touches.
void lf_serveWindowRequests()
{
    if (lf_served(g_removeAllAircraftRequest)) {
        gf_removeAllLiveAc();
        gf_removeAllStaticAc();
    }
    if (lf_served(g_navLightsRequest))
        lf_applyParkedNavLights();
    if (const auto destination = gf_takeDestinationRequest())
        gf_addDestinationParkAirport(destination->code, destination->position);
}

void lf_flushStatic()
{
    gf_clearStaticParkingLists(); // the statics still to be parked go with those parked
    gf_removeAllStaticAc();
    gf_forgetAllSentAway(); // from now on none is sent away for the count: those sent away may stand again
    // Parking may have ended since the click: the next park airport must not lose its renewals.
    if (g_parkAirportLoaded.load() == 0 || param::INITIAL_LOAD_ONLY.on())
        return;
    gf_switchInitialLoadOnlyOn(); // for this airport's parking only: neither saved nor learned
}

// Removes the first aircraft in the simulator, of those the filter accepts, that lies within
// (user's + its half wingspan) x factor of the user; true when it removed one.
template <typename List, typename Filter>
bool lf_removeFirstTooClose(List& aircraft, LatLon user, double userHalfSpan, double factor, Filter filter)
{
    for (auto& a : aircraft) {
        if (filter(a) && a.inSim() &&
            (userHalfSpan + a.halfWingspanNm) * factor >= gf_distanceNm(user, lf_positionOf(a))) {
            removeAircraftFromSim(a);
            return true;
        }
    }
    return false;
}

void lf_avoidUserOnGround()
{
    const LatLon user = gf_positionOf(g_userAc.get());
    const double userHalfSpan = gf_userHalfWingspan().value_or(0.0);
    if (lf_removeFirstTooClose(g_liveAircraft, user, userHalfSpan, 1.15,
                               [](const LiveAcRecord& a) { return a.onGround != 0; }))
        return;
    if (user.lat == g_lastUserGroundCheck.lat && user.lon == g_lastUserGroundCheck.lon)
        return;
    g_lastUserGroundCheck = user;
    lf_removeFirstTooClose(g_staticAircraft, user, userHalfSpan, 1.1, [](const AiAcRecord&) { return true; });
}

void lf_avoidUserCollisions()
{
    if (g_userOnGround.load() != 0) {
        if (param::COLLISION_USER_GND.on())
            lf_avoidUserOnGround();
    } else if (param::COLLISION_USER_AIR.on()) {
        for (auto& a : g_liveAircraft)
            if (gf_avoidUserCollision(a))
                break;
    }
}

void lf_avoidLiveParkedCollisions()
{
    if (!param::COLLISION_LIVE_PARKED_GND.on() || g_staticAircraft.empty())
        return;
    for (auto& a : g_liveAircraft) {
        const bool taxiing = a.phase == MovePhase::Taxi || a.phase == MovePhase::TaxiToStand;
        if (a.onGround == 0 || !taxiing || !a.inSim() || a.towed != 0)
            continue;
        const LatLon position = lf_positionOf(a);
        if (a.lastParkedCheck.lat == position.lat && a.lastParkedCheck.lon == position.lon)
            continue;
        a.lastParkedCheck = position;
        lf_removeForCollisionAvoidance(a);
    }
}

void lf_applyBlockedCallsign()
{
    const std::string blocked = param::BLOCK_CALLSIGN.getValue();
    if (blocked.empty())
        return;
    const auto hit = std::find_if(g_liveAircraft.begin(), g_liveAircraft.end(),
                                  [&](const LiveAcRecord& a) { return a.inSim() && a.head.callsign == blocked; });
    if (hit != g_liveAircraft.end())
        removeAircraftFromSim(*hit);
}

// Parked aircraft that stand in for a live one on the ground ("callsign*" or the same registration).
void lf_removeParkedTwins()
{
    for (const auto& live : g_liveAircraft) {
        if (live.onGround == 0 || !live.inSim())
            continue;
        const std::string starred = live.head.callsign + "*";
        for (auto& parked : g_staticAircraft) {
            const bool sameRegistration =
                !live.head.registration.empty() && parked.head.registration == live.head.registration;
            if (parked.inSim() && (parked.head.callsign == starred || sameRegistration)) {
                removeAircraftFromSim(parked);
                break;
            }
        }
    }
}

void lf_renewParking()
{
    if (g_renewParkingRequest.load() == 0)
        return;
    if (g_parkingRenewalPhase.load() == 0) {
        g_parkingRenewalPhase = 1;
        g_mainLoopCalls.disableControls();
        g_trafficClient.ready = 1;
        if (!gf_parkAirport().icao.empty() && !g_stands.empty())
            gf_prefetchParkedTraffic(); // answered by the second phase
        return;
    }
    g_parkingRenewalPhase = 0;
    const bool option = g_parkTrafficOnlyRequest.load() != 0;
    gf_clearStatusMessage();
    if (!gf_parkAirport().icao.empty() && !g_stands.empty()) {
        g_mainLoopCalls.parkingAdjustments(option);
        g_parkTrafficOnlyRequest = 0;
    } else if (gf_parkAirport().icao.empty()) {
        // Nothing to renew: the first phase's busy state ends. An airport whose stands are still to
        // be read keeps it for its calculation.
        g_mainLoopCalls.enableControls();
    }
    g_renewParkingRequest = 0;
}

void lf_showMinutesToRenewal(std::int32_t c)
{
    const std::int32_t m = c / 60;
    g_renewalMinutesShown = 20 * (m / 20 + 1) - m;
    gf_repaintBand(Band::Settings);
}

void lf_requestRenewalIfDue()
{
    const bool parkingFromFile = !param::INITIAL_LOAD_ONLY.on() || param::RT_PARKTRAFFIC_ONLY.on();
    if (g_parkAirportLoaded.load() != 0 && parkingFromFile && g_renewParkingRequest.load() == 0)
        g_renewParkingRequest = 1;
}

} // namespace

void gf_passUserPositionToService()
{
    const UserAcData user = g_userAc.get();
    g_trafficClient.setUserPosition(gf_positionOf(user)); // where processLine measures from
    gf_setServiceUserPosition(gf_positionOf(user), user.altitude);
}

void lf_recheckParkAirportsIfRequested()
{
    if (g_reReadRequest.load() == 0 || g_parkingBusy.load() != 0)
        return;
    std::string message;
    if (gf_recheckParkAirports(true, message))
        gf_setStatusMessage(message, true);
    gf_enableControl(param::REREAD_BUTTON, true);
    gf_enableControl(param::DESTINATION, true);
    g_reReadRequest = 0;
}

void lf_every30Seconds()
{
    lf_periodic("lf_every30Seconds", [] {
        const std::int32_t c = g_secondsCounter.load();
        if (lf_served(g_matchDepthRequest))
            g_aircraftWithoutLivery.clear();
        if (param::AUTO_RANGE.on())
            g_mainLoopCalls.adjustTrafficRange();
        if (g_readerError.load() != 0) {
            gf_showErrorMessage("1001: RT error");
            gf_requestExit(static_cast<std::int32_t>(ExitReason::SystemError), 0);
        }
        if (c % 60 == 0)
            lf_showMinutesToRenewal(c);
        if (c % 1200 == 0) {
            g_mainLoopCalls.logNoMatchList();
            lf_requestRenewalIfDue();
        }
        if (c % kSecondsPerDay == 0) {
            g_secondsCounter = 0;
            g_mainLoopCalls.liveryMatchingSummary();
            g_liveryByHexId.clear();
        }
    });
}

void lf_every15Seconds()
{
    lf_periodic("lf_every15Seconds", [] {
        lf_renewParking();
        if (g_secondsCounter.load() % 30 == 0)
            lf_every30Seconds();
    });
}

void lf_every5Seconds()
{
    lf_periodic("lf_every5Seconds", [] {
        g_mainLoopCalls.refreshConnectionState();
        gf_passUserPositionToService();
        g_mainLoopCalls.updateTrafficBox();
        if (!gf_reservedStand().empty())
            g_mainLoopCalls.removeAcAtStand();
        lf_recheckParkAirportsIfRequested();
        lf_every15Seconds();
    });
}

void lf_everySecond()
{
    if (g_flightNotRunning.exchange(0) != 0) {
        gf_logf("{} Flight resumed", gf_timeOfDayText());
        gf_setIntakeEnabled(true);
    }
    gf_statusSecondElapsed();
    lf_refreshAcCounts();
    g_nowWeekSlot = gf_weekdayAndSlot();
    lf_followSimTime();
    lf_serveWindowRequests();
    g_secondsCounter.fetch_add(1);
    lf_checkFrontIdentity();
    if (lf_served(g_callsignQueryRequest))
        gf_answerCallsignQuery();
    if (lf_served(g_removeAllRequest))
        lf_flushStatic();
    lf_avoidUserCollisions();
    lf_avoidLiveParkedCollisions();
    if (lf_served(g_blockChangedRequest))
        lf_applyBlockedCallsign();
}

void lf_workSimNotRunning()
{
    if (g_flightNotRunning.load() == 0) {
        gf_setIntakeEnabled(false);
        g_flightNotRunning = 1;
        g_notRunningCountdown = kTicksPerSecond;
        gf_clearPositionSets();
        gf_logf("{} Flight not running", gf_timeOfDayText());
    }
    gf_SimCommands();
    --g_notRunningCountdown;
    if (g_notRunningCountdown % kTicksPerSecond == 0) {
        lf_recheckParkAirportsIfRequested();
        g_mainLoopCalls.updateTrafficBox();
    }
    if (g_notRunningCountdown <= 0) {
        g_notRunningCountdown = kTicksPerSecond;
        lf_refreshAcCounts();
        lf_serveWindowRequests();
        g_nowWeekSlot = gf_weekdayAndSlot();
    }
}

bool lf_workTarvo()
{
    // Before the exit test: a new flight asks for it together with its exit.
    if (g_userAtNewAirportRequest.exchange(0) != 0)
        gf_checkUserAcAtNewAirport();
    // Tested on every tick, so that an exit never waits for the next simulator second.
    if (gf_exitUnderWay())
        return false;
    if (g_simRunning.load() == 0) {
        lf_workSimNotRunning();
        return !gf_exitUnderWay();
    }
    g_mainLoopCalls.updateAI();
    std::uint8_t wasSet = 1;
    if (!g_oneSecondFlag.compare_exchange_strong(wasSet, 0))
        return true;
    lf_everySecond();
    if (gf_exitUnderWay())
        return false;
    if (g_parkingRenewalPhase.load() == 0)
        g_mainLoopCalls.startParkingOnAnswer();
    const std::int32_t c = g_secondsCounter.load();
    if (c % 15 == 0) {
        lf_every5Seconds();
        return true;
    }
    if (c % 16 == 0 && g_parkingRenewalPhase.load() == 0)
        g_mainLoopCalls.checkForParkAirportUpdates(false);
    if (c % 61 == 0 && !g_staticAircraft.empty())
        lf_removeParkedTwins();
    if (c % 62 == 0 && param::CALLSIGN_OBJECTIDS.on() && param::MSFS_2020.on())
        g_mainLoopCalls.writeParkedList();
    return true;
}

void mainLoop()
{
    try {
        // An exit that began while the session started (a close after a refused login) ends the loop
        // at its first tick: no park airport is looked for, none of its files asked for.
        if (!gf_exitUnderWay())
            g_mainLoopCalls.checkForParkAirportUpdates(true);
        g_mainLoopCalls.refreshConnectionState();
        g_secondsCounter = 0;
        SteadyTime deadline = gf_steadyNow() + kTick;
        g_nowWeekSlot = gf_weekdayAndSlot();
        gf_setIntakeEnabled(true);
        gf_enableControl(param::CALLSIGN_2_OBJECTID, true);
        timeBeginPeriod(1);
        while (lf_workTarvo()) {
            const auto remaining = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - gf_steadyNow());
            if (remaining.count() > 0)
                gf_sleepUntil(deadline, gf_exitUnderWay);
            if (g_oneSecondFlag.load() != 0)
                deadline = gf_steadyNow(); // follow the simulator's second instead of catching up
            deadline += kTick;
        }
        timeEndPeriod(1);
    } catch (...) {
        gf_reportException("mainLoop");
    }
    // Whatever ended the loop (a format error or a non-standard exception included), the session
    // is over: without an exit the program would stay open with no main loop.
    if (!gf_exitUnderWay())
        gf_requestExit(static_cast<std::int32_t>(ExitReason::SystemError), 0);
}

void gf_resetMainLoop()
{
    g_secondsCounter = 0;
    g_flightNotRunning = 0;
    g_simTimeMark = 0;
    // Requests about the ended session's aircraft go with it; the renewal's option too, or the next
    // session's first renewal would take an option nobody gave it.
    for (auto* request : {&g_callsignQueryRequest, &g_blockChangedRequest, &g_renewParkingRequest,
                          &g_parkingRenewalPhase, &g_parkTrafficOnlyRequest, &g_removeAllAircraftRequest,
                          &g_removeAllRequest, &g_matchDepthRequest, &g_navLightsRequest})
        *request = 0;
    g_notRunningCountdown = kTicksPerSecond;
    g_lastUserGroundCheck = {};
}

} // namespace zyn
