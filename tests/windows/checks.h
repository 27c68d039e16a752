#pragma once
// The Windows check: what only Windows can show, run under Wine by scripts/windows. Each check returns
// what went wrong, or nothing when it held.
#include <filesystem>
#include <optional>
#include <string>

namespace zyn::wincheck {

using Outcome = std::optional<std::string>;

// A fresh folder under the system's temporary folder, its name with non-ASCII letters.
std::filesystem::path gf_scratchFolder();
// A file's bytes; empty when it cannot be read.
std::string gf_readBytes(const std::filesystem::path& file);

Outcome gf_checkAtomicReplace();
Outcome gf_checkStepsWaitOutAHeldFile();
Outcome gf_checkHeldFolderKeepsPublished();
Outcome gf_checkUserFolderWithNonAsciiName();
Outcome gf_checkSingleInstanceMutex(const std::filesystem::path& self);
Outcome gf_checkSimConnectLibrary();
Outcome gf_checkWindowWithControls();

// The second instance that the mutex check starts: 0 when it found the mutex taken.
int gf_secondInstance();

} // namespace zyn::wincheck
