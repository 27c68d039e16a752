#include "platform/simconnect/emulator_geo.h"

#include <algorithm>
#include <cmath>

namespace zyn::simemu {

namespace {
constexpr double kNmPerRadian = 180.0 * 60.0 / kPi;
} // namespace

double gf_distanceNm(LatLon from, LatLon to)
{
    const double halfDLat = (to.lat - from.lat) * kDegToRad / 2.0;
    const double halfDLon = (to.lon - from.lon) * kDegToRad / 2.0;
    const double h = std::pow(std::sin(halfDLat), 2) +
                     std::cos(from.lat * kDegToRad) * std::cos(to.lat * kDegToRad) * std::pow(std::sin(halfDLon), 2);
    return 2.0 * std::asin(std::sqrt(std::clamp(h, 0.0, 1.0))) * kNmPerRadian;
}

double gf_angleDiff(double a, double b)
{
    double turn = std::remainder(b - a, kTwoPi); // in [-pi, pi]
    if (turn <= -kPi)
        turn += kTwoPi;
    return turn;
}

} // namespace zyn::simemu
