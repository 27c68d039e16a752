#include "platform/system/utf8.h"

namespace zyn {

std::optional<std::uint32_t> gf_decodeUtf8(const unsigned char* s, std::size_t length, std::size_t& i)
{
    const unsigned char lead = s[i++];
    if (lead < 0x80)
        return lead;
    int more = 0;
    std::uint32_t cp = 0;
    std::uint32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        more = 1, cp = lead & 0x1Fu, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        more = 2, cp = lead & 0x0Fu, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        more = 3, cp = lead & 0x07u, minimum = 0x10000;
    } else {
        return std::nullopt;
    }
    for (int k = 0; k < more; ++k) {
        if (i >= length || (s[i] & 0xC0u) != 0x80u)
            return std::nullopt;
        cp = (cp << 6) | (s[i++] & 0x3Fu);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return std::nullopt;
    return cp;
}

std::string gf_repairedUtf8(std::string_view text)
{
    constexpr std::string_view kReplacement = "\xEF\xBF\xBD"; // U+FFFD
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t start = i;
        if (gf_decodeUtf8(bytes, text.size(), i)) {
            out.append(text.substr(start, i - start));
        } else {
            out.append(kReplacement);
            i = start + 1; // what followed the bad byte is read afresh
        }
    }
    return out;
}

} // namespace zyn
