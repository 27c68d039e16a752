// Scans killed at random moments, their publish included, leave the add-on folders, the TBLO folder
// and the report of one scan whole once the next start has repaired what the kill left, in both
// simulator modes.
#include "airport/airport_scan.h"
#include "airport/airports.h"
#include "airport/scan_log.h"
#include "base/folders.h"
#include "base/workers.h"
#include "settings/settings.h"
#include "tests/support/case_name.h"
#include "tests/support/child_role.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"
#include "tools/airport_gen.h"
#include "tools/bgl_writer.h"
#include "tools/download_server.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <map>
#include <optional>
#include <ostream>
#include <random>
#include <set>
#include <string>
#include <thread>

#include <signal.h>
#include <unistd.h>

namespace zyn {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kKills = 60; // per mode
constexpr int kAirportsPerScan = 6;

// What one scan publishes: thirdparty files of its own airports, simaddon files of its own airport
// and of two that both scans have; in MSFS 2024 mode a TBLO entry of its own and one that both scans
// make alike from a folder both scan. Both have a thirdparty file of that airport, which only the
// first scan's manifest makes fit for learning: it takes the place of the entry the other scan left
// in TBLO. The report and the TBLO entries are taken from a whole scan.
struct ScanResult {
    std::vector<fs::path> folders;
    std::set<std::string> thirdparty;
    std::set<std::string> simaddon;
    std::multiset<std::string> report;
    std::map<std::string, std::string> tblo;
};

// Airports of the newer format named by their file: an entry for the maker in MSFS 2024 mode.
void lf_writeUnrecognised(const fs::path& community, const std::string& bglName, const std::string& code)
{
    tools::gf_writeAirportPackage(community, {"indie-" + bglName, "paris", "", "", bglName + ".bgl"},
                                  {.airports = {tools::gf_bglAirport(code, 48.7, 2.4, 2)}, .unrecognisedFirst = true});
}

// The folders one scan walks: a community of its own and one both scans share.
std::vector<fs::path> lf_scanFolders(const fs::path& dir, char series)
{
    return {dir / "CommunityShared", dir / fmt::format("Community{}", series)};
}

ScanResult lf_writeCommunity(const fs::path& dir, char series)
{
    ScanResult result{lf_scanFolders(dir, series), {"LFPG.xml"}, {}, {}, {}};
    const fs::path& community = result.folders[1];
    lf_writeUnrecognised(community, series == 'A' ? "lfpo" : "lfpb", "EDDQ");
    tools::gf_writeAirportPackage(community, {"paris-cdg", "LFPG", "", series == 'A' ? "Indie Works" : "", "airport.bgl"},
                                  {.airports = {tools::gf_bglAirport("LFPG", 49.0, 2.55, 2)}});
    for (int i = 0; i < kAirportsPerScan; ++i) {
        const std::string code = fmt::format("E{}{:02}", series, i);
        tools::gf_writeAirportPackage(community, {"indie-" + code, code, "", "", "airport.bgl"},
                                      {.airports = {tools::gf_bglAirport(code, 50.0 + i * 0.1, 10.0, 3)}});
        result.thirdparty.insert(code + ".xml");
    }
    // Simaddon files name no scenery file: those of the shared airports are equal in both scans, so
    // a scan links the other one's.
    for (const std::string& simaddon : {fmt::format("L{}SA", series), std::string("LSHA"), std::string("LSHB")}) {
        tools::gf_writeAirportPackage(community, {"microsoft-airport-" + simaddon, simaddon, "", "", "airport.bgl"},
                                      {.airports = {tools::gf_bglAirport(simaddon, 47.0, 11.0, 2)}});
        result.simaddon.insert(simaddon + ".xml");
    }
    return result;
}

// The files published so far, each with a link of its own in a folder aside and its bytes: no scan
// writes into a published file, so a kill at any moment leaves them as they were.
class PublishedBytes {
public:
    explicit PublishedBytes(fs::path aside) : m_aside(std::move(aside)) {}
    void keep()
    {
        fs::remove_all(m_aside);
        fs::create_directories(m_aside);
        m_bytes.clear();
        for (const fs::path& folder : {g_myThirdpartyPath, g_mySimaddonPath, g_tbloPath}) {
            std::error_code ec;
            for (fs::directory_iterator entry(folder, ec); !ec && entry != fs::directory_iterator(); entry.increment(ec)) {
                if (!entry->is_regular_file())
                    continue;
                const fs::path link = m_aside / fmt::format("{}", m_bytes.size());
                fs::create_hard_link(entry->path(), link);
                m_bytes[link] = test::readText(link);
            }
        }
    }
    // The first file written into, or nothing.
    std::optional<fs::path> changed() const
    {
        for (const auto& [link, bytes] : m_bytes)
            if (test::readText(link) != bytes)
                return link;
        return std::nullopt;
    }

private:
    fs::path m_aside;
    std::map<fs::path, std::string> m_bytes;
};

// The parking files of a folder, each a whole one; a broken or cut file is named "broken".
std::set<std::string> lf_wholeFiles(const fs::path& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (!entry.is_regular_file())
            continue;
        pugi::xml_document document;
        const bool whole = document.load_file(entry.path().c_str()) && document.child("parkpositions");
        names.insert(whole ? entry.path().filename().string() : "broken");
    }
    return names;
}

