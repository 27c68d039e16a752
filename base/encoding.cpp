#include "base/encoding.h"

#include "base/file_util.h"
#include "base/log.h"
#include "platform/system/codepage.h"
#include "shown/status_line.h"

#include <array>
#include <cerrno>
#include <climits>
#include <fstream>
#include <iterator>

#include <fmt/format.h>

namespace zyn {

namespace {

using win32::Utf8ConversionException;

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

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

// Reads the whole file as 16-bit units in the byte order the mark tells (big-endian without one).
std::u16string lf_readUtf16Units(std::istream& in)
{
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::size_t start = 0;
    bool bigEndian = true;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE)
        bigEndian = false, start = 2;
    else if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE && static_cast<unsigned char>(bytes[1]) == 0xFF)
        start = 2;
    if ((bytes.size() - start) % 2 != 0)
        throw std::runtime_error("the file ends inside a UTF-16 character");
    std::u16string units;
    units.reserve((bytes.size() - start) / 2);
    for (std::size_t i = start; i + 1 < bytes.size(); i += 2) {
        const auto b0 = static_cast<unsigned char>(bytes[i]);
        const auto b1 = static_cast<unsigned char>(bytes[i + 1]);
        units.push_back(static_cast<char16_t>(bigEndian ? (b0 << 8) | b1 : (b1 << 8) | b0));
    }
    return units;
}

// Converts the wide lines (up to each line feed, which is dropped) and appends them.
void lf_wideLinesToUtf8(std::u16string_view wide, std::vector<std::string>& lines)
{
    while (!wide.empty()) {
        const auto end = wide.find(u'\n');
        lines.push_back(gf_utf16ToUtf8(wide.substr(0, end)));
        if (end == std::u16string_view::npos)
            return;
        wide.remove_prefix(end + 1);
    }
}

bool lf_readUtf16Lines(const std::filesystem::path& path, std::vector<std::string>& lines)
{
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open())
        return false;
    try {
        const auto units = lf_readUtf16Units(in);
        lf_wideLinesToUtf8(units, lines);
        return true;
    } catch (const Utf8ConversionException& e) {
        gf_setStatusMessage(fmt::format("conversion from error from utf16 to utf8, code: {}", e.errorCode()), true);
    } catch (const std::runtime_error& e) {
        gf_setStatusMessage(fmt::format("conversion from error from utf16 to utf8: {}", e.what()), true);
    }
    return false;
}

} // namespace

std::string_view gf_encodingName(TextEncoding encoding)
{
    static constexpr std::array<std::string_view, 6> names{"ANSI", "Unicode", "Unicode_big_endian",
                                                           "UTF8_with_BOM", "UTF8_without_BOM", "none_found"};
    const auto index = static_cast<std::size_t>(encoding);
    return index < names.size() ? names[index] : "none_found";
}

std::u16string gf_utf8ToUtf16(std::string_view text)
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
    std::u16string wide(std::size_t(needed), u'\0');
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), length, wide.data(), needed) == 0)
        lf_throwConversion(Utf8ConversionException::FromUtf8ToUtf16, "Invalid UTF-8 sequence found in input string.",
                           "Cannot convert from UTF-8 to UTF-16 (MultiByteToWideChar failed).");
    return wide;
}

std::string gf_utf16ToUtf8(std::u16string_view text)
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
        gf_logf("cannot open file {} for character encoding, err: {}", path.string(), errno);
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

bool gf_readTextLines(TextEncoding encoding, const std::filesystem::path& path, std::vector<std::string>& lines)
{
    if (encoding == TextEncoding::Unicode || encoding == TextEncoding::UnicodeBigEndian)
        return lf_readUtf16Lines(path, lines);
    std::ifstream in(path);
    if (!in.is_open())
        return false;
    const auto first = lines.size();
    gf_readLines(in, lines);
    // Only a whole mark on the first line this call read is removed; earlier lines are not ours.
    if (encoding == TextEncoding::Utf8WithBom && lines.size() > first && lines[first].starts_with(kUtf8Bom))
        lines[first].erase(0, kUtf8Bom.size());
    return true;
}

} // namespace zyn
