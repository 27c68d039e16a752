#include "platform/system/codepage.h"

#include "platform/system/utf8.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace {

// Writes units into the target while counting them all; a target of nullptr only counts.
template <typename Unit> class UnitSink {
public:
    UnitSink(Unit* target, int capacity) : m_target(target), m_capacity(capacity) {}
    void put(std::uint32_t unit)
    {
        if (m_target && m_count < m_capacity)
            m_target[m_count] = static_cast<Unit>(unit);
        ++m_count;
    }
    int count() const { return m_count; }
    bool overflowed() const { return m_target && m_count > m_capacity; }

private:
    Unit* m_target;
    int m_capacity;
    int m_count = 0;
};

// One code point from UTF-16; a lone surrogate is invalid.
std::optional<std::uint32_t> lf_decodeUtf16(const WCHAR* s, std::size_t length, std::size_t& i)
{
    const std::uint32_t unit = s[i++];
    if (unit < 0xD800 || unit > 0xDFFF)
        return unit;
    if (unit > 0xDBFF || i >= length)
        return std::nullopt;
    const std::uint32_t low = s[i];
    if (low < 0xDC00 || low > 0xDFFF)
        return std::nullopt;
    ++i;
    return 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
}

void lf_encodeUtf16(std::uint32_t cp, UnitSink<WCHAR>& out)
{
    if (cp < 0x10000) {
        out.put(cp);
        return;
    }
    cp -= 0x10000;
    out.put(0xD800 + (cp >> 10));
    out.put(0xDC00 + (cp & 0x3FF));
}

void lf_encodeUtf8(std::uint32_t cp, UnitSink<char>& out)
{
    if (cp < 0x80) {
        out.put(cp);
    } else if (cp < 0x800) {
        out.put(0xC0 | (cp >> 6));
        out.put(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out.put(0xE0 | (cp >> 12));
        out.put(0x80 | ((cp >> 6) & 0x3F));
        out.put(0x80 | (cp & 0x3F));
    } else {
        out.put(0xF0 | (cp >> 18));
        out.put(0x80 | ((cp >> 12) & 0x3F));
        out.put(0x80 | ((cp >> 6) & 0x3F));
        out.put(0x80 | (cp & 0x3F));
    }
}

template <typename Unit> std::size_t lf_sourceLength(const Unit* source, int sourceLength)
{
    if (sourceLength >= 0)
        return std::size_t(sourceLength);
    std::size_t n = 0;
    while (source[n] != 0)
        ++n;
    return n + 1; // the terminator is converted too
}

// The shared conversion loop: decode from one form, encode into the other.
template <typename From, typename To, typename Decode, typename Encode>
int lf_convert(const From* source, int sourceLength, To* target, int targetLength, Decode decode, Encode encode)
{
    if (!source || sourceLength == 0 || sourceLength < -1 || targetLength < 0 || (targetLength > 0 && !target)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::size_t length = lf_sourceLength(source, sourceLength);
    UnitSink<To> out(targetLength > 0 ? target : nullptr, targetLength);
    for (std::size_t i = 0; i < length;) {
        const auto cp = decode(source, length, i);
        if (!cp) {
            SetLastError(ERROR_NO_UNICODE_TRANSLATION);
            return 0;
        }
        encode(*cp, out);
    }
    if (out.overflowed()) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    return out.count();
}

} // namespace

int MultiByteToWideChar(UINT codePage, DWORD flags, const char* source, int sourceLength, WCHAR* target,
                        int targetLength)
{
    if (codePage != CP_UTF8 || (flags & ~MB_ERR_INVALID_CHARS) != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const auto decode = [](const char* s, std::size_t n, std::size_t& i) {
        return zyn::gf_decodeUtf8(reinterpret_cast<const unsigned char*>(s), n, i);
    };
    return lf_convert(source, sourceLength, target, targetLength, decode, lf_encodeUtf16);
}

int WideCharToMultiByte(UINT codePage, DWORD flags, const WCHAR* source, int sourceLength, char* target,
                        int targetLength, const char* defaultChar, BOOL* usedDefaultChar)
{
    // Code page 65001 accepts no default character, as on Windows.
    if (codePage != CP_UTF8 || (flags & ~WC_ERR_INVALID_CHARS) != 0 || defaultChar || usedDefaultChar) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return lf_convert(source, sourceLength, target, targetLength, lf_decodeUtf16, lf_encodeUtf8);
}
