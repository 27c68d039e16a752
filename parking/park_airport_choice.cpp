#include "airport/airports.h"
#include "airport/apf_locations.h"
#include "airport/learned_merge.h"
#include "airport/stand_lookup.h"
#include "base/log.h"
#include "base/time_util.h"
#include "engine/identity.h"
#include "engine/live_removals.h"
#include "engine/session_calls.h"
#include "engine/stand_options.h"
#include "engine/stand_search.h"
#include "platform/system/error_text.h"
#include "requests/main_loop_requests.h"
#include "parking/learned_save.h"
#include "parking/park_airport.h"
#include "parking/parking_fit.h"
#include "parking/session_calls.h"
#include "parking/static_parking.h"
#include "settings/airport_settings.h"
#include "settings/setting_controls.h"
#include "settings/settings.h"
#include "settings/traffic_range.h"
#include "shown/display_texts.h"
#include "shown/status_line.h"
#include "sim/user_aircraft.h"
#include "traffic/client.h"
#include "traffic/parked_traffic.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace zyn {

ApfFileInfo g_parkedFileInfo;
std::uint64_t g_qualityFactors = 0;
bool g_recalculateParking = false;
LatLon g_lastUserPosition;

namespace {

// The due calculation runs as soon as its parked traffic is in, not at the next check: the live
// identities it must not park as statics were collected before it was asked for.
bool g_calculateOnAnswer = false;

// Where the park airport's file was last looked for: a local path, a server path, or empty.
std::string g_parkFileLocation;

// An airport whose stands could not be read is not taken up again at every check, which would log and
// show the same failure every half minute: not before its server file's pause is over, else not
// before "Re-read" or another park airport.
struct RefusedAirport {
    std::string code;
    std::string pausedLocation; // the server file that waits for its pause; empty: until "Re-read"
    std::string why;            // as the status line showed it
};
std::optional<RefusedAirport> g_refusedAirport;

constexpr std::int32_t kSoftLearningBelowQuality = 45;
constexpr std::size_t kSoftLearningBelowStands = 20;
constexpr double kNoPositionLat = 0.0009;
constexpr double kNoPositionLon = 0.05;

bool lf_inSight(double distanceNm)
{
    return distanceNm <= static_cast<double>(param::AIRPORT_RANGE.value) &&
           g_userAc.get().aboveGround <= static_cast<double>(param::AIRPORT_HEIGHT.value);
}

std::int32_t lf_realQuality(std::uint64_t pair) { return static_cast<std::int32_t>(pair & 0xFFFFFFFFu); }

// The publisher folder of a thirdparty path, which names the maker of the file.
bool lf_unknownPublisher(std::string_view path)
{
    constexpr std::string_view folder = "/thirdparty/unknown/";
    return path.find(folder) != std::string_view::npos || path.starts_with(folder.substr(1));
}

void lf_decideSoftLearning()
{
    const std::int32_t quality = lf_realQuality(g_qualityFactors);
    if (quality < kSoftLearningBelowQuality || g_stands.size() < kSoftLearningBelowStands) {
        g_softLearningAllowed = true;
        gf_enableControl(param::LEARN_SOFT, true);
        return;
    }
    g_softLearningAllowed = false;
    if (param::LEARN_SOFT.on())
        gf_switchLearnSoftOff(); // for this airport's parking only: neither saved nor learned
}

// The park airport first in the list, with the user's stand there when there is one.
void lf_recordUserStand(const AirportRecord& park)
{
    if (g_userDataValid.load() == 0)
        return;
    const std::string name = gf_userStand();
    bool record = false;
    {
        std::lock_guard lock(g_parkAirportsMutex);
        auto& list = g_parkAirports;
        if (list.empty() || list.front().icao != park.icao) {
            // One entry per airport: a listed one moves to the front.
            std::erase_if(list, [&](const ParkAirport& p) { return p.icao == park.icao; });
            list.insert(list.begin(), ParkAirport{park.icao, name, park.lat, park.lon, 0.0});
            record = true;
        } else if (!name.empty() && name != list.front().stand) {
            list.front().stand = name;
            record = true;
        }
    }
    if (record)
        gf_addParkAirport();
}

void lf_setReservedStand(const AirportRecord& park)
{
    std::string stand;
    {
        std::lock_guard lock(g_parkAirportsMutex);
        if (!g_parkAirports.empty() && g_parkAirports.front().icao == park.icao)
            stand = g_parkAirports.front().stand;
    }
    const bool found = !stand.empty() && gf_findStandByName(stand) != nullptr;
    if (!stand.empty() && !found)
        gf_logErrorf("my_park_airports.txt: stand {} is not one of the stands of {}", stand, park.icao);
    gf_setReservedStand(found ? stand : std::string());
    // A listed stand the airport lacks is shown all the same, in red, so that its name can be mended.
    gf_showParking([&](ParkingDisplay& shown) {
        shown.reservedStand = stand;
        shown.reservedFound = found;
    });
}

bool lf_setParkAirport(const std::string& code)
{
    const auto airport = gf_findAirport(code);
    if (!airport)
        return false;
    if (g_refusedAirport && g_refusedAirport->code != code)
        g_refusedAirport.reset(); // the user went on to another airport
    gf_setParkAirport(*airport);
    gf_showParking([&](ParkingDisplay& shown) { shown.airportLabel = gf_displayLabel(*airport); });
    gf_logf("The park airport is {}", gf_displayLabel(*airport));
    return true;
}

// The calculation is due: the parked traffic is asked for beside the main loop, which must not wait
// for the service. While the traffic client collected the live identities before this (the session's
// first traffic, at the main loop's start), the calculation follows as soon as the answer is in;
// otherwise at the next check, the client collecting them meanwhile.
void lf_prepareStaticParking()
{
    g_recalculateParking = true;
    gf_disableControls();
    g_calculateOnAnswer = g_trafficClient.ready.exchange(1) != 0;
    gf_prefetchParkedTraffic();
    if (g_calculateOnAnswer)
        gf_setStatusMessage(fmt::format("The parked traffic at {} is on its way ...", gf_parkAirport().icao), false);
}

// Under g_refusedAirport: whether the airport is still not to be taken up (its status line's text in
// why); a pause that ended frees it.
bool lf_stillRefused(const std::string& code, std::string* why = nullptr)
{
    if (!g_refusedAirport || g_refusedAirport->code != code)
        return false;
    if (!g_refusedAirport->pausedLocation.empty() && !gf_apfLocationPaused(g_refusedAirport->pausedLocation)) {
        g_refusedAirport.reset();
        return false;
    }
    if (why)
        *why = g_refusedAirport->why;
    return true;
}

void lf_refuse(const std::string& code, const std::string& why)
{
    const bool paused = gf_apfLocationPaused(g_parkFileLocation);
    g_refusedAirport = RefusedAirport{code, paused ? g_parkFileLocation : std::string(), why};
}

// The stands of the park airport read and static parking calculated, or, while its file is on its
// way, the calculation kept due for the next check; false then.
bool lf_loadStands()
{
    const std::optional<std::string> message = lf_readParkedFile();
    if (!message) {
        g_calculateOnAnswer = false; // the check that finds the file whole calculates
        gf_setStatusMessage(fmt::format("The airport file of {} is on its way ...", gf_parkAirport().icao), false);
        return false;
    }
    g_recalculateParking = false;
    g_calculateOnAnswer = false;
    if (!message->empty()) {
        gf_setStatusMessage(*message, true);
        lf_refuse(gf_parkAirport().icao, *message);
        gf_endParking();
    } else {
        lf_calculateStaticParking();
    }
    gf_enableControl(param::DESTINATION, true);
    return true;
}

// The statics of the calculation are all parked: the parking settings are free again. Not while the
// calculation is still due (its airport file on its way): the settings stay locked for it.
void lf_endBusyState()
{
    if (g_parkingBusy.load() == 0 || !g_standCandidates.empty() || g_recalculateParking)
        return;
    gf_enableControls();
    gf_clearStatusMessage();
    gf_staticParkedStats(true);
    gf_liveParkedStats(true);
}

void lf_showFileOnItsWay(const AirportRecord& airport)
{
    gf_setStatusMessage(fmt::format("User aircraft on the ground at {}, its airport file is on its way ...", airport.icao),
                        false);
}

void lf_parkAirportInSight(LatLon position)
{
    if (g_userOnGround.load() != 0) {
        const ClosestAirport closest = gf_closestAirport(position);
        if (closest.fileUnderWay) { // decided once the file has come
            lf_showFileOnItsWay(*closest.awaited);
            return;
        }
        if (!closest.airport) {
            gf_setStatusMessage("User aircraft on the ground, no airport in sight", true);
            return;
        }
        const AirportRecord& airport = *closest.airport;
        if (std::string why; lf_stillRefused(airport.icao, &why)) { // logged as it was refused
            gf_setStatusMessage(why, false);
            return;
        }
        std::string unfetched;
        switch (gf_apfExists(airport.icao, &unfetched)) {
        case Presence::Unfetched: // why: the server's error, or the disk here (logged as its pause began)
            gf_setStatusMessage(fmt::format("User aircraft on the ground at {}, {}", airport.icao, unfetched), false);
            return;
        case Presence::Absent:
            gf_setStatusMessage(fmt::format("User aircraft on the ground at {}, no airport file found", airport.icao),
                                true);
            return;
        case Presence::UnderWay:
            lf_showFileOnItsWay(airport);
            return;
        case Presence::Present:
            break;
        }
        gf_logf("User aircraft on the ground at {}", airport.icao);
        if (lf_setParkAirport(airport.icao))
            lf_prepareStaticParking();
        return;
    }
    gf_enableControl(param::DESTINATION, true);
    ParkAirport first;
    {
        std::lock_guard lock(g_parkAirportsMutex);
        if (g_parkAirports.empty())
            return;
        first = g_parkAirports.front();
    }
    const double d = gf_distanceNm(position, {first.lat, first.lon});
    if (lf_inSight(d) && !lf_stillRefused(first.icao) && lf_setParkAirport(first.icao)) {
        gf_setStatusMessage(fmt::format("{} in sight at {:.1F} nm", first.icao, d), true);
        lf_prepareStaticParking();
    }
}

void lf_parkAirportSightChange(LatLon position)
{
    const AirportRecord park = gf_parkAirport();
    if (g_userOnGround.load() != 0) {
        // Landed elsewhere: the statics of the old airport must not stay.
        const auto here = gf_closestAirport(position).airport; // none while undecided
        if (here && here->icao != park.icao) {
            gf_logf("\n{} User aircraft on the ground at {}, parked aircraft at {} will be removed", gf_simTimeStamp(),
                    here->icao, gf_displayLabel(park));
            gf_clearParkAirport();
        }
        return;
    }
    const double d = gf_distanceNm(position, {park.lat, park.lon});
    if (!lf_inSight(d)) {
        gf_logf("\n{} {} is out of sight ({:.1F} nm), parked aircraft will be removed", gf_simTimeStamp(),
                gf_displayLabel(park), d);
        gf_clearParkAirport();
        return;
    }
    ParkAirport first;
    {
        std::lock_guard lock(g_parkAirportsMutex);
        if (g_parkAirports.empty() || g_parkAirports.front().icao == park.icao)
            return;
        first = g_parkAirports.front();
    }
    const double d1 = gf_distanceNm(position, {first.lat, first.lon});
    if (!lf_inSight(d1) || d < d1)
        return;
    gf_logf("\n{} {} is in sight ({:.1F} nm), parked aircraft at {} will be removed first", gf_simTimeStamp(),
            first.icao, d1, gf_displayLabel(park));
    gf_clearParkAirport();
}

void lf_measureParkAirports(LatLon position)
{
    std::lock_guard lock(g_parkAirportsMutex);
    auto& list = g_parkAirports;
    if (list.empty())
        return;
    if (position.lat == g_lastUserPosition.lat && position.lon == g_lastUserPosition.lon) {
        list.front().distanceNm = gf_distanceNm(position, {list.front().lat, list.front().lon});
        return;
    }
    g_lastUserPosition = position;
    if (!param::DESTINATION.empty())
        return; // the destination stays first
    for (auto& entry : list)
        entry.distanceNm = gf_distanceNm(position, {entry.lat, entry.lon});
    std::stable_sort(list.begin(), list.end(),
                     [](const ParkAirport& a, const ParkAirport& b) { return a.distanceNm < b.distanceNm; });
}

// What could not be saved when parking ended (a disk error): kept with its stands and tried again
// before the next airport file is read and at the next end of parking, so that a passing fault does
// not lose what was learned.
struct UnsavedLearned {
    std::string code;
    ApfFileInfo info;
    std::vector<ParkPos> stands;
    LearnedState state;
};
std::optional<UnsavedLearned> g_unsavedLearned;

void lf_retryUnsavedLearned()
{
    if (!g_unsavedLearned)
        return;
    UnsavedLearned& u = *g_unsavedLearned;
    if (gf_saveLearnedAirportFile(u.code, u.info, u.stands, u.state))
        g_unsavedLearned.reset();
}

// While the airport's stands are still loaded: what was learned there goes into its learned file.
void lf_saveWhatWasLearned()
{
    lf_retryUnsavedLearned();
    const bool loaded = g_parkAirportLoaded.load() != 0;
    LearnedState state{g_learnedStandUpdates, g_airportFileChanged.load() != 0, g_handmade, gf_airportSettingsToLearn()};
    const std::string code = gf_parkAirport().icao;
    if (loaded && (state.parameterChanged || state.updates >= 1) &&
        !gf_saveLearnedAirportFile(code, g_parkedFileInfo, g_stands, state))
        g_unsavedLearned = UnsavedLearned{code, g_parkedFileInfo, std::move(g_stands), state};
    g_learnedStandUpdates = 0;
    g_airportFileChanged = 0;
    g_handmade = false;
}

// The list read afresh is in file order; while a destination is set it leads the list, as after the
// start-up, since the list is not sorted again until the destination is cleared.
void lf_putDestinationFirst()
{
    const std::string code = param::DESTINATION.getValue();
    if (code.empty())
        return;
    if (const auto airport = gf_findAirport(code))
        gf_addDestinationParkAirport(code, LatLon{airport->lat, airport->lon});
}

} // namespace

