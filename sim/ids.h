#pragma once
// The ids this program gives SimConnect: data definitions, system events, the notification group and
// the request ids by which replies and exceptions are told apart. The simulator link's own; the client
// events that other rooms queue are sim/event_ids.h.
#include "sim/event_ids.h"

#include <cstdint>

namespace zyn::simid {

// Data definitions.
inline constexpr std::uint32_t kDefEngineLevers = 401;  // spoiler handle and both throttle levers
inline constexpr std::uint32_t kDefAiPosition = 402;    // AiPositionBlock
inline constexpr std::uint32_t kDefUserAc = 403;        // UserAcData
inline constexpr std::uint32_t kDefInRange = 404;       // aircraft within range
inline constexpr std::uint32_t kDefStaticCog = 405;
inline constexpr std::uint32_t kDefLightStates = 406;   // registered, not requested
inline constexpr std::uint32_t kDefTitle = 407;
inline constexpr std::uint32_t kDefAtcModel = 408;
inline constexpr std::uint32_t kDefOnGround = 409;

// System events.
inline constexpr std::uint32_t kEventSim = 201;
inline constexpr std::uint32_t kEventObjectAdded = 202;
inline constexpr std::uint32_t kEventObjectRemoved = 203;
inline constexpr std::uint32_t kEventFrame = 204;
inline constexpr std::uint32_t kEventFlightLoaded = 205;

inline constexpr std::uint32_t kGroup = 301; // every client event is sent with it

// Requests.
inline constexpr std::uint32_t kReqInRange = 101;
inline constexpr std::uint32_t kReqStaticCog = 102;
inline constexpr std::uint32_t kReqReleaseControl = 103;
inline constexpr std::uint32_t kReqCreate = 104;
inline constexpr std::uint32_t kReqRemove = 105;
inline constexpr std::uint32_t kReqTitle = 106;
inline constexpr std::uint32_t kReqAtcModel = 107;
inline constexpr std::uint32_t kReqOnGround = 108;
inline constexpr std::uint32_t kReqUserAc = 109;
inline constexpr std::uint32_t kReqFlightPlan = 110;

} // namespace zyn::simid
