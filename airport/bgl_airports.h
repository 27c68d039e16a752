#pragma once
// What becomes of an add-on airport found in a scenery file: a link file naming its archived
// parking file ("CODE.txt"), or a parking file generated from its stands ("CODE.xml"), in the
// simaddon or the thirdparty folder of the scan; an airport the reader cannot decode becomes an
// entry of the "TBLO" folder for the maker. Runs on the scan's workers, several at a time, without a
// lock: each file's report lines are added together, and each file is put through the scan's staging
// (two files of one airport: either whole one stays).
#include "airport/apf_format.h"
#include "airport/bgl_reader.h"
#include "airport/publisher.h"
#include "base/folder_publish.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace zyn {

// Where a scan writes: its results go to folders of their own until the scan has finished, so an
// interrupted or failed scan leaves the previous results in place. The staged folders are
// sub-folders of the staging's folder; staging puts the link and parking files and the TBLO entries
// into them.
struct ScanTargets {
    std::filesystem::path simaddon;
    std::filesystem::path thirdparty;
    std::filesystem::path tblo;
    FolderStaging* staging = nullptr;
};

extern std::atomic<bool> g_airportsLinkedOrGenerated;
extern std::atomic<std::uint32_t> g_tbloEntries;

// "archive/simaddon/CODE.xml"; "archive/thirdparty/Some%20Maker/CODE.xml".
std::string lf_simaddonArchivePath(std::string_view code);
std::string lf_thirdpartyArchivePath(std::string_view publisher, std::string_view code);

// Fills the file's BGL path and publisher texts from the scenery file's publisher (gf_findPublisher);
// true when a link file was written. archived gets the stand count of the archived thirdparty file
// (0 when unknown).
bool lf_linkAirport(ApfWriteData& file, std::int32_t& archived, std::string_view bglPath, const PublisherInfo& publisher,
                    const ScanTargets& targets);

// The text from the first "Community" on; a path without it stays whole.
void lf_cutAtCommunity(std::string& path);

// Writes the generated parking file of the airport's stands (none: nothing); true when written.
bool lf_generateAirportFile(ApfWriteData& file, std::vector<ParkPos>& stands, const ScanTargets& targets);

// A scenery file of the newer airport format: the code from the file name, the package's title or
// the path; linked when the archive has it, else a "TBLO" entry for the maker.
void lf_notRecognisedAirport(std::string_view bglPath, const ScanTargets& targets);

// A worker's whole job: reads one scenery file on from what the scan's pre-test read of it, and links
// or generates each of its airports. A damaged file is one line in the scan log; nothing is thrown.
void lf_toParkingPositions(const std::filesystem::path& bglPath, BglFileStart start, const ScanTargets& targets);

} // namespace zyn
