#pragma once
// Program entry on Linux: runs the Win32-style entry point with the program's module handle, with
// Ctrl-C and SIGTERM turned into a close of the program's window for as long as it runs, and its
// window shown on the X display when there is one (platform/win32/display.h).
#include "platform/win32/types.h"

namespace zyn {

using WinMainFunction = int (*)(HINSTANCE instance, HINSTANCE previous, LPWSTR commandLine, int show);

int gf_runWinMain(WinMainFunction winMain);

} // namespace zyn
