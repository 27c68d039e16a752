// Runs every check (or those whose names hold one of the arguments) and closes with "N passed,
// N failed"; the exit code is the number of failures.
#include "tests/windows/checks.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

using zyn::wincheck::Outcome;

std::filesystem::path lf_selfPath()
{
    std::wstring buffer(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), DWORD(buffer.size()));
    buffer.resize(length);
    return buffer;
}

// Names given on the command line pick the checks whose name holds one of them; none: every check.
bool lf_chosen(const char* check, int argc, wchar_t** argv)
{
    const std::string name = check;
    for (int i = 1; i < argc; ++i)
        if (name.find(std::string(argv[i], argv[i] + std::wcslen(argv[i]))) != std::string::npos) // names are ASCII
            return true;
    return argc <= 1;
}

} // namespace

namespace zyn::wincheck {

std::optional<unsigned long> gf_runProgram(const std::filesystem::path& program, const std::wstring& arguments,
                                           const std::filesystem::path& folder)
{
    std::wstring commandLine = L"\"" + program.wstring() + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &process))
        return std::nullopt;
    const bool ended = WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0; // a guard against a hang
    if (!ended)
        TerminateProcess(process.hProcess, 1); // not left behind to hold the check's files
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return ended ? std::optional<unsigned long>(code) : std::nullopt;
}

bool gf_isUtf8(const std::string& text)
{
    return text.empty() || MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                                               static_cast<int>(text.size()), nullptr, 0) != 0;
}

Outcome gf_checkReasonLanguage(const std::string& reason)
{
    const wchar_t* language = _wgetenv(L"TARVO_CHECK_LANGUAGE");
    if (!language || std::wstring_view(language) != L"es")
        return std::nullopt;
    if (PRIMARYLANGID(GetUserDefaultUILanguage()) != LANG_SPANISH)
        return "the system does not speak Spanish here";
    if (std::all_of(reason.begin(), reason.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return "the Spanish reason has no letter beyond ASCII: \"" + reason + "\"";
    return std::nullopt;
}

} // namespace zyn::wincheck

int wmain(int argc, wchar_t** argv)
{
    if (argc > 1 && std::wcscmp(argv[1], L"--second-instance") == 0)
        return zyn::wincheck::gf_secondInstance();
    if (argc > 2 && std::wcscmp(argv[1], L"--simconnect-missing") == 0)
        return zyn::wincheck::gf_simConnectMissingInstance(argv[2]);
    const std::filesystem::path self = lf_selfPath();
    const std::vector<std::pair<const char*, std::function<Outcome()>>> checks{
        {"atomic file replace", zyn::wincheck::gf_checkAtomicReplace},
        {"copies over existing files", zyn::wincheck::gf_checkCopiesOverExistingFiles},
        {"replace, flush and rename wait out a held file", zyn::wincheck::gf_checkStepsWaitOutAHeldFile},
        {"a folder held past the patience leaves every published one", zyn::wincheck::gf_checkHeldFolderKeepsPublished},
        {"per-user folder with a non-ASCII name", zyn::wincheck::gf_checkUserFolderWithNonAsciiName},
        {"flight plan path under a non-ASCII name is ASCII", zyn::wincheck::gf_checkFlightPlanPathIsAscii},
        {"single-instance mutex", [&] { return zyn::wincheck::gf_checkSingleInstanceMutex(self); }},
        {"SimConnect.dll loaded by name", zyn::wincheck::gf_checkSimConnectLibrary},
        {"SimConnect.dll missing: the system's reason",
         [&] { return zyn::wincheck::gf_checkSimConnectMissingReason(self); }},
        {"a refused start: the system's reason in the user's language", zyn::wincheck::gf_checkRefusedStartSaysWhy},
        {"window with buttons and edit boxes", zyn::wincheck::gf_checkWindowWithControls},
    };
    int passed = 0;
    int failed = 0;
    for (const auto& [name, check] : checks) {
        if (!lf_chosen(name, argc, argv))
            continue;
        Outcome problem;
        try {
            problem = check();
        } catch (const std::exception& e) {
            problem = std::string("exception: ") + e.what();
        }
        if (problem) {
            std::printf("FAILED %s: %s\n", name, problem->c_str());
            ++failed;
        } else {
            std::printf("ok     %s\n", name);
            ++passed;
        }
        std::fflush(stdout);
    }
    std::printf("wine: %d passed, %d failed\n", passed, failed);
    return failed;
}
