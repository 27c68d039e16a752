#include "base/log.h"

#include "base/folders.h"
#include "base/time_util.h"
#include "base/version.h"
#include "platform/system/clock.h"

#include <stdexcept>

namespace zyn {

std::ofstream g_logStream;
std::mutex g_logMutex;

namespace {

const std::filesystem::path& kLogPath = g_logPath;

// Inserts the suffix before the file name's extension; a dot in a folder name does not count.
std::filesystem::path lf_backupName(const std::filesystem::path& path, const std::string& suffix)
{
    auto name = path.filename().string();
    const auto dot = name.rfind('.');
    name.insert(dot, suffix);
    return path.parent_path() / name;
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

void gf_backupFile(const std::filesystem::path& path)
{
    const auto name = path.filename().string();
    if (name.empty() || name.find('.') == std::string::npos)
        return;
    const auto first = lf_backupName(path, "0");
    const auto second = lf_backupName(path, "00");
    const auto overwrite = std::filesystem::copy_options::overwrite_existing;
    if (std::filesystem::exists(first))
        std::filesystem::copy_file(first, second, overwrite);
    if (std::filesystem::exists(path))
        std::filesystem::copy_file(path, first, overwrite);
}

void gf_openLog()
{
    gf_backupFile(kLogPath);
    {
        std::lock_guard lock(g_logMutex);
        if (g_logStream.is_open())
            g_logStream.close();
        g_logStream.clear();
        g_logStream.open(kLogPath, std::ios::out | std::ios::trunc);
        if (!g_logStream.is_open()) {
            g_logStream.clear();
            throw std::runtime_error("Failed to write file " + kLogPath.string());
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
