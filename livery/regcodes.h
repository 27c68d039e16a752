#pragma once
// Registration codes: which installed livery a real aircraft wears, by its registration. Three
// sources, later ones overriding earlier ones: the registration of each installed livery,
// "AIG-regcodes.xml" from the download server and the user's ".txt" files in "input/my_regcodes".
// Filled on the start-up thread while the livery index is built; read by matching without locks.
#include "livery/livery_data.h"
#include "livery/livery_index.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace zyn {

// One entry of a registration file. No registrations: a title that must never be used.
struct RegcodeEntry {
    std::string title;
    std::vector<std::string> regs; // sorted, without duplicates
    bool special = false;          // worn only by its own registrations, never drawn at random
    bool operator==(const RegcodeEntry&) const = default;
};

// registration -> installed title (a view into the livery index).
extern TextMap<std::string_view> g_regcodeLiveries;
// Titles of special entries, one element per entry.
extern std::vector<std::string_view> g_specialLiveryTitles;
// The lines of "OfflineRegcodes.txt" of the last processing.
extern std::vector<std::string> g_offlineRegcodeLines;

std::filesystem::path gf_aigRegcodesXmlPath();     // "input/AIG-regcodes.xml"
std::filesystem::path gf_inlineRegcodesPath();     // "output/errors/InlineRegcodes.txt"
std::filesystem::path gf_offlineRegcodesPath();    // "output/info/OfflineRegcodes.txt"

// Appends the entries of every ".txt" file (any case) directly in the folder. False when a line had
// a format or length error or a file could not be read; the entries read so far stay.
bool gf_readRegcodeFiles(const std::filesystem::path& folder, std::vector<RegcodeEntry>& entries);
// Appends the entries of an "AIG-regcodes.xml"; false only when the file does not load.
bool gf_readAigRegcodesXml(const std::filesystem::path& path, std::vector<RegcodeEntry>& entries);

// Start of a scan: appends the titles that must never be used, from both kinds of files.
void lf_readAigRegcodesForScan(std::vector<std::string>& dontUseTitles);

// Index build, in this order, once the titles are in the index: the registrations of the installed
// liveries (in airline, type, title order), with "InlineRegcodes.txt" for clashes; then the two files.
void lf_checkInlineRegcodeClashes(const std::vector<LiveryData>& liveries);
void lf_processRegcodeFiles();

// Empties the code tables (before the index is rebuilt).
void gf_clearRegcodes();

} // namespace zyn
