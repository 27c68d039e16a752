#include "shown/status_line.h"
#include "sim/ids.h"
#include "sim/object_match.h"
#include "tests/sim/sim_link_fixture.h"

#include <fmt/format.h>

#include <cmath>
#include <mutex>

namespace zyn {
namespace {

class SimObjectsThreads : public test::SimLinkFixture {};

bool lf_createdCommand(const SimCommand& c, std::uint32_t hexId)
{
    return (c.kind == SimCommandKind::LiveCreated || c.kind == SimCommandKind::StaticCreated) && c.value == hexId;
}

TEST_F(SimObjectsThreads, NewObjectIsMatchedReleasedFrozenAndReported)
{
    connect();
    const auto object = createdObject("SWR123", 0x4B1805);
    EXPECT_TRUE(object.aiControlled);
    ASSERT_TRUE(pollInRangeFor([](const SimCommand& c) { return lf_createdCommand(c, 0x4B1805); }));
    const auto command = *std::find_if(m_commands.begin(), m_commands.end(),
                                       [](const SimCommand& c) { return lf_createdCommand(c, 0x4B1805); });
    EXPECT_EQ(command.kind, SimCommandKind::LiveCreated);
    EXPECT_EQ(command.objectId, object.id);
    ASSERT_TRUE(simemu::waitUntil([&] {
        const auto o = simemu::object(object.id);
        return o && !o->aiControlled && o->freezeLatLon && o->freezeAltitude && o->freezeAttitude;
    }));
    stopClient();
    EXPECT_TRUE(g_sentCreations.empty());
}

TEST_F(SimObjectsThreads, HexIdDecidesBetweenLiveAndStatic)
{
    connect();
    const struct {
        const char* callsign;
        std::uint32_t hexId;
        SimCommandKind kind;
    } cases[] = {{"STAT1*", 10000, SimCommandKind::StaticCreated}, {"LIVE1", 10001, SimCommandKind::LiveCreated}};
    for (const auto& c : cases) {
        const auto id = createAndMatch(c.callsign, c.hexId);
        const auto it = std::find_if(m_commands.begin(), m_commands.end(),
                                     [&](const SimCommand& s) { return s.objectId == id && s.value == c.hexId; });
        ASSERT_NE(it, m_commands.end());
        EXPECT_EQ(it->kind, c.kind) << c.callsign;
    }
}

TEST_F(SimObjectsThreads, PositionSetsReachTheObject)
{
    connect();
    const auto id = createAndMatch("DLH4", 0x3C6444);
    PositionSetRequest set;
    set.objectId = id;
    set.block.lat = 47.4700;
    set.block.lon = 8.5600;
    set.block.altitude = 1500.0;
    set.block.heading = 1.0;
    gf_updateAircraft(set);
    gf_swapPositionSets();
    ASSERT_TRUE(simemu::waitUntil([&] {
        const auto o = simemu::object(id);
        return o && std::abs(o->pose.lat - 47.4700) < 1e-9 && std::abs(o->pose.lon - 8.5600) < 1e-9;
    }));
    EXPECT_DOUBLE_EQ(simemu::object(id)->pose.altitudeFt, 1500.0);
}

TEST_F(SimObjectsThreads, RemovalReachesTheSimulatorAndComesBack)
{
    connect();
    const auto id = createAndMatch("EZY77", 0x406A3B);
    gf_queueRemoveAc(id);
    ASSERT_TRUE(waitForCommand([&](const SimCommand& c) {
        return c.kind == SimCommandKind::ObjectRemoved && c.objectId == id;
    }));
    EXPECT_TRUE(simemu::object(id)->removed);
}

TEST_F(SimObjectsThreads, UserAircraftIsNeverRemoved)
{
    connect();
    gf_queueRemoveAc(simemu::kUserObjectId);
    gf_queueRemoveAc(0);
    ASSERT_TRUE(simemu::waitUntil([] {
        std::lock_guard lock(g_simMutex);
        return g_removeQueue.empty();
    }));
    stopClient();
    EXPECT_TRUE(simemu::callsOf("SimConnect_AIRemoveObject").empty());
    EXPECT_TRUE(logHas("===> Simconnect call to remove ac with objectid 1"));
    EXPECT_TRUE(logHas("===> Simconnect call to remove ac with objectid 0"));
}

TEST_F(SimObjectsThreads, ForeignObjectIsOnlyLogged)
{
    simemu::Scenario scenario;
    scenario.foreignObjects.push_back({"Cessna 172", "N172SP", 47.4660, 8.5500, 1416.0, 90.0, true, 0.5});
    connect(scenario);
    const auto foreign = [] {
        for (const auto& o : simemu::objects())
            if (o.isForeign)
                return o.id;
        return SIMCONNECT_OBJECT_ID{0};
    };
    ASSERT_TRUE(simemu::waitUntil([&] { return foreign() != 0; }));
    const auto line = fmt::format("just spawned, but not by Tarvo, oid: {}, callsign \"N172SP\"", foreign());
    ASSERT_TRUE(pollInRangeUntil([&] { return logHasPrefix(line); }));
    EXPECT_TRUE(simemu::callsOf("SimConnect_AIReleaseControl").empty());
    EXPECT_TRUE(simemu::object(foreign())->aiControlled || simemu::object(foreign())->isForeign);
}

TEST_F(SimObjectsThreads, KnownLowObjectsReportGroundData)
{
    connect();
    const auto live = createAndMatch("AFR1", 0x3944EF);
    const auto parked = createAndMatch("AFR2*", 77);
    m_commands.clear();
    ASSERT_TRUE(pollInRangeFor([&](const SimCommand& c) {
        return c.kind == SimCommandKind::GroundData && c.objectId == live;
    }));
    const auto ground = *std::find_if(m_commands.begin(), m_commands.end(), [&](const SimCommand& c) {
        return c.kind == SimCommandKind::GroundData && c.objectId == live;
    });
    EXPECT_EQ(ground.value, 1u);
    EXPECT_DOUBLE_EQ(ground.a, 1416.0);
    EXPECT_EQ(std::count_if(m_commands.begin(), m_commands.end(),
                            [&](const SimCommand& c) { return c.objectId == parked; }),
              0); // a callsign ending in '*' never gets ground data
}

TEST_F(SimObjectsThreads, StaticCentreOfGravityIsPassedBack)
{
    connect();
    const auto id = createAndMatch("PARK1*", 12);
    {
        std::lock_guard lock(g_simMutex);
        ASSERT_EQ(SimConnect_RequestDataOnSimObject(g_hSimConnect.load(), simid::kReqStaticCog, simid::kDefStaticCog, id,
                                                    SIMCONNECT_PERIOD_ONCE),
                  S_OK);
    }
    ASSERT_TRUE(waitForCommand([&](const SimCommand& c) {
        return c.kind == SimCommandKind::StaticCog && c.objectId == id;
    }));
    const auto cog = m_commands.back();
    EXPECT_DOUBLE_EQ(cog.a, simemu::object(id)->staticCgFt);
    EXPECT_DOUBLE_EQ(cog.b, simemu::object(id)->staticPitchRad);
}

TEST_F(SimObjectsThreads, FailedCreationIsPassedBack)
{
    connect();
    simemu::failCreations(1);
    gf_queueCreateAc(creation("FAIL1", 0x500001));
    ASSERT_TRUE(waitForCommand([](const SimCommand& c) {
        return c.kind == SimCommandKind::CreationFailed && c.value == 0x500001;
    }));
    EXPECT_EQ(m_commands.back().objectId, 0u);
    stopClient();
    EXPECT_TRUE(g_sentCreations.empty());
}

TEST_F(SimObjectsThreads, CreationRefusedAtOnceIsPassedBackAsRefused)
{
    connect();
    simemu::failCalls("SimConnect_AICreateNonATCAircraft", 1);
    gf_queueCreateAc(creation("NOPE1", 0x500002));
    gf_queueCreateAc(creation("", 0x500003));
    for (const std::uint32_t hexId : {0x500002u, 0x500003u})
        EXPECT_TRUE(waitForCommand([&](const SimCommand& c) {
            return c.kind == SimCommandKind::CreationRefused && c.value == hexId;
        })) << hexId;
    EXPECT_EQ(simemu::callsOf("SimConnect_AICreateNonATCAircraft").size(), 1u); // the unnamed one is never sent
    EXPECT_EQ(g_simRequestErrors.load(), 1);
}

TEST_F(SimObjectsThreads, SameCallsignTwiceNeverSwapsObjects)
{
    connect();
    gf_queueCreateAc(creation("TWIN1", 0x600001, 47.4650));
    gf_queueCreateAc(creation("TWIN1", 0x600002, 47.4690));
    ASSERT_TRUE(simemu::waitUntil([] { return simemu::callsOf("SimConnect_AICreateNonATCAircraft").size() == 1; }));
    ASSERT_TRUE(pollInRangeFor([](const SimCommand& c) { return lf_createdCommand(c, 0x600002); }));
    for (const auto& c : m_commands) {
        if (!lf_createdCommand(c, 0x600001) && !lf_createdCommand(c, 0x600002))
            continue;
        const double expectedLat = c.value == 0x600001 ? 47.4650 : 47.4690;
        EXPECT_NEAR(simemu::object(c.objectId)->pose.lat, expectedLat, 1e-9) << c.value;
    }
    EXPECT_EQ(simemu::callsOf("SimConnect_AICreateNonATCAircraft").size(), 2u);
    EXPECT_TRUE(simemu::callsOf("SimConnect_AIReleaseControl").size() >= 2u);
}

TEST_F(SimObjectsThreads, OverLongCallsignIsStillMatched)
{
    connect();
    const std::string callsign(40, 'Q');
    const auto object = createdObject(callsign, 0x700001);
    EXPECT_TRUE(pollInRangeFor([&](const SimCommand& c) { return c.objectId == object.id && c.value == 0x700001; }));
}

// A simulator that keeps less of a tail number than the link compares: the object matches nothing, but
// it was made for one of our creations, so it is removed instead of being left in the simulator.
TEST_F(SimObjectsThreads, OwnObjectWhoseAtcIdMatchesNoCreationIsRemoved)
{
    simemu::Scenario scenario = quickScenario();
    scenario.behaviour.atcIdMaxChars = 5;
    connect(scenario);
    const auto object = createdObject("EWG7AB", 0x3C0001);
    EXPECT_EQ(object.atcId, "EWG7A");
    ASSERT_TRUE(pollInRangeUntil([&] { return simemu::object(object.id)->removed; }));
    EXPECT_TRUE(logHas(fmt::format("===> object {} of a creation of Tarvo: its ATC id \"EWG7A\" matches no creation, removed",
                                   object.id)));
    collectCommands([](const SimCommand&) { return false; });
    EXPECT_FALSE(std::any_of(m_commands.begin(), m_commands.end(),
                             [](const SimCommand& c) { return lf_createdCommand(c, 0x3C0001); }));
}

TEST_F(SimObjectsThreads, BusyMutexDelaysTheDrainWithoutLoss)
{
    connect();
    const auto id = createAndMatch("KLM9", 0x484D01);
    const auto before = simemu::callsOf("SimConnect_TransmitClientEvent").size();
    {
        std::lock_guard lock(g_simMutex);
        gf_queueSimEventLocked({id, simid::kNavLightsSet, 1});
        const auto delivered = simemu::messagesDelivered();
        ASSERT_TRUE(simemu::waitUntil([&] { return simemu::messagesDelivered() > delivered + 5; }));
        EXPECT_EQ(simemu::callsOf("SimConnect_TransmitClientEvent").size(), before);
    }
    ASSERT_TRUE(simemu::waitUntil([&] { return simemu::object(id)->lastEventValues.count("NAV_LIGHTS_SET") == 1; }));
    EXPECT_EQ(simemu::object(id)->lastEventValues.at("NAV_LIGHTS_SET"), 1u);
}

TEST_F(SimObjectsThreads, FlapsAreWrappedInAiReleases)
{
    connect();
    const auto id = createAndMatch("BAW5", 0x400001);
    const auto releases = [] { return simemu::callsOf("SimConnect_AIReleaseControl").size(); };
    const auto matched = releases(); // the release of the new object
    gf_queueSimEvent({id, simid::kFlapsSet, 10240});
    ASSERT_TRUE(simemu::waitUntil([&] { return releases() == matched + 2; }));
    EXPECT_EQ(simemu::object(id)->lastEventValues.at("FLAPS_SET"), 10240u);

    simemu::failCalls("SimConnect_TransmitClientEvent", 1);
    gf_queueSimEvent({id, simid::kFlapsSet, 0});
    ASSERT_TRUE(simemu::waitUntil([] { return gf_statusMessage() == "SimConnect TransmitClientEvent: 217 fails"; }));
    stopClient();
    EXPECT_EQ(releases(), matched + 3);
}

TEST_F(SimObjectsThreads, EventsWithoutObjectIdNeverReachTheUserAircraft)
{
    connect();
    gf_setNavLights(0, 1);
    gf_setCabinLights(simemu::kUserObjectId, 1);
    ASSERT_TRUE(simemu::waitUntil([] {
        std::lock_guard lock(g_simMutex);
        return g_eventQueue.empty();
    }));
    EXPECT_TRUE(simemu::callsOf("SimConnect_TransmitClientEvent").empty());
    EXPECT_TRUE(simemu::object(simemu::kUserObjectId)->events.empty());
}

} // namespace
} // namespace zyn

