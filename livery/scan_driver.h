#pragma once
// The start-up's livery scan: which folders to search, the search of each, and the thinning of
// the result before it is written to "LiveriesScanned.xml" for the livery index.
#include "livery/livery_data.h"

#include <cstdint>
#include <filesystem>
#include <vector>

namespace zyn {

using FolderList = std::vector<std::filesystem::path>;

// Where the folder walk stands: the priority given to the next folder that exists, the liveries
// found so far and the size of g_scannedLiveries after the previous folder.
struct FolderWalk {
    std::uint32_t folderIndex = 0;
    std::uint64_t total = 0;
    std::size_t previousSize = 0;
};

enum class ScanOutcome {
    Saved,       // "LiveriesScanned.xml" holds the new scan
    NothingFound,
    NotSaved,    // found liveries, but the file could not be written; the previous one is intact
    Interrupted, // an exit came before the file was written; nothing was written
};

// Where a scan stands as it finishes: its folders walked, its file saved. A step set here runs at
// each (tests bring an exit in at that moment); none is set in the program.
enum class ScanStage : std::uint8_t { Walked, Saved };
using ScanStageStep = void (*)(ScanStage stage);
void gf_setLiveryScanStep(ScanStageStep step);

// The package searches: each appends the first Community entry that carries its marker.
void lf_autoScanAig(const std::filesystem::path& community, FolderList& folders);
void lf_autoScanFsltl(const std::filesystem::path& community, FolderList& folders);
void lf_autoScanJustFlight(const std::filesystem::path& community, FolderList& folders);
void lf_autoScanUserTraffic(const std::filesystem::path& community, FolderList& folders);
// The package folders of the Community folder, in the order AI_PACKAGE_ORDER gives, user traffic last.
FolderList lf_automaticFolderList(const std::filesystem::path& community);
// The lfolder settings that hold a folder, in order; user error 48 when none does.
FolderList lf_manualFolderList();

void lf_scanLiveryFolder(FolderWalk& walk, const std::filesystem::path& folder);
ScanOutcome lf_scanAndWriteLiveries(const FolderList& folders);

// Title, airline, type, ATC id and cargo flag; not the folder index.
bool lf_sameLivery(const LiveryData& a, const LiveryData& b);
// With LIG_PRIORITIZE: per airline and type only the liveries of the highest-priority folder.
void lf_keepPriorityLiveries(std::list<LiveryData>& liveries);
// Sorted by airline, type and title, without repeats.
void lf_sortAndThinLiveries(std::list<LiveryData>& liveries);

// Builds the livery index from "LiveriesScanned.xml".
void lf_processScannedLiveries();

} // namespace zyn
