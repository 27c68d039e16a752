// Lock-step runs of the faults the engine must survive: removals while a creation is on its way,
// light-cycle entries of aircraft that went, stands of records that go, respawns, failed and
// forgotten creations, and tracks across the antimeridian.
#include "tests/engine/driver_fixture.h"

#include "airport/park_pos.h"
#include "base/tick.h"
#include "engine/commands.h"
#include "engine/live_removals.h"
#include "engine/live_update.h"
#include "engine/motion_math.h"
#include "engine/queues.h"
#include "engine/removal.h"
#include "engine/spawn.h"
#include "settings/settings.h"
#include "shown/status_line.h"
#include "sim/dispatch.h"
#include "sim/failed_liveries.h"
#include "sim/queues.h"

#include <cmath>

namespace zyn::test {
namespace {


std::vector<Report> cruiseFrom(LatLon start, int count = 8)
{
    return straightTrack(start, 90.0, 400.0, 20000.0, 0.0, kFirstPlay, 1000, count);
}

class DriverFaults : public DriverRun {
protected:
    // Runs until the aircraft is lit and in the simulator; returns its object id.
    std::uint32_t flyIn(std::uint32_t hexId = kHexId)
    {
        EXPECT_TRUE(stepUntil([&] { return live(hexId) && live(hexId)->state == ObjectState::InSim; }, kFirstPlay + 600));
        return live(hexId) ? live(hexId)->objectId : 0;
    }
    // The simulator deletes the object itself; its report is dispatched before the next tick.
    void simRemoves(std::uint32_t id)
    {
        simemu::removeObjectBySim(id);
        SimConnect_CallDispatch(m_h, gf_dispatch, nullptr);
    }
    bool createSent() { return !simemu::callsOf("SimConnect_AICreateNonATCAircraft").empty(); }
};

TEST_F(DriverFaults, RemovalBeforeTheRequestLeavesWithdrawsIt)
{
    addTrack(cruiseFrom({47.2, 8.3}));
    ASSERT_TRUE(stepUntil([&] { return live() && live()->state == ObjectState::CreationRequested; }, kFirstPlay));
    removeAircraftFromSim(*live());
    m_tracks.clear();
    steps(300);
    EXPECT_EQ(live(), nullptr);
    EXPECT_FALSE(createSent());
}

TEST_F(DriverFaults, RemovalWhileTheCreationIsOnItsWayRemovesTheObjectWhenItAppears)
{
    addTrack(cruiseFrom({47.2, 8.3}));
    ASSERT_TRUE(stepUntil([&] { return createSent(); }, kFirstPlay));
    ASSERT_EQ(live()->objectId, 0u);
    removeAircraftFromSim(*live());
    m_tracks.clear();
    ASSERT_TRUE(live()->removeWhenCreated);
    ASSERT_TRUE(stepUntil([&] { return live() == nullptr; }, 500));
    const auto objects = simemu::objects();
    ASSERT_EQ(objects.size(), 2u); // the user and the one created
    EXPECT_TRUE(objects[1].removed);
    EXPECT_TRUE(g_lightCycle.empty());
}

TEST_F(DriverFaults, LightCycleOfAnAircraftThatWentNeverFinishesItsSuccessor)
{
    addTrack(cruiseFrom({47.2, 8.3}));
    ASSERT_TRUE(stepUntil([&] { return live() && live()->objectId != 0; }, kFirstPlay + kSlowestCreationTicks));
    ASSERT_EQ(g_lightCycle.size(), 1u);
    m_tracks.clear();
    // The simulator drops the object mid-cycle; a new aircraft with the same hex id waits for its own.
    simRemoves(live()->objectId);
    ASSERT_TRUE(stepUntil([&] { return live() == nullptr; }, 50));
    LiveAcRecord successor = makeFlyingAircraft(cruiseFrom({47.3, 8.3}, 3));
    successor.hexId = kHexId;
    successor.state = ObjectState::CreationRequested;
    successor.objectId = 0;
    g_liveAircraft.push_back(successor);
    steps(kLightCycleTicks + 10);
    EXPECT_TRUE(g_lightCycle.empty());
    EXPECT_EQ(live()->state, ObjectState::CreationRequested);
    EXPECT_EQ(live()->objectId, 0u);
}

TEST_F(DriverFaults, StandIsFreedWhenTheSimulatorRemovesItsAircraft)
{
    addTrack(cruiseFrom({47.2, 8.3}));
    const auto id = flyIn();
    ParkPos stand("A7", {}, 47.2, 8.3, 0.0, 30.0, 1, 1, 1);
    stand.sid = 7;
    stand.liveOccupied = true;
    g_stands.push_back(stand);
    live()->standId = 7;
    m_tracks.clear();
    simRemoves(id);
    ASSERT_TRUE(stepUntil([&] { return live() == nullptr; }, 50));
    EXPECT_FALSE(g_stands[0].liveOccupied);
}

// A creation that ends without an object: the simulator failed to create the livery (exception
// 22), or the link's call was refused outright.
struct CreationFault {
    const char* name;
    void (*inject)();
    bool liveryMarked; // the title is never used again
    int requestErrors; // towards the restart of the link
};

class CreationFaults : public DriverFaults, public ::testing::WithParamInterface<CreationFault> {
protected:
    CreationFaults() { gf_resetStatusLine(); }
    ~CreationFaults() override { gf_resetStatusLine(); }
};

TEST_P(CreationFaults, AircraftEndsAndOnlyTheSimulatorsFailureMarksItsLivery)
{
    const CreationFault& fault = GetParam();
    fault.inject();
    addTrack(cruiseFrom({47.2, 8.3}, 12));
    ASSERT_TRUE(stepUntil([&] { return createSent(); }, kFirstPlay));
    ASSERT_TRUE(stepUntil([&] { return live() == nullptr; }, 2 * kSlowestCreationTicks))
        << "the record is not left waiting";
    EXPECT_EQ(gf_isNotCreatableTitle(kTitle), fault.liveryMarked);
    EXPECT_EQ(gf_statusMessage().find("could not be created") != std::string::npos, fault.liveryMarked)
        << gf_statusMessage();
    EXPECT_EQ(g_simRequestErrors.load(), fault.requestErrors);
    EXPECT_TRUE(g_pendingCreationIds.empty());
    // Its next reports bring the aircraft back; with its livery only when the livery was not at fault.
    const bool back = stepUntil([&] { return objectOf().has_value(); }, 6000);
    EXPECT_EQ(back, !fault.liveryMarked);
    if (back) {
        EXPECT_EQ(objectOf()->title, kTitle);
    }
}

INSTANTIATE_TEST_SUITE_P(
    DriverFaults, CreationFaults,
    ::testing::Values(CreationFault{"SimulatorCouldNotCreate", [] { simemu::failCreations(1); }, true, 0},
                      CreationFault{"CallRefused",
                                    [] { simemu::failCalls("SimConnect_AICreateNonATCAircraft", 1); }, false, 1}),
    [](const ::testing::TestParamInfo<CreationFault>& info) { return std::string(info.param.name); });

std::vector<std::string> createdTitles()
{
    std::vector<std::string> titles;
    for (const auto& call : simemu::callsOf("SimConnect_AICreateNonATCAircraft"))
        titles.push_back(call.args.at(0));
    return titles;
}

// The simulator fails a livery that aircraft still carry (their hex ids' cached title) while they wait
// for their creation or before they respawn: each is created in the catalogue's other livery.
constexpr char kFailing[] = "Airbus A320 Failing";

class FailedLiveryCarriers : public DriverFaults, public ::testing::WithParamInterface<bool> {}; // respawning

TEST_P(FailedLiveryCarriers, AreMatchedAgainBeforeTheirCreationLeaves)
{
    const bool respawning = GetParam();
    param::GUID_CHANGES.value = 1;
    for (std::uint32_t i = 0; i < (respawning ? 1u : 2u); ++i) {
        addTrack(cruiseFrom({47.2 + 0.1 * i, 8.3}, 12), kHexId + i, "TST" + std::to_string(i));
        g_liveryByHexId[kHexId + i] = kFailing;
    }
    if (respawning) {
        flyIn();
        m_tracks[0].head.head.callsign = "NEW456";
    } else { // spawned in one tick: one request is queued, the other still pending
        ASSERT_TRUE(stepUntil([] { return !g_pendingCreationIds.empty(); }, kFirstPlay));
        ASSERT_EQ(g_liveCreationQueue.size(), 1u);
    }
    AcHead other;
    other.callsign = "OTH1";
    gf_liveryCreateFailed(other, kFailing);
    ASSERT_TRUE(stepUntil([] { return createdTitles().size() == 2; }, 4000));
    const std::vector<std::string> expected{respawning ? kFailing : kTitle, kTitle};
    EXPECT_EQ(createdTitles(), expected);
}

INSTANTIATE_TEST_SUITE_P(DriverFaults, FailedLiveryCarriers, ::testing::Values(false, true),
                         [](const auto& info) { return std::string(info.param ? "Respawning" : "QueuedAndPending"); });

// Aircraft matched to the only livery of their type, which the simulator cannot create: those sent
// fail, those still waiting are not sent, and the livery counts once.
class OneFailingLivery : public DriverFaults {
protected:
    OneFailingLivery() { m_scenario.installedTitles = std::vector<std::string>{}; }
};

TEST_F(OneFailingLivery, TwentyFourAircraftDoNotEndTheRun)
{
    for (std::uint32_t i = 0; i < 24; ++i)
        addTrack(cruiseFrom({47.0 + 0.02 * i, 8.3}, 12), kHexId + i, "TST" + std::to_string(i));
    ASSERT_NO_THROW(steps(kFirstPlay + 3000));
    const auto titles = createdTitles();
    EXPECT_LT(titles.size(), 24u);
    EXPECT_EQ(logCount("could not be created by your Sim!"), static_cast<int>(titles.size()));
    EXPECT_EQ(g_notCreatableTitles, std::vector<std::string>{kTitle});
    EXPECT_EQ(simemu::objects().size(), 1u) << "the user aircraft alone";
}

// A simulator that takes longer than the link waits for a creation.
class SlowCreation : public DriverFaults {
protected:
    SlowCreation() { m_scenario.behaviour.creationDelayMinS = m_scenario.behaviour.creationDelayMaxS = 100.0; }
};

TEST_F(SlowCreation, WaitCountsFromTheSendingAndTheLateObjectIsRemoved)
{
    addTrack(cruiseFrom({47.2, 8.3}));
    ASSERT_TRUE(stepUntil([&] { return createSent(); }, kFirstPlay));
    const std::int32_t sent = g_tick;
    m_tracks.clear();
    ASSERT_TRUE(stepUntil([&] { return live() == nullptr; }, kCreationWaitTicks + 100));
    EXPECT_GE(g_tick - sent, kCreationWaitTicks) << "given up only 65 s after the creation was sent";
    EXPECT_EQ(logCount("no object after 65 s, given up"), 1);
    // The object comes at last; nobody waits for it, and it does not stay in the simulator.
    ASSERT_TRUE(stepUntil([&] { return simemu::objects().size() == 2 && simemu::objects()[1].removed; }, 4000));
    EXPECT_EQ(simemu::callsOf("SimConnect_AICreateNonATCAircraft").size(), 1u);
}

TEST_F(DriverFaults, CallsignChangeRespawnsAtTheLastPositionWithTheSameLivery)
{
    param::GUID_CHANGES.value = 1;
    auto reports = cruiseFrom({47.2, 8.3}, 12);
    addTrack(reports);
    const auto oldId = flyIn();
    steps(1500);
    m_tracks[0].head.head.callsign = "NEW456";
    ASSERT_TRUE(stepUntil([&] { return simemu::objectByAtcId("NEW456").has_value(); }, 4000));
    const auto fresh = *simemu::objectByAtcId("NEW456");
    EXPECT_TRUE(simemu::object(oldId)->removed);
    EXPECT_EQ(fresh.title, kTitle);
    // Created where the old object was taken out, not back at a report.
    const auto old = *simemu::object(oldId);
    EXPECT_LT(gf_distanceNm({fresh.pose.lat, fresh.pose.lon}, {old.pose.lat, old.pose.lon}), 0.2);
    ASSERT_TRUE(stepUntil([&] { return live()->state == ObjectState::InSim; }, 400));
    EXPECT_EQ(live()->head.callsign, "NEW456");
}

TEST_F(DriverFaults, FlightAcrossTheAntimeridianMovesSmoothlyEastward)
{
    simemu::Pose user;
    user.lat = 10.0;
    user.lon = 179.95; // in range of the simulator's query
    simemu::setUserPose(user);
    const auto reports = straightTrack({10.0, 179.9}, 90.0, 450.0, 35000.0, 0.0, kFirstPlay, 1000, 8);
    addTrack(reports);
    flyIn();
    AiPositionBlock previous = live()->block;
    bool crossed = false;
    while (g_tick < reports.back().playTime && !HasFatalFailure()) {
        step();
        const AiPositionBlock b = live()->block;
        ASSERT_TRUE(std::isfinite(b.lat) && std::isfinite(b.lon) && std::isfinite(b.heading));
        ASSERT_LE(gf_distanceNm(gf_positionOf(previous), gf_positionOf(b)), 1.5 * 450.0 / kTicksPerHour);
        ASSERT_LE(std::abs(gf_angleDiff(previous.heading, b.heading)), 0.01);
        ASSERT_LE(std::abs(b.lon), 180.0);
        crossed = crossed || (previous.lon > 0.0 && b.lon < 0.0);
        previous = b;
    }
    EXPECT_TRUE(crossed);
    EXPECT_NEAR(live()->block.heading, 90.0 * kDegToRad, 0.01);
}

} // namespace
} // namespace zyn::test

