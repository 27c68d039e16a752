#pragma once
// Windows, window classes, window procedures and the button and edit controls, headless:
// windows exist with their state and draw into images, nothing is shown on a screen.
// A window belongs to the thread that created it; its procedure runs on that thread.
#ifdef _WIN32
#include "platform/win32/windows_api.h"
#else
#include "platform/win32/constants.h"
#include "platform/win32/types.h"

struct WNDCLASSEXW {
    UINT cbSize;
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCWSTR lpszMenuName;
    LPCWSTR lpszClassName;
    HICON hIconSm;
};

struct CREATESTRUCTW {
    LPVOID lpCreateParams;
    HINSTANCE hInstance;
    HMENU hMenu;
    HWND hwndParent;
    int cy;
    int cx;
    int y;
    int x;
    LONG style;
    LPCWSTR lpszName;
    LPCWSTR lpszClass;
    DWORD dwExStyle;
};

// Class names are compared without regard to case ("BUTTON", "Button" and "button" are one class).
ATOM RegisterClassExW(const WNDCLASSEXW* windowClass);
HICON LoadIconW(HINSTANCE instance, LPCWSTR name);
HCURSOR LoadCursorW(HINSTANCE instance, LPCWSTR name);

// A child window (WS_CHILD) takes its control id from menu. Sends WM_NCCREATE and WM_CREATE.
HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);
// Only the owner thread may destroy a window; WM_DESTROY goes to it, then to its children.
BOOL DestroyWindow(HWND window);
BOOL IsWindow(HWND window);
BOOL ShowWindow(HWND window, int command);
BOOL UpdateWindow(HWND window);

LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CallWindowProcW(WNDPROC procedure, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LONG_PTR GetWindowLongPtrW(HWND window, int index);
LONG_PTR SetWindowLongPtrW(HWND window, int index, LONG_PTR value);

HWND GetDlgItem(HWND parent, int id);
BOOL SetWindowTextW(HWND window, LPCWSTR text);
int GetWindowTextW(HWND window, LPWSTR buffer, int size);
int GetWindowTextLengthW(HWND window);
BOOL EnableWindow(HWND window, BOOL enable); // returns whether it was disabled before
BOOL IsWindowEnabled(HWND window);
BOOL CheckDlgButton(HWND parent, int id, UINT check);
UINT IsDlgButtonChecked(HWND parent, int id);

BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height, UINT flags);
BOOL GetWindowRect(HWND window, RECT* rect); // screen coordinates
BOOL GetClientRect(HWND window, RECT* rect);
BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase); // any thread; nullptr = whole client area
#endif
