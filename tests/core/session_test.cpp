#include "core/exit.h"
#include "core/main_loop.h"
#include "core/session.h"
#include "platform/simconnect/emulator.h"
#include "settings/settings_file.h"
#include "shown/status_line.h"
#include "sim/link_state.h"
#include "tests/traffic/service_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
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

// A login the user must act on ends the program (reason 7, no restart, no reader) with its message
// logged once.
TEST_F(SessionRunThreads, RefusedLoginEndsTheProgramWithItsMessageLoggedOnce)
{
    using tools::EndpointFault;
    const struct {
        const char* name;
        const char* license; // nullptr: no license.txt
        std::optional<EndpointFault> fault;
        const char* message;
    } rows[] = {
        {"no license", nullptr, std::nullopt, "No RealTraffic license: put your license key on the first line of "},
        {"a license the service refuses", "NOT-A-LICENSE\n", std::nullopt, "RealTraffic refused the license in "},
        {"a login without a session", "LICENSE-1\n", EndpointFault::reply(EndpointFault::Body::Custom, R"({"status":200})"),
         "RealTraffic accepted the login but opened no session, please try again later"},
        {"a second session", "LICENSE-1\n", EndpointFault::withStatus(405),
         "More than one RealTraffic session is not possible, do not run the RealTraffic app"},
    };
    const auto linesWith = [this](std::string_view text) {
        const auto lines = logLines();
        return std::count_if(lines.begin(), lines.end(), [text](const auto& l) { return l.find(text) != l.npos; });
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        resetReaderOutcome();
        simemu::reset();
        gf_resetSimLink();
        if (row.license)
            writeLicense(row.license);
        else
            std::filesystem::remove(dir / "config" / "Tarvo" / "license.txt");
        if (row.fault)
            server.setFault("auth", *row.fault);
        const auto exits = linesWith("Exiting: SYSTEM ERROR");
        session = std::thread(lf_runSession);
        session.join();
        EXPECT_EQ(g_exitReason.load(), static_cast<std::int32_t>(ExitReason::SystemError)); // a reason that quits
        ASSERT_TRUE(test::waitUntil([] { return !gf_exitSequenceRunning(); }));
        EXPECT_EQ(linesWith(row.message), 1);
        EXPECT_EQ(linesWith("Exiting: SYSTEM ERROR"), exits + 1);
    }
    EXPECT_FALSE(logHas("Restarting after"));
    EXPECT_FALSE(logHas("RT API error"));
    EXPECT_EQ(server.requestCount("auth"), 3u) << "no login without a license";
    EXPECT_EQ(server.requestCount("deauth"), 0u) << "no session to end";
    EXPECT_EQ(server.requestCount("traffic"), 0u) << "no reader ran";
    EXPECT_EQ(server.requestCount("nearestmetar"), 0u) << "no reader ran";
}

// A user error that ends the simulator link after the flight began leaves the program waiting for the
// user: the error stays in the status line, nothing more is asked of the simulator and no restart
// comes, however long the traffic service goes on being read; switching the simulator starts afresh.
TEST_F(SessionRunThreads, UserErrorOfTheLinkWaitsForTheUserWithoutRequestsOrRestart)
{
    struct Row {
        const char* atcModel; // of the user aircraft
        bool raiseVersionMismatch; // in the main loop
        const char* status;
    };
    const Row rows[] = {
        {"B3.0.text", false, "Error 73: It looks like you have not selected an aircraft as user vehicle"},
        {"A20N", true, "Error 95: Simconnect Version Mismatch, dwindex: 4 "},
    };
    const auto linesWith = [this](std::string_view text) {
        const auto lines = logLines();
        return std::count_if(lines.begin(), lines.end(), [text](const auto& l) { return l.find(text) != l.npos; });
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.status);
        simemu::Scenario scenario;
        scenario.userAtcModel = row.atcModel;
        simemu::reset(scenario);
        const auto notRunning = linesWith(" Flight not running");
        const auto exits = linesWith("Exiting: ");
        const auto logins = server.requestCount("auth");
        session = std::thread(lf_runSession);
        if (row.raiseVersionMismatch) {
            ASSERT_TRUE(test::waitUntil([] { return g_secondsCounter.load() >= 3; })) << gf_statusMessage();
            simemu::raiseException(SIMCONNECT_EXCEPTION_VERSION_MISMATCH, 0, 4);
        }
        ASSERT_TRUE(test::waitUntil([&] { return gf_statusMessage() == row.status && !simemu::isConnected(); }));
        const auto calls = simemu::calls().size();
        const auto polls = server.requestCount("traffic");
        // A minute and more of the session's own pace (a poll every 0.3 s), unless it ends before.
        ASSERT_TRUE(test::waitUntil(
            [&] { return server.requestCount("traffic") >= polls + 200 || linesWith("Exiting: ") > exits; }));
        EXPECT_EQ(linesWith("Exiting: "), exits);
        EXPECT_EQ(g_exitRequested.load(), 0);
        EXPECT_EQ(gf_statusMessage(), row.status);
        EXPECT_EQ(simemu::calls().size(), calls);
        EXPECT_GT(linesWith(" Flight not running"), notRunning);
        EXPECT_EQ(server.requestCount("auth"), logins + 1);
        gf_requestExit(static_cast<std::int32_t>(ExitReason::NewSettings), 0); // the user switches the simulator
        session.join();
        ASSERT_TRUE(test::waitUntil([] { return !gf_exitSequenceRunning(); }));
    }
}

} // namespace
} // namespace zyn
