#pragma once
// The program update check and the companion package update.
#include "base/version.h"

#include <filesystem>
#include <string>

namespace zyn {

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
