// Runs every check and closes with "N passed, N failed"; the exit code is the number of failures.
#include "tests/windows/checks.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <functional>
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

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc > 1 && std::wcscmp(argv[1], L"--second-instance") == 0)
        return zyn::wincheck::gf_secondInstance();
    const std::filesystem::path self = lf_selfPath();
    const std::vector<std::pair<const char*, std::function<Outcome()>>> checks{
        {"atomic file replace", zyn::wincheck::gf_checkAtomicReplace},
        {"replace, flush and rename wait out a held file", zyn::wincheck::gf_checkStepsWaitOutAHeldFile},
        {"a folder held past the patience leaves every published one", zyn::wincheck::gf_checkHeldFolderKeepsPublished},
        {"per-user folder with a non-ASCII name", zyn::wincheck::gf_checkUserFolderWithNonAsciiName},
        {"single-instance mutex", [&] { return zyn::wincheck::gf_checkSingleInstanceMutex(self); }},
        {"SimConnect.dll loaded by name", zyn::wincheck::gf_checkSimConnectLibrary},
        {"window with buttons and edit boxes", zyn::wincheck::gf_checkWindowWithControls},
    };
    int passed = 0;
    int failed = 0;
    for (const auto& [name, check] : checks) {
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
