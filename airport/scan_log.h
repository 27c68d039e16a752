#pragma once
// The report of the add-on airport scan: lines added by the scan's workers, any thread, in the order
// they arrive, written to "output/info/AirportsScanLog.txt" when the scan ends.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zyn {

void gf_addScanLogLine(std::string_view line);
// The lines so far, copied under the lock.
std::vector<std::string> gf_scanLogLines();
// Empties the log and makes room for a scan's lines.
void gf_resetScanLog();

// While one lives, the lines its thread adds are kept back and added together when it ends, so that
// the lines of one file stay together in the report however many workers write at once.
class ScanLogBatch {
public:
    ScanLogBatch();
    ~ScanLogBatch();
    ScanLogBatch(const ScanLogBatch&) = delete;
    ScanLogBatch& operator=(const ScanLogBatch&) = delete;

private:
    std::vector<std::string> m_lines;
    std::vector<std::string>* m_outer;
};

// "" for 1 and for negative counts, else "s".
std::string_view gf_plural(std::int64_t count);

} // namespace zyn
