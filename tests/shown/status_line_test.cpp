#include "platform/win32/testing.h"
#include "shown/repaint.h"
#include "tests/ui/main_window_fixture.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace zyn {
namespace {

using StatusLine = test::MainWindowTest;
using StatusLineThreads = test::MainWindowTest;

TEST_F(StatusLine, MessageShowsAndIsLoggedOnlyWhenAsked)
{
    gf_setStatusMessage("Waiting for MSFS 2020 ...", true);
    EXPECT_EQ(gf_statusMessage(), "Waiting for MSFS 2020 ...");
    gf_setStatusMessage("The new LATERAL_RANGE is 40", false);
    EXPECT_EQ(gf_statusMessage(), "The new LATERAL_RANGE is 40");
    const auto log = logText();
    EXPECT_NE(log.find("\nWaiting for MSFS 2020 ...\n"), std::string::npos);
    EXPECT_EQ(log.find("The new LATERAL_RANGE"), std::string::npos);
}

TEST_F(StatusLine, ErrorHoldsTheLineUntilItsOwnerLetsGo)
{
    gf_showErrorMessage("lf_startUpTarvo: 41: Tarvo must be run from the Tarvo folder!");
    EXPECT_EQ(gf_statusMessage(), "Error lf_startUpTarvo: 41: Tarvo must be run from the Tarvo folder!");
    EXPECT_TRUE(gf_statusHeld());
    gf_setStatusMessage("dropped", true);
    gf_clearStatusMessage();
    EXPECT_EQ(gf_statusMessage(), "Error lf_startUpTarvo: 41: Tarvo must be run from the Tarvo folder!");
    EXPECT_NE(logText().find("\nError lf_startUpTarvo: 41:"), std::string::npos);
    EXPECT_EQ(logText().find("dropped"), std::string::npos);

    gf_clearErrorMessage();
    EXPECT_FALSE(gf_statusHeld());
    gf_setStatusMessage("shown again", false);
    EXPECT_EQ(gf_statusMessage(), "shown again");
}

// A refusal shows over a held error and is logged; it goes as a message does, and the error that
// holds the line shows again.
TEST_F(StatusLine, RefusalShowsOverAHeldErrorUntilItsTimeIsUp)
{
    gf_showErrorMessage("95: MSFS 2024 is running, switch Sim");
    gf_showRefusal("switching the simulator: Tarvo is restarting, click again once it has restarted");
    EXPECT_EQ(gf_statusMessage(), "Error switching the simulator: Tarvo is restarting, click again once it has restarted");
    EXPECT_NE(logText().find("\nError switching the simulator: "), std::string::npos);
    gf_setStatusMessage("Restarting after 3 seconds", false); // the error still holds the line
    EXPECT_EQ(gf_statusMessage().rfind("Error switching the simulator", 0), 0u);
    for (int i = 0; i < 2 * kStatusShowSeconds; ++i)
        gf_statusSecondElapsed();
    EXPECT_EQ(gf_statusMessage(), "Error 95: MSFS 2024 is running, switch Sim");
}

TEST_F(StatusLine, MessageDisappearsAfterTwentyFiveCountedSeconds)
{
    for (int i = 0; i < 10; ++i)
        gf_statusSecondElapsed();
    gf_setStatusMessage("Holding for 1 seconds...", false);
    for (int i = 0; i < kStatusShowSeconds - 1; ++i)
        gf_statusSecondElapsed();
    EXPECT_EQ(gf_statusMessage(), "Holding for 1 seconds...");
    gf_statusSecondElapsed();
    EXPECT_EQ(gf_statusMessage(), "");
}

TEST_F(StatusLine, ErrorDoesNotExpire)
{
    gf_setStatusMessage("message", false);
    gf_showErrorMessage("held");
    for (int i = 0; i < 2 * kStatusShowSeconds; ++i)
        gf_statusSecondElapsed();
    EXPECT_EQ(gf_statusMessage(), "Error held");
}

TEST_F(StatusLine, EveryChangeRepaintsTheStatusBand)
{
    const HWND window = open();
    win32test::clearInvalidations(window);
    gf_setStatusMessage("a", false);
    gf_showErrorMessage("b");
    const auto recorded = win32test::invalidations(window);
    ASSERT_EQ(recorded.size(), 2u);
    for (const auto& r : recorded) {
        EXPECT_EQ(r.rect.top, gf_bandRect(Band::Status).top);
        EXPECT_EQ(r.rect.bottom, gf_bandRect(Band::Status).bottom);
        EXPECT_TRUE(r.erase);
    }
}

TEST_F(StatusLineThreads, WritersAndThePainterShareTheLine)
{
    const HWND window = open();
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t)
        writers.emplace_back([t] {
            for (int i = 0; i < 200; ++i) {
                gf_setStatusMessage(fmt::format("writer {} message {}", t, i), i % 50 == 0);
                if (i == 100 && t == 0)
                    gf_showErrorMessage("from writer 0");
            }
        });
    for (int i = 0; i < 20; ++i)
        EXPECT_TRUE(win32test::renderToPng(window, dir / "status.png"));
    for (auto& w : writers)
        w.join();
    EXPECT_EQ(gf_statusMessage(), "Error from writer 0");
}

} // namespace
} // namespace zyn
