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

// "" for 1 and for negative counts, else "s".
std::string_view gf_plural(std::int64_t count);

} // namespace zyn
