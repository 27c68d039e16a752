#pragma once
// Test helpers for the headless window layer: what a user would see and do.
#include "platform/win32/types.h"

#include <cstddef>
#include <filesystem>
#include <string_view>
#include <vector>

namespace zyn::win32test {

struct InvalidatedRect {
    RECT rect;
    bool erase;
};

// Paints the window and its visible children (on the calling thread, which must own them) and
// writes the picture to a PNG file. False when the window is not the caller's or the file fails.
bool renderToPng(HWND window, const std::filesystem::path& file);

// A click with the mouse: nothing on a disabled control. A check box that toggles itself flips,
// then the parent gets WM_COMMAND with the control id and BN_CLICKED.
bool click(HWND control);
// Keys typed into a control (WM_KEYDOWN, WM_CHAR, WM_KEYUP per character), through its current
// procedure, so subclass procedures see them; nothing on a disabled control.
bool typeText(HWND control, std::u16string_view text);
bool pressEnter(HWND control);
// A key that moves the caret or deletes (VK_LEFT, VK_HOME, VK_DELETE...), with shift held or not.
bool pressKey(HWND control, WPARAM key, bool shift = false);
// A letter with Ctrl held (Ctrl+A selects all, Ctrl+V pastes): its control character, as Windows sends it.
bool pressControlLetter(HWND control, char16_t letter);
// The text a paste inserts.
void setClipboardText(std::u16string_view text);

// How many text measurements the layer has made so far (each makes a cairo context).
std::size_t textMeasurements();

// The areas invalidated on a window, oldest first (the latest thousand are kept).
std::vector<InvalidatedRect> invalidations(HWND window);
void clearInvalidations(HWND window);

// While on, no top-level window can be created, as Windows refuses one when the desktop's heap is
// spent (ERROR_NOT_ENOUGH_MEMORY).
void refuseTopLevelWindows(bool refuse);

// Whether a close signal waits for the first top-level window.
bool closeWaitsForAWindow();

// The window layer as a fresh process has it: no window, only the built-in classes, no focus, an
// empty clipboard, windows created again, and nothing waiting in the calling thread's queue (no
// thread may use a window meanwhile).
void resetWindows();

} // namespace zyn::win32test
