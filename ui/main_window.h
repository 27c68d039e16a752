#pragma once
// The main window: its handle, its creation, its procedure, and (through the headers below) what the
// program core writes into it.
#include "base/geo.h"
#include "platform/win32/types.h"
#include "settings/setting_controls.h"
#include "settings/settings.h"
#include "shown/display_state.h"
#include "shown/windows.h"
#include "ui/session_controls.h"

#include <atomic>
#include <cstdint>

namespace zyn {

inline constexpr int kMainWindowWidth = 880;
inline constexpr int kMainWindowHeight = 516;

// Creates and shows the main window (class and title both the title text) at MAIN_WINDOW_X/Y as
// stored in "parameters.xml"; sets g_mainWindow. False on failure.
bool initInstance(HINSTANCE instance, LPCWSTR title);
// What WM_APP+1 runs: the start-up sequence, which the application core hands over before it
// creates the window. Without one, WM_APP+1 does nothing; nor while an exit is under way (that exit
// posts its own message) or after the user's close.
using StartupStarter = void (*)();
void gf_setStartupStarter(StartupStarter starter);
LRESULT lf_mainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// For MAIN_WINDOW_X, then MAIN_WINDOW_Y: a value that stands at one of its bounds becomes the given
// one (clamped) and is saved; other values stay.
void gf_clampRangedParameters(std::int32_t x, std::int32_t y);

} // namespace zyn
