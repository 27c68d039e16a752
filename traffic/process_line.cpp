#include "traffic/process_line.h"

#include "aircraft/ac_category.h"
#include "airport/park_airport_state.h"
#include "base/log.h"
#include "base/text_util.h"
#include "settings/settings.h"
#include "settings/traffic_range.h"
#include "shown/display_state.h"
#include "shown/status_line.h"
#include "traffic/intake.h"
#include "traffic/json_fields.h"
#include "traffic/live_identities.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <stdexcept>

namespace zyn {

using nlohmann::json;

std::string g_blockedCallsign;

namespace {

// Entry indexes.
enum : std::size_t {
    kHex = 0, kLat = 1, kLon = 2, kTrack = 3, kAltitude = 4, kGroundSpeed = 5, kFlarmFlag = 7, kType = 8,
    kRegistration = 9, kReportTime = 10, kOrigin = 11, kDestination = 12, kCallsign = 13, kVerticalRate = 15,
    kSource = 17, kAltitudeAlt = 18, kAirspeed = 20, kRoll = 23, kTrueHeading = 25, kCategory = 28,
};

constexpr std::uint32_t kMinHexId = 10000;
constexpr double kParkAirportGroundNm = 5.0;
constexpr double kAirportModeCeilingFt = 3000.0;

std::string lf_latLonText(double lat, double lon) { return fmt::format("{:.6f},{:.6f}", lat, lon); }

std::string lf_noneIfNull(std::string_view text) { return text == "null" ? std::string() : std::string(text); }

// Registration; false when the entry must go (no registration and flagged "F").
bool lf_readLiveTextFields(const json& e, TrafficRecord& r)
{
    const std::string_view registration = gf_jsonTextAt(e, kRegistration);
    if (registration.size() <= 12 && registration != "null") r.head.registration = registration;
    return !(r.head.registration.empty() && gf_jsonTextAt(e, kFlarmFlag) == "F");
}

bool lf_readCategory(const json& e, const TrafficRecord& r)
{
    const std::string_view category = gf_jsonTextAt(e, kCategory);
    return !category.empty() && gf_isAircraftTarget(r.head, category);
}

std::uint32_t lf_readHexId(const json& e)
{
    const std::string_view text = gf_jsonTextAt(e, kHex);
    std::uint32_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (ec != std::errc() || end == text.data()) return 0;
    return value;
}

void lf_readPosition(const json& e, TrafficRecord& r)
{
    const double lat = gf_jsonNumberAt(e, kLat).value_or(0.0);
    const double lon = gf_jsonNumberAt(e, kLon).value_or(0.0);
    if (lat < -90.0 || lat > 90.0 || lon < -180.0 || lon > 180.0 || !gf_positionKnown({lat, lon}))
        throw std::runtime_error("lalo:" + lf_latLonText(lat, lon));
    r.situation.lat = lat;
    r.situation.lon = lon;
}

void lf_readTrueHeading(const json& e, TrafficRecord& r)
{
    if (gf_jsonTextAt(e, kSource) != "adsb_icao") return;
    const double h = gf_jsonNumberAt(e, kTrueHeading).value_or(0.0);
    if (h > 360.0) throw std::runtime_error(fmt::format("true heading:{:.2f}", h));
    if (h < 0.0) return;
    r.situation.heading = h == 0.0 ? kTwoPi : h * kDegToRad;
    r.situation.headingValid = 1;
    r.situation.headingFromFeed = 1;
}

// Only near the park airport does its field height tell the ground: within the radius where ground
// entries are kept at all, which holds the whole of any airport. Farther out, lower terrain around a
// high field (an Alpine valley, the plain below a plateau) is no ground of it, and an entry low there
// is airborne unless the service says otherwise.
bool lf_onParkAirportGround(double altitude, double groundSpeed, const TrafficRecord& r)
{
    const std::optional<AirportRecord> park = gf_loadedParkAirport();
    if (!park || gf_distanceNm({park->lat, park->lon}, {r.situation.lat, r.situation.lon}) > kParkAirportGroundNm)
        return false;
    const double h = altitude - park->altitude;
    return h <= 0.0 || (h <= 45.0 && groundSpeed <= 120.0) || (h <= 90.0 && groundSpeed <= 80.0) ||
           (h <= 120.0 && groundSpeed <= 43.0);
}

// Altitude corrected to the QNH, 0 on the ground.
void lf_readLiveNumberField(const json& e, const TrafficClient& client, TrafficRecord& r)
{
    auto a = gf_jsonNumberAt(e, kAltitude);
    if (!a) a = gf_jsonNumberAt(e, kAltitudeAlt);
    double altitude = a.value_or(0.0);
    if (altitude <= 0.0) {
        r.situation.altitude = 0.0;
        return;
    }
    altitude = std::max(0.0, altitude + (client.qnh.load() - 1013) * 30.0);
    if (altitude > 0.0 && altitude < 14000.0 && lf_onParkAirportGround(altitude, r.situation.groundSpeed, r))
        altitude = 0.0;
    if (r.situation.groundSpeed <= 35.0) altitude = 0.0;
    r.situation.altitude = altitude;
}

// Callsign and the user's block; false when the entry must go.
bool lf_checkBlocked(const json& e, TrafficClient& client, TrafficRecord& r)
{
    const std::string_view callsign = gf_jsonTextAt(e, kCallsign);
    if (callsign == "null" || callsign.find('@') != std::string::npos) return true;
    if (callsign == "ERARMTR0" || callsign == "AIRPORT1") return false;
    r.head.callsign = callsign;
    const std::string blocked = param::BLOCK_CALLSIGN.getValue();
    if (blocked.empty() || blocked != callsign) return true;
    if (client.blockArmed == 1) {
        client.blockArmed = 0;
        g_blockedCallsign = blocked;
        gf_handOverBlocked(r.hexId);
        gf_setStatusMessage("Reader: Live aircraft " + std::string(callsign) + " blocked", true);
    } else if (g_blockedCallsign != blocked) {
        gf_setStatusMessage("Reader: Live aircraft " + g_blockedCallsign + " no longer blocked", true);
        client.blockArmed = 1;
        g_blockedCallsign.clear();
    }
    return false;
}

void lf_collectIdentity(TrafficClient& client, const TrafficRecord& r)
{
    if (client.ready.load() == 0) return;
    std::lock_guard lock(client.identityMutex);
    if (!r.head.callsign.empty()) client.callsigns.insert(r.head.callsign);
    client.hexIds.insert(r.hexId);
}

double lf_defaultAirspeed(double altitude)
{
    if (altitude <= 2000.0) return 180.0;
    if (altitude <= 5000.0) return 220.0;
    if (altitude <= 10000.0) return 250.0;
    if (altitude <= 20000.0) return 350.0;
    return 430.0;
}

void lf_readMotion(const json& e, TrafficRecord& r)
{
    Situation& s = r.situation;
    s.track = gf_jsonNumberAt(e, kTrack).value_or(0.0);
    if (s.track == 0.0 && s.headingValid) s.track = s.heading * kRadToDeg;
    s.verticalRate = gf_jsonNumberAt(e, kVerticalRate).value_or(0.0);
    if (s.airborne) {
        const auto roll = gf_jsonNumberAt(e, kRoll);
        if (roll && *roll != 0.0 && *roll != -1.0) {
            s.bank = -*roll * kDegToRad;
            s.bankValid = 1;
        }
    }
    const auto airspeed = gf_jsonNumberAt(e, kAirspeed);
    s.airspeed = (!airspeed || *airspeed == -1.0) ? lf_defaultAirspeed(s.altitude) : *airspeed;
}

// Steps up to the block check; false drops the entry.
bool lf_parseEntry(const json& e, TrafficClient& client, TrafficRecord& r)
{
    r.reportTime = gf_jsonNumberAt(e, kReportTime).value_or(0.0);
    client.lastReportTime.store(r.reportTime);
    if (!lf_readLiveTextFields(e, r)) return false;
    const std::string_view type = gf_jsonTextAt(e, kType);
    if (type != "0" && type != "ZZZZ") r.head.type = type;
    if (!lf_readCategory(e, r)) return false;
    lf_readPosition(e, r);
    if (gf_distanceNm(client.userPosition(), {r.situation.lat, r.situation.lon}) > g_rangeNm.load()) return false;
    lf_readTrueHeading(e, r);
    r.hexId = lf_readHexId(e);
    if (r.hexId <= kMinHexId) return false;
    r.situation.groundSpeed = gf_jsonNumberAt(e, kGroundSpeed).value_or(0.0);
    lf_readLiveNumberField(e, client, r);
    r.situation.airborne = r.situation.altitude > 0.0 ? 1 : 0;
    if (r.situation.airborne && g_airportRangeMode.load() && g_parkAirportLoaded.load() &&
        r.situation.altitude > gf_parkAirport().altitude + kAirportModeCeilingFt)
        return false;
    return lf_checkBlocked(e, client, r);
}

bool lf_keepOnGround(const TrafficRecord& r)
{
    if (r.situation.airborne) return true;
    const AirportRecord park = gf_parkAirport();
    return !park.icao.empty() &&
           gf_distanceNm({park.lat, park.lon}, {r.situation.lat, r.situation.lon}) <= kParkAirportGroundNm;
}

} // namespace

void processLine(TrafficClient& client)
{
    try {
        const json& e = client.reply;
        TrafficRecord r;
        if (!lf_parseEntry(e, client, r)) return;
        // Without registration and callsign nothing identifies the aircraft.
        if (r.head.registration.empty() && r.head.callsign.empty()) return;
        lf_collectIdentity(client, r);
        if (!lf_keepOnGround(r)) return;
        lf_readMotion(e, r);
        r.head.origin = lf_noneIfNull(gf_jsonTextAt(e, kOrigin));
        r.head.destination = lf_noneIfNull(gf_jsonTextAt(e, kDestination));
        r.situation.stationary = 0;
        client.batch.push_back(std::move(r));
    } catch (const std::runtime_error&) {
        // an entry with an impossible position or heading is dropped silently
    } catch (const std::exception& ex) {
        gf_logf("{}: {}", "processLine", ex.what());
    }
}

void gf_clearTrafficStore()
{
    g_trafficClient.ready.exchange(0);
    std::lock_guard lock(g_trafficClient.identityMutex);
    {
        std::lock_guard liveLock(g_liveIdentityMutex);
        g_liveCallsigns = g_trafficClient.callsigns;
        g_liveHexIds = g_trafficClient.hexIds;
    }
    g_trafficClient.callsigns.clear();
    g_trafficClient.hexIds.clear();
}

} // namespace zyn
