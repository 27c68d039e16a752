#include "core/exit.h"
#include "core/main_loop.h"
#include "core/session.h"
#include "platform/simconnect/emulator.h"
#include "settings/settings_file.h"
#include "shown/status_line.h"
#include "sim/link_state.h"
#include "tests/traffic/service_fixture.h"

#include <gtest/gtest.h>

#include <thread>

namespace zyn {
namespace {

// The whole session against the emulated simulator and the traffic service stand-in, on a clock
// that runs fifty times faster than real time.
class SessionRunThreads : public test::TrafficServiceTest {
protected:
    void SetUp() override
    {
        TrafficServiceTest::SetUp();
        gf_setParametersPath(dir / "parameters.xml");
        simemu::reset();
        gf_resetSimLink();
    }
    void TearDown() override
    {
        if (session.joinable()) {
            gf_requestExit(static_cast<std::int32_t>(ExitReason::UserClosedSim), 0);
            session.join();
        }
        test::waitUntil([] { return !gf_exitSequenceRunning(); });
        g_exiting = 0;
        simemu::reset();
        TrafficServiceTest::TearDown();
        gf_setParametersPath({});
    }
    std::thread session;
};

TEST_F(SessionRunThreads, RunsIntoTheMainLoopAndTheCloseButtonEndsItWithALogout)
{
    session = std::thread(lf_runSession);
    ASSERT_TRUE(test::waitUntil([] { return g_secondsCounter.load() >= 3; })) << gf_statusMessage();
    EXPECT_TRUE(g_sessionRunning.load());
    EXPECT_EQ(server.requestCount("auth"), 1u);
    EXPECT_GE(server.requestCount("traffic"), 1u);
    const auto closed = std::chrono::steady_clock::now();
    gf_requestExit(static_cast<std::int32_t>(ExitReason::UserClosedSim), 0); // what the close button does
    session.join();
    ASSERT_TRUE(test::waitUntil([] { return !gf_exitSequenceRunning(); }));
    EXPECT_LT(std::chrono::steady_clock::now() - closed, std::chrono::seconds(10));
    EXPECT_FALSE(g_sessionRunning.load());
    EXPECT_EQ(server.requestCount("deauth"), 1u);
    EXPECT_FALSE(g_simThread.joinable()); // stopped and joined: the connection is closed
    EXPECT_FALSE(simemu::isConnected());
    EXPECT_TRUE(logHas("Exiting: USER CLOSED SIM"));
    EXPECT_TRUE(logHas("User closed Tarvo"));
}

TEST_F(SessionRunThreads, RefusedLoginEndsTheSessionWithReasonSeven)
{
    writeLicense("NOT-A-LICENSE\n");
    session = std::thread(lf_runSession);
    session.join();
    EXPECT_EQ(g_exitReason.load(), static_cast<std::int32_t>(ExitReason::SystemError));
    ASSERT_TRUE(test::waitUntil([] { return !gf_exitSequenceRunning(); }));
    EXPECT_TRUE(logHas("Exiting: SYSTEM ERROR"));
    EXPECT_EQ(server.requestCount("deauth"), 0u); // no session to end
}

TEST_F(SessionRunThreads, LoginWithoutSessionEndsTheProgramWithoutReadersOrRestart)
{
    server.setFault("auth", tools::EndpointFault::reply(tools::EndpointFault::Body::Custom, R"({"status":200})"));
    session = std::thread(lf_runSession);
    session.join();
    EXPECT_EQ(g_exitReason.load(), static_cast<std::int32_t>(ExitReason::SystemError)); // a reason that quits
    ASSERT_TRUE(test::waitUntil([] { return !gf_exitSequenceRunning(); }));
    EXPECT_TRUE(logHas("RealTraffic accepted the login but opened no session, please try again later"));
    EXPECT_FALSE(logHas("Restarting after"));
    EXPECT_FALSE(logHas("RT API error"));
    EXPECT_EQ(server.requestCount("auth"), 1u);
    EXPECT_EQ(server.requestCount("traffic"), 0u) << "no reader ran";
    EXPECT_EQ(server.requestCount("nearestmetar"), 0u) << "no reader ran";
}

} // namespace
} // namespace zyn
