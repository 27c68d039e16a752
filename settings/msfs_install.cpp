#include "settings/msfs_install.h"

#include "base/file_util.h"
#include "base/folders.h"
#include "base/log.h"
#include "base/path_case.h"
#include "base/path_text.h"
#include "base/text_util.h"
#include "settings/settings.h"

#include <array>

namespace zyn {

namespace fs = std::filesystem;

namespace {

const fs::path g_userCfgName = "UserCfg.opt";

bool lf_is2020() { return param::MSFS_2020.on(); }

std::string_view lf_officialName() { return lf_is2020() ? kOfficialName : kOfficial2024Name; }

bool lf_hasFolder(const fs::path& base, std::string_view name)
{
    const auto found = gf_findCaseInsensitive(base, fs::path(name));
    std::error_code error;
    return found && fs::is_directory(*found, error);
}

// The candidate when it exists (in the case the disk has it), else the candidate as given.
fs::path lf_existingOr(const fs::path& base, const fs::path& relative)
{
    if (base.empty())
        return {};
    return gf_findCaseInsensitive(base, relative).value_or(base / relative);
}

} // namespace

fs::path lf_storePackageName()
{
    return lf_is2020() ? "Microsoft.FlightSimulator_8wekyb3d8bbwe" : "Microsoft.Limitless_8wekyb3d8bbwe";
}

fs::path lf_simFolderName()
{
    return lf_is2020() ? "Microsoft Flight Simulator" : "Microsoft Flight Simulator 2024";
}

fs::path lf_findUserCfgOpt()
{
    const fs::path local = gf_localAppDataPath();
    const fs::path roaming = gf_appDataPath();
    const std::array<std::pair<fs::path, const char*>, 4> candidates{{
        {lf_existingOr(local, fs::path("Packages") / lf_storePackageName() / "LocalCache" / g_userCfgName),
         "MSFS detection, no Store:{}"},
        {lf_existingOr(roaming, lf_simFolderName() / g_userCfgName), "MSFS detection, no Steam1:{}"},
        {lf_existingOr(local, fs::path("Packages") / "Microsoft.FlightDashboard_8wekyb3d8bbwe" / "LocalCache" /
                                  g_userCfgName),
         "MSFS detection, no Steam2:{}"},
        {lf_existingOr(local, fs::path("MSFSPackages") / g_userCfgName), "MSFS detection, no Boxed:{}"},
    }};
    for (const auto& [candidate, label] : candidates) {
        if (!candidate.empty() && fs::exists(candidate))
            return candidate;
        gf_log(fmt::format(fmt::runtime(label), gf_utf8FromPath(candidate)));
    }
    return candidates.back().first;
}

fs::path lf_detectSteamInstall()
{
    const fs::path roaming = gf_appDataPath();
    if (roaming.empty())
        return {};
    const auto packages = gf_findCaseInsensitive(roaming, lf_simFolderName() / "Packages");
    if (!packages || !fs::is_directory(*packages))
        return {};
    gf_logf("Steam packages:{}", gf_utf8FromPath(*packages));
    return *packages;
}

bool lf_parseInstalledPackagesPath(fs::path& result, const std::string& line)
{
    if (line.find("InstalledPackagesPath") == std::string::npos)
        return false;
    result = gf_pathFromUtf8(gf_quotedValue(line));
    std::error_code error; // a name the file system refuses (too long, say) names no folder either
    if (result.empty() || !fs::exists(result, error))
        result.clear();
    return true;
}

fs::path lf_readUserCfgOpt()
{
    const fs::path file = lf_findUserCfgOpt();
    if (file.empty() || !fs::exists(file)) {
        gf_log("No UserCfg.opt found?");
        return {};
    }
    fs::path result;
    if (const auto lines = gf_readFile(file, 32))
        for (const std::string& line : *lines)
            if (lf_parseInstalledPackagesPath(result, line))
                break;
    gf_logf("UserCfg.opt: InstalledPackagesPath={}", result.empty() ? "???" : gf_utf8FromPath(result));
    return result;
}

bool lf_packagesFolderValid(const fs::path& path)
{
    std::error_code error;
    return !path.empty() && fs::exists(path, error) && lf_hasFolder(path, kCommunityName) &&
           lf_hasFolder(path, lf_officialName());
}

fs::path gf_detectMsfsInstall()
{
    if (fs::path steam = lf_detectSteamInstall(); lf_packagesFolderValid(steam))
        return steam;
    if (fs::path configured = lf_readUserCfgOpt(); lf_packagesFolderValid(configured))
        return configured;
    return {};
}

fs::path gf_msfsContentFolder(const std::string& subfolder)
{
    const fs::path packages =
        gf_pathFromUtf8(lf_is2020() ? param::MSFS_INSTALL_PATH.getValue() : param::MSFS_2024_INSTALL_PATH.getValue());
    return lf_existingOr(packages, gf_pathFromUtf8(subfolder));
}

} // namespace zyn
