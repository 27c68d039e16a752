#pragma once
// The per-thread message queue. PostMessageW works from any thread; SendMessageW runs the procedure on
// the window's own thread and waits for its result (a thread sending to its own window calls it
// directly). While a thread waits for a sent message it still answers messages sent to its own windows.
// A window whose thread has ended is gone: sending to it returns 0 at once (ERROR_INVALID_WINDOW_HANDLE).
#ifdef _WIN32
#include "platform/win32/windows_api.h"
#else
#include "platform/win32/types.h"

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};

BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam); // nullptr: the calling thread
LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);

// Waits for a message: sent messages are answered first, then posted ones come in order, then WM_QUIT,
// then WM_PAINT for a window with an invalid area. 0 for WM_QUIT, -1 for a bad window filter.
BOOL GetMessageW(MSG* message, HWND window, UINT first, UINT last);
BOOL PeekMessageW(MSG* message, HWND window, UINT first, UINT last, UINT remove);
BOOL TranslateMessage(const MSG* message); // WM_KEYDOWN of Enter, Backspace or Escape posts its WM_CHAR
LRESULT DispatchMessageW(const MSG* message);
int TranslateAcceleratorW(HWND window, HACCEL table, MSG* message); // no tables: never consumes
#endif
