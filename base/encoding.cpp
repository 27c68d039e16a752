#include "base/encoding.h"

#include "base/log.h"
#include "base/path_text.h"
#include "platform/system/codepage.h"

#include <array>
#include <cerrno>
#include <climits>
#include <fstream>
#include <iterator>

#include <fmt/format.h>

namespace zyn {

namespace {

using win32::Utf8ConversionException;

void lf_checkLength(std::size_t size)
{
    if (size > std::size_t(INT_MAX))
        throw std::overflow_error("Input string too long: size_t-length doesn't fit into int.");
}

[[noreturn]] void lf_throwConversion(Utf8ConversionException::ConversionType type, const char* invalidText,
                                     const char* otherText)
{
    const DWORD code = GetLastError();
    throw Utf8ConversionException(code == ERROR_NO_UNICODE_TRANSLATION ? invalidText : otherText, code, type);
}

} // namespace

std::string_view gf_encodingName(TextEncoding encoding)
{
    static constexpr std::array<std::string_view, 6> names{"ANSI", "Unicode", "Unicode_big_endian",
                                                           "UTF8_with_BOM", "UTF8_without_BOM", "none_found"};
    const auto index = static_cast<std::size_t>(encoding);
    return index < names.size() ? names[index] : "none_found";
}

WideString gf_utf8ToUtf16(std::string_view text)
{
    if (text.empty())
        return {};
    lf_checkLength(text.size());
    const int length = static_cast<int>(text.size());
    const int needed = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), length, nullptr, 0);
    if (needed == 0)
        lf_throwConversion(Utf8ConversionException::FromUtf8ToUtf16, "Invalid UTF-8 sequence found in input string.",
                           "Cannot get result string length when converting from UTF-8 to UTF-16 "
                           "(MultiByteToWideChar failed).");
    WideString wide(std::size_t(needed), WCHAR{});
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), length, wide.data(), needed) == 0)
        lf_throwConversion(Utf8ConversionException::FromUtf8ToUtf16, "Invalid UTF-8 sequence found in input string.",
                           "Cannot convert from UTF-8 to UTF-16 (MultiByteToWideChar failed).");
    return wide;
}

std::string gf_utf16ToUtf8(WideStringView text)
{
    if (text.empty())
        return {};
    lf_checkLength(text.size());
    const int length = static_cast<int>(text.size());
    const int needed = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed == 0)
        lf_throwConversion(Utf8ConversionException::FromUtf16ToUtf8, "Invalid UTF-16 sequence found in input string.",
                           "Cannot get result string length when converting from UTF-16 to UTF-8 "
                           "(WideCharToMultiByte failed).");
    std::string narrow(std::size_t(needed), '\0');
    if (WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), length, narrow.data(), needed, nullptr,
                            nullptr) == 0)
        lf_throwConversion(Utf8ConversionException::FromUtf16ToUtf8, "Invalid UTF-16 sequence found in input string.",
                           "Cannot convert from UTF-16 to UTF-8 (WideCharToMultiByte failed).");
    return narrow;
}

TextEncoding gf_detectEncoding(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open()) {
        gf_logf("cannot open file {} for character encoding, err: {}", gf_utf8FromPath(path), errno);
        return TextEncoding::NoneFound;
    }
    std::array<unsigned char, 2> mark{};
    in.read(reinterpret_cast<char*>(mark.data()), mark.size());
    if (in.gcount() < 2)
        return TextEncoding::Ansi;
    if (mark[0] == 0xFF && mark[1] == 0xFE)
        return TextEncoding::Unicode;
    if (mark[0] == 0xFE && mark[1] == 0xFF)
        return TextEncoding::UnicodeBigEndian;
    if (mark[0] == 0xEF && mark[1] == 0xBB)
        return TextEncoding::Utf8WithBom;
    return TextEncoding::Ansi;
}

} // namespace zyn
