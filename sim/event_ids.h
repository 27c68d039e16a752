#pragma once
// The client events the engine and static parking queue for an AI object (sim/queues.h): lights,
// freezes, flaps, spoilers, gear, engines and throttle.
#include <cstdint>

namespace zyn::simid {

inline constexpr std::uint32_t kBeaconLightsSet = 206;
inline constexpr std::uint32_t kNavLightsSet = 207;
inline constexpr std::uint32_t kTaxiLightsSet = 208;
inline constexpr std::uint32_t kStrobesSet = 209;
inline constexpr std::uint32_t kLandingLightsSet = 210;
inline constexpr std::uint32_t kCabinLightsSet = 211;
inline constexpr std::uint32_t kLogoLightsSet = 212;
inline constexpr std::uint32_t kAllLightsToggle = 213;
inline constexpr std::uint32_t kFreezeLatLonSet = 214;
inline constexpr std::uint32_t kFreezeAltitudeSet = 215;
inline constexpr std::uint32_t kFreezeAttitudeSet = 216;
inline constexpr std::uint32_t kFlapsSet = 217;
inline constexpr std::uint32_t kSpoilersSet = 218;
inline constexpr std::uint32_t kGearSet = 219;
inline constexpr std::uint32_t kEngineAutoStart = 220;
inline constexpr std::uint32_t kEngineAutoShutdown = 221;
inline constexpr std::uint32_t kThrottleSet = 222;

} // namespace zyn::simid
