#include "base/log.h"

#include "base/folders.h"
#include "base/path_text.h"
#include "base/time_util.h"
#include "base/version.h"
#include "platform/system/clock.h"
#include "platform/system/error_text.h"
#include "platform/system/files.h"

#include <cstdio>
#include <initializer_list>
#include <stdexcept>
#include <string_view>
#include <system_error>

namespace zyn {

std::mutex g_logMutex;

namespace {

std::FILE* g_logFile = nullptr; // under g_logMutex; open from gf_openLog until gf_closeLog

const std::filesystem::path& kLogPath = g_logPath;

// Inserts the suffix before the file name's extension; a dot in a folder name does not count.
std::filesystem::path lf_backupName(const std::filesystem::path& path, const std::string& suffix)
{
    auto name = gf_utf8FileName(path);
    const auto dot = name.rfind('.');
    name.insert(dot, suffix);
    return path.parent_path() / gf_pathFromUtf8(name);
}

void lf_write(std::string_view prefix, std::string_view text)
{
    std::lock_guard lock(g_logMutex);
    if (g_logFile == nullptr)
        return;
    for (const std::string_view part : {prefix, text})
        if (!part.empty()) // an empty view may hold no pointer, which fwrite must not get
            std::fwrite(part.data(), 1, part.size(), g_logFile);
    std::fputc('\n', g_logFile);
    std::fflush(g_logFile);
    std::clearerr(g_logFile); // a lost line must not silence the rest of the log
}

// Under g_logMutex.
void lf_closeLogFile()
{
    if (g_logFile != nullptr)
        std::fclose(g_logFile);
    g_logFile = nullptr;
}

} // namespace

namespace {

// Whether the file is there; an error other than "not found" is thrown.
bool lf_present(const std::filesystem::path& path)
{
    std::error_code ec;
    const bool present = std::filesystem::exists(path, ec);
    if (ec)
        throw std::filesystem::filesystem_error("exists", path, ec);
    return present;
}

// A copy of the file beside `place`, under a temporary name, on the disk; empty when there is no
// file. As a new file it takes the file's permissions: a private log's backups stay private.
std::filesystem::path lf_stageCopy(const std::filesystem::path& path, const std::filesystem::path& place)
{
    if (!lf_present(path))
        return {};
    const auto staged = gf_temporaryPath(place);
    std::error_code ec;
    if (!gf_copyFile(path, staged, ExistingTarget::Keep, ec) && !ec)
        ec = std::make_error_code(std::errc::file_exists);
    if (ec)
        throw std::filesystem::filesystem_error("copy_file", path, place, ec);
    try {
        gf_syncFile(staged); // a crash right after the replace must not leave an empty backup
    } catch (const std::filesystem::filesystem_error&) {
        std::error_code ignored;
        gf_removeFile(staged, ignored);
        throw;
    }
    return staged;
}

// The two generations of copies; throws the file-system error of the copy that failed. Both copies
// are made beside their places before either replaces one: when one cannot be made (a full disk),
// both generations stay as they were, instead of the older one giving way to a chain that then stops.
void lf_backUp(const std::filesystem::path& path)
{
    const auto name = gf_utf8FileName(path);
    if (name.empty() || name.find('.') == std::string::npos)
        return;
    const auto first = lf_backupName(path, "0");
    const auto second = lf_backupName(path, "00");
    const auto newest = lf_stageCopy(path, first);
    std::filesystem::path older;
    try {
        older = lf_stageCopy(first, second);
        if (!older.empty())
            gf_replaceFile(older, second);
        if (!newest.empty())
            gf_replaceFile(newest, first);
    } catch (const std::filesystem::filesystem_error&) {
        std::error_code ignored;
        for (const auto& staged : {newest, older})
            if (!staged.empty())
                gf_removeFile(staged, ignored); // gone already when its replace went through
        throw;
    }
}

} // namespace

bool gf_backupFile(const std::filesystem::path& path)
{
    try {
        lf_backUp(path);
        return true;
    } catch (const std::filesystem::filesystem_error& e) {
        gf_logErrorf("backup of {} failed: {}", gf_utf8FromPath(path), gf_exceptionText(e));
        return false;
    }
}

namespace {

// Throws the file-system error when an existing file cannot take new contents. A file left read-only
// (or hidden, which Windows also refuses to open afresh) by a backup tool or a copy from a CD is the
// program's own: it is made writable. Then it must open for writing; it is not changed.
void lf_checkWritable(const std::filesystem::path& path)
{
    if (!lf_present(path))
        return;
    gf_makeFileWritable(path);
    std::error_code ec;
    std::FILE* file = gf_openFile(path, "r+b", ec);
    if (file == nullptr)
        throw std::filesystem::filesystem_error("open", path, ec);
    std::fclose(file);
}

// The start's error when the log cannot take new lines, with the system's reason.
[[noreturn]] void lf_throwLogRefused(const std::error_code& reason)
{
    throw std::runtime_error(fmt::format("Failed to write file {}: {}", gf_utf8FromPath(kLogPath), gf_errorText(reason)));
}

} // namespace

void gf_openLog()
{
    // A refused start keeps every generation: before the first backup moves, the newest backup must
    // take the log's copy and the log must open (another account's file, one held open).
    lf_checkWritable(lf_backupName(kLogPath, "0"));
    try {
        lf_checkWritable(kLogPath);
    } catch (const std::filesystem::filesystem_error& e) {
        lf_throwLogRefused(e.code());
    }
    lf_backUp(kLogPath); // a failed copy leaves the previous log as it is
    {
        std::lock_guard lock(g_logMutex);
        lf_closeLogFile();
    }
    // Another program may hold the log for a moment since its check (a virus scanner reading the
    // backup's source): the open waits that out as the check did.
    std::error_code ec;
    std::FILE* file = gf_openFile(kLogPath, "wb", ec);
    if (file == nullptr)
        lf_throwLogRefused(ec);
    {
        std::lock_guard lock(g_logMutex);
        g_logFile = file;
    }
    gf_logf("{} (utc) {} version {} for {}", gf_utcTimeText(gf_timeNow()), "Tarvo",
            gf_versionToString(g_programVersion), "MSFS 2020/2024");
}

void gf_closeLog()
{
    gf_log(gf_utcTimeText(gf_timeNow()));
    std::lock_guard lock(g_logMutex);
    lf_closeLogFile();
}

bool gf_logIsOpen()
{
    std::lock_guard lock(g_logMutex);
    return g_logFile != nullptr;
}

void gf_log(std::string_view text) { lf_write({}, text); }
void gf_logLine(const std::string& text) { lf_write({}, text); }
void gf_logError(std::string_view text) { lf_write("===> ", text); }
void gf_logIndented(std::string_view text) { lf_write("          ", text); }

} // namespace zyn