std::optional<std::string> lf_readParkedFile()
{
    lf_retryUnsavedLearned(); // the file about to be read may be the one it belongs in
    g_stands.clear();
    gf_clearStandClaims();
    const AirportRecord park = gf_parkAirport();
    std::optional<std::string> message;
    const std::optional<std::string> path = gf_getStockApf(park.icao);
    g_parkFileLocation = path.value_or(std::string());
    if (!path) {
        return std::nullopt;
    } else if (path->empty()) {
        message = fmt::format("{} {} not found", "lf_readParkedFile", park.icao);
    } else if (lf_unknownPublisher(*path)) {
        message = fmt::format("{} {} has publisher:{}, {}", "lf_readParkedFile", park.icao, "unknown", *path);
    } else {
        g_parkedFileInfo = ApfFileInfo{};
        message = gf_readApf(*path, g_parkedFileInfo, g_qualityFactors, g_stands);
        if (!message)
            return std::nullopt;
        if (message->empty()) {
            lf_decideSoftLearning();
            g_stands.shrink_to_fit();
            gf_publishStands(g_stands);
            lf_recordUserStand(park);
            lf_setReservedStand(park);
        }
    }
    gf_publishStands(g_stands);
    g_learnedStandUpdates = 0;
    gf_showParking([&](ParkingDisplay& shown) {
        shown.parkFileRead = message->empty();
        shown.fileText1 = g_parkedFileInfo.publisher;
        shown.updates = 0;
    });
    return message;
}

