#include "platform/system/named_mutex.h"

#include "platform/system/environment.h"
#include "platform/system/last_error.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <system_error>

namespace {

using std::filesystem::path;

// Names of the mutexes this process holds, with their lock files' descriptors (never closed).
std::mutex g_heldMutex;
std::map<std::string, int> g_heldLocks;
std::atomic<std::uintptr_t> g_nextHandle{0x4000};

HANDLE lf_newHandle() { return reinterpret_cast<HANDLE>(g_nextHandle.fetch_add(4)); }

// Only a folder of ours that nobody else may enter can hold the lock: elsewhere another user could
// take the name first, or plant a link where we create the file.
bool lf_isPrivateFolder(const path& folder)
{
    struct stat info {};
    return lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == geteuid() &&
           (info.st_mode & 077) == 0;
}

path lf_privateRuntimeFolder()
{
    if (const auto runtime = zyn::gf_environmentFolder("XDG_RUNTIME_DIR"); runtime && lf_isPrivateFolder(*runtime))
        return *runtime;
    const path fallback = path("/tmp") / ("tarvo-" + std::to_string(geteuid()));
    if (mkdir(fallback.c_str(), 0700) != 0 && errno != EEXIST)
        throw std::system_error(errno, std::generic_category(), "mkdir " + fallback.string());
    if (!lf_isPrivateFolder(fallback))
        throw std::system_error(EACCES, std::generic_category(), "not a private folder: " + fallback.string());
    return fallback;
}

std::string lf_fileNameOf(std::string_view name)
{
    std::string file;
    for (const char c : name) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                           c == '.' || c == '_' || c == '$' || c == '-';
        file += plain ? c : '_';
    }
    return file + ".lock";
}

} // namespace

namespace zyn {

path gf_mutexLockPath(std::string_view name) { return lf_privateRuntimeFolder() / lf_fileNameOf(name); }

void gf_releaseNamedMutexes()
{
    std::lock_guard lock(g_heldMutex);
    for (const auto& [name, fd] : g_heldLocks)
        close(fd);
    g_heldLocks.clear();
}

} // namespace zyn

HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES, BOOL, LPCSTR name)
{
    SetLastError(ERROR_SUCCESS);
    if (!name || !*name)
        return lf_newHandle();
    std::lock_guard lock(g_heldMutex);
    if (g_heldLocks.contains(name)) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return lf_newHandle();
    }
    path file;
    try {
        file = zyn::gf_mutexLockPath(name);
    } catch (const std::system_error& error) {
        SetLastError(zyn::gf_errorFromErrno(error.code().value()));
        return nullptr;
    }
    const int fd = open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        SetLastError(zyn::gf_errorFromErrno(errno));
        return nullptr;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        close(fd);
        if (error != EWOULDBLOCK) {
            SetLastError(zyn::gf_errorFromErrno(error));
            return nullptr;
        }
        SetLastError(ERROR_ALREADY_EXISTS);
        return lf_newHandle();
    }
    g_heldLocks.emplace(name, fd);
    return lf_newHandle();
}
