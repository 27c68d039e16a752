#include "livery/cfg_reader.h"

#include "base/encoding.h"
#include "base/log.h"
#include "base/path_text.h"
#include "livery/fltsim_section.h"
#include "livery/text_files.h"
#include "livery/type_fixes.h"
#include "platform/system/error_text.h"

#include <fmt/format.h>

namespace zyn {

bool lf_readCfgLines(const std::filesystem::path& path, std::vector<std::string>& lines)
{
    const auto encoding = gf_detectEncoding(path);
    if (encoding == TextEncoding::NoneFound)
        return false;
    lines.reserve(4048);
    if (!gf_readTextLines(encoding, path, lines))
        return false;
    // UTF-16 lines keep the CR of a Windows line end.
    for (auto& line : lines)
        if (line.ends_with('\r'))
            line.pop_back();
    return true;
}

std::list<LiveryData> lf_searchLiveriesinFile(std::uint32_t folderIndex, const std::filesystem::path& path)
{
    std::list<LiveryData> liveries;
    try {
        std::error_code error;
        if (!std::filesystem::exists(path, error))
            return liveries;
        std::vector<std::string> lines;
        if (!lf_readCfgLines(path, lines) || !lf_checkFltsimNumbers(lines, path))
            return liveries;
        const auto type = lf_fixTypeDesignator(path, lines);
        if (type.empty())
            return liveries;
        const auto folder = path.parent_path();
        for (auto& section : lf_processFltSimSections(lines))
            liveries.splice(liveries.end(), lf_procesFltSimSection(folderIndex, section, type, path, folder));
    } catch (const std::exception& e) {
        gf_log(fmt::format("exception in lf_searchLiveriesinFile {}: {}", gf_utf8FromPath(path), gf_exceptionText(e)));
        throw;
    }
    return liveries;
}

} // namespace zyn
