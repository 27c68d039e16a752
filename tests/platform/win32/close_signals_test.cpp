#include "platform/win32/close_signals.h"
#include "platform/win32/entry.h"
#include "platform/win32/message_loop.h"
#include "platform/win32/testing.h"
#include "platform/win32/window.h"
#include "tests/support/guard_time.h"
#include "tests/support/win32_windows.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <thread>

namespace zyn {
namespace {

using test::gf_createRecordingWindow;
using test::gf_pumpUntil;
using test::gf_recorded;

class CloseSignalsThreads : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override { ASSERT_TRUE(gf_startCloseOnSignals()); }
    void TearDown() override { gf_stopCloseOnSignals(); }
};

TEST_P(CloseSignalsThreads, SignalClosesEveryTopLevelWindow)
{
    const HWND first = gf_createRecordingWindow();
    const HWND second = gf_createRecordingWindow();
    const HWND child = CreateWindowExW(0, u"BUTTON", u"", WS_CHILD, 0, 0, 5, 5, first, nullptr, nullptr, nullptr);
    ASSERT_EQ(raise(GetParam()), 0);
    gf_pumpUntil(WM_CLOSE);
    gf_pumpUntil(WM_CLOSE);
    const auto closes = gf_recorded().of(WM_CLOSE);
    ASSERT_EQ(closes.size(), 2u);
    EXPECT_NE(closes[0].window, closes[1].window);
    for (const auto& c : closes) {
        EXPECT_TRUE(c.window == first || c.window == second);
        EXPECT_EQ(c.thread, std::this_thread::get_id());
    }
    EXPECT_TRUE(IsWindow(child)); // the recording windows stay open, as the main window does
}

// A Ctrl-C as the program starts, before its window is made, is not lost: the window gets it.
TEST_P(CloseSignalsThreads, SignalBeforeAnyWindowClosesTheFirstOneMade)
{
    ASSERT_EQ(raise(GetParam()), 0);
    const auto guard = std::chrono::steady_clock::now() + test::guardTime(std::chrono::seconds(20));
    while (!win32test::closeWaitsForAWindow() && std::chrono::steady_clock::now() < guard)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_TRUE(win32test::closeWaitsForAWindow());
    const HWND window = gf_createRecordingWindow();
    const HWND later = gf_createRecordingWindow();
    gf_pumpUntil(WM_CLOSE);
    const auto closes = gf_recorded().of(WM_CLOSE);
    ASSERT_EQ(closes.size(), 1u);
    EXPECT_EQ(closes[0].window, window);
    MSG m{};
    EXPECT_FALSE(PeekMessageW(&m, later, WM_CLOSE, WM_CLOSE, PM_REMOVE)) << "one close, for the first window";
    EXPECT_FALSE(win32test::closeWaitsForAWindow());
}

INSTANTIATE_TEST_SUITE_P(CtrlCAndTerm, CloseSignalsThreads, ::testing::Values(SIGINT, SIGTERM));

TEST(CloseSignalsStop, PreviousHandlerIsBackAfterStop)
{
    struct sigaction before {};
    sigaction(SIGTERM, nullptr, &before);
    ASSERT_TRUE(gf_startCloseOnSignals());
    gf_stopCloseOnSignals();
    struct sigaction after {};
    sigaction(SIGTERM, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);
}

} // namespace
} // namespace zyn

namespace zyn {
namespace {

int lf_fakeWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int show)
{
    if (!instance || show != SW_SHOWDEFAULT)
        return -1;
    const HWND window = test::gf_createRecordingWindow();
    raise(SIGTERM); // as if the user ended the program from outside
    test::gf_pumpUntil(WM_CLOSE);
    return test::gf_recorded().of(WM_CLOSE).at(0).window == window ? 7 : -2;
}

TEST(EntryThreads, WinMainRunsWithSignalsClosingItsWindow)
{
    struct sigaction before {};
    sigaction(SIGTERM, nullptr, &before);
    EXPECT_EQ(gf_runWinMain(lf_fakeWinMain), 7);
    struct sigaction after {};
    sigaction(SIGTERM, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);
}

} // namespace
} // namespace zyn