std::multiset<std::string> lf_reportLines()
{
    const std::vector<std::string> lines = test::readLines(g_airportsScanLogPath);
    return {lines.begin(), lines.end()}; // the workers' files in any order
}

std::map<std::string, std::string> lf_tbloEntries()
{
    std::map<std::string, std::string> entries;
    std::error_code ec;
    for (fs::directory_iterator entry(g_tbloPath, ec); !ec && entry != fs::directory_iterator(); entry.increment(ec))
        entries[entry->path().filename().string()] = test::readText(entry->path());
    return entries;
}

// What the scans read besides their folders, in the test and in its child alike.
void lf_setScanState(bool msfs2020)
{
    param::MSFS_2020.value = msfs2020 ? 1 : 0;
    g_airports = {{"LFPB", "LBG", 48.97, 2.44, 218.0}, // by code, as read
                  {"LFPG", "CDG", 49.0, 2.55, 392.0},
                  {"LFPO", "ORY", 48.72, 2.38, 291.0}};
}

// The child's part, in the test's folder: the two scans one after the other, each whole one reported,
// until the kill.
int lf_scanForever(const test::RoleArgs& args)
{
    lf_setScanState(args.value("msfs2020") == "1");
    const std::array<std::vector<fs::path>, 2> folders{lf_scanFolders(fs::current_path(), 'A'),
                                                       lf_scanFolders(fs::current_path(), 'B')};
    const int reportFd = args.fd("report");
    for (int i = std::stoi(args.value("first"));; ++i) {
        lf_scanAddonAirports(folders[i % 2]);
        const char done = 1;
        if (write(reportFd, &done, 1) != 1)
            return 2;
    }
}
const test::ChildRole g_scanForeverRole{"airport-scan-forever", &lf_scanForever};

struct Mode {
    const char* name;
    bool msfs2020;
};
void PrintTo(const Mode& mode, std::ostream* out) { *out << mode.name; }

// In MSFS 2024 mode the simaddon folder gains the scan's files (the folder of the companion package).
class AirportScanKill : public ::testing::TestWithParam<Mode> {
protected:
    AirportScanKill()
    {
        lf_setScanState(GetParam().msfs2020);
        lf_writeUnrecognised(dir / "CommunityShared", "lfpg", "EDDR");
        if (GetParam().msfs2020) // the newer record is passed over and the airport behind it read
            for (ScanResult& scan : scans)
                scan.thirdparty.insert({"EDDQ.xml", "EDDR.xml"});
        tools::ApfSpec stock{.parameters = {{"publisher", "stock"}, {"altitude", "392"}, {"Qf_real", "0"}, {"WEEK", "20"}},
                             .stands = {{{{"id", "A1"}, {"latitude", "49.0"}, {"longitude", "2.55"}, {"radius", "20"}}}}};
        tools::gf_writeApfSpec(stock, archive.path() / "MSFS" / "archive" / "stock" / "LFPG.xml");
    }
    ~AirportScanKill() override
    {
        gf_resetScanLog();
        gf_resetAirports();
        param::MSFS_2020.value = 1;
    }

