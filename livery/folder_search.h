#pragma once
// The search of one scanned folder: its whole tree is walked, parts holding scenery or other
// publishers' products are passed over, and every aircraft.cfg file is read by one of g_workersMax
// worker threads started for the search. The walk takes each entry's type as it read it with its
// folder (only links are looked up). The records land at the end of g_scannedLiveries in the order
// in which the walk found their files.
#include "livery/livery_data.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <list>
#include <string_view>

namespace zyn {

// Path parts below which no aircraft.cfg is looked for (exact bytes), within the scanned folder.
inline constexpr std::array<std::string_view, 9> kLiverySkipWords{
    "airport", "lvfr", "mkstudios", "simwings", "fsdreamteam", "navigraph", "flytampa", "inibuilds", "_CVT_"};
// Folders whose whole path has this many characters or more (as Windows counts them) are not
// entered: below the 260 that Windows allows without its long-path setting.
inline constexpr std::size_t kLiveryPathLimit = 250;

// Reads one aircraft.cfg file into its liveries; runs on a worker thread, several at once.
using LiveryFileReader = std::function<std::list<LiveryData>(std::uint32_t folderIndex, const std::filesystem::path&)>;

// Whether the walk stays out of a folder, given the text of its path and the bytes of it that
// name the scanned folder (the skip words are looked for below them).
bool lf_skipsLiveryFolder(std::string_view pathText, std::size_t folderChars);
// "aircraft.cfg" in any case of letters.
bool lf_isAircraftCfgName(const std::filesystem::path& path);

// The reader of a file: the IVAO one for IVAO model packages, the ordinary one otherwise.
std::list<LiveryData> lf_readLiveryFile(std::uint32_t folderIndex, const std::filesystem::path& path);

// Searches the folder with lf_readLiveryFile. Returns once the records of every file whose reading
// began are in g_scannedLiveries, also when the walk itself failed (then the rest of the tree is
// not searched).
void lf_searchLiveriesInFolder(std::uint32_t folderIndex, const std::filesystem::path& folder);
// The same with another reader.
void lf_searchLiveriesInFolder(std::uint32_t folderIndex, const std::filesystem::path& folder,
                               const LiveryFileReader& reader);

} // namespace zyn
