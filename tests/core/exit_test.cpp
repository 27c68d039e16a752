#include "core/exit.h"
#include "core/log.h"
#include "tests/support/temp_dir.h"
#include "ui/status_line.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <thread>

namespace zyn {
namespace {

// The exit sequence runs on a detached thread and clears the request flag as it ends.
void lf_waitForExitSequence()
{
    while (g_exitRequested.load() != 0)
        std::this_thread::yield();
}

class ExitThreads : public ::testing::Test {
protected:
    void SetUp() override { gf_openLog(); }
    void TearDown() override { gf_closeLog(); }
    std::vector<std::string> logLines()
    {
        gf_closeLog();
        return test::readLines(dir / "Log.txt");
    }
    test::TempDir dir;
    test::ScopedCwd cwd{dir.path()};
};

TEST_F(ExitThreads, OnlyTheFirstRequestActs)
{
    {
        std::lock_guard holdExitAtItsFirstLogLine(g_logMutex);
        gf_requestExit(4, 0);
        gf_requestExit(6, 15);
        EXPECT_EQ(g_exitReason.load(), 4);
    }
    lf_waitForExitSequence();
    EXPECT_EQ(g_exiting.load(), 1);
    const auto lines = logLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Exiting: USER CLOSED SIM"), 1);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "User closed Tarvo"), lines.end());
}

TEST_F(ExitThreads, ConcurrentRequestsStartOneExit)
{
    {
        std::lock_guard holdExitAtItsFirstLogLine(g_logMutex);
        std::vector<std::thread> callers;
        for (int reason = 1; reason <= 7; ++reason)
            callers.emplace_back([reason] { gf_requestExit(reason, 0); });
        for (auto& c : callers)
            c.join();
    }
    lf_waitForExitSequence();
    const auto lines = logLines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.starts_with("Exiting: "); }),
              1);
}

TEST_F(ExitThreads, UnknownReasonIsReportedNotCrashed)
{
    gf_requestExit(9, 0);
    lf_waitForExitSequence();
    EXPECT_EQ(gf_statusMessage().rfind("Error FinalExit: ", 0), 0u) << gf_statusMessage();
}

TEST_F(ExitThreads, ExceptionReportByKind)
{
    const auto report = [](auto&& thrower) {
        try {
            thrower();
        } catch (...) {
            gf_reportException("lf_startUpTarvo");
        }
    };
    report([] { throw fmt::format_error("bad spec"); });
    EXPECT_EQ(gf_statusMessage(), "Error std::format error: bad spec");
    report([] { throw 42; });
    EXPECT_EQ(gf_statusMessage(), "Error Unknown exception");
    EXPECT_EQ(g_exitRequested.load(), 0); // neither asks for an exit
    report([] { throw std::runtime_error("boom"); });
    EXPECT_EQ(gf_statusMessage(), "Error lf_startUpTarvo: boom");
    EXPECT_EQ(g_exitReason.load(), 7);
    lf_waitForExitSequence();
    const auto lines = logLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Error lf_startUpTarvo: boom"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Exiting: SYSTEM ERROR"), lines.end());
}

TEST_F(ExitThreads, ReaderFailureRestartsOnlyWhenUnauthorised)
{
    gf_readerStopped(false);
    EXPECT_EQ(g_readerError.load(), 1);
    EXPECT_EQ(g_exitRequested.load(), 0);
    EXPECT_EQ(gf_statusMessage(), "The WeatherReader has stopped with an error");
    gf_readerStopped(true);
    EXPECT_EQ(g_exitReason.load(), 6);
    lf_waitForExitSequence();
}

TEST_F(ExitThreads, SimulatorGoneDuringAnExitAddsNothing)
{
    g_exitRequested = 1; // an exit is under way
    gf_simDisconnected();
    EXPECT_EQ(g_exitReason.load(), 0);
    g_exitRequested = 0;
    gf_simDisconnected();
    lf_waitForExitSequence();
    EXPECT_EQ(g_exitReason.load(), 1);
    const auto lines = logLines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_NE(lines[1].find(" Flight Simulator no longer connected, Tarvo will stop ..."), std::string::npos);
    EXPECT_EQ(lines[2], "Exiting: SIM WAS CLOSED");
}

} // namespace
} // namespace zyn
