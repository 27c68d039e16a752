#pragma once
// UTF-8 <-> UTF-16 for the platform layers' own use (paths and window texts handed over in UTF-16).
// Built on MultiByteToWideChar / WideCharToMultiByte; program code uses core/encoding.h.
#include "platform/win32/types.h"

#include <string>
#include <string_view>

namespace zyn {

// Both throw std::range_error on text that is not valid in its encoding.
WideString gf_platformToUtf16(std::string_view text);
std::string gf_platformToUtf8(WideStringView text);

// Length of a zero-terminated UTF-16 text.
std::size_t gf_utf16Length(const WCHAR* text);

} // namespace zyn
