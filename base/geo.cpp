#include "base/geo.h"

#include <algorithm>
#include <cmath>

namespace zyn {

double gf_distanceNm(LatLon p1, LatLon p2)
{
    const double phi1 = p1.lat * kDegToRad;
    const double phi2 = p2.lat * kDegToRad;
    const double sinDPhi = std::sin((phi2 - phi1) / 2.0);
    const double sinDLambda = std::sin((p2.lon - p1.lon) * kDegToRad / 2.0);
    double a = std::cos(phi2) * std::cos(phi1) * sinDLambda * sinDLambda + sinDPhi * sinDPhi;
    a = std::clamp(a, 0.0, 1.0); // rounding near antipodes must not give NaN
    return std::atan2(std::sqrt(a), std::sqrt(1.0 - a)) * kEarthDiameterNm;
}

// The haversine of two points is at least cos(lat1) cos(lat2) sin^2(dLon / 2), so the distance bounds
// the longitude difference away from the poles.
double gf_longitudeReachDeg(double maxNm, double absLatDeg)
{
    const double sinHalfAngle = std::sin(std::min(maxNm / kEarthDiameterNm, kPi / 2.0));
    const double cosLat = std::cos(std::min(std::fabs(absLatDeg), 90.0) * kDegToRad);
    if (cosLat <= sinHalfAngle)
        return 180.0;
    return std::min(180.0, 2.0 * std::asin(sinHalfAngle / cosLat) / kDegToRad * (1.0 + 1e-6) + 1e-9);
}

double gf_bearing(LatLon p1, LatLon p2)
{
    const double phi1 = p1.lat * kDegToRad;
    const double phi2 = p2.lat * kDegToRad;
    const double dLambda = (p2.lon - p1.lon) * kDegToRad;
    double theta = std::atan2(std::sin(dLambda) * std::cos(phi2),
                              std::cos(phi1) * std::sin(phi2) - std::sin(phi1) * std::cos(phi2) * std::cos(dLambda));
    if (theta < 0.0)
        theta += kTwoPi;
    if (theta >= kTwoPi)
        theta -= kTwoPi;
    return theta;
}

LatLon gf_destinationPoint(LatLon p, double bearing, double feet)
{
    const double delta = feet * kRadiansPerFoot;
    const double phi1 = p.lat * kDegToRad;
    const double lambda1 = p.lon * kDegToRad;
    const double sinPhi2 = std::clamp(std::sin(phi1) * std::cos(delta) + std::cos(phi1) * std::sin(delta) * std::cos(bearing), -1.0, 1.0);
    const double phi2 = std::asin(sinPhi2);
    double lambda2 = lambda1 + std::atan2(std::sin(bearing) * std::sin(delta) * std::cos(phi1),
                                          std::cos(delta) - std::sin(phi1) * sinPhi2);
    lambda2 = std::remainder(lambda2, kTwoPi);
    return {phi2 * kRadToDeg, lambda2 * kRadToDeg};
}

double gf_angleDiff(double a, double b)
{
    if (b > a) {
        double d = b - a;
        if (d > kPi)
            d -= kTwoPi;
        return d;
    }
    if (a > b)
        return -gf_angleDiff(b, a);
    return 0.0;
}

bool gf_positionKnown(LatLon p)
{
    const bool inOriginBox = p.lat >= 0.0 && p.lat <= 0.0009 && p.lon >= 0.0 && p.lon <= 0.05;
    return !inOriginBox;
}

} // namespace zyn
