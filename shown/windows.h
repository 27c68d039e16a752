#pragma once
// The main window and its controls as every room reaches them: the window's handle and each
// control's handle by its id. The window stores them as it creates them; a handle that is still
// null makes the call on it fail harmlessly, so nothing needs the window to exist.
#include "platform/win32/types.h"

#include <atomic>
#include <cstdint>

namespace zyn {

extern std::atomic<HWND> g_mainWindow;

HWND gf_controlWindow(std::uint16_t controlId); // null until the window has made the control
void gf_setControlWindow(std::uint16_t controlId, HWND window);
// Forgets the window and its controls (the window itself is left as it is): tests, between windows.
void gf_resetWindows();

} // namespace zyn