void gf_endParking()
{
    gf_removeAllStaticAc();
    gf_awaitParkedPrefetch(); // its answer is for this airport
    lf_saveWhatWasLearned();
    // Not loaded first: a limit or range typed from now on is the user's own, saved, not the airport's.
    g_parkAirportLoaded = 0;
    gf_giveUsersAirportSettingsBack(); // before the next airport's learned file sets its own
    g_parkTrafficOnlyRequest = 0; // the full re-fit asked for this airport's statics; the next is fitted anew
    gf_clearStaticParkingLists();
    gf_clearStandClaims();
    g_stands.clear();
    gf_publishStands(g_stands);
    g_softLearningAllowed = false;
    g_recalculateParking = false;
    if (std::exchange(g_calculateOnAnswer, false))
        gf_clearStatusMessage(); // its parked traffic is no longer on its way
    gf_setReservedStand({});
    gf_setParkAirport({});
    gf_resetParkingFit();
    // Statics still waiting to be parked are gone with the airport: its busy state ends here.
    if (g_parkingBusy.load() != 0)
        gf_enableControls();
    // Its controls act on the airport's statics and stands: off until the next airport is loaded.
    gf_enableControl(param::FLUSH_STATIC_BUTTON, false);
    gf_enableControl(param::LEARN_SOFT, false);
    // Nothing of this airport stays shown, its parking count least of all.
    gf_showParking([](ParkingDisplay& shown) {
        const std::uint32_t setAside = shown.setAsideAirports; // the airport scan's, not this airport's
        shown = ParkingDisplay{};
        shown.setAsideAirports = setAside;
    });
}

