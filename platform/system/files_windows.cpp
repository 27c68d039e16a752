#include "platform/system/files.h"

#include "platform/system/full_disk.h"
#include "platform/system/lock_retry.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>
#include <system_error>

#include <io.h>
#include <windows.h>

namespace zyn {

namespace {

namespace fs = std::filesystem;

[[noreturn]] void lf_throwError(unsigned long error, const char* step, const fs::path& path)
{
    throw fs::filesystem_error(step, path, std::error_code(static_cast<int>(error), std::system_category()));
}

[[noreturn]] void lf_throwLastError(const char* step, const fs::path& path) { lf_throwError(GetLastError(), step, path); }

HANDLE lf_handle(FileHandle file) { return reinterpret_cast<HANDLE>(file); }

// A file that another program holds open for now without sharing what the step needs.
bool lf_sharingError(unsigned long error) { return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION; }

// The same for a move, which a held file (or a held file in a moved folder) refuses as a denied access.
bool lf_lockError(unsigned long error) { return error == ERROR_ACCESS_DENIED || lf_sharingError(error); }

// MoveFileExW with the flags, a brief lock waited out; throws with the step's error.
void lf_move(const fs::path& from, const fs::path& to, DWORD flags)
{
    const unsigned long error = gf_retryWhileLocked(
        [&]() -> unsigned long { return MoveFileExW(from.c_str(), to.c_str(), flags) ? 0 : GetLastError(); },
        lf_lockError);
    if (error != 0)
        lf_throwError(error, "MoveFileExW", to);
}

} // namespace

std::FILE* gf_openFile(const fs::path& path, const char* mode)
{
    const std::wstring wideMode(mode, mode + std::strlen(mode)); // modes are ASCII
    return _wfopen(path.c_str(), wideMode.c_str());
}

std::optional<std::uint64_t> gf_openFileSize(std::FILE* file)
{
    const __int64 size = _filelengthi64(_fileno(file));
    if (size < 0)
        return std::nullopt;
    return static_cast<std::uint64_t>(size);
}

FileHandle gf_createNewFile(const fs::path& path)
{
    if (!gf_roomForNewFile(path))
        lf_throwError(ERROR_DISK_FULL, "CreateFileW", path);
    const HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE)
        return reinterpret_cast<FileHandle>(file);
    if (GetLastError() != ERROR_FILE_EXISTS)
        lf_throwLastError("CreateFileW", path);
    return kNoFile;
}

void gf_writeToFile(FileHandle file, std::string_view bytes, const fs::path& path)
{
    const std::size_t fit = gf_bytesThatFit(path, bytes.size());
    const bool full = fit < bytes.size();
    bytes = bytes.substr(0, fit);
    while (!bytes.empty()) {
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), std::numeric_limits<DWORD>::max()));
        DWORD written = 0;
        if (!WriteFile(lf_handle(file), bytes.data(), chunk, &written, nullptr))
            lf_throwLastError("WriteFile", path);
        bytes.remove_prefix(written);
    }
    if (full)
        lf_throwError(ERROR_DISK_FULL, "WriteFile", path);
}

void gf_flushFile(FileHandle file, const fs::path& path)
{
    if (!FlushFileBuffers(lf_handle(file)))
        lf_throwLastError("FlushFileBuffers", path);
}

void gf_closeFile(FileHandle file, const fs::path& path)
{
    if (!CloseHandle(lf_handle(file)))
        lf_throwLastError("CloseHandle", path);
}

void gf_replaceFile(const fs::path& from, const fs::path& to)
{
    // rename() fails on Windows when the target exists; write-through returns once the move is on the disk.
    lf_move(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

void gf_renameFolder(const fs::path& from, const fs::path& to) { lf_move(from, to, MOVEFILE_WRITE_THROUGH); }

bool gf_copyFile(const fs::path& from, const fs::path& to, ExistingTarget existing, std::error_code& ec)
{
    ec.clear();
    const BOOL keep = existing == ExistingTarget::Keep;
    const unsigned long error = gf_retryWhileLocked(
        [&]() -> unsigned long { return CopyFileW(from.c_str(), to.c_str(), keep) ? 0 : GetLastError(); },
        lf_sharingError);
    if (keep && (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS))
        return false;
    if (error != 0) {
        ec = std::error_code(static_cast<int>(error), std::system_category());
        return false;
    }
    // The copy took the source's attributes; a read-only or hidden file refuses a copy over it.
    constexpr DWORD kRefusing = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    const DWORD attributes = GetFileAttributesW(to.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & kRefusing) == 0)
        return true;
    const DWORD plain = attributes & ~kRefusing;
    if (!SetFileAttributesW(to.c_str(), plain != 0 ? plain : FILE_ATTRIBUTE_NORMAL)) {
        ec = std::error_code(static_cast<int>(GetLastError()), std::system_category());
        return false;
    }
    return true;
}

void gf_syncFolder(const fs::path&)
{
    // Nothing to do: MOVEFILE_WRITE_THROUGH has made the replace durable.
}

void gf_syncFile(const fs::path& path)
{
    HANDLE file = INVALID_HANDLE_VALUE;
    // A just-written file may still be open in a scanner that shares no writing: opening it to flush
    // waits that out (a denied access is no lock here, it stays an error at once).
    const unsigned long error = gf_retryWhileLocked(
        [&]() -> unsigned long {
            file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            return file != INVALID_HANDLE_VALUE ? 0 : GetLastError();
        },
        lf_sharingError);
    if (error != 0)
        lf_throwError(error, "CreateFileW", path);
    const BOOL flushed = FlushFileBuffers(file);
    const DWORD code = GetLastError();
    CloseHandle(file);
    if (!flushed)
        lf_throwError(code, "FlushFileBuffers", path);
}

void gf_syncFileSystem(const fs::path& folder)
{
    // Flushing a whole volume needs an administrator, so each file under the folder is flushed: still
    // one pass at the end instead of a flush per write.
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (it->is_regular_file(error))
            gf_syncFile(it->path());
    if (error)
        throw fs::filesystem_error("walk", folder, error);
}

} // namespace zyn
