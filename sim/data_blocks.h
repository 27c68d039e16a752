#pragma once
// The data blocks of the data definitions, and their readers from a SimConnect data reply. Every reader
// checks the block's size first: a short reply is refused, never read past its end.
#include "platform/simconnect/simconnect.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace zyn {

// Definition 402: what the engine sets on an AI object every tick.
struct AiPositionBlock {
    double lat = 0.0;           // degrees
    double lon = 0.0;           // degrees
    double pitch = 0.0;         // radians, negative is nose up
    double bank = 0.0;          // radians
    double heading = 0.0;       // true, radians
    double altitude = 0.0;      // feet above sea level
    double verticalSpeed = 0.0; // feet per second
    double airspeed = 0.0;      // true, knots
};
static_assert(sizeof(AiPositionBlock) == 64);

// Definition 403: the user aircraft, refreshed once per second.
struct UserAcData {
    double lat = 0.0;
    double lon = 0.0;
    double pitch = 0.0;
    double bank = 0.0;
    double heading = 0.0;
    double altitude = 0.0;     // feet
    double aboveGround = 0.0;  // feet
    double groundSpeed = 0.0;  // knots
    std::int64_t zuluTime = 0; // seconds of the day
    std::int64_t zuluDayOfYear = 0;
    std::int64_t zuluYear = 0;
    std::int64_t lightStates = 0;
};
static_assert(sizeof(UserAcData) == 96);

// Definition 404: one aircraft within range.
struct InRangeData {
    double aboveGround = 0.0;    // feet
    double groundAltitude = 0.0; // feet
    std::int64_t onGround = 0;
    std::string atcId;
};

// Definition 405: the static centre of gravity of a parked object.
struct StaticCogData {
    double cgToGround = 0.0; // feet
    double pitch = 0.0;      // radians
};

// A data reply's block starts at its last header field, dwData.
// A string of the data definitions (SIMCONNECT_DATATYPE_STRING32).
inline constexpr std::size_t kString32 = 32;
inline constexpr std::size_t kDataBlockOffset = sizeof(SIMCONNECT_RECV_SIMOBJECT_DATA) - sizeof(DWORD);

// The data block of a reply: from its dwData field to the end of the message (cbData bytes).
std::span<const std::byte> gf_dataBlock(const SIMCONNECT_RECV_SIMOBJECT_DATA* message, std::size_t cbData);

std::optional<UserAcData> gf_readUserAcData(std::span<const std::byte> block);
std::optional<InRangeData> gf_readInRangeData(std::span<const std::byte> block);
std::optional<StaticCogData> gf_readStaticCog(std::span<const std::byte> block);
std::optional<std::int64_t> gf_readInt64(std::span<const std::byte> block);
// A NUL-terminated text within at most maxBytes of the block (the rest of the block when shorter).
std::string gf_readText(std::span<const std::byte> block, std::size_t maxBytes);

// Unix time of a Zulu date: days since 1970 to January 1st of the year, plus the day of the year - 1,
// times 86400, plus the seconds of the day. Absent for a year the calendar cannot hold.
std::optional<std::int64_t> gf_zuluEpoch(std::int64_t year, std::int64_t dayOfYear, std::int64_t secondsOfDay);

} // namespace zyn
