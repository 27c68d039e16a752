#include "platform/system/last_error.h"
#include "platform/win32/testing.h"
#include "platform/win32/window.h"
#include "tests/support/win32_windows.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace zyn {
namespace {

using test::gf_createRecordingWindow;
using test::gf_recorded;

HMENU lf_id(int id) { return reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(id)); }

HWND lf_child(HWND parent, LPCWSTR cls, DWORD style, int id, LPCWSTR text = u"")
{
    return CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, 5, 121, 100, 16, parent, lf_id(id), nullptr,
                           nullptr);
}

std::u16string lf_text(HWND window)
{
    WCHAR buffer[256] = {};
    GetWindowTextW(window, buffer, 256);
    return buffer;
}

std::vector<test::ReceivedMessage> lf_commands() { return gf_recorded().of(WM_COMMAND); }

TEST(CheckBoxes, AutoCheckBoxClickTogglesAndNotifiesParent)
{
    const HWND parent = gf_createRecordingWindow();
    const HWND box = lf_child(parent, u"button", BS_AUTOCHECKBOX, 32779);
    ASSERT_TRUE(win32test::click(box));
    EXPECT_EQ(IsDlgButtonChecked(parent, 32779), BST_CHECKED);
    ASSERT_TRUE(win32test::click(box));
    EXPECT_EQ(IsDlgButtonChecked(parent, 32779), BST_UNCHECKED);
    const auto commands = lf_commands();
    ASSERT_EQ(commands.size(), 2u);
    for (const auto& c : commands) {
        EXPECT_EQ(c.window, parent);
        EXPECT_EQ(LOWORD(c.wParam), 32779);
        EXPECT_EQ(HIWORD(c.wParam), BN_CLICKED);
        EXPECT_EQ(reinterpret_cast<HWND>(c.lParam), box);
    }
}

TEST(CheckBoxes, PlainCheckBoxLeavesTheToggleToItsParent)
{
    const HWND parent = gf_createRecordingWindow();
    const HWND box = lf_child(parent, u"BUTTON", BS_CHECKBOX, 32790);
    ASSERT_TRUE(win32test::click(box));
    EXPECT_EQ(IsDlgButtonChecked(parent, 32790), BST_UNCHECKED);
    EXPECT_EQ(lf_commands().size(), 1u);
    CheckDlgButton(parent, 32790, BST_CHECKED);
    EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_CHECKED));
}

TEST(CheckBoxes, PushButtonNeverReadsChecked)
{
    const HWND parent = gf_createRecordingWindow();
    lf_child(parent, u"BUTTON", BS_DEFPUSHBUTTON, 32838, u"Re-read");
    CheckDlgButton(parent, 32838, BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(parent, 32838), BST_UNCHECKED);
}

TEST(CheckBoxes, DisabledControlIgnoresClicksAndKeys)
{
    const HWND parent = gf_createRecordingWindow();
    const HWND box = lf_child(parent, u"BUTTON", BS_AUTOCHECKBOX, 1);
    const HWND edit = lf_child(parent, u"EDIT", WS_BORDER, 2);
    EXPECT_FALSE(EnableWindow(box, FALSE));
    EXPECT_TRUE(EnableWindow(box, FALSE)); // it was disabled already
    EnableWindow(edit, FALSE);
    EXPECT_FALSE(IsWindowEnabled(box));
    EXPECT_FALSE(win32test::click(box));
    EXPECT_FALSE(win32test::typeText(edit, u"abc"));
    EXPECT_EQ(IsDlgButtonChecked(parent, 1), BST_UNCHECKED);
    EXPECT_EQ(lf_text(edit), u"");
    EXPECT_TRUE(lf_commands().empty());
}

// A subclass procedure of an edit box: takes Enter for itself, passes everything else on.
WNDPROC g_previousEditProc = nullptr;
std::vector<std::u16string> g_enteredTexts;

LRESULT lf_enterBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CHAR && wParam == VK_RETURN) {
        g_enteredTexts.push_back(lf_text(window));
        return 0;
    }
    return CallWindowProcW(g_previousEditProc, window, message, wParam, lParam);
}

