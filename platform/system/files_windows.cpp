#include "platform/system/files.h"

#include "platform/system/full_disk.h"
#include "platform/system/lock_retry.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

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

// For a step that waits out no lock.
bool lf_neverLocked(unsigned long) { return false; }

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

std::FILE* gf_openFile(const fs::path& path, const char* mode, std::error_code& ec)
{
    const std::wstring wideMode(mode, mode + std::strlen(mode)); // modes are ASCII
    // Opened for writing: another program holding the file for a moment is waited out, as for a
    // replace. The runtime keeps the system's reason of a failed open in _doserrno.
    const bool writing = wideMode.find_first_of(L"wa+") != std::wstring::npos;
    std::FILE* file = nullptr;
    gf_retryWhileLocked(
        [&]() -> unsigned long {
            _doserrno = 0;
            file = _wfopen(path.c_str(), wideMode.c_str());
            if (file != nullptr) {
                ec.clear();
                return 0;
            }
            if (_doserrno == 0) {
                ec = std::error_code(errno, std::generic_category());
                return ERROR_GEN_FAILURE;
            }
            ec = std::error_code(static_cast<int>(_doserrno), std::system_category());
            return _doserrno;
        },
        writing ? lf_sharingError : lf_neverLocked);
    return file;
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

namespace {

// Attributes with which Windows refuses to replace a file (CopyFileW also a hidden or system one).
constexpr DWORD kRefusing = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// "read-only", "hidden", "system", joined, for a message that says why a file refused.
std::string lf_refusingNames(DWORD attributes)
{
    std::string names;
    for (const auto& [flag, name] : {std::pair<DWORD, const char*>{FILE_ATTRIBUTE_READONLY, "read-only"},
                                     {FILE_ATTRIBUTE_HIDDEN, "hidden"}, {FILE_ATTRIBUTE_SYSTEM, "system"}})
        if ((attributes & flag) != 0)
            names.append(names.empty() ? "" : ", ").append(name);
    return names;
}

// Clears the refusing attributes of an entry whose attributes are `before`; 0, or the error of
// SetFileAttributesW.
unsigned long lf_clearAttributes(const fs::path& path, DWORD before)
{
    if ((before & kRefusing) == 0)
        return 0;
    const DWORD plain = before & ~kRefusing;
    return SetFileAttributesW(path.c_str(), plain != 0 ? plain : FILE_ATTRIBUTE_NORMAL) ? 0 : GetLastError();
}

// Clears the refusing attributes of a file; 0, or the error of SetFileAttributesW. A missing file, a
// folder and a plain file are left. `before`: the attributes it had.
unsigned long lf_clearRefusing(const fs::path& path, DWORD& before)
{
    before = GetFileAttributesW(path.c_str());
    if (before == INVALID_FILE_ATTRIBUTES || (before & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return 0;
    return lf_clearAttributes(path, before);
}

// A junction or a link, named without a trailing separator.
bool lf_isLink(const fs::path& entry)
{
    const DWORD attributes = GetFileAttributesW(entry.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// A missing entry, or one in a missing folder.
bool lf_missing(unsigned long error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

} // namespace

void gf_makeFileWritable(const fs::path& path)
{
    DWORD before = 0;
    // Another program holding the file for a moment is waited out; a denied change (a file of another
    // account) is no lock and fails at once.
    const unsigned long error =
        gf_retryWhileLocked([&]() -> unsigned long { return lf_clearRefusing(path, before); }, lf_sharingError);
    if (error != 0)
        throw fs::filesystem_error("cannot make the " + lf_refusingNames(before) + " file writable", path,
                                   std::error_code(static_cast<int>(error), std::system_category()));
}

void gf_replaceFile(const fs::path& from, const fs::path& to)
{
    // A read-only target refuses the move with a denied access, which would be waited on as a lock.
    gf_makeFileWritable(to);
    // rename() fails on Windows when the target exists; write-through returns once the move is on the disk.
    lf_move(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

void gf_renameFolder(const fs::path& from, const fs::path& to) { lf_move(from, to, MOVEFILE_WRITE_THROUGH); }

bool gf_removeFile(const fs::path& path, std::error_code& ec)
{
    ec.clear();
    // DeleteFileW refuses a read-only file with a denied access, which is no lock: the marks go first.
    DWORD before = 0;
    const unsigned long error = gf_retryWhileLocked(
        [&]() -> unsigned long {
            const unsigned long cleared = lf_clearRefusing(path, before);
            return cleared != 0 ? cleared : DeleteFileW(path.c_str()) ? 0 : GetLastError();
        },
        lf_sharingError);
    if (error == 0)
        return true;
    if (!lf_missing(error))
        ec = std::error_code(static_cast<int>(error), std::system_category());
    return false;
}

bool gf_removeFolderTree(const fs::path& path, std::error_code& ec, fs::path* stayed)
{
    ec.clear();
    const auto stay = [&](const fs::path& entry) {
        if (stayed != nullptr)
            *stayed = entry;
        return false;
    };
    const auto fail = [&](unsigned long error, const fs::path& entry) {
        ec = std::error_code(static_cast<int>(error), std::system_category());
        return stay(entry);
    };
    const std::optional<fs::path> entry = gf_treeRemovalEntry(path);
    if (!entry || (*entry != path && lf_isLink(*entry))) {
        ec = std::make_error_code(std::errc::invalid_argument);
        return stay(path);
    }
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const unsigned long error = GetLastError();
        return lf_missing(error) ? false : fail(error, path);
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        if (!gf_removeFile(path, ec) && ec)
            return stay(path);
        return true;
    }
    // A read-only folder refuses its removal; it goes anyway, so its marks go first.
    if (const unsigned long error = lf_clearAttributes(path, attributes))
        return fail(error, path);
    // A junction or a link to a folder goes as it is: what it leads to is not the program's.
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        std::vector<fs::path> entries; // listed first: the listing does not see its own removals
        for (fs::directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec))
            entries.push_back(it->path());
        if (ec)
            return stay(path);
        for (const fs::path& entry : entries)
            if (gf_removeFolderTree(entry, ec, stayed); ec)
                return false;
    }
    const unsigned long error = gf_retryWhileLocked(
        [&]() -> unsigned long { return RemoveDirectoryW(path.c_str()) ? 0 : GetLastError(); }, lf_sharingError);
    return error == 0 ? true : fail(error, path);
}

bool gf_copyToNewFile(const fs::path& from, const fs::path& to, std::error_code& ec)
{
    ec.clear();
    const auto fail = [&ec](unsigned long error) {
        ec = std::error_code(static_cast<int>(error), std::system_category());
        return false;
    };
    if (!gf_roomForNewFile(to))
        return fail(ERROR_DISK_FULL);
    const unsigned long error = gf_retryWhileLocked(
        [&]() -> unsigned long { return CopyFileW(from.c_str(), to.c_str(), TRUE) ? 0 : GetLastError(); },
        lf_sharingError);
    if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS)
        return false;
    if (error != 0)
        return fail(error);
    // The copy took the source's attributes; a read-only or hidden file refuses a copy over it (and
    // a read-only one its removal below).
    DWORD before = 0;
    const unsigned long plain = lf_clearRefusing(to, before);
    // A full disk of the tests holds only what fitted (full_disk.h); CopyFileW wrote it in one call.
    std::error_code sizeError;
    const auto size = fs::file_size(to, sizeError);
    const bool fitted = sizeError || gf_bytesThatFit(to, static_cast<std::size_t>(size)) == size;
    if (fitted && plain == 0)
        return true;
    DeleteFileW(to.c_str()); // a new file that is not whole, or not plain, goes
    return fail(plain != 0 ? plain : ERROR_DISK_FULL);
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

void gf_syncFileSystem(const fs::path&, const std::vector<fs::path>& written)
{
    for (const fs::path& file : written)
        gf_syncFile(file);
}

} // namespace zyn
