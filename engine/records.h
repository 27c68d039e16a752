#pragma once
// What a live aircraft needs to be replayed (LiveAcRecord, over the AiAcRecord of
// aircraft/ai_aircraft.h), and the lists of live and static aircraft. Main-loop thread only.
#include "aircraft/ai_aircraft.h"
#include "base/geo.h"
#include "engine/situation_stream.h"
#include "sim/data_blocks.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

namespace zyn {

// A quadratic curve from the position at set-up (origin) through a control point to an end point,
// both in metres north and east of the origin. Inactive while the control values are NaN; they come
// first, so that the test of every tick reads one cache line of the segment.
struct CurveSegment {
    static constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    double controlEast = kNaN;
    double controlNorth = kNaN;
    double originLat = kNaN;
    double originLon = kNaN;
    double t0 = kNaN;
    double endNorth = 0.0;
    double endEast = 0.0;
    double t1 = kNaN;
    double f = 0.0;    // current parameter
    double step = 0.0; // added to f each tick

    bool active() const { return !std::isnan(controlEast) && !std::isnan(controlNorth); }
    void reset()
    {
        t0 = t1 = controlEast = controlNorth = kNaN;
        f = 0.0;
    }
};

// What the per-tick move of an aircraft in the simulator reads and writes, in three cache lines apart
// from the rest of its record: from the stream's end (its size and its front's play time and flags)
// to the curve's control point. With the line of the object id and state, that is all a tick of an
// aircraft flying straight reads, whatever the size of the list; a turn on a curve reads the rest of
// the curve in the line after. The two leading values fill the lines before, and are read after a step.
struct alignas(64) LiveMotion {
    double verticalSpeedFpm = 0.0;
    double trueAirspeedKt = 0.0;
    SituationStream stream; // front: the position reached; second: the one flown to
    AiPositionBlock block;
    // Per-tick rates towards the next situation.
    double latPerTick = 0.0;
    double lonPerTick = 0.0;
    double pitchPerTick = 0.0;
    double bankPerTick = 0.0;
    double headingPerTick = 0.0;
    double altPerTick = 0.0;
    double track = 0.0;            // radians
    std::uint32_t curveState = 0;  // flare stage 0..4
    ObjectState stateSeen = ObjectState::New;
    MovePhase phase = MovePhase::New;
    std::uint8_t onGround = 0;
    std::uint8_t steerToBearing = 0;
    std::uint8_t landing = 0;
    std::uint8_t settling = 0;     // pitch and bank settle to the ground attitude
    CurveSegment curve;
};

struct LiveAcRecord : AiAcRecord, LiveMotion {
    LiveAcRecord() = default;
    LiveAcRecord(const Situation& first, const AcRecord& aircraft, double feedTime);

    double heightAboveGroundFt = 2500.0;
    // The tick at which the engine last saw the state change; bounds the waits of states 1 and 4.
    std::int32_t stateSinceTick = 0;
    // The simulator link sent the creation: the wait for its object counts from then, not from the
    // queuing, which lasts as long as the creations paced ahead of it.
    std::uint8_t creationSent = 0;

    double lastFeedTime = 0.0;       // the feed's time of the latest report its stream took
    double lastHeardTime = 0.0;      // the feed's time of the newest report that reached the merge
    std::int32_t lastReportTick = 0; // g_tick as that report reached the merge
    std::int64_t parkedSince = 0; // steady clock, 100 ns units
    std::int32_t keepWindow = 0;  // synthetic continuations: >0 granted, 0 none yet, -1 used up
    std::int32_t holdStartTick = 0;
    MovePhase previousPhase = MovePhase::New;
    std::uint8_t flightPlanAssigned = 0;
    std::uint8_t heldForUser = 0;
    std::uint8_t holding = 0;
    std::int32_t windowBack = 1000; // ticks a re-timed next situation may move before its play time
    std::int32_t windowAhead = 1000;
    std::int32_t phaseCounter = 1;
    std::int32_t pushbackStage = 0;
    std::int32_t standSteps = 0;
    std::int32_t parkedCounter = 0;
    double standFirstDistance = 0.0; // nm, stand departure
    double standLastDistance = 0.0;
    double savedHeading = 0.0;
    double respawnHeading = 0.0;
    std::uint8_t useRespawnHeading = 0;
    std::uint8_t pushbackTurnPositive = 0;
    std::uint8_t pushbackTurnKnown = 0;
    Situation pushbackEndAlternative;
    std::optional<double> flareReference;
    double flareHeight = 0.0;
    double engineStartHold = 0.0;
    double headingGapDeg = 0.0;
    double curveAngleDeg = 0.0;
    std::uint8_t towed = 0;
    std::uint8_t towToStand = 0;
    std::uint8_t goAroundDone = 0;
    std::uint8_t takingOff = 0;
    std::uint8_t highLightsSet = 0;
    std::uint8_t lowLightsSet = 0;
    std::uint8_t touchedDown = 0;   // set with rollingOut at touchdown
    std::uint8_t rollingOut = 0;
    std::uint8_t afterLanding = 0;  // set when landing ends at touchdown
    std::uint8_t departing = 0;
    // Per-second work of the main loop: the coupled-callsign search has run for this aircraft, and
    // where it stood at its last check against the parked aircraft.
    std::uint8_t coupledSearched = 0;
    LatLon lastParkedCheck;
};

// The live traffic and the static aircraft of static parking.
extern std::vector<LiveAcRecord> g_liveAircraft;
extern std::vector<AiAcRecord> g_staticAircraft;

} // namespace zyn
