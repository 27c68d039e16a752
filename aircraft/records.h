#pragma once
// Records shared by several subsystems: the aircraft head, one reported position, one traffic entry,
// and the small enumerations of aircraft categories, object states, motion phases and exit reasons.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace zyn {

struct AcHead {
    std::string airline;     // airline code (derived by the engine for live aircraft)
    std::string type;        // ICAO type designator
    std::string origin;      // airport code
    std::string destination; // airport code
    std::string callsign;
    std::string text1;       // two further texts, not filled from a live entry
    std::string text2;
    std::string registration;
    std::uint8_t flag = 0;
};

// One reported position, as delivered and as held in a live aircraft's position stream.
struct Situation {
    double lat = 0.0;               // degrees
    double lon = 0.0;               // degrees
    double bank = 0.0;              // radians, right wing down negative
    std::uint8_t bankValid = 0;
    double heading = 0.0;           // true heading, radians
    std::uint8_t headingValid = 0;
    double altitude = 0.0;          // feet, QNH-corrected; 0 on the ground
    double groundSpeed = 0.0;       // knots
    double track = 0.0;             // degrees
    double verticalRate = 0.0;      // feet per minute, as the feed gives it
    double airspeed = 0.0;          // knots
    std::int32_t timeKey = 0;       // play time in engine ticks (10 ms)
    std::uint8_t airborne = 0;      // 1 when the altitude is above 0
    std::uint8_t stationary = 0;    // the engine's own state byte; 0 as delivered
    std::uint8_t headingFromFeed = 0;
};

struct TrafficRecord {
    AcHead head;
    Situation situation;
    double reportTime = 0.0; // seconds since 1970, the feed's time stamp
    std::uint32_t hexId = 0; // transponder address; live aircraft are above 10000
};

// One parked aircraft the traffic service reports near the park airport.
struct ParkedTrafficRecord {
    AcHead head;             // airline, type, callsign, registration
    double lat = 0.0;        // degrees
    double lon = 0.0;
    std::uint32_t hexId = 0;
    std::int32_t slot = 0;   // half-hour slot of its report; after the request its age in half hours
    std::int64_t reportTime = 0; // seconds since 1970: which of two reports of one half hour is younger
    std::string stand;       // the stand name the feed reports
};

enum class AcCategory : std::uint32_t { Light = 0, Buzjets = 1, Large = 2, Heavy = 3, HighPerf = 4, Rotorcraft = 5 };

enum class ObjectState : std::uint8_t {
    New = 0,
    CreationRequested = 1,
    InSim = 2,
    RespawnPending = 3,
    RemovalRequested = 4,
};

enum class MovePhase : std::uint8_t {
    Pushback = 0,
    EnginesStarting = 1,
    Taxi = 2,
    TakeoffRoll = 3,
    Airborne = 4,
    TaxiToStand = 5,
    Parked = 6,
    New = 7,
};

} // namespace zyn
