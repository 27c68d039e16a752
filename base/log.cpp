#include "base/log.h"

#include "base/folders.h"
#include "base/path_text.h"
#include "base/time_util.h"
#include "base/version.h"
#include "platform/system/clock.h"
#include "platform/system/files.h"

#include <stdexcept>

namespace zyn {

std::ofstream g_logStream;
std::mutex g_logMutex;

namespace {

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
    if (!g_logStream.is_open())
        return;
    g_logStream << prefix << text << '\n';
    g_logStream.flush();
    if (!g_logStream)
        g_logStream.clear(); // a lost line must not silence the rest of the log
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

// A copy of the file beside `place`, under a temporary name; empty when there is no file.
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
    return staged;
}

// The two generations of copies; throws the file-system error of the copy that failed. The newest
// copy is made first, beside its place: when it cannot be made (a full disk), both generations stay
// as they were, instead of the older one giving way to a chain that then stops.
void lf_backUp(const std::filesystem::path& path)
{
    const auto name = gf_utf8FileName(path);
    if (name.empty() || name.find('.') == std::string::npos)
        return;
    const auto first = lf_backupName(path, "0");
    const auto staged = lf_stageCopy(path, first);
    try {
        if (lf_present(first))
            gf_copyFile(first, lf_backupName(path, "00"), ExistingTarget::Replace);
        if (!staged.empty())
            gf_replaceFile(staged, first);
    } catch (const std::filesystem::filesystem_error&) {
        std::error_code ignored;
        if (!staged.empty())
            gf_removeFile(staged, ignored);
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
        gf_logErrorf("backup of {} failed: {}", gf_utf8FromPath(path), e.what());
        return false;
    }
}

namespace {

// A log left read-only (or hidden, which Windows also refuses to open afresh) by a backup tool or a
// copy from a CD is the program's own file: made writable, so that it does not refuse every start.
void lf_makeWritable(const std::filesystem::path& path)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return;
    try {
        gf_makeFileWritable(path);
    } catch (const std::filesystem::filesystem_error&) { // the open's own failure is reported
    }
}

} // namespace

void gf_openLog()
{
    lf_backUp(kLogPath); // a failed copy leaves the previous log as it is
    lf_makeWritable(kLogPath);
    {
        std::lock_guard lock(g_logMutex);
        if (g_logStream.is_open())
            g_logStream.close();
        g_logStream.clear();
        g_logStream.open(kLogPath, std::ios::binary | std::ios::trunc);
        if (!g_logStream.is_open()) {
            g_logStream.clear();
            throw std::runtime_error("Failed to write file " + gf_utf8FromPath(kLogPath));
        }
    }
    gf_logf("{} (utc) {} version {} for {}", gf_utcTimeText(gf_timeNow()), "Tarvo",
            gf_versionToString(g_programVersion), "MSFS 2020/2024");
}

void gf_closeLog()
{
    gf_log(gf_utcTimeText(gf_timeNow()));
    std::lock_guard lock(g_logMutex);
    if (g_logStream.is_open())
        g_logStream.close();
}

bool gf_logIsOpen()
{
    std::lock_guard lock(g_logMutex);
    return g_logStream.is_open();
}

void gf_log(std::string_view text) { lf_write({}, text); }
void gf_logLine(const std::string& text) { lf_write({}, text); }
void gf_logError(std::string_view text) { lf_write("===> ", text); }
void gf_logIndented(std::string_view text) { lf_write("          ", text); }

} // namespace zyn