TEST(EditBoxes, SubclassSeesEnterAndPassesTypingOn)
{
    g_enteredTexts.clear(); // a repeated run starts with none
    const HWND parent = gf_createRecordingWindow();
    const HWND edit = lf_child(parent, u"Edit", WS_BORDER, 32818);
    g_previousEditProc =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(lf_enterBoxProc)));
    ASSERT_NE(g_previousEditProc, nullptr);
    EXPECT_EQ(GetWindowLongPtrW(edit, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(lf_enterBoxProc));

    ASSERT_TRUE(win32test::typeText(edit, u"25x"));
    SendMessageW(edit, WM_CHAR, VK_BACK, 0);
    win32test::typeText(edit, u"0");
    ASSERT_TRUE(win32test::pressEnter(edit));
    EXPECT_EQ(g_enteredTexts, std::vector<std::u16string>{u"250"});
    EXPECT_EQ(lf_text(edit), u"250");
    EXPECT_EQ(GetWindowTextLengthW(edit), 3);
    const auto changes = lf_commands();
    ASSERT_FALSE(changes.empty());
    EXPECT_EQ(HIWORD(changes.back().wParam), EN_CHANGE);
    EXPECT_EQ(LOWORD(changes.back().wParam), 32818);
}

// The box as on Windows: Ctrl+A selects all and typing replaces it, the caret moves with Home, End
// and the arrows, shift+arrows select, Delete and Backspace delete, a paste inserts the clipboard's
// first line, and no control key becomes text.
TEST(EditBoxes, EditLikeTheWindowsEditControl)
{
    const HWND parent = gf_createRecordingWindow();
    const HWND edit = lf_child(parent, u"EDIT", WS_BORDER, 32841, u"4");
    win32test::setClipboardText(u"12\n34");
    const auto typed = [edit](std::u16string_view text) { return win32test::typeText(edit, text); };
    const auto key = [edit](WPARAM k, bool shift = false) { return win32test::pressKey(edit, k, shift); };
    const auto control = [edit](char16_t letter) { return win32test::pressControlLetter(edit, letter); };
    struct Step {
        const char* what;
        std::function<bool()> act;
        const char16_t* text;
    };
    const Step steps[] = {
        {"Ctrl+A, then 2", [&] { return control(u'a') && typed(u"2"); }, u"2"},
        {"End, 5", [&] { return key(VK_END) && typed(u"5"); }, u"25"},
        {"Home, Delete", [&] { return key(VK_HOME) && key(VK_DELETE); }, u"5"},
        {"Left, 1", [&] { return key(VK_LEFT) && typed(u"1"); }, u"15"},
        {"Right, 0.5", [&] { return key(VK_RIGHT) && typed(u"0.5"); }, u"150.5"},
        {"shift+Left twice, Backspace", [&] { return key(VK_LEFT, true) && key(VK_LEFT, true) && typed(u"\b"); },
         u"150"},
        {"Home, shift+Right, paste", [&] { return key(VK_HOME) && key(VK_RIGHT, true) && control(u'v'); }, u"1250"},
        {"select all, WM_PASTE", [&] { return control(u'a') && SendMessageW(edit, WM_PASTE, 0, 0) == 0; }, u"12"},
        {"Ctrl+C, Ctrl+X, Escape, Tab", [&] { return control(u'c') && control(u'x') && typed(u"\x1B\t"); }, u"12"},
    };
    for (const Step& step : steps) {
        ASSERT_TRUE(step.act()) << step.what;
        EXPECT_EQ(lf_text(edit), step.text) << step.what;
    }
    const auto changes = lf_commands();
    ASSERT_FALSE(changes.empty());
    EXPECT_EQ(HIWORD(changes.back().wParam), EN_CHANGE);
}

// The user puts at most 32,767 characters into a box, as into the Windows edit control before
// EM_LIMITTEXT: a longer paste is cut there, typing into a full box adds nothing.
TEST(EditBoxes, UserTextStopsAtTheDefaultLimit)
{
    const HWND parent = gf_createRecordingWindow();
    const HWND edit = lf_child(parent, u"EDIT", WS_BORDER, 9);
    win32test::setClipboardText(std::u16string(40000, u'7'));
    SendMessageW(edit, WM_PASTE, 0, 0);
    EXPECT_EQ(GetWindowTextLengthW(edit), 32767);
    win32test::typeText(edit, u"8");
    EXPECT_EQ(GetWindowTextLengthW(edit), 32767);
}

