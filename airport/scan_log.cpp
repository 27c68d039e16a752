#include "airport/scan_log.h"

#include <mutex>

namespace zyn {

namespace {
constexpr std::size_t kScanLogReserve = 2048;
std::mutex g_scanLogMutex;
std::vector<std::string> g_scanLog; // under g_scanLogMutex
} // namespace

void gf_addScanLogLine(std::string_view line)
{
    std::lock_guard lock(g_scanLogMutex);
    g_scanLog.emplace_back(line);
}

std::vector<std::string> gf_scanLogLines()
{
    std::lock_guard lock(g_scanLogMutex);
    return g_scanLog;
}

void gf_resetScanLog()
{
    std::lock_guard lock(g_scanLogMutex);
    g_scanLog.clear();
    g_scanLog.reserve(kScanLogReserve);
}

std::string_view gf_plural(std::int64_t count) { return count == 1 || count < 0 ? "" : "s"; }

} // namespace zyn
