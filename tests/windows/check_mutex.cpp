// The single-instance guard: while one instance holds the program's mutex, a second one finds it taken.
#include "tests/windows/checks.h"

#include "core/startup.h"

#include <windows.h>

namespace zyn::wincheck {

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
    const auto whileHeld = gf_runProgram(self, L"--second-instance");
    CloseHandle(mutex);
    const auto afterwards = gf_runProgram(self, L"--second-instance");
    if (!whileHeld || !afterwards)
        return "the second instance could not be started";
    if (*whileHeld != 0)
        return "a second instance did not find the mutex taken";
    if (*afterwards != 1)
        return "the mutex stayed taken after the first instance let it go";
    return std::nullopt;
}

} // namespace zyn::wincheck
