// The main-loop side of the simulator commands, applied to records the tests set up.
#include "engine/commands.h"
#include "engine/queues.h"
#include "tests/engine/driver_fixture.h"

#include <cmath>

namespace zyn::test {
namespace {

class SimCommands : public DriverRun {
protected:
    LiveAcRecord& inSim(std::uint32_t objectId = 150)
    {
        LiveAcRecord a = makeFlyingAircraft(straightTrack({47.2, 8.3}, 90.0, 300.0, 8000.0, 0.0, 100, 1000, 3));
        a.objectId = objectId;
        a.staticCgFt = 6.0;
        g_liveAircraft.push_back(a);
        return g_liveAircraft.back();
    }
    static void apply(SimCommandKind kind, std::uint32_t objectId, std::uint32_t value = 0, double a = 0.0,
                      double b = 0.0)
    {
        SimCommand c;
        c.kind = kind;
        c.objectId = objectId;
        c.value = value;
        c.a = a;
        c.b = b;
        gf_pushSimCommand(c);
        gf_SimCommands();
    }
};

TEST_F(SimCommands, UnknownKindChangesNothing)
{
    const LiveAcRecord before = inSim();
    apply(static_cast<SimCommandKind>(7), 150, before.hexId, 1.0, 1.0);
    EXPECT_EQ(g_liveAircraft.size(), 1u);
    EXPECT_EQ(g_liveAircraft[0].state, before.state);
    EXPECT_EQ(g_liveAircraft[0].block.altitude, before.block.altitude);
    EXPECT_TRUE(g_lightCycle.empty());
    EXPECT_TRUE(g_removalQueue.empty());
}

TEST_F(SimCommands, StaticCentreOfGravityAndPitchWithinTheirRanges)
{
    struct Case {
        double cg, pitchDeg, expectedCg, expectedPitchDeg;
    };
    for (const Case c : {Case{0.5, 3.0, 6.0, 0.7}, Case{1.0, -1.0, 1.0, 0.7}, Case{35.0, -0.5, 35.0, -0.5},
                         Case{40.0, 2.5, 6.0, 2.5}, Case{NAN, NAN, 6.0, 0.7}}) {
        g_liveAircraft.clear();
        inSim();
        apply(SimCommandKind::StaticCog, 150, 0, c.cg, c.pitchDeg * kDegToRad);
        EXPECT_EQ(g_liveAircraft[0].staticCgFt, c.expectedCg) << c.cg;
        EXPECT_NEAR(g_liveAircraft[0].groundPitch, c.expectedPitchDeg * kDegToRad, 1e-12) << c.pitchDeg;
    }
}

TEST_F(SimCommands, CreationOfAnAircraftNoLongerListedRemovesItsObject)
{
    apply(SimCommandKind::LiveCreated, 150, 0x777777, 0.0, 100.0);
    EXPECT_TRUE(g_lightCycle.empty());
    ASSERT_EQ(g_removalQueue.size(), 1u);
    EXPECT_EQ(g_removalQueue.front(), 150u);
}

TEST_F(SimCommands, ParkedObjectWhoseAircraftWentBeforeItWasLitIsRemoved)
{
    AiAcRecord parked;
    parked.hexId = 5;
    parked.state = ObjectState::CreationRequested;
    g_staticAircraft.push_back(parked);
    apply(SimCommandKind::StaticCreated, 160, 5);
    ASSERT_EQ(g_lightCycle.size(), 1u);
    g_staticAircraft.clear(); // static parking let it go meanwhile
    for (int t = 0; t <= kLightCycleTicks && !g_lightCycle.empty(); ++t)
        gf_SimCommands();
    EXPECT_TRUE(g_lightCycle.empty());
    ASSERT_EQ(g_removalQueue.size(), 1u);
    EXPECT_EQ(g_removalQueue.front(), 160u);
}

TEST_F(SimCommands, RemovedObjectOfARespawnBringsTheAircraftBack)
{
    inSim().state = ObjectState::RespawnPending;
    apply(SimCommandKind::ObjectRemoved, 150);
    ASSERT_EQ(g_liveAircraft.size(), 1u);
    EXPECT_EQ(g_liveAircraft[0].state, ObjectState::New);
    EXPECT_EQ(g_liveAircraft[0].objectId, 0u);
    EXPECT_EQ(g_liveAircraft[0].lastThrottle, 5u);

    inSim(151);
    apply(SimCommandKind::ObjectRemoved, 151);
    EXPECT_EQ(g_liveAircraft.size(), 1u); // erased once the simulator lost it
}

TEST_F(SimCommands, GroundDataOnTouchdownPutsTheAircraftOnTheGround)
{
    LiveAcRecord& a = inSim();
    a.landing = 1;
    apply(SimCommandKind::GroundData, 150, 1, 1400.0, 3.0);
    const LiveAcRecord& after = g_liveAircraft[0];
    EXPECT_EQ(after.onGround, 1);
    EXPECT_EQ(after.rollingOut, 1);
    EXPECT_EQ(after.landing, 0);
    EXPECT_EQ(after.block.altitude, 1406.0);
    EXPECT_EQ(after.heightAboveGroundFt, 3.0);
}

TEST_F(SimCommands, BlockedCallsignLeavesTheBufferOrTheSimulator)
{
    LiveAcRecord& buffered = inSim(0);
    buffered.state = ObjectState::New;
    apply(SimCommandKind::Blocked, 0, buffered.hexId);
    EXPECT_TRUE(g_liveAircraft.empty());
    inSim(150);
    apply(SimCommandKind::Blocked, 0, g_liveAircraft[0].hexId);
    EXPECT_EQ(g_liveAircraft[0].state, ObjectState::RemovalRequested);
    EXPECT_EQ(g_removalQueue.front(), 150u);
}

} // namespace
} // namespace zyn::test
