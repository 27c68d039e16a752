#pragma once
// Finding the simulator's packages folder (the one that holds "Community" and the official
// packages) from the places where the Store and Steam editions keep it or their "UserCfg.opt".
#include <filesystem>
#include <string>

namespace zyn {

// The packages folder of the simulator that MSFS_2020 selects, or an empty path when none is
// found. The log tells which places were tried.
std::filesystem::path gf_detectMsfsInstall();

// The stored packages folder of the current simulator followed by subfolder ("Community",
// "Official" or "Official2024"), in the case the disk has it; empty while no folder is stored.
std::filesystem::path gf_msfsContentFolder(const std::string& subfolder);

// Steps of the detection.
std::filesystem::path lf_storePackageName();
std::filesystem::path lf_simFolderName();
std::filesystem::path lf_findUserCfgOpt();
std::filesystem::path lf_detectSteamInstall();
std::filesystem::path lf_readUserCfgOpt();
// The first line that names "InstalledPackagesPath" decides: result is the quoted folder when it
// exists, else empty; true. Other lines: false.
bool lf_parseInstalledPackagesPath(std::filesystem::path& result, const std::string& line);
bool lf_packagesFolderValid(const std::filesystem::path& path);

} // namespace zyn
