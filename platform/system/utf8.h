#pragma once
// UTF-8 read point by point, and made whole where a text from elsewhere (the runtime's messages, a
// file's bytes) holds bytes that are not UTF-8.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zyn {

// One code point of strict UTF-8 at s[i], i moved past what was read: no overlong forms, no
// surrogates, nothing above U+10FFFF. Nothing when the bytes there begin no valid sequence.
std::optional<std::uint32_t> gf_decodeUtf8(const unsigned char* s, std::size_t length, std::size_t& i);

// The text with each byte that begins no valid sequence replaced by U+FFFD; valid text as it is.
std::string gf_repairedUtf8(std::string_view text);

} // namespace zyn
