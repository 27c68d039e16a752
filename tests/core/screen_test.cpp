// The program shown on an X display (a virtual one): a click and typing through X reach its
// controls, and the screen shows what the headless window shows in the same state.
#include "platform/win32/testing.h"
#include "settings/setting_controls.h"
#include "settings/settings_file.h"
#include "shown/windows.h"
#include "tests/core/program_fixture.h"
#include "tests/support/guard_time.h"
#include "tests/support/window_image.h"
#include "tests/support/xvfb.h"
#include "tests/ui/main_window_fixture.h"

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <utility>
#include <vector>

namespace zyn {
namespace {

using ProgramOnScreen = test::ProgramFolders;

// The X window is the client area: the window's 880 x 516 less the frame (3 px borders, 23 px caption).
constexpr int kWidth = 880 - 3 - 3, kHeight = 516 - 3 - 23 - 3;

bool lf_within(const std::function<bool()>& condition)
{
    const auto deadline = std::chrono::steady_clock::now() + test::guardTime(test::kTimeout);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// The window as this process draws it headless after the same actions: LOG clicked off, "dlh4ab"
// typed into the callsign box, Enter.
void lf_renderHeadless(const std::filesystem::path& folder)
{
    std::filesystem::create_directories(folder);
    gf_setParametersPath(folder / "parameters.xml");
    const HWND main = test::openMainWindow();
    g_settingsRead = 1; // as the program's start-up has left it
    win32test::click(gf_controlWindow(param::LOG));
    const HWND box = gf_controlWindow(param::BLOCK_CALLSIGN);
    EnableWindow(box, TRUE);
    win32test::click(box);
    win32test::typeText(box, u"dlh4ab");
    win32test::pressEnter(box);
    ASSERT_TRUE(win32test::renderToPng(main, folder / "headless.png"));
    gf_setParametersPath({});
}

// Pixels that differ inside the rectangle.
int lf_differences(const test::WindowImage& a, const test::WindowImage& b, const RECT& r)
{
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            n += a.at(x, y) != b.at(x, y);
    return n;
}

TEST_F(ProgramOnScreen, ClickAndTypingReachTheControlsAndTheScreenShowsTheWindow)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the screen test runs in the plain build only: it starts a display server and the program";
#endif
    test::Xvfb xvfb;
    std::string whyNot;
    if (!xvfb.start(whyNot))
        GTEST_SKIP() << whyNot;
    const auto folder = programFolder("tarvo", true);
    auto program = start(folder, {{"DISPLAY", xvfb.display()}});
    ASSERT_TRUE(test::lf_waitForSession(folder / "Log.txt"));
    const auto found = xvfb.xdotool("search --sync --name '^Tarvo$'");
    ASSERT_TRUE(found) << "the program's window is not on the display";
    const std::string window = found->substr(0, found->find('\n'));
    ASSERT_TRUE(xvfb.xdotool("mousemove --window " + window + " 658 155 click 1"));         // LOG
    ASSERT_TRUE(xvfb.xdotool("mousemove --window " + window + " 240 267 click 1"));         // callsign box
    ASSERT_TRUE(xvfb.xdotool("type --delay 5 dlh4ab"));
    ASSERT_TRUE(xvfb.xdotool("key Return"));
    const auto settings = root / "config" / "Tarvo" / "parameters.xml";
    EXPECT_TRUE(lf_within([&] {
        const auto text = test::readText(settings);
        return text.find("name=\"LOG\" value=\"false\"") != std::string::npos &&
               text.find("name=\"BLOCK_CALLSIGN\" value=\"DLH4AB\"") != std::string::npos;
    })) << "the settings:\n"
        << test::readText(settings) << "the program's log:\n"
        << test::readText(folder / "Log.txt");

    lf_renderHeadless(root / "headless");
    const test::WindowImage headless(root / "headless" / "headless.png");
    ASSERT_TRUE(headless.valid());
    // The two controls used, and bands that show the same in both (the install path, the lights and
    // the status line tell the program's own run).
    const RECT logBox{648, 145, 720, 165}, callsign{215, 257, 395, 279};
    const RECT bands[] = {{0, 0, 880, 28}, {0, 112, 105, 140}, {0, 392, 880, 448}};
    int lastDifferences = -1;
    EXPECT_TRUE(lf_within([&] { // the screen follows the window's paints
        const test::WindowImage screen(xvfb.windowPicture(window, kWidth, kHeight));
        lastDifferences = lf_differences(screen, headless, logBox) + lf_differences(screen, headless, callsign);
        for (const RECT& band : bands)
            lastDifferences += lf_differences(screen, headless, band);
        return lastDifferences == 0;
    })) << lastDifferences << " pixels differ from the headless window";

    // Ctrl+A selects what the box holds and typing replaces it (Ctrl+A used to type an "a").
    ASSERT_TRUE(xvfb.xdotool("mousemove --window " + window + " 240 267 click 1"));
    ASSERT_TRUE(xvfb.xdotool("key ctrl+a"));
    ASSERT_TRUE(xvfb.xdotool("type --delay 5 klm1"));
    ASSERT_TRUE(xvfb.xdotool("key Return"));
    EXPECT_TRUE(lf_within([&] {
        return test::readText(settings).find("name=\"BLOCK_CALLSIGN\" value=\"KLM1\"") != std::string::npos;
    }));

    // Ctrl+V pastes the X clipboard's text (its first line) in place of the selection.
    ASSERT_TRUE(xvfb.offerClipboard("ryr4tk\nsecond line"));
    ASSERT_TRUE(xvfb.xdotool("mousemove --window " + window + " 240 267 click 1"));
    const auto callsignShown = [&] {
        const test::WindowImage screen(xvfb.windowPicture(window, kWidth, kHeight));
        std::vector<COLORREF> pixels;
        for (int y = callsign.top; y < callsign.bottom; ++y)
            for (int x = callsign.left; x < callsign.right; ++x)
                pixels.push_back(screen.at(x, y));
        return std::pair{pixels, screen.count(callsign, RGB(0, 120, 215))};
    };
    const auto beforePaste = callsignShown().first;
    ASSERT_TRUE(xvfb.xdotool("key ctrl+a ctrl+v"));
    // The text comes from the clipboard's owner: Enter once the box shows it (no selection left).
    EXPECT_TRUE(lf_within([&] {
        const auto [pixels, selected] = callsignShown();
        return pixels != beforePaste && selected == 0;
    }));
    ASSERT_TRUE(xvfb.xdotool("key Return"));
    EXPECT_TRUE(lf_within([&] {
        return test::readText(settings).find("name=\"BLOCK_CALLSIGN\" value=\"RYR4TK\"") != std::string::npos;
    }));

    // Framed by a window manager: the position kept is the frame's, where the window opens again.
    ASSERT_TRUE(xvfb.frameWindow(window, 150, 90, 20));
    ASSERT_TRUE(xvfb.xdotool("mousemove --window " + window + " 658 155 click 1")); // LOG again: the move is handled
    EXPECT_TRUE(lf_within([&] {
        return test::readText(settings).find("name=\"LOG\" value=\"true\"") != std::string::npos;
    }));

    program->signal(SIGTERM);
    EXPECT_EQ(program->waitForExit(test::kTimeout), 0);
    const auto saved = test::readText(settings);
    EXPECT_NE(saved.find("name=\"MAIN_WINDOW_X\" value=\"150\""), std::string::npos) << saved;
    EXPECT_NE(saved.find("name=\"MAIN_WINDOW_Y\" value=\"90\""), std::string::npos) << saved;
}

} // namespace
} // namespace zyn
