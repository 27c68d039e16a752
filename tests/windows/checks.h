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
// Runs a program with the arguments (in the folder, when one is given) and waits for it; its exit
// code, or nothing when it did not start or end.
std::optional<unsigned long> gf_runProgram(const std::filesystem::path& program, const std::wstring& arguments,
                                           const std::filesystem::path& folder = {});

// Whether the text is UTF-8, by the system's own conversion.
bool gf_isUtf8(const std::string& text);
// A reason the system gave, in the user's language: run with TARVO_CHECK_LANGUAGE=es, the system must
// speak Spanish and the reason hold a letter beyond ASCII. What is wrong, or nothing.
Outcome gf_checkReasonLanguage(const std::string& reason);

Outcome gf_checkAtomicReplace();
Outcome gf_checkCopiesOverExistingFiles();
Outcome gf_checkStepsWaitOutAHeldFile();
Outcome gf_checkHeldFolderKeepsPublished();
Outcome gf_checkUserFolderWithNonAsciiName();
Outcome gf_checkFlightPlanPathIsAscii();
Outcome gf_checkSingleInstanceMutex(const std::filesystem::path& self);
Outcome gf_checkSimConnectLibrary();
Outcome gf_checkSimConnectMissingReason(const std::filesystem::path& self);
Outcome gf_checkRefusedStartSaysWhy();
Outcome gf_checkWindowWithControls();

// The second instance that the mutex check starts: 0 when it found the mutex taken.
int gf_secondInstance();
// The copy that the missing-library check starts where no "SimConnect.dll" lies: writes the reason
// into the file; 0 when the library could not be loaded.
int gf_simConnectMissingInstance(const std::filesystem::path& reasonFile);

} // namespace zyn::wincheck
