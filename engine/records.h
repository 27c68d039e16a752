#pragma once
// The records of the AI aircraft the engine puts into the simulator: what is known of the aircraft
// (AcRecord), what the simulator holds of it (AiAcRecord, also the parked aircraft) and what a live
// aircraft needs to be replayed (LiveAcRecord). Main-loop thread only.
#include "aircraft/records.h"
#include "base/time_util.h"
#include "engine/situation_stream.h"
#include "sim/data_blocks.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace zyn {

struct AcRecord {
    AcHead head;
    AcCategory category = AcCategory::Large; // Large until the type has been looked up
    double halfWingspanNm = 0.0;
    double staticCgFt = 0.0;     // "Static CG to Ground" of the created object
    double groundPitch = 0.0;    // radians, the object's pitch on the ground
    double rotationPitch = 0.0;  // radians, aimed at by the take-off rotation
    double climbPitch = 0.0;     // radians, initial climb
    double turnRateBase = 0.0;   // radians per tick
    double turnRate = 0.0;       // the base rate scaled for the turn at hand
    double categoryFactor = 0.0; // the highest climb per tick, feet
    double categorySpeedStep = 0.0; // taxi speed to and from a stand, knots
    std::string_view liveryTitle; // empty while none is chosen; the livery catalogue owns the text
    std::uint32_t hexId = 0;     // live: 24-bit address above 10000; parked: 10000 or below
    std::uint32_t flareTicks = 0;
    std::uint32_t touchdownTicks = 0;
    std::uint32_t rotationTicks = 0;
    std::uint32_t climbTransitionTicks = 0;
    std::uint8_t cargo = 0;
    std::uint8_t fsltlTitle = 0; // the title holds "FSLTL_"

    std::uint32_t categoryCode() const { return static_cast<std::uint32_t>(category); }
    bool rotorcraft() const { return category == AcCategory::Rotorcraft; }
};

struct AiAcRecord : AcRecord {
    AiAcRecord() = default;
    AiAcRecord(const AcRecord& aircraft, std::uint32_t standId, double lat, double lon, double heading,
               std::uint8_t cargoStand);

    std::uint32_t objectId = 0; // 0 while the simulator has not reported one
    double initLat = 0.0;       // position and heading at creation (a stand's for a parked aircraft)
    double initLon = 0.0;
    double initHeading = 0.0;
    WeekSlot weekSlot{0, 0};
    std::uint32_t parkedHexId = 0;
    std::uint32_t standId = 0; // sid of the occupied stand; 0 none
    ObjectState state = ObjectState::New;
    std::uint32_t lastThrottle = 5; // 5: no step sent yet
    std::uint32_t lastFlaps = 4;    // 4: no step sent yet
    std::uint8_t cargoStand = 0;
    std::uint32_t feedKind = 1;
    std::uint8_t removeWhenCreated = 0;
    std::uint8_t gone = 0;
    std::uint8_t erase = 0;
};

// A quadratic curve from the position at set-up (origin) through a control point to an end point,
// both in metres north and east of the origin. Inactive while the control values are NaN.
struct CurveSegment {
    static constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    double originLat = kNaN;
    double originLon = kNaN;
    double t0 = kNaN;
    double endNorth = 0.0;
    double endEast = 0.0;
    double t1 = kNaN;
    double controlEast = kNaN;
    double controlNorth = kNaN;
    double f = 0.0;    // current parameter
    double step = 0.0; // added to f each tick

    bool active() const { return !std::isnan(controlEast) && !std::isnan(controlNorth); }
    void reset()
    {
        t0 = t1 = controlEast = controlNorth = kNaN;
        f = 0.0;
    }
};

struct LiveAcRecord : AiAcRecord {
    LiveAcRecord() = default;
    LiveAcRecord(const Situation& first, const AcRecord& aircraft, double feedTime);

    AiPositionBlock block;
    SituationStream stream; // front: the position reached; second: the one flown to
    double lastFeedTime = 0.0;
    std::int64_t parkedSince = 0; // steady clock, 100 ns units
    std::int32_t keepWindow = 0;  // synthetic continuations: >0 granted, 0 none yet, -1 used up
    std::int32_t holdStartTick = 0;
    MovePhase phase = MovePhase::New;
    MovePhase previousPhase = MovePhase::New;
    std::uint8_t reportedWhileParked = 0;
    std::uint8_t onGround = 0;
    std::uint8_t flightPlanAssigned = 0;
    std::uint8_t heldForUser = 0;
    std::uint8_t holding = 0;
    // The tick at which the engine last saw the state change; bounds the waits of states 1 and 4.
    std::int32_t stateSinceTick = 0;
    ObjectState stateSeen = ObjectState::New;

