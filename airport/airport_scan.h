#pragma once
// The add-on airport scan: walks the simulator's package folders, reads every scenery file with an
// airport section on a worker (at most the worker limit at once), writes the scan report, gathers
// the thirdparty files worth sending to the maker in "TBLO" and switches SCAN_AIRPORTS off (left on
// when the results could not be put in place, so the next start scans again). Runs on
// the start-up thread; gf_scanAirports is declared in airport/airports.h.
#include "airport/bgl_airports.h"
#include "base/folders.h"

#include <filesystem>
#include <string_view>
#include <vector>

namespace zyn {

inline const std::filesystem::path g_airportsScanLogPath{"output/info/AirportsScanLog.txt"};

// Whether a walk skips the entry: a whole path of 250 characters or more (as Windows counts them),
// or a part below the scanned folder (its first scannedChars bytes) that names packages without
// airports (aircraft, tutorials, traffic and the like).
bool lf_skipFolder(std::string_view pathText, std::size_t scannedChars);
// Whether a scenery file is read: a BGL extension, no folder of statics or old airport updates.
bool lf_isCandidateName(const std::filesystem::path& path, std::size_t scannedChars);

// The search of one folder: one worker per scenery file with an airport section.
void lf_scanFolderForAirports(const std::filesystem::path& folder, const ScanTargets& targets);
void lf_scanFolder(const std::filesystem::path& folder, const ScanTargets& targets);

struct ScanPublish {
    bool scanned = false; // not interrupted by an exit
    bool report = false;  // the report was published with the results
    bool thirdpartyListed = false;
    bool copyFailed = false; // a thirdparty file fit for learning could not be set aside
};

// The folder scans into folders of their own and, unless an exit interrupted them, the publish of
// their results, their report and their TBLO folder in place of the last ones, all or none. Throws
// PublishPutBack when the publish could not finish and was put back.
ScanPublish lf_scanAndPublish(const std::vector<std::filesystem::path>& folders);

// The folder scans, the report and the TBLO step; true when an airport was linked or generated.
// False without publishing anything when an exit interrupted the scan.
bool lf_scanAddonAirports(const std::vector<std::filesystem::path>& folders);

// What a scan killed while it ran left: a publish that had been committed is completed, the scan's
// other folders go. Errors are logged; a publish that cannot be completed waits for the next start.
// Runs at start-up, before the add-on folders are read.
void gf_repairScanFolders();

// The stems of the ".xml" files (any letter case) of "my_thirdparty" (or of the folder).
std::vector<std::string> gf_listAirportXmlFiles(const std::filesystem::path& folder = g_myThirdpartyPath);

} // namespace zyn