// A click measures the text once, however long it is (it used to measure every prefix of it).
TEST(EditBoxes, AClickMeasuresTheTextOnceWhateverItsLength)
{
    const HWND parent = gf_createRecordingWindow();
    const HWND edit = lf_child(parent, u"EDIT", WS_BORDER, 9);
    for (const std::size_t length : {0u, 10u, 1000u, 4000u}) {
        ASSERT_TRUE(SetWindowTextW(edit, std::u16string(length, u'w').c_str()));
        const std::size_t before = win32test::textMeasurements();
        ASSERT_TRUE(win32test::click(edit));
        EXPECT_EQ(win32test::textMeasurements() - before, 1u) << length;
    }
}

TEST(EditBoxes, EnterWithoutSubclassAddsNothing)
{
    const HWND parent = gf_createRecordingWindow();
    const HWND edit = lf_child(parent, u"EDIT", WS_BORDER, 7);
    win32test::typeText(edit, u"EDDF");
    win32test::pressEnter(edit);
    EXPECT_EQ(lf_text(edit), u"EDDF");
}

TEST(WindowTexts, RoundTripCutToBufferAndFoundById)
{
    const HWND parent = gf_createRecordingWindow();
    const HWND edit = lf_child(parent, u"EDIT", WS_BORDER, 32828);
    EXPECT_EQ(GetDlgItem(parent, 32828), edit);
    EXPECT_EQ(GetDlgItem(parent, 4711), nullptr);
    ASSERT_TRUE(SetWindowTextW(GetDlgItem(parent, 32828), u"Kööpenhamina"));
    EXPECT_EQ(lf_text(edit), u"Kööpenhamina");
    WCHAR small[4] = {};
    EXPECT_EQ(GetWindowTextW(edit, small, 4), 3);
    EXPECT_EQ(std::u16string(small), u"Köö");
}

TEST(WindowPlacement, TopmostIsRecordedAndNoMoveNoSizeKeepsRect)
{
    const HWND window = gf_createRecordingWindow(400, 20, 880, 516);
    ASSERT_TRUE(SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE));
    EXPECT_TRUE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    RECT r{};
    GetWindowRect(window, &r);
    EXPECT_EQ(r.left, 400);
    EXPECT_EQ(r.top, 20);
    EXPECT_EQ(r.right, 1280);
    EXPECT_EQ(r.bottom, 536);
    SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
    EXPECT_FALSE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);

    const HWND child = lf_child(window, u"EDIT", 0, 3);
    GetWindowRect(child, &r);
    EXPECT_EQ(r.left, 405);
    EXPECT_EQ(r.top, 141);
}

TEST(WindowPlacement, InvalidatedAreasAreRecordedWithErase)
{
    const HWND window = gf_createRecordingWindow(0, 0, 880, 516);
    win32test::clearInvalidations(window);
    const RECT band{0, 112, 880, 392};
    InvalidateRect(window, &band, TRUE);
    InvalidateRect(window, nullptr, FALSE);
    const auto recorded = win32test::invalidations(window);
    ASSERT_EQ(recorded.size(), 2u);
    EXPECT_EQ(recorded[0].rect.top, 112);
    EXPECT_EQ(recorded[0].rect.bottom, 392);
    EXPECT_TRUE(recorded[0].erase);
    EXPECT_EQ(recorded[1].rect.right, 880);
    EXPECT_EQ(recorded[1].rect.bottom, 516);
    EXPECT_FALSE(recorded[1].erase);
}

TEST(WindowLifetime, DestroySendsDestroyAndForgetsChildren)
{
    const HWND parent = gf_createRecordingWindow();
    const HWND child = lf_child(parent, u"EDIT", 0, 9);
    EXPECT_TRUE(DestroyWindow(parent));
    EXPECT_FALSE(IsWindow(parent));
    EXPECT_FALSE(IsWindow(child));
    EXPECT_EQ(gf_recorded().of(WM_DESTROY).size(), 1u);
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(SetWindowTextW(child, u"x"));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
}

TEST(WindowLifetime, ClassesAreUniqueAndMustExist)
{
    gf_createRecordingWindow();
    WNDCLASSEXW c{};
    c.cbSize = sizeof c;
    c.lpfnWndProc = DefWindowProcW;
    c.lpszClassName = u"testrecorder";
    EXPECT_EQ(RegisterClassExW(&c), 0);
    EXPECT_EQ(GetLastError(), ERROR_CLASS_ALREADY_EXISTS);
    EXPECT_EQ(CreateWindowExW(0, u"NoSuchClass", u"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_CANNOT_FIND_WND_CLASS);
}

} // namespace
} // namespace zyn