void gf_checkForParkAirportUpdates(bool /*first*/)
{
    try {
        lf_endBusyState();
        // While the park airport's file is on its way the check goes on: the user may leave the
        // airport behind, or come into sight of a nearer one, before it arrives.
        if (g_recalculateParking) {
            gf_clearStatusMessage();
            if (lf_loadStands())
                return;
        }
        const UserAcData user = g_userAc.get();
        const LatLon position = gf_positionOf(user);
        if (position.lat >= 0.0 && position.lat <= kNoPositionLat && position.lon >= 0.0 &&
            position.lon <= kNoPositionLon)
            return;
        lf_measureParkAirports(position);
        if (gf_parkAirport().icao.empty())
            lf_parkAirportInSight(position);
        else
            lf_parkAirportSightChange(position);
    } catch (const std::exception& e) {
        gf_logf("{}: {}", "gf_checkForParkAirportUpdates", gf_exceptionText(e));
        throw;
    }
}

void gf_startParkingOnAnswer()
{
    if (!g_recalculateParking || !g_calculateOnAnswer || !gf_parkedTrafficAnswered())
        return;
    try {
        gf_clearStatusMessage();
        lf_loadStands();
    } catch (const std::exception& e) {
        gf_logf("{}: {}", "gf_startParkingOnAnswer", gf_exceptionText(e));
        throw;
    }
}

