#include "livery/type_fixes.h"

#include "aircraft/aircraft_db.h"
#include "base/path_text.h"
#include "livery/cfg_lines.h"
#include "livery/livery_data.h"

#include <fmt/format.h>

namespace zyn {

namespace {

// Packages that carry neither key and are known to hold no AI liveries: nothing to report.
bool lf_isPackageWithoutType(const std::filesystem::path& path)
{
    const auto text = gf_utf8FromPath(path);
    return text.find("pmdg-aircraft-7") != std::string::npos || text.find("fnx-aircraft-3") != std::string::npos;
}

} // namespace

std::string lf_checkTypeDesignator(const std::string& candidate, const std::filesystem::path& path)
{
    if (gf_isKnownAircraftType(candidate))
        return candidate;
    if (const auto fix = g_modelFixes.find(candidate); fix != g_modelFixes.end()) {
        g_fixList.append(fmt::format("Model fix: {} found in {} changed into {}", candidate, gf_utf8FromPath(path), fix->second));
        return fix->second;
    }
    g_invalidTypeList.append(fmt::format("{:16} in {}", candidate, gf_utf8FromPath(path)));
    return {};
}

std::string lf_fixTypeDesignator(const std::filesystem::path& path, const std::vector<std::string>& lines)
{
    for (const auto& line : lines)
        if (auto type = lf_parseIcaoTypeDesignator(line); !type.empty())
            return lf_checkTypeDesignator(type, path);
    return lf_fixPackageTypeDesignator(path, lines);
}

std::string lf_fixPackageTypeDesignator(const std::filesystem::path& path, const std::vector<std::string>& lines)
{
    for (const auto& line : lines)
        if (auto type = lf_parseBaseContainer(line); !type.empty())
            return lf_checkTypeDesignator(type, path);
    if (!lf_isPackageWithoutType(path))
        g_invalidFileList.append("Line icao_type_designator= is missing in [General] section of " + gf_utf8FromPath(path));
    return {};
}

} // namespace zyn
