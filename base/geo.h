#pragma once
// Spherical-earth geometry: one nautical mile per minute of arc.
#include "base/units.h"

namespace zyn {

struct LatLon {
    double lat = 0.0; // degrees, north positive
    double lon = 0.0; // degrees, east positive
};

inline constexpr double kPi = 3.141592653589793;
inline constexpr double kTwoPi = 6.283185307179586;
inline constexpr double kEarthDiameterNm = 6875.493541569878;
inline constexpr double kRadiansPerFoot = 4.787404208238998e-8;
// No two points lie nearer than the difference of their latitudes, at this many NM per degree.
inline constexpr double kNmPerDegreeOfLatitude = 60.0;

double gf_distanceNm(LatLon p1, LatLon p2);                        // haversine
double gf_bearing(LatLon p1, LatLon p2);                           // radians in [0, 2pi)
LatLon gf_destinationPoint(LatLon p, double bearing, double feet); // longitude in [-180, 180]
double gf_angleDiff(double a, double b);                           // b - a folded into (-pi, pi]

// The largest difference of longitude (degrees, at most 180) two points can have that lie at most
// maxNm apart, both within absLatDeg of the equator; a cheap test before the distance itself.
double gf_longitudeReachDeg(double maxNm, double absLatDeg);

// False while a position lies in the origin box (lat 0..0.0009, lon 0..0.05): no position yet.
bool gf_positionKnown(LatLon p);

} // namespace zyn
