#include "platform/system/utf16.h"

#include "platform/system/codepage.h"

#include <climits>
#include <stdexcept>

namespace zyn {

WideString gf_platformToUtf16(std::string_view text)
{
    if (text.empty())
        return {};
    if (text.size() > INT_MAX)
        throw std::range_error("text too long for UTF-16");
    const int size = static_cast<int>(text.size());
    const int needed = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (needed <= 0)
        throw std::range_error("text is not UTF-8");
    WideString out(static_cast<std::size_t>(needed), WCHAR{});
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, out.data(), needed);
    return out;
}

std::string gf_platformToUtf8(WideStringView text)
{
    if (text.empty())
        return {};
    if (text.size() > INT_MAX)
        throw std::range_error("text too long for UTF-8");
    const int size = static_cast<int>(text.size());
    const int needed =
        WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), size, nullptr, 0, nullptr, nullptr);
    if (needed <= 0)
        throw std::range_error("text is not UTF-16");
    std::string out(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), size, out.data(), needed, nullptr, nullptr);
    return out;
}

std::size_t gf_utf16Length(const WCHAR* text)
{
    return text ? WideStringView(text).size() : 0;
}

} // namespace zyn
