#pragma once
// Painting of the main window (WM_PAINT, on the window's thread): the bands, the title, the lights
// and labels of the counters band and the status line.
#include "platform/win32/types.h"

namespace zyn {

void gf_paintMainWindow(HDC dc);

} // namespace zyn
