#pragma once
// Painting of the main window (WM_PAINT, on the window's thread): the bands, the title, the lights
// and labels of the counters band and the status line.
#include "platform/win32/types.h"

namespace zyn {

// Where the status line's text begins, and its top, in the status band.
inline constexpr int kStatusTextLeft = 3;
inline constexpr int kStatusTextTop = 455;

void gf_paintMainWindow(HDC dc);

} // namespace zyn
