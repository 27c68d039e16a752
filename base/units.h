#pragma once
// Units of measure, defined once: the program mixes nautical miles, metres, feet, degrees and radians.
#include <cstdint>

namespace zyn {

inline constexpr double kMetresPerNm = 1852.0;
inline constexpr std::uint32_t kWholeMetresPerNm = 1852;
inline constexpr double kNmPerMetre = 0.0005399568034557236; // 1 / 1852
inline constexpr double kKmPerNm = 1.852;
inline constexpr double kFeetPerNm = 6076.11549;
inline constexpr double kFeetPerMetre = 3.2808399;
inline constexpr double kDegToRad = 0.017453292519943295;
inline constexpr double kRadToDeg = 57.29577951308232;

} // namespace zyn
