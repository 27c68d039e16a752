#pragma once
// The Win32 base types the program uses: the real ones on Windows, ours on Linux. WCHAR is UTF-16
// on both: wchar_t on Windows, char16_t here (wchar_t is 4 bytes on Linux). Code above the platform
// layers writes wide literals as TEXT("...") and holds wide text as zyn::WideString.
#include <string>
#include <string_view>
#ifdef _WIN32
#include "platform/win32/windows_api.h"
#else
#include <cstdint>

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using INT = int;
using LONG = std::int32_t;
using HRESULT = std::int32_t;
using CHAR = char;
using WCHAR = char16_t;
using LPCSTR = const CHAR*;
using LPCWSTR = const WCHAR*;
using LPWSTR = WCHAR*;
using LPVOID = void*;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using LONG_PTR = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using ATOM = WORD;
using COLORREF = DWORD;
using HANDLE = void*;
using HGDIOBJ = void*;

struct HWND__;
using HWND = HWND__*;
struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;
using HMODULE = HINSTANCE;
struct HMENU__;
using HMENU = HMENU__*;
struct HDC__;
using HDC = HDC__*;
struct HPEN__;
using HPEN = HPEN__*;
struct HBRUSH__;
using HBRUSH = HBRUSH__*;
struct HFONT__;
using HFONT = HFONT__*;
struct HICON__;
using HICON = HICON__*;
using HCURSOR = HICON;
struct HACCEL__;
using HACCEL = HACCEL__*;

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

struct POINT {
    LONG x;
    LONG y;
};

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

#define TEXT(text) u##text
#endif

namespace zyn {
using WideString = std::basic_string<WCHAR>;
using WideStringView = std::basic_string_view<WCHAR>;
} // namespace zyn
