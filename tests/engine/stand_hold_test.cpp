// One stand, an aircraft that leaves it and one that comes to it: the one that holds the stand keeps
// it, and the stand search offers it again once neither does, whichever way the first one left, however
// its reports stopped, whichever goes first, and when an approach to the stand is given up.
#include "airport/park_airport_state.h"
#include "airport/park_pos.h"
#include "engine/air_phases.h"
#include "engine/ai_driver.h"
#include "engine/merge.h"
#include "engine/motion.h"
#include "engine/motion_math.h"
#include "engine/removal.h"
#include "engine/stand_claims.h"
#include "engine/stand_search.h"
#include "tests/engine/live_ac_fixture.h"

#include <gtest/gtest.h>

namespace zyn::test {
namespace {

constexpr LatLon kHoldStand{47.0, 8.0}; // faces north; the taxi lane lies south
constexpr std::uint32_t kLeavingHex = 0x4B0001;
constexpr std::uint32_t kComingHex = 0x4B0002;
constexpr double kHoldReachNm = 20.0 / 1852.0;

enum class Departure { Pushback, TurnedPushback, PullOut };

const char* lf_departureName(Departure how)
{
    return how == Departure::Pushback ? "pushback" : how == Departure::TurnedPushback ? "turned pushback" : "pull-out";
}

class StandHolders : public EngineState {
protected:
    StandHolders()
    {
        g_stands.emplace_back("A7", std::vector<ParkPosOption>{}, kHoldStand.lat, kHoldStand.lon, 0.0, 24.0, 1, 1, 1);
        gf_numberStands(g_stands);
        g_motionInputs.parkingLoaded = true;
        g_liveAircraft.reserve(4); // the records stay where they are
    }
    ~StandHolders() override
    {
        gf_forgetParkAttempt();
        gf_setParkAirport({});
    }

    static LiveAcRecord standing(LatLon at, std::uint32_t hexId, const char* callsign)
    {
        LiveAcRecord a = makeFlyingAircraft(straightTrack(at, 0.0, 0.0, 0.0, 0.0, g_tick, 100, 2));
        a.hexId = hexId;
        a.head.callsign = callsign;
        a.objectId = 100 + hexId % 100;
        a.stream.truncate(1);
        a.stream.front().stationary = 1;
        a.block.heading = 0.0;
        return a;
    }
    static LiveAcRecord& live(std::uint32_t hexId)
    {
        for (auto& a : g_liveAircraft)
            if (a.hexId == hexId)
                return a;
        throw std::runtime_error("no such aircraft");
    }
    static void ticks(int count)
    {
        for (int i = 0; i < count; ++i) {
            lf_updateAllLiveAc();
            ++g_tick;
        }
    }
    // A report merged as the traffic intake does, played a second later; the engine runs on for a while.
    static void report(std::uint32_t hexId, LatLon at, double speedKt, double trackDeg, std::int32_t thenTicks = 1600,
                       double headingDeg = -1.0)
    {
        TrafficRecord r;
        r.head.callsign = live(hexId).head.callsign;
        r.head.type = "A320";
        r.hexId = hexId;
        r.situation = makeSituation({at, 0.0, speedKt, g_tick + 100});
        r.situation.track = trackDeg;
        if (headingDeg >= 0.0) {
            r.situation.heading = headingDeg * kDegToRad;
            r.situation.headingValid = 1;
        }
        r.reportTime = 1000.0 + g_tick / 100.0;
        EXPECT_TRUE(lf_updateExistingLiveAc(r, live(hexId)));
        ticks(thenTicks);
    }
    // Reports stepping away from the stand: behind the nose for a pushback, ahead for a pull-out; the
    // first one during a turned pushback shows the nose turning.
    static void leave(std::uint32_t hexId, Departure how)
    {
        const double bearing = how == Departure::PullOut ? 0.0 : 180.0;
        report(hexId, ahead(kHoldStand, bearing, 1.0), 2.0, bearing);
        report(hexId, ahead(kHoldStand, bearing, 25.0), 3.0, bearing, 150);
        if (how == Departure::TurnedPushback)
            report(hexId, ahead(kHoldStand, 180.0, 30.0), 3.0, 90.0, 150, 90.0);
        const LiveAcRecord& a = live(hexId);
        EXPECT_EQ(a.phase, how == Departure::PullOut ? MovePhase::Taxi : MovePhase::Pushback);
        EXPECT_EQ(a.pushbackTurnKnown != 0, how == Departure::TurnedPushback);
    }

