#pragma once
// The process: its module handle, its current folder and its string resources.
#ifdef _WIN32
#include "platform/win32/windows_api.h"
#else
#include "platform/win32/types.h"

// The program's own module for nullptr; other modules are not known (nullptr, ERROR_MOD_NOT_FOUND).
HMODULE GetModuleHandleW(LPCWSTR moduleName);

// Copies the current folder, zero-terminated, and returns its length; when the buffer of size
// characters is too small, returns the size needed (terminator included) and leaves the buffer alone.
// 0 on failure, with GetLastError.
DWORD GetCurrentDirectoryW(DWORD size, LPWSTR buffer);

// Copies string resource id (cut to size - 1 characters, zero-terminated) and returns its length;
// 0 when the resource does not exist (ERROR_RESOURCE_NAME_NOT_FOUND) or there is no buffer.
int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int size);

inline constexpr UINT IDS_APP_TITLE = 101;
#endif
