#pragma once
// Repaint requests for the main window: InvalidateRect with erase on g_mainWindow, for the whole
// client area or for one band. Callable from any thread; nothing happens before the window exists.
#include "platform/win32/types.h"

namespace zyn {

enum class Band { Top, Counters, Settings, Statistics, Status };

RECT gf_bandRect(Band band); // Top (0, 0, 880, 28) .. Status (0, 448, 880, 476)
void gf_repaintBand(Band band);
void gf_repaintMainWindow();

} // namespace zyn
