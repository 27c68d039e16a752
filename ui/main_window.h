#pragma once
// What the program core needs of the main window: its handle, its creation, its procedure and the
// display values the start-up writes.
#include "core/geo.h"
#include "core/settings.h"
#include "platform/win32/types.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace zyn {

extern std::atomic<HWND> g_mainWindow;

// Creates and shows the main window and sets g_mainWindow; false on failure.
bool initInstance(HINSTANCE instance, LPCWSTR title);
LRESULT lf_mainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Shows a text setting's value in its edit box.
void gf_setBoxText(StringControlParameter& parameter);
// Sets the destination airport, saves DESTINATION and adds it to the park airports.
void lf_setDestination(const std::string& code, LatLon position);

// The add-on counters of the counters band: entries of "my_simaddon" and "my_thirdparty".
extern std::atomic<std::uint64_t> g_simaddonCount;
extern std::atomic<std::uint64_t> g_thirdpartyCount;

} // namespace zyn