    // Per-tick rates towards the next situation.
    double latPerTick = 0.0;
    double lonPerTick = 0.0;
    double pitchPerTick = 0.0;
    double bankPerTick = 0.0;
    double headingPerTick = 0.0;
    double altPerTick = 0.0;
    double verticalSpeedFpm = 0.0;
    double trueAirspeedKt = 0.0;

    CurveSegment curve;
    std::int32_t windowBack = 1000; // ticks a re-timed next situation may move before its play time
    std::int32_t windowAhead = 1000;
    std::int32_t phaseCounter = 1;
    std::int32_t pushbackStage = 0;
    std::int32_t standSteps = 0;
    std::int32_t parkedCounter = 0;
    double standFirstDistance = 0.0; // nm, stand departure
    double standLastDistance = 0.0;
    double track = 0.0;              // radians
    double heightAboveGroundFt = 2500.0;
    double savedHeading = 0.0;
    double respawnHeading = 0.0;
    std::uint8_t useRespawnHeading = 0;
    std::uint8_t pushbackTurnPositive = 0;
    std::uint8_t pushbackTurnKnown = 0;
    Situation pushbackEndAlternative;
    std::uint32_t curveState = 0; // flare stage 0..4
    std::optional<double> flareReference;
    double flareHeight = 0.0;
    double engineStartHold = 0.0;
    double headingGapDeg = 0.0;
    double curveAngleDeg = 0.0;
    std::uint8_t steerToBearing = 0;
    std::uint8_t landing = 0;
    std::uint8_t towed = 0;
    std::uint8_t towToStand = 0;
    std::uint8_t goAroundDone = 0;
    std::uint8_t takingOff = 0;
    std::uint8_t highLightsSet = 0;
    std::uint8_t lowLightsSet = 0;
    std::uint8_t touchedDown = 0;   // set with rollingOut at touchdown
    std::uint8_t rollingOut = 0;
    std::uint8_t afterLanding = 0;  // set when landing ends at touchdown
    std::uint8_t settling = 0;      // pitch and bank settle to the ground attitude
    std::uint8_t departing = 0;
};

// The live traffic and the static aircraft of static parking.
extern std::vector<LiveAcRecord> g_liveAircraft;
extern std::vector<AiAcRecord> g_staticAircraft;

// The aircraft part of a new AI aircraft: the head, its size and category from the aircraft
// database and the category values. The caller sets the hex id.
AcRecord gf_makeAiAircraft(const AcHead& head);
// Sets the six category values; each pitch is spread up or down by its percentage at random.
void gf_setCategoryValues(AcRecord& aircraft, AcCategory category);
// The turn rate, climb limit and taxi speed of a live aircraft.
void gf_setLiveCategoryValues(AcRecord& aircraft);

// Log texts.
std::string gf_acDescriptionLong(const AcRecord& aircraft); // callsign, registration, route
std::string gf_acDescription(const AcRecord& aircraft);     // ... and type and airline
std::string gf_acDescription3(const AcRecord& aircraft);    // callsign, registration, type and airline
std::string gf_acTextWithSuffix(const AcRecord& aircraft);  // type and airline, registration

// True when the airline and type of both are equal (aircraft records compare their heads).
template <typename T> const auto& gf_keyHolder(const T& x)
{
    if constexpr (requires { x.head; })
        return x.head;
    else
        return x;
}
template <typename A, typename B> bool gf_sameKeyPair(const A& a, const B& b)
{
    return gf_keyHolder(a).airline == gf_keyHolder(b).airline && gf_keyHolder(a).type == gf_keyHolder(b).type;
}

// "KLM" of "KLM1234": three letters then a digit; nothing otherwise.
std::optional<std::string> gf_airlinePrefix(std::string_view callsign);

// count slots from start going back half an hour at a time.
void gf_weekSlotsBack(WeekSlot start, std::uint32_t count, std::vector<WeekSlot>& out);

} // namespace zyn
