#pragma once
// Fetching from the download server: zip archives unpacked into one file, the program update check
// and the companion package update.
#include "core/version.h"

#include <filesystem>
#include <string>

namespace zyn {

// Downloads base + zipName into zipName in the program folder and writes its file entries, read as
// text, to outPath (several entries: the last one stays). False when the download fails (outPath
// untouched) or when the archive is unusable or holds no file (outPath removed). The archive is
// always deleted afterwards.
bool gf_downloadAndUnzip(const std::string& zipName, const std::filesystem::path& outPath);
bool gf_downloadDbaseZip(const std::filesystem::path& outPath);

// The newest versions on the server; 0.0.0 when unknown.
Version lf_getReleaseVersionJson();
Version lf_getPackageVersionJson(const std::string& folder);

// Downloads the installer archive of a version and extracts its installer into the program folder.
// True when the installer was written whole.
bool lf_downloadInstaller(const Version& version);

// The program update check. A newer version whose installer is ready ends the start-up with
// UserErrorException 99; a failed download shows a notice and the start-up goes on.
void gf_checkProgramVersion();

// The companion package folder ("airports/my_simaddon") is missing.
bool lf_simAddonMissing();

// Installs a newer companion package (or the current one when its folder is missing). True when a
// new package was installed; VOZEVURAZO24_VERSION is saved only then.
bool gf_updateSimAddon();

} // namespace zyn
