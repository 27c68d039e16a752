#include "livery/text_files.h"

#include "base/file_util.h"
#include "shown/status_line.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

#include <fmt/format.h>

namespace zyn {

namespace {

using win32::Utf8ConversionException;

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

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
