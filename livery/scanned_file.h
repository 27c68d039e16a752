#pragma once
// "LiveriesScanned.xml": the installed liveries of the last scan, from which every start-up builds
// its livery index. A "meta" block, then "liveries" with one "liv" element per livery.
#include "livery/livery_data.h"

#include <filesystem>
#include <vector>

#include <pugixml.hpp>

namespace zyn {

// Writes g_scannedLiveries (nothing when it is empty) atomically over the previous file and logs
// "{} liveries in {}". False when the file could not be written; the previous file is then intact.
bool gf_saveLiveries();

// Appends one "liv" element: "airl", "type", "cargo" (only for cargo), "title", "atcid" (only when set).
void lf_addLiveryNode(pugi::xml_node parent, const LiveryData& livery);

// The liveries of a scanned-liveries file, in file order, with folder index 0. Throws
// UserErrorException: 51 when the file is missing or does not parse (a damaged file is moved aside
// to "<name>.bad" first, so the next start-up rescans), 52 without a "liveries" element, 533 when it
// holds no livery.
std::vector<LiveryData> gf_readLiveriesFile(const std::filesystem::path& path);

// The liveries of "LiveriesScanned.xml", sorted by airline, type and title, for the livery index;
// logs "{} liveries read from {}". Throws as gf_readLiveriesFile.
std::vector<LiveryData> lf_readLiveriesScanned();

// Where a damaged scanned-liveries file is kept: "<name>.bad" beside it.
std::filesystem::path gf_damagedFileBackupPath(const std::filesystem::path& path);

// Byte-wise order by airline, type, then title.
bool gf_liveryOrder(const LiveryData& a, const LiveryData& b);

} // namespace zyn
