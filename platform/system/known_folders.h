#pragma once
// Known folders. On Linux: roaming application data = $XDG_CONFIG_HOME or ~/.config,
// local application data = $XDG_DATA_HOME or ~/.local/share.
#include "platform/win32/types.h"

#include <filesystem>
#include <optional>

#ifndef _WIN32

inline constexpr int CSIDL_APPDATA = 26;
inline constexpr int CSIDL_LOCAL_APPDATA = 28;
inline constexpr DWORD SHGFP_TYPE_CURRENT = 0;
inline constexpr DWORD SHGFP_TYPE_DEFAULT = 1;
inline constexpr DWORD MAX_PATH = 260;
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);

// Writes the folder, zero-terminated, into path (MAX_PATH characters). S_OK on success; E_FAIL when
// the folder is unknown or does not fit; E_INVALIDARG for another folder id or no buffer.
// The folder is not created here; the caller creates what it needs.
HRESULT SHGetFolderPathW(HWND owner, int folder, HANDLE token, DWORD flags, LPWSTR path);
#endif

namespace zyn {

enum class KnownFolder { RoamingAppData, LocalAppData };

// The folder (SHGetKnownFolderPath on Windows), or nothing when the system does not know it.
std::optional<std::filesystem::path> gf_knownFolder(KnownFolder folder);

} // namespace zyn