    // Which scan the add-on folders, TBLO and the report hold whole: 0 or 1; -1 for anything else.
    int wholeScan() const
    {
        const std::set<std::string> simaddon = lf_wholeFiles(g_mySimaddonPath);
        for (int s = 0; s < 2; ++s)
            if (lf_wholeFiles(g_myThirdpartyPath) == scans[s].thirdparty && !simaddon.contains("broken") &&
                (GetParam().msfs2020 ? simaddon == scans[s].simaddon
                            : std::includes(simaddon.begin(), simaddon.end(), scans[s].simaddon.begin(),
                                            scans[s].simaddon.end())) &&
                lf_tbloEntries() == scans[s].tblo && lf_reportLines() == scans[s].report)
                return s;
        return -1;
    }
    // The report and TBLO entries of a whole scan of each community, the first one's published last.
    void scanBoth()
    {
        for (int s : {1, 0}) {
            ASSERT_TRUE(lf_scanAddonAirports(scans[s].folders));
            scans[s].report = lf_reportLines();
            scans[s].tblo = lf_tbloEntries();
            ASSERT_FALSE(scans[s].report.empty());
            // the thirdparty file fit for learning, and the entries of the newer format
            ASSERT_EQ(scans[s].tblo.size(), (s == 0 ? 1u : 0u) + (GetParam().msfs2020 ? 0u : 1u + s)) << s;
        }
        ASSERT_EQ(scans[0].tblo.at("LFPG.xml"), test::readText(g_myThirdpartyPath / "LFPG.xml"));
    }
    static bool scanFoldersLeft()
    {
        for (const auto& entry : fs::directory_iterator(g_airportsPath))
            if (entry.path().filename().string().starts_with("scan_"))
                return true;
        return false;
    }

    test::TempDir dir{test::killTestParent()};
    test::ScopedCwd cwd{dir.path()};
    test::TempDir archive; // the server's: one stock file fit for learning
    tools::DownloadServer server{archive.path()};
    test::ScopedEnv archiveUrl{"TARVO_DOWNLOAD_URL", [this] {
                                   server.start();
                                   return server.baseUrl();
                               }()};
    std::array<ScanResult, 2> scans{lf_writeCommunity(dir.path(), 'A'), lf_writeCommunity(dir.path(), 'B')};
    fs::path userFile = g_myThirdpartyPath / "EDDF" / "mine.xml";
    PublishedBytes published{dir / "published"};
};

TEST_P(AirportScanKill, EveryKillLeavesTheResultsOfOneScanWhole)
{
    gf_resetWorkers();
    test::writeText(userFile, "a folder of the user's");
    const auto started = Clock::now();
    scanBoth();
    auto scanTime = (Clock::now() - started) / 2;
    ASSERT_EQ(wholeScan(), 0);
    published.keep();
    std::mt19937 random(29);
    int held = 0;
    for (int round = 0; round < kKills; ++round) {
        test::Pipe report;
        test::RoleChild child(g_scanForeverRole, test::RoleStart()
                                                      .value("msfs2020", GetParam().msfs2020 ? "1" : "0")
                                                      .value("first", std::to_string(1 - held))
                                                      .hand("report", report.writeEnd()));
        report.closeWriteEnd();
        // After a whole scan, somewhere in the next one: its walk, its staged files or its publish.
        const bool scanned = report.readByte(std::chrono::seconds(20)).has_value();
        const auto last = Clock::now();
        if (round % 4 == 0 && report.readByte(std::chrono::seconds(20)))
            scanTime = Clock::now() - last;
        std::this_thread::sleep_for(
            std::uniform_int_distribution<Clock::rep>(0, scanTime.count())(random) * Clock::duration(1));
        child.signal(SIGKILL);
        ASSERT_TRUE(child.waitForExit(std::chrono::seconds(20))) << "round " << round;
        ASSERT_TRUE(scanned) << "round " << round << ": the child did not scan";
        ASSERT_EQ(child.endSignal(), SIGKILL) << "round " << round << ": the child ended by itself";
        ASSERT_EQ(published.changed(), std::nullopt) << "round " << round << ": a published file was written into";
        gf_repairScanFolders(); // the next start
        held = wholeScan();
        ASSERT_NE(held, -1) << "round " << round;
        published.keep();
        ASSERT_FALSE(scanFoldersLeft()) << "round " << round;
        ASSERT_EQ(test::readText(userFile), "a folder of the user's") << "round " << round;
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, AirportScanKill, ::testing::Values(Mode{"Msfs2020", true}, Mode{"Msfs2024", false}),
                         test::CaseName());

} // namespace
} // namespace zyn
