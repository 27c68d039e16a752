#include "core/exit.h"
#include "platform/win32/gdi.h"
#include "platform/win32/testing.h"
#include "settings/setting_controls.h"
#include "shown/windows.h"
#include "tests/support/window_image.h"
#include "tests/ui/main_window_fixture.h"
#include "ui/controls.h"

#include <gtest/gtest.h>

namespace zyn {
namespace {

using MainWindow = test::MainWindowTest;

RECT lf_rectOf(HWND window)
{
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

TEST_F(MainWindow, CreatesOneControlPerBoundSettingAtItsRow)
{
    const HWND main = open();
    ASSERT_NE(main, nullptr);
    const RECT mainRect = lf_rectOf(main);
    EXPECT_EQ(mainRect.right - mainRect.left, 880);
    EXPECT_EQ(mainRect.bottom - mainRect.top, 516);
    const auto& specs = gf_controlSpecs();
    ASSERT_EQ(specs.size(), 47u);
    int checkBoxes = 0, editBoxes = 0, buttons = 0;
    for (const auto& spec : specs) {
        const HWND control = gf_controlWindow(*spec.control);
        ASSERT_NE(control, nullptr) << spec.parameter->key;
        EXPECT_EQ(GetDlgItem(main, spec.control->controlId), control);
        const RECT r = lf_rectOf(control);
        EXPECT_EQ(r.left - mainRect.left, spec.x) << spec.parameter->key;
        switch (spec.kind) {
        case ControlKind::CheckBox:
            ++checkBoxes;
            EXPECT_EQ(r.top - mainRect.top, static_cast<LONG>(spec.control->row) + 2);
            EXPECT_EQ(r.bottom - r.top, 12);
            EXPECT_TRUE(IsWindowEnabled(control));
            EXPECT_EQ(IsDlgButtonChecked(main, spec.control->controlId) == BST_CHECKED,
                      static_cast<const BoolControlParameter*>(spec.control)->on())
                << spec.parameter->key;
            break;
        case ControlKind::EditBox:
            ++editBoxes;
            EXPECT_EQ(r.top - mainRect.top, static_cast<LONG>(spec.control->row));
            EXPECT_EQ(r.bottom - r.top, 16);
            EXPECT_FALSE(IsWindowEnabled(control));
            EXPECT_EQ(GetWindowLongPtrW(control, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(lf_boxProc));
            EXPECT_NE(gf_previousBoxProc(spec.control->controlId), nullptr);
            break;
        case ControlKind::PushButton:
            ++buttons;
            EXPECT_EQ(r.bottom - r.top, 20);
            EXPECT_FALSE(IsWindowEnabled(control));
            break;
        }
    }
    EXPECT_EQ(checkBoxes, 27);
    EXPECT_EQ(editBoxes, 17);
    EXPECT_EQ(buttons, 3);
    WCHAR caption[32] = {};
    GetWindowTextW(gf_controlWindow(param::FLUSH_STATIC_BUTTON), caption, 32);
    EXPECT_EQ(std::u16string(caption), u"Flush static");
}

// The file is not written: the settings are not read yet, and the quit saves where the window is.
TEST_F(MainWindow, OpensAtStoredPositionAndBringsBackAnOffScreenOne)
{
    const std::string stored = "<?xml version=\"1.0\"?>\n<parameters>\n"
                               "<parameter name=\"MAIN_WINDOW_X\" value=\"-30000\" />\n"
                               "<parameter name=\"MAIN_WINDOW_Y\" value=\"29999\" />\n"
                               "</parameters>\n";
    test::writeText(dir / "parameters.xml", stored);
    const RECT r = lf_rectOf(open());
    EXPECT_EQ(r.left, 400);
    EXPECT_EQ(r.top, 29999);
    EXPECT_EQ(parametersText(), stored);
}

TEST_F(MainWindow, QuitSavesThePositionClosesTheLogAndEndsTheLoop)
{
    const HWND main = open();
    SetWindowPos(main, HWND_TOP, 123, 45, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SendMessageW(main, WM_APP + 2, 0, 0);
    EXPECT_EQ(param::MAIN_WINDOW_X.value.load(), 123);
    EXPECT_NE(parametersText().find("name=\"MAIN_WINDOW_X\" value=\"123\""), std::string::npos);
    EXPECT_NE(parametersText().find("name=\"MAIN_WINDOW_Y\" value=\"45\""), std::string::npos);
    EXPECT_FALSE(gf_logIsOpen());
    MSG m{};
    ASSERT_TRUE(PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(m.message, WM_QUIT);
    EXPECT_EQ(m.wParam, 0u);
}

TEST_F(MainWindow, QuitFromAMinimisedPlaceKeepsThePreviousPosition)
{
    const HWND main = open();
    SetWindowPos(main, HWND_TOP, -32000, -32000, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SendMessageW(main, WM_APP + 2, 0, 0);
    EXPECT_EQ(param::MAIN_WINDOW_X.value.load(), 400);
    EXPECT_EQ(param::MAIN_WINDOW_Y.value.load(), 20);
    EXPECT_NE(parametersText().find("name=\"MAIN_WINDOW_X\" value=\"400\""), std::string::npos);
}

using MainWindowThreads = test::MainWindowTest;

// A restart posted just before the close (its exit ended) starts nothing: the close ends the program.
TEST_F(MainWindowThreads, CloseButtonRequestsExitAndTheLoopEndsWhenTheExitHasRun)
{
    const HWND main = open();
    static std::atomic<int> s_starts{0};
    s_starts = 0;
    gf_setStartupStarter([] { ++s_starts; });
    PostMessageW(main, WM_APP + 1, 0, 0);
    SendMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(gf_statusMessage(), "Close window button clicked, closing Tarvo ...");
    EXPECT_TRUE(IsWindow(main)); // not destroyed: the exit sequence ends the program
    MSG m{};
    while (GetMessageW(&m, nullptr, 0, 0) > 0)
        DispatchMessageW(&m);
    EXPECT_EQ(m.wParam, 0u);
    EXPECT_EQ(g_exitReason.load(), 4);
    EXPECT_EQ(s_starts.load(), 0);
    EXPECT_FALSE(gf_logIsOpen());
    const auto log = logText();
    EXPECT_NE(log.find("Exiting: USER CLOSED SIM"), std::string::npos);
    EXPECT_EQ(log.find("Close window button clicked"), std::string::npos); // shown, not logged
}

TEST_F(MainWindow, DestroyEndsTheMessageLoop)
{
    DestroyWindow(open());
    MSG m{};
    ASSERT_TRUE(PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(m.message, WM_QUIT);
}

TEST_F(MainWindow, ClickOnCheckBoxFlipsAndSavesItsSetting)
{
    open();
    ASSERT_TRUE(param::LOG.on());
    ASSERT_TRUE(win32test::click(gf_controlWindow(param::LOG)));
    EXPECT_FALSE(param::LOG.on());
    EXPECT_EQ(IsDlgButtonChecked(g_mainWindow.load(), param::LOG.controlId), BST_UNCHECKED);
    EXPECT_NE(parametersText().find("name=\"LOG\" value=\"false\""), std::string::npos);
    win32test::click(gf_controlWindow(param::LOG));
    EXPECT_TRUE(param::LOG.on());
    EXPECT_NE(parametersText().find("name=\"LOG\" value=\"true\""), std::string::npos);
}

TEST_F(MainWindow, BoxWritersShowValuesAndReadersReadTyping)
{
    const HWND main = open();
    win32test::clearInvalidations(main);
    gf_setBoxInt(param::LATERAL_RANGE);
    EXPECT_EQ(lf_getTextFromId(param::LATERAL_RANGE.controlId), "40");
    param::MAX_FIT_FL.value = 12.5f;
    gf_setBoxFloat(param::MAX_FIT_FL);
    EXPECT_EQ(lf_getTextFromId(param::MAX_FIT_FL.controlId), "12.5");
    param::MAX_FIT_FL.value = 24.0f;
    gf_setBoxFloat(param::MAX_FIT_FL);
    EXPECT_EQ(lf_getTextFromId(param::MAX_FIT_FL.controlId), "24");
    param::DESTINATION.setValue("Äänekoski");
    gf_setBoxText(param::DESTINATION);
    EXPECT_EQ(lf_getTextFromId(param::DESTINATION.controlId), "Äänekoski");
    const auto repaints = win32test::invalidations(main);
    ASSERT_FALSE(repaints.empty());
    EXPECT_EQ(repaints.back().rect.top, 112);
    EXPECT_EQ(repaints.back().rect.bottom, 392);

    gf_clearBox(param::DESTINATION);
    EXPECT_EQ(lf_getTextFromId(param::DESTINATION.controlId), "");
    const HWND box = gf_controlWindow(param::BLOCK_CALLSIGN);
    EnableWindow(box, TRUE);
    win32test::typeText(box, u"dlh4ab");
    EXPECT_EQ(lf_getTextFromId(param::BLOCK_CALLSIGN.controlId), "dlh4ab");
}

TEST_F(MainWindow, EnterInABoxIsTakenByTheBoxProcedure)
{
    open();
    const HWND box = gf_controlWindow(param::LATERAL_RANGE);
    EnableWindow(box, TRUE);
    gf_setStatusMessage("before", false);
    win32test::typeText(box, u"55");
    win32test::pressEnter(box);
    EXPECT_EQ(lf_getTextFromId(param::LATERAL_RANGE.controlId), "55"); // no Enter character in the box
    EXPECT_EQ(param::LATERAL_RANGE.value.load(), 55);
    EXPECT_EQ(gf_statusMessage(), "The new LATERAL_RANGE is 55");
}

using test::WindowImage;

TEST_F(MainWindow, PictureShowsBandsLightsAndTheStatusLine)
{
    const HWND main = open();
    gf_setStatusMessage("Holding for 2 seconds... (RT API cannnot be revisited within 2 seconds)", false);
    ASSERT_TRUE(win32test::renderToPng(main, dir / "main.png"));
    WindowImage image(dir / "main.png");
    const COLORREF green = 0x32CD32, yellow = 0x00FFFF, red = 0x0000FF, lightBlue = 0xFFCC99;
    EXPECT_EQ(image.at(870, 470), green);
    EXPECT_EQ(image.at(870, 200), lightBlue);
    EXPECT_EQ(image.at(410, 100), red); // simulator light: not connected
    EXPECT_EQ(image.at(440, 100), red); // traffic service light: not logged in
    EXPECT_GT(image.count({3, 455, 400, 472}, yellow), 50);   // the status text
    EXPECT_GT(image.count({3, 5, 100, 22}, green), 20);       // "Version ..."
    EXPECT_GT(image.count({5, 91, 100, 108}, red), 20);       // "# liveries: ..."
    EXPECT_EQ(image.at(5 + 9, 149 + 9), RGB(255, 255, 255)); // SCAN_LIVERIES check box, enabled

    gf_showErrorMessage("lf_startUpTarvo: 150: No install path detected");
    ASSERT_TRUE(win32test::renderToPng(main, dir / "error.png"));
    WindowImage error(dir / "error.png");
    EXPECT_EQ(error.at(870, 470), red);
    EXPECT_GT(error.count({3, 455, 400, 472}, yellow), 50);
}

// A status text ending in a line break shows as the text alone, and the status band is the client
// area's last: the window's caption and frame take the rest of its 516 pixels.
TEST_F(MainWindow, StatusLineShowsNoLineBreakAndEndsTheClientArea)
{
    const HWND main = open();
    gf_setStatusMessage("Parking saved", false);
    ASSERT_TRUE(win32test::renderToPng(main, dir / "plain.png"));
    gf_setStatusMessage("Parking saved\r\n", false);
    ASSERT_TRUE(win32test::renderToPng(main, dir / "break.png"));
    WindowImage plain(dir / "plain.png"), withBreak(dir / "break.png");
    int differences = 0;
    for (int y = 448; y < 476; ++y)
        for (int x = 0; x < plain.width(); ++x)
            differences += plain.at(x, y) != withBreak.at(x, y);
    EXPECT_EQ(differences, 0);
    EXPECT_LT(plain.height() - 476, 20) << "a strip under the status band";
}

} // namespace
} // namespace zyn
