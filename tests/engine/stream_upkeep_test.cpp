// Reports handed to known live aircraft in each phase, and what their streams make of them.
#include "engine/stream_upkeep.h"

#include "airport/park_pos.h"
#include "base/tick.h"
#include "engine/motion.h"
#include "engine/motion_math.h"
#include "engine/movement.h"
#include "settings/settings.h"
#include "sim/ids.h"
#include "sim/queues.h"
#include "tests/engine/live_ac_fixture.h"

#include <gtest/gtest.h>

#include <cmath>

namespace zyn {
namespace {

using test::Report;
using test::ahead;

class StreamUpkeep : public test::EngineState {
protected:
    ~StreamUpkeep() override
    {
        param::STRAIGHT_PBS_ONLY.value = param::STRAIGHT_PBS_ONLY.defaultValue;
        param::MAX_HOLDING_MINUTES.value = param::MAX_HOLDING_MINUTES.defaultValue;
    }

    // A taxiing aircraft whose newest report is at `at`, moving north at speedKt.
    LiveAcRecord taxiing(double speedKt, LatLon at = {50.0, 8.0})
    {
        return test::makeFlyingAircraft({{ahead(at, 180, 100), 0, speedKt, 1}, {at, 0, speedKt, 1000}});
    }

    // Standing at a stand facing north, wingspan 30 m.
    LiveAcRecord parked()
    {
        LiveAcRecord a = test::makeFlyingAircraft({{stand, 0, 0, 1}, {stand, 0, 0, 1000}});
        a.stream.pop_back();
        a.stream.front().stationary = 1;
        a.block.heading = 0.0;
        a.phase = MovePhase::Parked;
        a.halfWingspanNm = 15.0 / kMetresPerNm;
        a.initLat = stand.lat;
        a.initLon = stand.lon;
        return a;
    }

    static Situation at(LatLon p, double speedKt, std::int32_t time, double altitudeFt = 0.0)
    {
        return test::makeSituation({p, altitudeFt, speedKt, time});
    }

    // Standing reports north of the stand at these distances in metres, a second apart.
    void reportFromStand(LiveAcRecord& a, const std::vector<double>& metres) const
    {
        std::int32_t t = 100;
        for (double m : metres)
            decodeExisting(a, at(ahead(stand, 0, m), 0, t += 100));
    }

