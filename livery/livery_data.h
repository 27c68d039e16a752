#pragma once
// Installed liveries as the scan finds them, and the state that the scan's file workers share:
// the title set, the don't-use titles and the problem lists that end in the scan reports.
#include "base/folders.h"

#include <cstdint>
#include <filesystem>
#include <list>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace zyn {

// One installed livery: one [fltsim.N] section of an aircraft.cfg file.
struct LiveryData {
    std::string airl;  // ICAO airline code, "PVT" for a private aircraft, "ZZZ" for an airline-neutral livery
    std::string type;  // ICAO type designator of the file, at most 4 characters
    std::string title; // trimmed; unique over one scan
    std::string atcid; // one registration of at most 12 characters, or empty
    std::uint32_t folderIndex = 0; // priority of the scanned folder; smaller is higher
    bool cargo = false;

    bool operator==(const LiveryData&) const = default;
};

// Lines appended by many file workers at once, each append under the list's own mutex. The scan
// driver reads, writes out and empties the lines without the mutex once no worker runs any more.
template <typename Lines> struct ProblemList {
    explicit ProblemList(std::filesystem::path reportPath) : reportPath(std::move(reportPath)) {}
    ProblemList(const ProblemList&) = delete;
    ProblemList& operator=(const ProblemList&) = delete;

    void append(std::string line)
    {
        std::lock_guard lock(mutex);
        lines.push_back(std::move(line));
    }

    const std::filesystem::path reportPath; // the report file the scan driver writes the lines to
    std::mutex mutex;
    Lines lines;
};

using ProblemLines = ProblemList<std::list<std::string>>;

extern ProblemLines g_noFltsimSectionList;   // files without any [fltsim.N] section
extern ProblemLines g_invalidFileList;       // files refused as a whole
extern ProblemLines g_incompleteSectionList; // sections refused
extern ProblemLines g_invalidAirlineList;    // airline codes the database does not know
extern ProblemLines g_invalidTypeList;       // type designators the database neither knows nor fixes
extern ProblemList<std::vector<std::string>> g_fixList; // type designators replaced by the fix table

// Titles taken in this scan: the first section with a title wins it.
struct TitleSet {
    // True when the title was new and is now taken.
    bool insert(std::string title);
    std::mutex mutex;
    std::set<std::string, std::less<>> titles;
};
extern TitleSet g_titleSet;

// Titles that must not become liveries; filled by the registration-code reader before the folder
// scans and only read while they run.
extern std::vector<std::string> g_dontUseTitles;
bool gf_isDontUseTitle(std::string_view title);

// The result of a scan, in the order in which the folder searches found the files.
extern std::list<LiveryData> g_scannedLiveries;

// Enters the title into the title set; when it is new, the record of the livery (cargo when
// passenger is 0), else a record whose fields are all empty.
LiveryData lf_insertLivery(std::uint32_t folderIndex, std::string airl, std::string type, std::int32_t passenger,
                           std::string title, std::string atcid);

} // namespace zyn
