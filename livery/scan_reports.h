#pragma once
// What a livery scan reports besides "LiveriesScanned.xml": the problem lists written to text files
// in "output/errors" and "output/info" with a summary in the log, and the liveries corrected from
// the aircraft database's registrations.
#include "livery/livery_data.h"

#include <filesystem>
#include <string>
#include <vector>

namespace zyn {

// The lines of "AirlineModelConversions.txt": liveries changed by the aircraft database.
extern std::vector<std::string> g_modelConversionLines;

inline const std::filesystem::path g_airlineModelConversionsPath{g_outputInfoPath / "AirlineModelConversions.txt"};
inline const std::filesystem::path g_liveriesSkippedOnPriorityPath{g_outputInfoPath / "LiveriesSkippedOnPriority.txt"};

// Deletes the previous scan's reports, whatever marks a user's tools left on them, and
// "output/errors" when that is then empty. A removal that fails is logged (gf_removeFileOrLog); the
// others and the scan go on.
// "LiveriesScanned.xml" stays: a new scan replaces it only once it has a complete list.
void lf_removeScanReports();

// Corrects a livery from the registration record of its ATC id: cargo flag, airline (the operator
// when the record has one) and type, each change one line of g_modelConversionLines.
void lf_writeCodeFixes(LiveryData& livery);

// Writes each non-empty problem list to its report file and the summary lines to the log.
void lf_writeScanSummary();

// Empties the conversion lines, the problem lists, the title set and the don't-use titles.
void gf_clearLiveryLists();

} // namespace zyn
