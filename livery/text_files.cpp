#include "livery/text_files.h"

#include "base/file_util.h"
#include "shown/status_line.h"

#include <fstream>
#include <stdexcept>

#include <fmt/format.h>

namespace zyn {

namespace {

using win32::Utf8ConversionException;

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// The next 16-bit unit of the stream in the given byte order; false at its end. An odd last byte is
// a broken file.
bool lf_nextUnit(std::istream& in, bool bigEndian, WCHAR& unit)
{
    const int first = in.get();
    if (first == std::char_traits<char>::eof())
        return false;
    const int second = in.get();
    if (second == std::char_traits<char>::eof())
        throw std::runtime_error("the file ends inside a UTF-16 character");
    const auto b0 = static_cast<unsigned char>(first);
    const auto b1 = static_cast<unsigned char>(second);
    unit = static_cast<WCHAR>(bigEndian ? (b0 << 8) | b1 : (b1 << 8) | b0);
    return true;
}

// Reads the file line by line as 16-bit units in the byte order its mark tells (big-endian without
// one), each line cut to kMaxLineChars units, and appends the lines as UTF-8 (without the line feed).
std::size_t lf_readUtf16Units(std::istream& in, std::vector<std::string>& lines)
{
    bool bigEndian = true;
    WCHAR unit = 0;
    WideString line;
    std::size_t cutLines = 0;
    bool cut = false;
    bool first = true;
    const auto endLine = [&] {
        lines.push_back(gf_utf16ToUtf8(line));
        cutLines += cut ? 1 : 0;
        line.clear();
        cut = false;
    };
    while (lf_nextUnit(in, bigEndian, unit)) {
        if (first && (unit == 0xFFFE || unit == 0xFEFF)) {
            bigEndian = unit == 0xFEFF; // read as big-endian: FF FE is the little-endian mark
            first = false;
            continue;
        }
        first = false;
        if (unit == u'\n')
            endLine();
        else if (line.size() < kMaxLineChars)
            line.push_back(unit);
        else
            cut = true;
    }
    if (!line.empty() || cut)
        endLine();
    return cutLines;
}

bool lf_readUtf16Lines(const std::filesystem::path& path, std::vector<std::string>& lines)
{
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open())
        return false;
    try {
        gf_logCutLines(path, lf_readUtf16Units(in, lines));
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
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open())
        return false;
    const auto first = lines.size();
    gf_logCutLines(path, gf_readLines(in, lines));
    // Only a whole mark on the first line this call read is removed; earlier lines are not ours.
    if (encoding == TextEncoding::Utf8WithBom && lines.size() > first && lines[first].starts_with(kUtf8Bom))
        lines[first].erase(0, kUtf8Bom.size());
    return true;
}

} // namespace zyn
