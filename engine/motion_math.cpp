#include "engine/motion_math.h"

#include <algorithm>
#include <cmath>

namespace zyn {

namespace {
constexpr double kHalfDegree = 0.5 * kDegToRad;
constexpr double kLongestTravelTicks = 1.0e9;
} // namespace

double gf_wrapHeading(double radians)
{
    if (!std::isfinite(radians))
        return 0.0;
    double h = std::fmod(radians, kTwoPi);
    if (h < 0.0)
        h += kTwoPi;
    return h >= kTwoPi ? 0.0 : h;
}

double gf_wrapLongitude(double degrees)
{
    if (degrees > 180.0)
        return degrees - 360.0;
    if (degrees < -180.0)
        return degrees + 360.0;
    return degrees;
}

double gf_longitudeDelta(double fromDeg, double toDeg)
{
    double d = toDeg - fromDeg;
    if (d > 180.0)
        d -= 360.0;
    else if (d < -180.0)
        d += 360.0;
    return d;
}

std::int32_t gf_travelTicks(double distanceNm, double speedKt)
{
    const double speed = std::isfinite(speedKt) ? std::max(speedKt, 1.0) : 1.0;
    const double ticks = std::round(std::max(distanceNm, 0.0) * kTicksPerHour / speed);
    if (!std::isfinite(ticks))
        return kShortestLegTicks;
    return std::max<std::int32_t>(kShortestLegTicks, static_cast<std::int32_t>(std::min(ticks, kLongestTravelTicks)));
}

double gf_turnTowards(double heading, double target, double rate)
{
    const double gap = gf_angleDiff(heading, target); // (-pi, pi]
    if (std::abs(gap) <= kHalfDegree)
        return heading;
    const double step = std::min(std::abs(rate), std::abs(gap)); // never past the target
    return gf_wrapHeading(heading + (gap > 0.0 ? step : -step));
}

} // namespace zyn
