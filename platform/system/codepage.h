#pragma once
// The Win32 text conversions between UTF-8 and UTF-16, for code page 65001 only and always strict:
// an invalid sequence fails with ERROR_NO_UNICODE_TRANSLATION instead of being replaced.
// Like Windows: a destination length of 0 asks for the needed length; a source length of -1 means
// a zero-terminated source (the terminator is converted too); 0 is returned on failure with the
// reason in GetLastError().
#ifdef _WIN32
#include "platform/win32/windows_api.h"
#else
#include "platform/system/last_error.h"
#include "platform/win32/types.h"

inline constexpr UINT CP_UTF8 = 65001;
inline constexpr DWORD MB_ERR_INVALID_CHARS = 0x00000008;
inline constexpr DWORD WC_ERR_INVALID_CHARS = 0x00000080;

int MultiByteToWideChar(UINT codePage, DWORD flags, const char* source, int sourceLength, WCHAR* target,
                        int targetLength);
int WideCharToMultiByte(UINT codePage, DWORD flags, const WCHAR* source, int sourceLength, char* target,
                        int targetLength, const char* defaultChar, BOOL* usedDefaultChar);
#endif