    // Once its pushback is over, the leaving aircraft's reports move on 150 m: it taxis away.
    static void taxiAway(Departure how)
    {
        for (int i = 0; i < 6000 && live(kLeavingHex).phase == MovePhase::Pushback; ++i)
            ticks(1);
        const LiveAcRecord& a = live(kLeavingHex);
        const double bearing = how == Departure::PullOut ? 0.0 : 180.0;
        report(kLeavingHex, ahead(gf_positionOf(a.block), bearing, 150.0), 10.0, bearing, 150);
        EXPECT_EQ(live(kLeavingHex).phase, MovePhase::Taxi);
    }

    // An aircraft parked at the stand in the simulator, continued by the engine.
    void parkLeaving()
    {
        LiveAcRecord a = standing(kHoldStand, kLeavingHex, "DEP1");
        a.phase = MovePhase::Parked;
        a.standId = g_stands[0].sid;
        a.initLat = kHoldStand.lat;
        a.initLon = kHoldStand.lon;
        g_stands[0].liveOccupied = true;
        g_liveAircraft.push_back(a);
        ticks(2);
    }
    // Its reports stop after it began to leave: it runs out of its stream and waits in place.
    static bool waitsInPlace()
    {
        for (int i = 0; i < 12000 && !live(kLeavingHex).holding; ++i)
            ticks(1);
        return live(kLeavingHex).holding != 0;
    }
    // An arrival stops 15 m off the stand, on the side away from the leaving aircraft, and is sent to it.
    static void comeToStand(Departure how)
    {
        const LatLon stop = ahead(kHoldStand, how == Departure::PullOut ? 180.0 : 0.0, 15.0);
        g_liveAircraft.push_back(standing(stop, kComingHex, "ARR2"));
        try2Park(live(kComingHex), false);
    }
    static bool arrives()
    {
        for (int i = 0; i < 3000 && live(kComingHex).phase == MovePhase::TaxiToStand; ++i)
            ticks(1);
        return live(kComingHex).phase == MovePhase::Parked && live(kComingHex).state == ObjectState::InSim;
    }
    // The stand search offers the stand to a third aircraft stopping on it.
    static bool offered()
    {
        const LiveAcRecord third = standing(kHoldStand, 0x4B0003, "THR3");
        return gf_standFits(kHoldStand, third, kHoldReachNm, false) == &g_stands[0];
    }
};

TEST_F(StandHolders, ArrivalParksWhereAnAircraftLeftAndTheStandIsOfferedOnceBothHaveGone)
{
    const struct {
        Departure how;
        bool reportsStop; // the leaving aircraft waits in place when the arrival is sent to the stand
    } rows[] = {{Departure::Pushback, false},       {Departure::TurnedPushback, false}, {Departure::PullOut, false},
                {Departure::Pushback, true},        {Departure::TurnedPushback, true},  {Departure::PullOut, true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::Message() << lf_departureName(row.how) << (row.reportsStop ? ", its reports stop" : ""));
        g_liveAircraft.clear();
        g_tick = 0;
        gf_forgetParkAttempt();
        parkLeaving();
        leave(kLeavingHex, row.how);
        ASSERT_NE(live(kLeavingHex).phase, MovePhase::Parked) << "it left the stand";
        if (row.reportsStop) {
            ASSERT_TRUE(waitsInPlace());
        }
        comeToStand(row.how);
        ASSERT_EQ(live(kComingHex).standId, g_stands[0].sid) << "the arrival is sent to the stand";
        EXPECT_TRUE(arrives()) << "the arrival parks, it is not taken away";
        EXPECT_TRUE(g_stands[0].liveOccupied) << "the stand is the arrival's";

        taxiAway(row.how);
        leave(kComingHex, Departure::PullOut);
        EXPECT_FALSE(g_stands[0].liveOccupied) << "nobody holds it";
        EXPECT_TRUE(offered()) << "the stand is not lost";
    }
}

// Pushed back, it starts its engines beside its stand: a newcomer reported on the stand is not created
// there over it.
TEST_F(StandHolders, ANewcomerIsNotCreatedAtTheStandOfAnAircraftStartingItsEngines)
{
    gf_setParkAirport({"LSZH", "ZRH", kHoldStand.lat, kHoldStand.lon, 1400.0});
    for (const Departure how : {Departure::Pushback, Departure::TurnedPushback}) {
        SCOPED_TRACE(lf_departureName(how));
        g_liveAircraft.clear();
        g_tick = 0;
        parkLeaving();
        leave(kLeavingHex, how);
        for (int i = 0; i < 6000 && live(kLeavingHex).phase == MovePhase::Pushback; ++i)
            ticks(1);
        ASSERT_EQ(live(kLeavingHex).phase, MovePhase::EnginesStarting);
        LiveAcRecord& newcomer = g_liveAircraft.emplace_back(standing(kHoldStand, kComingHex, "ARR2"));
        newcomer.stream.push_back(newcomer.stream.front());
        EXPECT_EQ(gf_takeStandAtSpawn(newcomer), SpawnStand::Gone);
        EXPECT_EQ(live(kLeavingHex).state, ObjectState::InSim);
    }
}

TEST_F(StandHolders, RemovingEitherAircraftFirstLeavesTheStandToTheOneThatHoldsIt)
{
    for (const Departure how : {Departure::Pushback, Departure::TurnedPushback, Departure::PullOut})
        for (const bool reportsStop : {false, true})
            for (const bool leavingFirst : {true, false}) {
                SCOPED_TRACE(::testing::Message() << lf_departureName(how) << (reportsStop ? ", its reports stop" : "")
                                                  << (leavingFirst ? ", it is removed first" : ", arrival removed first"));
                g_liveAircraft.clear();
                g_tick = 0;
                gf_forgetParkAttempt();
                parkLeaving();
                leave(kLeavingHex, how);
                if (reportsStop) {
                    ASSERT_TRUE(waitsInPlace());
                }
                comeToStand(how);
                ASSERT_EQ(live(kComingHex).phase, MovePhase::TaxiToStand);
                if (leavingFirst) {
                    removeAircraftFromSim(live(kLeavingHex));
                    EXPECT_TRUE(g_stands[0].liveOccupied) << "the arrival still holds it";
                    EXPECT_FALSE(offered());
                    EXPECT_TRUE(arrives());
                    removeAircraftFromSim(live(kComingHex));
                    EXPECT_TRUE(offered());
                } else {
                    removeAircraftFromSim(live(kComingHex));
                    EXPECT_TRUE(offered()) << "the aircraft that left holds it no more";
                    removeAircraftFromSim(live(kLeavingHex));
                    EXPECT_TRUE(offered());
                }
            }
}

// Reports that stop on the very spot of the last claim: the arrival there still contests the stand, and
// the aircraft that parked there goes.
TEST_F(StandHolders, ArrivalStoppingWhereTheLastClaimWasMadeContestsTheStand)
{
    g_liveAircraft.push_back(standing(kHoldStand, kLeavingHex, "ARR1"));
    try2Park(live(kLeavingHex), false);
    for (int i = 0; i < 3000 && live(kLeavingHex).phase == MovePhase::TaxiToStand; ++i)
        ticks(1);
    ASSERT_EQ(live(kLeavingHex).phase, MovePhase::Parked);
    g_liveAircraft.push_back(standing(kHoldStand, kComingHex, "ARR2"));
    try2Park(live(kComingHex), false);
    EXPECT_EQ(live(kComingHex).standId, g_stands[0].sid) << "sent to the stand";
    EXPECT_EQ(live(kLeavingHex).state, ObjectState::RemovalRequested) << "the aircraft parked there goes";
}

TEST_F(StandHolders, ApproachToTheStandGivenUpFreesItThroughTakeOffAndTheNextApproach)
{
    const struct {
        const char* name;
        void (*giveUp)();
    } rows[] = {
        {"reported beyond the stand's reach", [] { report(kComingHex, ahead(kHoldStand, 90.0, 100.0), 10.0, 90.0); }},
        {"stopped 3 m off the stand",
         [] {
             LiveAcRecord& a = live(kComingHex);
             const LatLon off = ahead(kHoldStand, 90.0, 3.0);
             a.block.lat = off.lat;
             a.block.lon = off.lon;
             lf_arriveAtStand(a);
         }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        g_liveAircraft.clear();
        g_tick = 0;
        gf_forgetParkAttempt();
        comeToStand(Departure::Pushback);
        ASSERT_EQ(live(kComingHex).phase, MovePhase::TaxiToStand);
        row.giveUp();
        EXPECT_EQ(live(kComingHex).phase, MovePhase::Taxi);
        EXPECT_TRUE(offered()) << "given up, the stand is free";

        // It takes off and comes back: descending within 10 NM of the park airport, the approach begins.
        LiveAcRecord& a = live(kComingHex);
        a.onGround = 0;
        a.heightAboveGroundFt = 1500.0;
        g_motionInputs.parkAirportSet = true;
        g_motionInputs.parkAirport = kHoldStand;
        a.stream.clear();
        a.stream.push_back(makeSituation({ahead(kHoldStand, 90.0, 6000.0), 2900.0, 160.0, g_tick, -700.0}));
        a.stream.push_back(makeSituation({ahead(kHoldStand, 90.0, 5000.0), 2800.0, 160.0, g_tick + 500, -700.0}));
        lf_airPhaseStep(a);
        EXPECT_EQ(a.landing, 1);
        EXPECT_EQ(a.standId, 0u);
        EXPECT_TRUE(offered()) << "no approach leaves the stand taken";
    }
}

} // namespace
} // namespace zyn::test
