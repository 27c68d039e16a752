#pragma once
// Where an airport's parking file lies and how a server file is fetched. A file comes from the
// user's folders ("airports/my_thirdparty", "airports/my_simaddon": CODE.xml or a pointer file
// CODE.txt naming a server path), or from the download server's archive ("archive/stock/CODE.xml",
// paths holding "simaddon", and the thirdparty branch) below "MSFS/" or "MSFS2024/"; what was
// learned about it lies below "airports/learned". The main loop's downloads run beside it
// (airport/airport_asks.h), the scan's on its own thread, with the shared time-outs and low-speed
// floor (no bound on the whole transfer: a large file on a slow line arrives whole), into temporary
// files of unique names, removed again.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace zyn {

std::string lf_xmlName(std::string_view name);                // name + ".xml"
std::filesystem::path gf_xmlPath(std::string_view name);      // the same as a path
std::filesystem::path lf_txtPath(std::string_view name);      // name + ".txt"

// The first line of a pointer file, cut after its last "l" (so a trailing blank or CR goes);
// false, leaving out alone, when the file has no line.
bool lf_readApfPointer(const std::filesystem::path& path, std::string& out);

// What is known of a file: there, not there, or still on its way from the server. Unfetched: the
// server's file did not come (its error, no answer, the disk here), asked again after a pause.
enum class Presence : std::uint8_t { Absent, Present, UnderWay, Unfetched };

// Whether the server's 2020 archive holds the airport's stock file. The ask runs beside the caller
// (the main loop, airport/airport_asks.h): UnderWay while the transfer lasts, taken at a later check;
// the file it brings is kept for the read. A clear answer (the whole file, or the server's "not
// found") is remembered for the session, so a missing file is not asked for every time the park
// airport is looked for; an ask that failed otherwise is Unfetched, made again after the server's or
// the file's pause, and why (what the user reads: the server's error, or the disk here) goes to why.
Presence lf_downloadStockApf(std::string_view code, std::string* why = nullptr);
// Ends the pauses: the next ask goes to the server (the user's "Re-read").
void gf_resumeApfProbes();
// Forgets the remembered probes and the fetched files, ends the transfers under way and the pauses
// (a restart begins a new session; an exit ends the transfers).
void gf_resetApfProbes();

// Whether any parking file exists for the airport: the user's folders, then the server (why as there).
Presence gf_apfExists(std::string_view code, std::string* why = nullptr);
// Where the airport's parking file is: a local path beginning with "airports", a server path (the
// stock file's also when it did not come: its read tells why), or the empty text; nothing while the
// server's answer is on its way. A pointer file that names an
// unsafe location gives the empty text (logged).
std::optional<std::string> gf_getStockApf(std::string_view code);

// Whether a pause keeps the file at this location (gf_getStockApf's) from the server; never for a
// local file.
bool gf_apfLocationPaused(std::string_view location);

// Downloads a server path ("simaddon" and "stock" paths from "MSFS/", others from the branch of the
// simulator) into localPath, beside the caller: nothing while the transfer lasts, then the empty text
// on success, else the error text: "failed to download: ..." when the server did not deliver,
// "could not write ...: <reason>" when it did and a folder here could not take it (a full disk).
// Any end but the server's "not found" pauses the file or the server, logged as the pause begins:
// the text then says why and that it is asked again after a pause, as it does while the pause lasts.
std::optional<std::string> lf_downloadAddonApf(std::string_view serverPath, const std::filesystem::path& localPath);

// The learned counterpart of an airport file: "archive/stock/EDDF.xml" ->
// "airports/learned/stock/EDDF.xml" ("%20" becomes a blank), "airports/my_thirdparty/EDDF.xml" with
// the publisher Maker -> "airports/learned/thirdparty/Maker/EDDF.xml", "airports/my_simaddon/EDDF.xml"
// -> "airports/learned/my_simaddon/EDDF.xml". Empty for an empty path and for a location or
// publisher that could lead outside the learned folder (logged).
std::filesystem::path lf_learnedApfPath(std::string_view path, std::string_view subFolder);

// The file's "publisher" parameter; empty when the file cannot be loaded or has none.
std::string lf_readApfPublisher(const std::filesystem::path& path);
// For a file whose publisher is "unknown" and whose manufacturer and creator are both shorter than
// 4 characters: "manufacturer={}, creator={}"; "\"{}\" not found" when it cannot be loaded; else "".
std::string lf_detectPublisher(const std::filesystem::path& path);
// The stock-file asks of one run over many airports (the scan's TBLO step): once the server's pause
// begins (no answer at all, or two files in a row too slow; logged once), the others are not made
// and fail as that one did, so that an offline or stalling server does not hold the start-up once
// per airport. One file that came too slowly fails alone.
struct StockAsks {
    bool givenUp = false;
};
// Whether the airport's stock file rates its stands (a quality factor of 0 or more) and has a
// "WEEK" of 20 or more, so that it may be used for learning offline.
bool lf_suitableForLearning(std::string_view code, StockAsks& asks);

// A file name in the program folder that no other download uses: stem, ".xml", a unique part. The
// start-up removes what a kill leaves of it (gf_removeStaleTemporaries).
std::filesystem::path gf_uniqueTempPath(std::string_view stem);

} // namespace zyn
