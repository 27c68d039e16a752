#include "core/auto_range.h"

#include "base/geo.h"
#include "parking/park_airport.h"
#include "settings/setting_controls.h"
#include "settings/settings.h"
#include "sim/user_aircraft.h"
#include "traffic/query_box.h"

#include <cmath>

namespace zyn {

namespace {
constexpr std::int32_t kDefaultRangeNm = 40;
constexpr std::int32_t kAirportRangeNm = 10;
constexpr std::int32_t kHighRangeNm = 100;
constexpr double kNearAirportNm = 7.0;
constexpr double kFarAirportNm = 37.0;

std::optional<double> lf_distanceToFirstParkAirport(LatLon user)
{
    std::lock_guard lock(g_parkAirportsMutex);
    if (g_parkAirports.empty())
        return std::nullopt;
    return gf_distanceNm(user, LatLon{g_parkAirports.front().lat, g_parkAirports.front().lon});
}
} // namespace


std::int32_t gf_autoRangeNm(bool onGround, double altitudeFt, std::optional<double> parkAirportNm)
{
    if (onGround)
        return kAirportRangeNm;
    if (altitudeFt > param::AUTO_RANGE_ABOVE_HEIGHT.value.load())
        return kHighRangeNm;
    if (altitudeFt > param::AIRPORT_HEIGHT.value.load())
        return kDefaultRangeNm;
    const double d = parkAirportNm.value_or(10000.0);
    if (d <= kNearAirportNm)
        return kAirportRangeNm;
    if (d < kFarAirportNm)
        return static_cast<std::int32_t>(std::round(d)) + 3; // std::round rounds halves away from zero
    return kDefaultRangeNm;
}

void gf_adjustTrafficRange()
{
    const std::int32_t old = param::LATERAL_RANGE.value.load();
    const UserAcData user = g_userAc.get();
    const bool onGround = g_userOnGround.load() != 0;
    const std::int32_t range = gf_autoRangeNm(
        onGround, user.altitude, onGround ? std::nullopt : lf_distanceToFirstParkAirport(gf_positionOf(user)));
    gf_setTrafficRange(range);
    if (param::LATERAL_RANGE.value.load() != old) {
        gf_setBoxInt(param::LATERAL_RANGE);
        gf_updateTrafficBox();
    }
    g_airportRangeMode = param::AUTO_RANGE.on() && g_rangeNm.load() == kAirportRangeNm ? 1 : 0;
}

} // namespace zyn
