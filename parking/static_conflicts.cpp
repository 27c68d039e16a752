#include "parking/static_conflicts.h"

#include "base/log.h"

#include <algorithm>
#include <cmath>

namespace zyn {

namespace {

constexpr double kGroundPathNm = 1.0;
constexpr double kGroundPathHalfWidthFt = 50.0;
constexpr double kLowUserFt = 500.0;
constexpr double kAirPathNm = 4.0;
constexpr double kAirPathLevelsFt = 1000.0;
constexpr double kAirPathHalfWidthFt = 700.0;
constexpr double kWingMargin = 1.1;
constexpr std::uint32_t kStaticNumbers = 10000;

} // namespace

bool gf_inUserGroundPath(const UserFlight& user, LatLon aircraft)
{
    if (user.heightAglFt >= kLowUserFt) return false;
    const double d = gf_distanceNm(user.position, aircraft);
    if (d > kGroundPathNm) return false;
    const double a = gf_angleDiff(user.heading, gf_bearing(user.position, aircraft));
    if (std::cos(a) <= 0.0) return false;
    return std::fabs(std::sin(a)) * d * kFeetPerNm <= kGroundPathHalfWidthFt;
}

bool gf_inUserAirPath(const UserFlight& user, LatLon aircraft, double aircraftHeading, double aircraftAltitudeFt)
{
    const double d = gf_distanceNm(user.position, aircraft);
    if (d > kAirPathNm || std::fabs(aircraftAltitudeFt - user.altitudeFt) >= kAirPathLevelsFt) return false;
    // The user's offset from the aircraft's line of flight, whichever way along it the user lies.
    const double a = gf_angleDiff(gf_bearing(user.position, aircraft), aircraftHeading);
    return std::fabs(std::sin(a)) * d * kFeetPerNm <= kAirPathHalfWidthFt;
}

bool gf_wingsTouch(double halfSpanA, double halfSpanB, double distanceNm)
{
    return (halfSpanA + halfSpanB) * kWingMargin >= distanceNm;
}

std::string lf_cleanCallsign(std::string_view callsign)
{
    while (!callsign.empty() && callsign.back() == '_') callsign.remove_suffix(1);
    if (!callsign.empty() && callsign.back() == '*') return std::string(callsign);
    return std::string(callsign) + "*";
}

std::string lf_detcs(const StandCandidate& candidate)
{
    const std::string& first = candidate.slotMatch ? candidate.callsign : candidate.callsign2;
    const std::string& second = candidate.slotMatch ? candidate.callsign2 : candidate.callsign;
    const std::string& chosen = first.empty() ? second : first;
    if (chosen.empty()) {
        gf_logf("{} callsign is empty..", "lf_detcs");
        return {};
    }
    return lf_cleanCallsign(chosen);
}

std::uint32_t gf_nextStaticNumber(std::uint32_t number) { return (number + 1) % kStaticNumbers; }

std::int32_t gf_stayerFit(WeekSlot parked, WeekSlot now)
{
    return static_cast<std::int32_t>(gf_slotDistance(parked, now));
}

} // namespace zyn
