#pragma once
// Named mutexes for the single-instance guard (the real ones on Windows). On Linux: an flock()ed file named after the mutex in the user's
// runtime folder. The lock lives as long as the process; the kernel drops it when the process ends.
#include "platform/win32/types.h"
#ifndef _WIN32

#include <filesystem>
#include <string_view>

struct SECURITY_ATTRIBUTES;
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

// Returns a handle, also when the mutex already exists (GetLastError then gives ERROR_ALREADY_EXISTS);
// nullptr when the lock file cannot be made safely (GetLastError gives the reason).
HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES attributes, BOOL initialOwner, LPCSTR name);

namespace zyn {

// The lock file of a named mutex: in $XDG_RUNTIME_DIR when that folder is private to the user,
// else in /tmp/tarvo-<uid> (made private). Throws std::system_error when no private folder can be had.
std::filesystem::path gf_mutexLockPath(std::string_view name);
// Lets go of every named mutex this process holds, as if it had ended (tests).
void gf_releaseNamedMutexes();

} // namespace zyn
#endif