    const LatLon stand{50.0, 8.0};
};

TEST_F(StreamUpkeep, ParkedAircraftDepartsOnlyOnClearSteps)
{
    const struct {
        const char* name;
        std::vector<double> metres; // distances of the reports from the stand, in order
        bool departs;
    } rows[] = {
        {"wandering within 3 m", {1, 3, 2, 4, 1, 3.5, 2}, false},
        {"three steps of 3 m or more, 20 m in all", {1, 5, 12, 21}, true},
        {"three steps but only 7 m in all", {1, 4, 7, 8.2}, false},
        {"one step beyond the half wingspan", {1, 17}, true},
    };
    for (const auto& row : rows) {
        LiveAcRecord a = parked();
        reportFromStand(a, row.metres);
        EXPECT_EQ(a.departing != 0, row.departs) << row.name;
        EXPECT_EQ(a.stream.size(), row.departs ? 2u : 1u) << row.name;
        EXPECT_EQ(a.phase, MovePhase::Parked) << row.name;
    }
}

TEST_F(StreamUpkeep, FarReportsDepartOrRemoveTheParkedAircraft)
{
    g_stands.emplace_back("C3", std::vector<ParkPosOption>{}, stand.lat, stand.lon, 0.0, 20.0, 0, 0, 0);
    g_stands.back().sid = 3;
    g_stands.back().liveOccupied = true;
    LiveAcRecord a = parked();
    a.standId = 3;
    decodeExisting(a, at(ahead(stand, 0, 150), 8, 200));
    EXPECT_EQ(a.departing, 1);
    EXPECT_EQ(a.stream.size(), 2u);
    EXPECT_TRUE(g_stands.back().liveOccupied) << "held until its pull-out or pushback moves it off the stand";

    LiveAcRecord distant = parked();
    decodeExisting(distant, at(ahead(stand, 0, 250), 8, 200));
    EXPECT_EQ(distant.state, ObjectState::RemovalRequested);
    EXPECT_EQ(distant.stream.size(), 1u);
}

// An aircraft taxiing to its stand that turns away or departs again remembers the approach as its
// previous phase (which later doubles the stand's reach).
TEST_F(StreamUpkeep, LeavingTheApproachToAStandKeepsItAsThePreviousPhase)
{
    // A report beyond the stand gives the approach up; clear steps away from it depart.
    const std::pair<std::vector<double>, MovePhase> rows[] = {{{100}, MovePhase::Taxi},
                                                              {{1, 5, 12, 21}, MovePhase::Parked}};
    for (const auto& [metres, phase] : rows) {
        SCOPED_TRACE(metres.size());
        LiveAcRecord a = parked();
        a.phase = MovePhase::TaxiToStand;
        a.previousPhase = MovePhase::Taxi;
        reportFromStand(a, metres);
        EXPECT_EQ(a.phase, phase);
        EXPECT_EQ(a.previousPhase, MovePhase::TaxiToStand);
    }
}

TEST_F(StreamUpkeep, NearbyOrRepeatedReportsBecomeStopsOnTheGroundOnly)
{
    LiveAcRecord a = taxiing(10);
    const Situation newest = a.stream.back();
    decodeExisting(a, at(ahead(gf_positionOf(newest), 0, 10), 6, 1500));
    ASSERT_EQ(a.stream.size(), 3u);
    EXPECT_EQ(a.stream[2].stationary, 1);
    EXPECT_EQ(a.stream[2].groundSpeed, 0.0);
    EXPECT_EQ(a.stream[2].lat, newest.lat) << "a copy of the newest";
    EXPECT_EQ(a.stream[2].timeKey, 1001) << "play times only rise";

    LiveAcRecord flying = test::makeFlyingAircraft({{stand, 3000, 200, 1}, {ahead(stand, 0, 2000), 3000, 200, 1000}});
    const Situation last = flying.stream.back();
    decodeExisting(flying, at(gf_positionOf(last), 200, 1200, 3000));
    decodeExisting(flying, at(ahead(gf_positionOf(last), 0, 5), 200, 1300, 3000));
    EXPECT_EQ(flying.stream.size(), 2u) << "airborne reports at the newest's spot are dropped";
}

TEST_F(StreamUpkeep, ShortStopsWhileTaxiingAreRemoved)
{
    const struct {
        const char* name;
        std::int32_t stopTicks;
        double movedMetres;
        std::size_t sizeAfter;
    } rows[] = {
        {"10 s stop", 1000, 30, 4}, // the stop's first report stays
        {"20 s stop left by 30 m", 2000, 30, 5},
        {"20 s stop left by 20 m", 2000, 20, 4},
    };
    for (const auto& row : rows) {
        LiveAcRecord a = taxiing(10);
        const LatLon p = gf_positionOf(a.stream.back());
        decodeExisting(a, at(p, 0, 1200));
        decodeExisting(a, at(p, 0, 1200 + row.stopTicks));
        ASSERT_EQ(a.stream.size(), 4u) << row.name;
        decodeExisting(a, at(ahead(p, 0, row.movedMetres), 10, 1500 + row.stopTicks));
        EXPECT_EQ(a.stream.size(), row.sizeAfter) << row.name;
        EXPECT_EQ(a.stream.back().stationary, 0) << row.name;
        for (std::size_t i = 1; i < a.stream.size(); ++i)
            EXPECT_GT(a.stream[i].timeKey, a.stream[i - 1].timeKey) << row.name;
    }
}

TEST_F(StreamUpkeep, LandingDropsReportsBehindTheAircraft)
{
    LiveAcRecord a = test::makeFlyingAircraft(
        {{stand, 0, 130, 1}, {ahead(stand, 0, 300), 0, 120, 300}, {ahead(stand, 0, 600), 0, 110, 600}});
    a.block.heading = 0.0;
    a.rollingOut = 1;
    // Reported between the two waiting situations: the newest lies beyond it and goes.
    decodeExisting(a, at(ahead(stand, 0, 450), 100, 700));
    ASSERT_EQ(a.stream.size(), 3u);
    EXPECT_NEAR(gf_distanceNm(stand, gf_positionOf(a.stream[2])) * kMetresPerNm, 450, 0.5);
    EXPECT_EQ(a.stream[2].groundSpeed, 100);
    // Faster than the newest above 40 kt: kept at the newest's speed.
    decodeExisting(a, at(ahead(stand, 0, 700), 140, 800));
    EXPECT_EQ(a.stream.back().groundSpeed, 100);
}

TEST_F(StreamUpkeep, PushbackLearnsItsTurnFromTheFirstReport)
{
    for (bool straightOnly : {false, true}) {
        param::STRAIGHT_PBS_ONLY.value = straightOnly ? 1 : 0;
        LiveAcRecord a = parked();
        a.phase = MovePhase::Pushback;
        a.pushbackStage = 2;
        Situation s = at(ahead(stand, 180, 10), 2, 300);
        s.heading = 0.5;
        s.headingValid = 1;
        decodeExisting(a, s);
        EXPECT_EQ(a.stream.size(), 1u) << "pushback reports only tell the turn";
        EXPECT_EQ(a.pushbackTurnKnown, straightOnly ? 0 : 1);
        EXPECT_EQ(a.pushbackTurnPositive, straightOnly ? 0 : 1);
    }
}

TEST_F(StreamUpkeep, EnginesStartingHoldsThenTaxisOrIsRemovedAfterTheHoldingLimit)
{
    param::MAX_HOLDING_MINUTES.value = 1;
    LiveAcRecord a = parked();
    a.phase = MovePhase::EnginesStarting;
    a.engineStartHold = 900.0;
    a.standId = 4;
    decodeExisting(a, at(ahead(stand, 0, 20), 0, 300)); // within 2.75 half wingspans
    EXPECT_EQ(a.holding, 1);
    EXPECT_EQ(a.stream.size(), 1u);
    LiveAcRecord leaving = a;
    decodeExisting(leaving, at(ahead(stand, 0, 95), 5, 400)); // beyond 6 half wingspans
    EXPECT_EQ(leaving.phase, MovePhase::Taxi);
    EXPECT_EQ(leaving.holding, 0);
    EXPECT_EQ(leaving.standId, 0u);
    EXPECT_EQ(leaving.stream.size(), 2u);

    // Nothing more arrives: it waits in place, then goes once it has held a minute.
    int ticks = 0;
    for (g_tick = 2; a.state == ObjectState::InSim && ticks < 20000; ++g_tick, ++ticks)
        gf_moveLiveAc(a);
    EXPECT_EQ(a.state, ObjectState::RemovalRequested);
    EXPECT_GT(ticks, 6000) << "held for more than the limit";
    EXPECT_LE(ticks, 12100) << "counted in whole minutes";
}

TEST_F(StreamUpkeep, FastTaxiReportsPrepareTheTakeoffAndALiftOffDuringRollOutGoesAround)
{
    LiveAcRecord a = taxiing(45);
    decodeExisting(a, at(ahead(gf_positionOf(a.stream.back()), 0, 300), 60, 1400));
    EXPECT_EQ(a.takingOff, 1);
    EXPECT_EQ(a.windowAhead, 5000);

    g_eventQueue.clear();
    LiveAcRecord touching = test::makeFlyingAircraft({{stand, 0, 130, 1}, {ahead(stand, 0, 500), 50, 130, 400}});
    touching.rollingOut = 1;
    touching.landing = 1;
    touching.lastThrottle = 0;
    decodeExisting(touching, at(ahead(stand, 0, 900), 130, 700, 150));
    EXPECT_EQ(touching.takingOff, 1);
    EXPECT_EQ(touching.landing, 0);
    EXPECT_EQ(touching.phase, MovePhase::Taxi);
    ASSERT_FALSE(g_eventQueue.empty());
    EXPECT_EQ(g_eventQueue.front().eventId, simid::kThrottleSet);
    EXPECT_EQ(g_eventQueue.front().value, 11468u);
}

TEST_F(StreamUpkeep, StalledStreamRemovesTheAircraft)
{
    LiveAcRecord a = taxiing(10);
    std::int32_t t = 1000;
    LatLon p = gf_positionOf(a.stream.back());
    for (std::size_t i = 0; i < kMaxWaitingSituations - 1; ++i) {
        p = ahead(p, 0, 30);
        decodeExisting(a, at(p, 10, t += 100));
    }
    ASSERT_EQ(a.stream.size(), kMaxWaitingSituations + 1);
    EXPECT_EQ(a.state, ObjectState::InSim);
    decodeExisting(a, at(ahead(p, 0, 30), 10, t += 100));
    EXPECT_EQ(a.state, ObjectState::RemovalRequested);
    EXPECT_EQ(g_removalQueue.size(), 1u);
    EXPECT_EQ(a.stream.size(), kMaxWaitingSituations + 2) << "the report is still taken";
}

} // namespace
} // namespace zyn
