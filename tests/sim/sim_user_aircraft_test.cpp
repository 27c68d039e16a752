#include "shown/sim_display.h"
#include "shown/status_line.h"
#include "sim/ids.h"
#include "sim/user_aircraft.h"
#include "sim/user_ident.h"
#include "tests/sim/sim_link_fixture.h"

namespace zyn {
namespace {

class SimUserAircraftThreads : public test::SimLinkFixture {
protected:
    // Requests the user aircraft's data until a reply with a known position has arrived.
    void awaitUserPosition()
    {
        ASSERT_TRUE(simemu::waitUntil([] {
            gf_requestUserAcPosition();
            return gf_positionKnown(gf_positionOf(g_userAcSim.get()));
        }));
    }
    static std::size_t requestsOf(std::uint32_t request)
    {
        std::size_t n = 0;
        for (const auto& c : simemu::callsOf("SimConnect_RequestDataOnSimObject"))
            n += c.args.at(0) == std::to_string(request);
        return n;
    }
};

TEST_F(SimUserAircraftThreads, SessionWaitEndsWithAKnownPositionAndAsksForTitleAndModel)
{
    connect();
    ASSERT_TRUE(gf_requestAcGndAir());
    const auto user = g_userAc.get();
    EXPECT_NEAR(user.lat, 47.4647, 1e-6);
    EXPECT_NEAR(user.lon, 8.5492, 1e-6);
    EXPECT_EQ(g_userDataValid.load(), 1);
    EXPECT_EQ(requestsOf(simid::kReqOnGround), 1u);
    EXPECT_EQ(requestsOf(simid::kReqTitle), 1u);
    EXPECT_EQ(requestsOf(simid::kReqAtcModel), 1u);
    ASSERT_TRUE(simemu::waitUntil([] { return g_userAcTitle.get() == "Airbus A320 Neo Asobo"; }));
    EXPECT_EQ(gf_simDisplay().userAcLabel, "Airbus A320 Neo Asobo");
    EXPECT_TRUE(simemu::waitUntil([] { return g_oneSecondFlag.exchange(0) != 0; }));
    EXPECT_EQ(g_userOnGround.load(), 1);
    EXPECT_GT(g_simEpoch.load(), 0);
}

TEST_F(SimUserAircraftThreads, SessionWaitGivesUpOnExit)
{
    simemu::Scenario scenario;
    scenario.simRunning = false;
    connect(scenario);
    g_exitRequested = 1;
    EXPECT_FALSE(gf_requestAcGndAir());
}

TEST_F(SimUserAircraftThreads, JumpOfMoreThanTenMilesIsANewFlight)
{
    connect();
    awaitUserPosition(); // the first reply is never a jump
    EXPECT_EQ(g_exitReason.load(), 0);
    simemu::Pose far;
    far.lat = 47.4647 + 0.2; // 12 nautical miles north
    far.lon = 8.5492;
    simemu::setUserPose(far);
    ASSERT_TRUE(simemu::waitUntil([] {
        gf_requestUserAcPosition();
        return g_exitReason.load() == 2; // NEW FLIGHT
    }));
    EXPECT_TRUE(logHas("Teleport"));
}

TEST_F(SimUserAircraftThreads, ThirdRefusedRequestStopsTheLink)
{
    connect();
    awaitUserPosition();
    simemu::failCalls("SimConnect_RequestDataOnSimObject", 3);
    gf_requestUserAcPosition();
    gf_requestUserAcPosition();
    EXPECT_EQ(g_simStopped.load(), 0);
    EXPECT_EQ(g_exitReason.load(), 0);
    gf_requestUserAcPosition();
    EXPECT_EQ(g_simStopped.load(), 1);
    EXPECT_EQ(g_exitReason.load(), 5);
    // The restart this asks for replaces the status line at once: the line it showed is in the log.
    EXPECT_EQ(logCount("SimConnect request error 3, see Log.txt"), 1);
    EXPECT_EQ(logCount("===> SimConnect request user ac position fails"), 3);

    const auto sent = requestsOf(simid::kReqUserAc);
    const auto last = gf_requestUserAcPosition(); // stopped: nothing is sent, the last data comes back
    EXPECT_EQ(requestsOf(simid::kReqUserAc), sent);
    EXPECT_NEAR(last.lat, 47.4647, 1e-6);
}

TEST_F(SimUserAircraftThreads, StoppedLinkDiscardsTheQueues)
{
    connect();
    g_simStopped = 1;
    gf_queueRemoveAc(500);
    gf_setNavLights(500, 1);
    ASSERT_TRUE(simemu::waitUntil([] {
        std::lock_guard lock(g_simMutex);
        return g_removeQueue.empty() && g_eventQueue.empty();
    }));
    EXPECT_TRUE(simemu::callsOf("SimConnect_AIRemoveObject").empty());
    EXPECT_TRUE(simemu::callsOf("SimConnect_TransmitClientEvent").empty());
}

TEST_F(SimUserAircraftThreads, TitleIsShortenedAndLoggedOnce)
{
    simemu::Scenario scenario;
    scenario.userTitle = std::string(60, 'T');
    connect(scenario);
    gf_requestUserAcTitleModel();
    ASSERT_TRUE(simemu::waitUntil([] { return !g_userAcTitle.get().empty(); }));
    gf_requestUserAcTitleModel();
    ASSERT_TRUE(simemu::waitUntil([] { return requestsOf(simid::kReqAtcModel) == 2; }));
    stopClient(); // every reply handled
    EXPECT_EQ(g_userAcTitle.get(), std::string(48, 'T'));
    EXPECT_EQ(gf_simDisplay().userAcLabel, std::string(48, 'T'));
    EXPECT_EQ(logCount("          SimConnect: User aircraft title: " + std::string(48, 'T')), 1);
}

TEST_F(SimUserAircraftThreads, EmptyModelTakesTheCrj7Default)
{
    simemu::Scenario scenario;
    scenario.userAtcModel = "";
    connect(scenario);
    gf_requestUserAcTitleModel();
    // The wingspan is the last thing the reply sets.
    ASSERT_TRUE(simemu::waitUntil([] { return gf_userHalfWingspan().has_value(); }));
    EXPECT_EQ(gf_simDisplay().userAcLabel, "Unknown (encrypted?) aircraft");
    EXPECT_TRUE(gf_statusMessage().starts_with("171: "));
}

TEST_F(SimUserAircraftThreads, UnreadableModelEndsTheLinkWithUserError73)
{
    simemu::Scenario scenario;
    scenario.userAtcModel = "B3.0.text";
    connect(scenario);
    gf_requestUserAcTitleModel();
    m_client.join(); // the error ends the thread
    EXPECT_EQ(gf_statusMessage(), "Error 73: It looks like you have not selected an aircraft as user vehicle");
    EXPECT_EQ(g_exitReason.load(), 0);
}

TEST_F(SimUserAircraftThreads, ExceptionsAreReportedByNumber)
{
    connect();
    simemu::raiseException(SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID); // no user position yet: quiet
    simemu::raiseException(SIMCONNECT_EXCEPTION_TOO_MANY_OBJECTS);
    ASSERT_TRUE(simemu::waitUntil([] { return gf_statusMessage() == "SimConnect: too many objects (max 1000)"; }));
    awaitUserPosition();
    simemu::raiseException(SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID);
    simemu::raiseException(SIMCONNECT_EXCEPTION_LOAD_FLIGHTPLAN_FAILED);
    simemu::raiseException(42);
    ASSERT_TRUE(simemu::waitUntil([&] { return logHas("===> SIMCON EXCEP 42"); }));
    EXPECT_EQ(logCount("===> SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID"), 1);
    EXPECT_TRUE(logHas("===> Simconnect exception: load flight plan failed"));
    EXPECT_TRUE(logHas("SimConnect: too many objects (max 1000)"));
}

TEST_F(SimUserAircraftThreads, VersionMismatchEndsTheLink)
{
    connect();
    simemu::raiseException(SIMCONNECT_EXCEPTION_VERSION_MISMATCH, 0, 4);
    m_client.join();
    EXPECT_EQ(gf_statusMessage(), "Error 95: Simconnect Version Mismatch, dwindex: 4 ");
}

} // namespace
} // namespace zyn
