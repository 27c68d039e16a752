// The folder search on real folder trees with real worker threads; the readers stand in for the
// aircraft.cfg reading so the tests can watch which files are read and how many at once.
#include "base/log.h"
#include "base/workers.h"
#include "livery/folder_search.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <set>
#include <thread>

namespace zyn {
namespace {

namespace fs = std::filesystem;

class LiveryFolderSearchThreads : public ::testing::Test {
protected:
    void SetUp() override
    {
        gf_openLog();
        g_scannedLiveries.clear();
        g_workersMax = 4;
        g_workersRunning = 0;
    }
    void TearDown() override
    {
        g_scannedLiveries.clear();
        gf_resetWorkers();
        gf_closeLog();
    }
    std::string cfg(const std::string& relative)
    {
        test::writeText(dir / relative, "[fltsim.0]\r\n");
        return (dir / relative).make_preferred().string(); // as the search names it
    }
    // One record per file, titled with the file's path.
    static std::list<LiveryData> pathRecord(std::uint32_t folderIndex, const fs::path& path)
    {
        return {LiveryData{"AAA", "A320", path.string(), "", folderIndex, false}};
    }
    std::vector<std::string> titles() const
    {
        std::vector<std::string> result;
        for (const LiveryData& livery : g_scannedLiveries)
            result.push_back(livery.title);
        return result;
    }

    test::TempDir dir;
    test::ScopedCwd cwd{dir.path()};
};

TEST_F(LiveryFolderSearchThreads, NeverMoreWorkersThanSlotsAndRecordsInWalkOrder)
{
    for (int i = 0; i < 10; ++i)
        cfg(fmt::format("pkg/SimObjects/Airplanes/model{}/aircraft.cfg", i));
    std::atomic<int> running{0};
    std::atomic<int> peak{0};
    std::atomic<int> started{0};
    const LiveryFileReader reader = [&](std::uint32_t folderIndex, const fs::path& path) {
        const int now = ++running;
        for (int seen = peak.load(); now > seen && !peak.compare_exchange_weak(seen, now);) {
        }
        // Early files take longest, so the workers finish out of order.
        std::this_thread::sleep_for(std::chrono::milliseconds(40 - 3 * started++));
        --running;
        return pathRecord(folderIndex, path);
    };
    lf_searchLiveriesInFolder(3, dir / "pkg", reader);

    std::vector<std::string> walkOrder;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(dir / "pkg"))
        if (entry.is_regular_file())
            walkOrder.push_back(entry.path().string());
    EXPECT_EQ(titles(), walkOrder);
    EXPECT_LE(peak.load(), 4);
    EXPECT_GE(peak.load(), 2) << "files are read in parallel";
    EXPECT_EQ(g_workersRunning.load(), 0);
    EXPECT_EQ(g_scannedLiveries.front().folderIndex, 3u);
}

TEST_F(LiveryFolderSearchThreads, ReadsOnlyAircraftCfgOutsideSkippedFolders)
{
    // Skip words concern the path below the scanned folder ("/" and on), the length limit the whole path.
    const std::size_t longest = kLiveryPathLimit - 1 - (dir / "pkg").string().size() - 1; // a folder of 249
    const std::set<std::string> expected{
        cfg("pkg/a/AIRCRAFT.CFG"), cfg("pkg/b/Aircraft.Cfg"),
        cfg("pkg/c_cvt_x/aircraft.cfg"), // skip words are case-sensitive
        // a file path of more than 250 characters in a folder that is entered
        cfg("pkg/" + std::string(longest, 's') + "/aircraft.cfg"),
        // where the user keeps the scanned folder does not matter
        cfg("inibuilds-traffic/model/aircraft.cfg"),
        cfg("my-airport-collection/Community/m/aircraft.cfg")};
    for (const char* skipped : {"pkg/a/aircraft.cfg.bak", "pkg/a/aircraft_old.cfg", "pkg/c_CVT_x/aircraft.cfg",
                                "pkg/flytampa-scenery/aircraft.cfg"})
        cfg(skipped);
    cfg("pkg/" + std::string(longest + 1, 'f') + "/aircraft.cfg");
    lf_searchLiveriesInFolder(1, dir / "pkg", pathRecord);
    lf_searchLiveriesInFolder(2, dir / "inibuilds-traffic", pathRecord);
    lf_searchLiveriesInFolder(3, dir / "my-airport-collection" / "Community", pathRecord);
    const auto found = titles();
    EXPECT_EQ(std::set<std::string>(found.begin(), found.end()), expected);
}

// The length limit counts the characters of the whole path as Windows does (UTF-16 code units), so
// that no folder entered lies beyond the 260 that Windows allows; skip words count below the
// scanned folder only.
TEST(LiveryFolderSkip, WholePathOfWindowsCharactersAndSkipWordsBelowTheFolder)
{
    const auto repeat = [](std::string_view text, std::size_t times) {
        std::string out;
        for (std::size_t i = 0; i < times; ++i)
            out += text;
        return out;
    };
    const std::string folder = "/sim/Community"; // 14 characters
    const std::string deep = "/sim/" + std::string(231, 'd') + "/Community"; // 246 characters
    const struct {
        const char* what;
        std::string path;
        std::string scanned;
        bool skipped;
    } rows[] = {
        {"249 characters", folder + "/" + std::string(234, 'a'), folder, false},
        {"250 characters", folder + "/" + std::string(235, 'a'), folder, true},
        {"250 characters, most of them the scanned folder's", deep + "/pkg", deep, true},
        {"249 letters of two bytes each", folder + "/" + repeat("\xc3\xbc", 234), folder, false},
        {"250 letters of two bytes each", folder + "/" + repeat("\xc3\xbc", 235), folder, true},
        {"a character beyond the basic plane counts two", folder + "/" + repeat("\xf0\x9d\x84\x9e", 117), folder,
         false},
        {"251 of them", folder + "/" + repeat("\xf0\x9d\x84\x9e", 118), folder, true},
        {"a skip word below the folder", folder + "/flytampa-eddt", folder, true},
        {"a skip word in the folder", "/inibuilds/Community/pkg", "/inibuilds/Community", false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(lf_skipsLiveryFolder(row.path, row.scanned.size()), row.skipped) << row.what;
}

TEST_F(LiveryFolderSearchThreads, FailingFileIsLoggedAndTheOthersAreKept)
{
    for (int i = 0; i < 6; ++i)
        cfg(fmt::format("pkg/m{}/aircraft.cfg", i));
    const LiveryFileReader reader = [](std::uint32_t folderIndex, const fs::path& path) -> std::list<LiveryData> {
        if (path.parent_path().filename() == "m2")
            throw std::out_of_range("invalid string position");
        return pathRecord(folderIndex, path);
    };
    lf_searchLiveriesInFolder(1, dir / "pkg", reader);
    EXPECT_EQ(g_scannedLiveries.size(), 5u);
    EXPECT_EQ(g_workersRunning.load(), 0);
    const auto lines = test::readLines(dir / "Log.txt");
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) {
                                return line.starts_with("===> liveries search aborted, futs ") &&
                                       line.ends_with(", invalid string position");
                            }),
              1);
}

} // namespace
} // namespace zyn
