#pragma once
// The emulated world's geometry, kept apart from the program's: a sphere on which one nautical mile
// is one minute of arc, like the program's, so that ranges agree to the metre.
namespace zyn::simemu {

struct LatLon {
    double lat = 0.0; // degrees, north positive
    double lon = 0.0; // degrees, east positive
};

inline constexpr double kPi = 3.141592653589793;
inline constexpr double kTwoPi = 2.0 * kPi;
inline constexpr double kDegToRad = kPi / 180.0;
inline constexpr double kRadToDeg = 180.0 / kPi;
inline constexpr double kMetresPerNm = 1852.0;

// Great-circle distance in nautical miles.
double gf_distanceNm(LatLon from, LatLon to);
// The turn from heading a to heading b (radians), the short way round: in (-pi, pi].
double gf_angleDiff(double a, double b);

} // namespace zyn::simemu