bool gf_recheckParkAirports(bool checkStand, std::string& message)
{
    gf_resumeApfProbes(); // the user may have mended the connection: the next check asks the server
    g_refusedAirport.reset(); // nor is an airport whose file failed refused any longer
    if (!lf_readMyParkAirports()) {
        lf_putDestinationFirst();
        return false;
    }
    const AirportRecord park = gf_parkAirport();
    std::string stand;
    {
        std::lock_guard lock(g_parkAirportsMutex);
        if (!g_parkAirports.empty() && g_parkAirports.front().icao == park.icao)
            stand = g_parkAirports.front().stand;
    }
    const std::string old = gf_reservedStand();
    if (checkStand && g_userDataValid.load() != 0 && g_parkingBusy.load() == 0 && !park.icao.empty() &&
        g_userStandName.get().empty() && !stand.empty() && stand != old) {
        message = fmt::format("reserved stand changed from \"{}\" to \"{}\"", old, stand);
        if (ParkPos* previous = gf_findStandByName(old))
            previous->reserved = false;
        gf_setReservedStand(stand);
        gf_removeAcAtStand();
        if (ParkPos* reserved = gf_findStandByName(stand))
            reserved->reserved = true;
        gf_showParking([&](ParkingDisplay& shown) {
            shown.reservedStand = stand;
            shown.reservedFound = gf_findStandByName(stand) != nullptr;
        });
    }
    lf_putDestinationFirst();
    if (message.empty())
        message = "park airports and stands are okay";
    return true;
}

void gf_resetParkAirports()
{
    {
        std::lock_guard lock(g_parkAirportsMutex);
        g_parkAirports.clear();
    }
    g_parkedFileInfo = ApfFileInfo{};
    g_qualityFactors = 0;
    g_recalculateParking = false;
    g_calculateOnAnswer = false;
    g_parkFileLocation.clear();
    g_refusedAirport.reset();
    g_lastUserPosition = {};
    g_unsavedLearned.reset();
    gf_clearStandClaims();
    g_stands.clear();
    gf_publishStands(g_stands);
    gf_setParkAirport({});
    gf_setReservedStand({});
    g_parkAirportLoaded = 0;
    g_parkingBusy = 0;
    g_softLearningAllowed = false;
}

} // namespace zyn
