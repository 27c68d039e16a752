#pragma once
// The main window: its handle, its creation, its procedure, and (through the headers below) what the
// program core writes into it.
#include "core/geo.h"
#include "core/settings.h"
#include "platform/win32/types.h"
#include "ui/boxes.h"
#include "ui/display_state.h"
#include "ui/session_controls.h"

#include <atomic>
#include <cstdint>

namespace zyn {

extern std::atomic<HWND> g_mainWindow;

inline constexpr int kMainWindowWidth = 880;
inline constexpr int kMainWindowHeight = 516;

// Creates and shows the main window (class and title both the title text) at MAIN_WINDOW_X/Y as
// stored in "parameters.xml"; sets g_mainWindow. False on failure.
bool initInstance(HINSTANCE instance, LPCWSTR title);
LRESULT lf_mainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// For MAIN_WINDOW_X, then MAIN_WINDOW_Y: a value that stands at one of its bounds becomes the given
// one (clamped) and is saved; other values stay.
void gf_clampRangedParameters(std::int32_t x, std::int32_t y);

} // namespace zyn
