#include "airport/scan_log.h"

#include <iterator>
#include <mutex>

namespace zyn {

namespace {
constexpr std::size_t kScanLogReserve = 2048;
std::mutex g_scanLogMutex;
std::vector<std::string> g_scanLog; // under g_scanLogMutex
thread_local std::vector<std::string>* t_batch = nullptr;
} // namespace

ScanLogBatch::ScanLogBatch() : m_outer(t_batch) { t_batch = &m_lines; }

ScanLogBatch::~ScanLogBatch()
{
    t_batch = m_outer;
    if (m_outer) {
        m_outer->insert(m_outer->end(), std::make_move_iterator(m_lines.begin()), std::make_move_iterator(m_lines.end()));
        return;
    }
    std::lock_guard lock(g_scanLogMutex);
    g_scanLog.insert(g_scanLog.end(), std::make_move_iterator(m_lines.begin()), std::make_move_iterator(m_lines.end()));
}

void gf_addScanLogLine(std::string_view line)
{
    if (t_batch) {
        t_batch->emplace_back(line);
        return;
    }
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
