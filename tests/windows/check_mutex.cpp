// The single-instance guard: while one instance holds the program's mutex, a second one finds it taken.
#include "tests/windows/checks.h"

#include "core/startup.h"

#include <windows.h>

namespace zyn::wincheck {

namespace {

// Runs this program again as the second instance; its exit code, or nothing when it did not run.
std::optional<DWORD> lf_runSecondInstance(const std::filesystem::path& self)
{
    std::wstring commandLine = L"\"" + self.wstring() + L"\" --second-instance";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return std::nullopt;
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

} // namespace

int gf_secondInstance()
{
    const HANDLE mutex = CreateMutexA(nullptr, FALSE, kMutexName);
    const bool taken = GetLastError() == ERROR_ALREADY_EXISTS;
    if (mutex)
        CloseHandle(mutex);
    return taken ? 0 : 1;
}

Outcome gf_checkSingleInstanceMutex(const std::filesystem::path& self)
{
    const HANDLE mutex = CreateMutexA(nullptr, FALSE, kMutexName);
    if (!mutex || GetLastError() == ERROR_ALREADY_EXISTS)
        return "the first instance could not take the mutex";
    const auto whileHeld = lf_runSecondInstance(self);
    CloseHandle(mutex);
    const auto afterwards = lf_runSecondInstance(self);
    if (!whileHeld || !afterwards)
        return "the second instance could not be started";
    if (*whileHeld != 0)
        return "a second instance did not find the mutex taken";
    if (*afterwards != 1)
        return "the mutex stayed taken after the first instance let it go";
    return std::nullopt;
}

} // namespace zyn::wincheck