namespace zyn::test {
namespace {

TEST_F(DriverFaults, RemoveAllTakesOutCreatedAircraftAndWithdrawsWaitingOnes)
{
    addTrack(cruiseFrom({47.2, 8.3}), kHexId, "TST1");
    auto later = cruiseFrom({47.25, 8.3});
    for (auto& r : later)
        r.playTime += 300; // spawned while the first one is lit
    addTrack(later, kHexId + 1, "TST2");
    ASSERT_TRUE(stepUntil([&] { return live(kHexId + 1) && live(kHexId + 1)->state == ObjectState::CreationRequested; },
                          kFirstPlay + 600));
    ASSERT_NE(live(kHexId)->objectId, 0u);
    m_tracks.clear();
    gf_removeAllLiveAc();
    EXPECT_EQ(live(kHexId + 1), nullptr); // withdrawn before its request left
    EXPECT_EQ(live(kHexId)->state, ObjectState::RemovalRequested);
    ASSERT_TRUE(stepUntil([&] { return g_liveAircraft.empty(); }, 100));
    EXPECT_EQ(simemu::callsOf("SimConnect_AICreateNonATCAircraft").size(), 1u);
    for (const auto& o : simemu::objects())
        EXPECT_TRUE(o.isUser || o.removed) << o.atcId;
}

} // namespace
} // namespace zyn::test