namespace zyn {
namespace {

// The SimConnect thread's own lists, driven directly without a connection.
class SimObjectMatching : public ::testing::Test {
protected:
    void TearDown() override { gf_resetObjectMatching(); }
};

TEST_F(SimObjectMatching, ObjectsAddedByOthersDoNotPileUp)
{
    for (std::uint32_t i = 0; i < kMaxObjectsAdded + 50; ++i)
        gf_onObjectAdded(5000 + i);
    EXPECT_EQ(g_objectsAdded.size(), kMaxObjectsAdded);
    gf_onObjectRemoved(5000 + kMaxObjectsAdded + 49);
    EXPECT_EQ(g_objectsAdded.size(), kMaxObjectsAdded - 1);
}

TEST_F(SimObjectMatching, SentCreationsExpire)
{
    ManualClock clock;
    gf_setClock(&clock);
    gf_recordSentCreation(7, 0x400001, "OLD1");
    clock.advance(kSentCreationLifetime / 2);
    gf_recordSentCreation(8, 0x400002, "NEW1");
    clock.advance(kSentCreationLifetime / 2);
    gf_expireSentCreations(gf_steadyNow());
    ASSERT_EQ(g_sentCreations.size(), 1u);
    EXPECT_EQ(g_sentCreations.front().name, "NEW1");
    EXPECT_FALSE(gf_creationPending("OLD1"));
    EXPECT_TRUE(gf_creationPending("NEW1"));
    gf_setClock(nullptr);
}

TEST_F(SimObjectMatching, CreationFailureNamesItsCreationByPacketId)
{
    gf_recordSentCreation(0, 0x400004, "NOID1"); // the packet id could not be read
    gf_recordSentCreation(9, 0x400005, "PKT9");
    gf_onCreationFailed(0);
    gf_onCreationFailed(10);
    EXPECT_TRUE(gf_takeSimCommands().empty());
    gf_onCreationFailed(9);
    const auto commands = gf_takeSimCommands();
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].kind, SimCommandKind::CreationFailed);
    EXPECT_EQ(commands[0].value, 0x400005u);
    EXPECT_TRUE(gf_creationPending("NOID1"));
    EXPECT_FALSE(gf_creationPending("PKT9"));
}

TEST_F(SimObjectMatching, CallsignsCompareOnWhatTheSimulatorReportsBack)
{
    EXPECT_EQ(gf_matchKey(std::string(40, 'Q')), std::string(12, 'Q'));
    gf_recordSentCreation(1, 0x400003, std::string(40, 'Q'));
    EXPECT_TRUE(gf_creationPending(std::string(12, 'Q') + "different tail"));
}

} // namespace
} // namespace zyn
