#include "aircraft/aircraft_db.h"
#include "airport/airport_scan.h"
#include "airport/bgl_airports.h"
#include "airport/airports.h"
#include "airport/apf_locations.h"
#include "airport/bgl_reader.h"
#include "airport/publisher.h"
#include "airport/scan_log.h"
#include "base/exit_flags.h"
#include "base/folders.h"
#include "base/path_text.h"
#include "base/workers.h"
#include "platform/system/clock.h"
#include "platform/system/files.h"
#include "platform/system/full_disk.h"
#include "platform/system/lock_retry.h"
#include "settings/settings.h"
#include "shown/display_texts.h"
#include "tests/airport/airport_fixture.h"
#include "tools/bgl_writer.h"
#include "tools/refusing_port.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#endif

namespace zyn {
namespace {

namespace fs = std::filesystem;
using tools::gf_bglAirport;

// A relative path given with "/" as this system writes it (UTF-8).
std::string lf_native(const std::string& generic)
{
    return gf_utf8FromPath(gf_pathFromUtf8(generic).make_preferred());
}

class AirportScan : public test::AirportFixture {
protected:
    AirportScan()
    {
        gf_clearDbase();
        gf_resetScanLog();
        gf_resetWorkers();
        g_publishers = {{"Maker Name", "maker-pkg"}};
        g_publisherAirports2020 = {{"Maker Name", {"EDDT7", "EDDB30"}}};
        g_simAddonAirports = {"LOWI"};
        param::MSFS_2020.value = 1;
    }
    ~AirportScan() override
    {
        g_exitRequested = 0;
        param::SCAN_AIRPORTS.value = 1;
        param::MSFS_INSTALL_PATH.setValue("");
        gf_clearDbase();
        gf_resetScanLog();
        gf_resetWorkers();
        gf_resetAirports();
        gf_resetDisplayTexts();
    }
    void package(const std::string& folder, const tools::BglFileSpec& file, std::string manufacturer = "",
                 std::string bglName = "airport.bgl")
    {
        tools::gf_writeAirportPackage(community, {folder, folder + " title", "", std::move(manufacturer), std::move(bglName)},
                                      file);
    }
    static bool reportHas(std::string_view text)
    {
        const auto lines = test::readLines(g_airportsScanLogPath);
        return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(text) != l.npos; });
    }
    static std::string firstLine(const fs::path& path) { return test::readLines(path).at(0); }
    // A first scan in MSFS 2024 mode: LFPG gets a TBLO entry as a not recognised airport, and a
    // thirdparty file not yet fit for learning (its package names no maker) though its stock file is.
    void scanLfpgNotYetFitForLearning()
    {
        param::MSFS_2020.value = 0;
        g_airports = {{"LFPG", "CDG", 49.0, 2.55, 392.0}};
        tools::Attributes learnable = test::stockParameters();
        learnable.insert(learnable.end(), {{"Qf_real", "0"}, {"WEEK", "20"}});
        serveApf("MSFS/archive/stock/LFPG.xml", {.parameters = learnable, .stands = {test::fullStand("A1", 49.0, 2.55)}});
        package("indie-paris", {.airports = {}, .unrecognisedFirst = true}, "", "lfpg.bgl");
        package("indie-lfpg", {.airports = {gf_bglAirport("LFPG", 49.0, 2.55, 2)}}); // no maker named: not fit
        ASSERT_TRUE(lf_scanAddonAirports({community}));
    }
    // LFPG's package names its maker: the next scan sets its thirdparty file aside for learning.
    void nameLfpgsMaker()
    {
        package("indie-lfpg", {.airports = {gf_bglAirport("LFPG", 49.0, 2.55, 2)}}, "Indie Works");
    }
#ifdef _WIN32
    // A scan asked for with a package to scan, and a file of an earlier scan that another program holds
    // open, sharing its reading only; the waits for its lock pass at once.
    HANDLE holdForAScan(const fs::path& held)
    {
        package("indie-eddt", {.airports = {gf_bglAirport("EDDT", 52.55, 13.29, 2)}});
        param::MSFS_INSTALL_PATH.setValue((programDir / "Packages").string());
        param::SCAN_AIRPORTS.value = 1;
        test::writeText(held, "held");
        const HANDLE handle = CreateFileW(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE)
            gf_setLockWait([](std::chrono::milliseconds) {});
        return handle;
    }
    static void letGo(HANDLE held)
    {
        gf_setLockWait(nullptr);
        CloseHandle(held);
    }
#endif

    fs::path community = programDir / "Packages" / "Community";
};

// The length limit counts the characters of the whole path as Windows does (UTF-16 code units);
// skip words count below the scanned folder only.
TEST_F(AirportScan, FoldersAndFilesTheWalkLeavesOut)
{
    const std::string base = "/sim/Community";
    const auto repeat = [](std::string_view text, std::size_t times) {
        std::string out;
        for (std::size_t i = 0; i < times; ++i)
            out += text;
        return out;
    };
    const std::pair<std::string, bool> folders[] = {
        {base + "/orbx-airport-eddt", false},       {base + "/asobo-aircraft-a320", true},
        {base + "/x/SimObjects/Airplanes", false},  {base + "/x/simobjects/airplanes", true},
        {base + "/My Aircraft Airport", false},     {base + "/fsltl-traffic-base", true},
        {base + "/" + std::string(234, 'a'), false}, // 249 characters
        {base + "/" + std::string(235, 'a'), true},
        {base + "/" + repeat("\xc3\xbc", 234), false}, // 249 letters of two bytes each
        {base + "/" + repeat("\xc3\xbc", 235), true},
        {base + "/" + repeat("\xf0\x9d\x84\x9e", 117), false}, // beyond the basic plane: two each
        {base + "/" + repeat("\xf0\x9d\x84\x9e", 118), true},
        {"/home/aircraft/Community/orbx-airport", false}};
    for (const auto& [path, skipped] : folders)
        EXPECT_EQ(lf_skipFolder(path, path.starts_with(base) ? base.size() : 25), skipped) << path;
    const std::pair<std::string, bool> files[] = {
        {base + "/a/scenery/EDDT.bgl", true},           {base + "/a/scenery/EDDT.BGL", true},
        {base + "/a/scenery/EDDT.Bgl", false},          {base + "/a/AFCAD Updates/EDDT.bgl", false},
        {base + "/a/afcad updates/EDDT.bgl", true},     {base + "/a/scenery/statics/EDDT.bgl", false},
        {base + "/a/scenery/EDDT_heliports.bgl", false}};
    for (const auto& [path, candidate] : files)
        EXPECT_EQ(lf_isCandidateName(path, base.size()), candidate) << path;
}

TEST_F(AirportScan, AirportsAreLinkedToTheArchiveOrGenerated)
{
    package("maker-pkg-eddt", {.airports = {gf_bglAirport("EDDT", 52.55, 13.29, 12)}}); // 15 stands > 7 archived
    package("maker-pkg-eddb", {.airports = {gf_bglAirport("EDDB", 52.36, 13.50, 4)}});  // 7 <= 30 archived
    package("microsoft-airport-lowi", {.airports = {gf_bglAirport("LOWI", 47.26, 11.34, 40)}});
    package("microsoft-airport-lowg", {.airports = {gf_bglAirport("LOWG", 46.99, 15.44, 1)}});
    package("indie-lfpg", {.airports = {gf_bglAirport("LFPG", 49.0, 2.55, 2)}}, "Indie Works");
    test::writeText(g_myThirdpartyPath / "OLD1.xml", "a file of the last scan");
    test::writeText(g_myThirdpartyPath / "EDDF" / "mine.xml", "a folder of the user's");

    EXPECT_TRUE(lf_scanAddonAirports({community}));

    EXPECT_EQ(firstLine(g_myThirdpartyPath / "EDDT.txt"), "archive/thirdparty/Maker%20Name/EDDT.xml");
    EXPECT_EQ(firstLine(g_myThirdpartyPath / "EDDB.txt"), "archive/thirdparty/Maker%20Name/EDDB.xml");
    EXPECT_EQ(firstLine(g_mySimaddonPath / "LOWI.txt"), "archive/simaddon/LOWI.xml");
    EXPECT_FALSE(fs::exists(g_myThirdpartyPath / "EDDB.xml"));
    EXPECT_FALSE(fs::exists(g_mySimaddonPath / "LOWI.xml"));
    EXPECT_FALSE(fs::exists(g_myThirdpartyPath / "OLD1.xml"));
    EXPECT_EQ(test::readText(g_myThirdpartyPath / "EDDF" / "mine.xml"), "a folder of the user's");
    EXPECT_FALSE(fs::exists("airports/scan_new"));
    EXPECT_FALSE(fs::exists("airports/scan_publish"));
    EXPECT_TRUE(reportHas("===> EDDT has 15 parkpos while archived one has 7"));
    EXPECT_TRUE(reportHas("Generated EDDT.xml: 15 positions, of which 1 helipad"));
    EXPECT_TRUE(reportHas("Generated LOWG.xml: 4 positions, of which 1 helipad"));
    EXPECT_TRUE(reportHas("LOWG does not exist as simaddon"));

    for (const auto& [path, publisher] : {std::pair{g_myThirdpartyPath / "EDDT.xml", "Maker Name"},
                                          std::pair{g_mySimaddonPath / "LOWG.xml", "simaddon"},
                                          std::pair{g_myThirdpartyPath / "LFPG.xml", "unknown"}}) {
        pugi::xml_document document;
        ASSERT_TRUE(document.load_file(path.c_str())) << path;
        EXPECT_EQ(lf_readParameterText(document, "publisher"), publisher);
        EXPECT_EQ(lf_readParameterInt(document, "altitude"), 328);
    }
    pugi::xml_document lfpg;
    ASSERT_TRUE(lfpg.load_file((g_myThirdpartyPath / "LFPG.xml").c_str()));
    EXPECT_EQ(lf_readParameterText(lfpg, "manufacturer"), "Indie Works");
    EXPECT_TRUE(lf_readParameterText(lfpg, "BGLpath")->ends_with(lf_native("indie-lfpg/scenery/indie-lfpg/airport.bgl")));
    const std::vector<std::string> ids = [&] {
        std::vector<std::string> out;
        for (auto p = lfpg.child("parkpositions").child("parkpos"); p; p = p.next_sibling("parkpos"))
            out.push_back(p.attribute("id").as_string());
        return out;
    }();
    EXPECT_EQ(ids, (std::vector<std::string>{"g1", "g2", "helipad1", "p1", "p2"})); // sorted by id
    EXPECT_TRUE(logContains("All your third party airports are done, no off line learning needed."));
    EXPECT_FALSE(fs::exists(g_tbloPath));
}

// A regional file of many airports: its package's publisher is searched (and its manifest read)
// once, and every airport of the file gets it.
TEST_F(AirportScan, ManyAirportsOfOneFileShareOnePublisherSearch)
{
    package("region-pack", {.airports = {gf_bglAirport("EDDT", 52.55, 13.29, 12), gf_bglAirport("EDDB", 52.36, 13.50, 4),
                                         gf_bglAirport("LFPG", 49.0, 2.55, 2)}},
            "Indie Works");

    EXPECT_TRUE(lf_scanAddonAirports({community}));

    const auto lines = test::readLines(g_airportsScanLogPath);
    const auto count = [&](std::string_view text) {
        return std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(text) != l.npos; });
    };
    EXPECT_EQ(count("Try find publisher in"), 1);
    EXPECT_EQ(count("manifest.json found"), 1);
    for (const char* code : {"EDDT", "EDDB", "LFPG"}) {
        pugi::xml_document document;
        ASSERT_TRUE(document.load_file((g_myThirdpartyPath / (std::string(code) + ".xml")).c_str())) << code;
        EXPECT_EQ(lf_readParameterText(document, "manufacturer"), "Indie Works") << code;
    }
}

TEST_F(AirportScan, CommunityInAFolderWithNonAsciiLettersIsScanned)
{
    community = programDir / gf_pathFromUtf8("Jürgen aircraft") / "Community"; // "aircraft" above it skips nothing
    package("indie-lfpg-Zürich", {.airports = {gf_bglAirport("LFPG", 49.0, 2.55, 2)}}, "Indie Works");

    EXPECT_TRUE(lf_scanAddonAirports({community}));

    EXPECT_TRUE(reportHas("Scanning for addon airports in " + gf_utf8FromPath(community)));
    pugi::xml_document lfpg;
    ASSERT_TRUE(lfpg.load_file((g_myThirdpartyPath / "LFPG.xml").c_str()));
    EXPECT_TRUE(lf_readParameterText(lfpg, "BGLpath")->ends_with(lf_native("indie-lfpg-Zürich/airport.bgl")));
}

TEST_F(AirportScan, PublisherFromPathManifestOrNothing)
{
    const fs::path pkg = community / "some-pkg";
    const auto manifest = [&](const std::string& json) { test::writeText(pkg / "manifest.json", json); };
    const std::string file = (pkg / "scenery" / "a.bgl").string();
    manifest(R"({"manufacturer": "", "creator": "maker-pkg team", "title": "EDDT Berlin"})");
    PublisherInfo info = gf_findPublisher(file);
    EXPECT_EQ(info.publisher, "Maker Name");
    EXPECT_EQ(info.title, "EDDT Berlin");
    manifest(R"({"manufacturer": 12, "creator": "maker-pkg"})");
    EXPECT_EQ(gf_findPublisher(file).publisher, "unknown");
    manifest(R"({"manufacturer": "Somebody", "creator": null})");
    info = gf_findPublisher(file);
    EXPECT_EQ(info.publisher, "unknown");
    EXPECT_EQ(info.manufacturer, "Somebody");
    manifest("not json");
    EXPECT_EQ(gf_findPublisher((community / "maker-pkg-x" / "a.bgl").string()).publisher, "Maker Name");
    const auto lines = gf_scanLogLines();
    const auto has = [&](std::string_view text) {
        return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(text) != l.npos; });
    };
    EXPECT_TRUE(has("from manifest.json creator \"maker-pkg team\" => publisher \"Maker Name\""));
    EXPECT_TRUE(has("exception in lf_searchManifest: "));
    EXPECT_TRUE(has("no valid info found in manifest about publisher, manufacturer:\"Somebody\""));
    EXPECT_TRUE(has("publisher \"Maker Name\" found"));
}

// What a package's "manifest.json" can be besides a manifest: the publisher search reads it once
// and tells apart a missing one, a folder of that name and one too large to be a manifest.
TEST_F(AirportScan, ManifestThatIsNoneFolderOrTooLarge)
{
    const fs::path pkg = community / "other-pkg";
    const fs::path file = pkg / "manifest.json";
    const struct {
        const char* what;
        std::function<void()> make;
        bool valid;
        const char* line; // in the scan log, or nothing
    } cases[] = {
        {"none", [] {}, false, nullptr},
        {"a folder of that name", [&] { fs::create_directories(file); }, false, nullptr},
        {"too large", [&] { test::writeText(file, std::string((1 << 20) + 1, ' ')); }, false, "not read (too large)"},
        {"the largest read", [&] { test::writeText(file, R"({"title": "T"})" + std::string((1 << 20) - 14, ' ')); },
         true, " found"},
        {"a manifest", [&] { test::writeText(file, R"({"creator": "maker-pkg"})"); }, true, " found"},
    };
    for (const auto& c : cases) {
        fs::remove_all(pkg);
        fs::create_directories(pkg);
        c.make();
        gf_resetScanLog();
        EXPECT_EQ(lf_searchManifest((pkg / "scenery" / "a.bgl").string()).valid, c.valid) << c.what;
        const auto lines = gf_scanLogLines();
        const bool logged = std::any_of(lines.begin(), lines.end(), [&](const std::string& l) {
            return l.find("manifest.json") != l.npos && (!c.line || l.find(c.line) != l.npos);
        });
        EXPECT_EQ(logged, c.line != nullptr) << c.what;
    }
}

// A package manifest that is no JSON ends the search, reported: a manifest of a folder inside the
// package is not the package's. One that is JSON but no object, or empty, is passed over.
TEST_F(AirportScan, ManifestThatIsNoJsonEndsTheSearch)
{
    const struct {
        const char* what;
        fs::path package;
        const char* outer; // the package's manifest
        bool valid;
        bool exception;
    } cases[] = {
        {"no JSON, outside Community", programDir / "Addons" / "pkg", "not json", false, true},
        {"no JSON, below Community", community / "pkg", "{\"creator\": ", false, true},
        {"an array", programDir / "Addons" / "pkg", "[1, 2]", true, false},
        {"empty", programDir / "Addons" / "pkg", "", true, false},
    };
    for (const auto& c : cases) {
        fs::remove_all(c.package);
        test::writeText(c.package / "manifest.json", c.outer);
        test::writeText(c.package / "scenery" / "manifest.json", R"({"creator": "inner team"})");
        gf_resetScanLog();
        const ManifestInfo info = lf_searchManifest(gf_utf8FromPath(c.package / "scenery" / "a.bgl"));
        EXPECT_EQ(info.valid, c.valid) << c.what;
        EXPECT_EQ(info.creator, c.valid ? "inner team" : "") << c.what;
        const auto lines = gf_scanLogLines();
        EXPECT_EQ(std::any_of(lines.begin(), lines.end(),
                              [](const std::string& l) { return l.starts_with("exception in lf_searchManifest: "); }),
                  c.exception)
            << c.what;
    }
}

TEST_F(AirportScan, DamagedFileIsOneLineAndTheScanGoesOn)
{
    package("indie-eddt", {.airports = {gf_bglAirport("EDDT", 52.55, 13.29, 2)}});
    auto bytes = tools::gf_bglBytes({.airports = {gf_bglAirport("EDDB", 52.36, 13.50, 2)}});
    bytes.resize(bytes.size() - 30);
    test::writeText(community / "indie-eddb" / "cut.bgl", std::string(bytes.begin(), bytes.end()));
    EXPECT_TRUE(lf_scanAddonAirports({community}));
    EXPECT_TRUE(fs::exists(g_myThirdpartyPath / "EDDT.xml"));
    const auto lines = test::readLines(g_airportsScanLogPath);
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.find("cut.bgl") != l.npos; }),
              1);
}

TEST_F(AirportScan, DamagedAirportLeavesTheAirportsBeforeItGenerated)
{
    auto bytes = tools::gf_bglBytes(
        {.airports = {gf_bglAirport("EDDT", 52.55, 13.29, 2), gf_bglAirport("EDDB", 52.36, 13.50, 2)}, .sectionsAround = false});
    bytes.resize(bytes.size() - 30); // inside the second airport
    test::writeText(community / "indie-berlin" / "cut.bgl", std::string(bytes.begin(), bytes.end()));
    EXPECT_TRUE(lf_scanAddonAirports({community}));
    EXPECT_TRUE(fs::exists(g_myThirdpartyPath / "EDDT.xml"));
    EXPECT_FALSE(fs::exists(g_myThirdpartyPath / "EDDB.xml"));
    EXPECT_TRUE(reportHas("cut.bgl not read to its end"));
}

#ifndef _WIN32 // reads from a stream opened for appending fail in Linux's C library, not in Windows' runtime
// A file whose rest cannot be read after the pre-test (a read error on the disk): one report line,
// nothing staged from it.
TEST_F(AirportScan, UnreadableRestIsReportedAndNothingStaged)
{
    auto bytes = tools::gf_bglBytes({.airports = {gf_bglAirport("EDDB", 52.36, 13.50, 2)}});
    bytes.resize(3 * 4096, 0); // past the pre-test's head: the worker reads on from the open file
    const fs::path file = community / "indie-eddb" / "unreadable.bgl";
    fs::create_directories(file.parent_path());
    test::writeText(file, std::string(bytes.begin(), bytes.end()));
    std::optional<BglFileStart> start = gf_startAirportBgl(file);
    ASSERT_TRUE(start && start->rest);
    start->rest.reset(gf_openFile(file, "ab")); // reads from it fail
    const fs::path staged = programDir / "airports" / "scan_test";
    FolderStaging staging(staged, {staged / "my_simaddon", staged / "my_thirdparty"});
    const ScanTargets targets{staged / "my_simaddon", staged / "my_thirdparty", programDir / "airports" / "TBLO",
                              &staging};
    lf_toParkingPositions(file, std::move(*start), targets);
    const auto lines = gf_scanLogLines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) {
                                return l.find("unreadable.bgl not read to its end: the file could not be read") != l.npos;
                            }),
              1);
    EXPECT_FALSE(fs::exists(staged / "my_thirdparty" / "EDDB.xml"));
    EXPECT_FALSE(fs::exists(programDir / "airports" / "TBLO" / "EDDB.xml"));
}
#endif

TEST_F(AirportScan, AtMostTheWorkerLimitRunsAndEveryFileIsRead)
{
    g_workersMax = 2;
    for (int i = 0; i < 10; ++i) {
        const std::string code = fmt::format("ZZ{:02}", i);
        package("indie-" + code, {.airports = {gf_bglAirport(code, 40.0 + i, 10.0, 3)}});
    }
    std::atomic<bool> done{false};
    std::int32_t most = 0;
    std::thread watch([&] {
        while (!done.load())
            most = std::max(most, g_workersRunning.load());
    });
    EXPECT_TRUE(lf_scanAddonAirports({community}));
    done = true;
    watch.join();
    EXPECT_LE(most, 2);
    EXPECT_EQ(g_workersRunning.load(), 0);
    EXPECT_EQ(gf_listAirportXmlFiles().size(), 10u);
}

TEST_F(AirportScan, OneAirportInManyFilesLeavesOneWholeFile)
{
    for (int i = 0; i < 6; ++i)
        package(fmt::format("indie-copy{}", i), {.airports = {gf_bglAirport("EDDT", 52.55, 13.29, 5 + i)}});
    EXPECT_TRUE(lf_scanAddonAirports({community}));
    pugi::xml_document document;
    ASSERT_TRUE(document.load_file((g_myThirdpartyPath / "EDDT.xml").c_str()));
    const auto stands = lf_readParameterInt(document, "num_parkpos");
    ASSERT_TRUE(stands);
    EXPECT_GE(*stands, 8);
    EXPECT_LE(*stands, 13);
    EXPECT_EQ(gf_listAirportXmlFiles(), std::vector<std::string>{"EDDT"});
}

// The published files (under "airports") with their inodes.
std::map<std::string, std::uint64_t> lf_publishedInodes()
{
    std::map<std::string, std::uint64_t> files;
    for (const fs::path& folder : {g_myThirdpartyPath, g_mySimaddonPath})
        for (const auto& entry : fs::directory_iterator(folder))
            if (entry.is_regular_file())
                files[fs::relative(entry.path(), g_airportsPath).generic_string()] = test::fileNumber(entry.path());
    return files;
}

// Each rescan publishes what changed; every other file keeps its bytes and its inode.
TEST_F(AirportScan, ARescanWritesOnlyWhatChanged)
{
    g_workersMax = 1; // the report's lines in the walk's order: a scan that changes nothing repeats it
    package("indie-eddt", {.airports = {gf_bglAirport("EDDT", 52.55, 13.29, 2)}});
    package("indie-lfpg", {.airports = {gf_bglAirport("LFPG", 49.0, 2.55, 2)}});
    package("maker-pkg-eddb", {.airports = {gf_bglAirport("EDDB", 52.36, 13.50, 4)}});
    package("microsoft-airport-lowi", {.airports = {gf_bglAirport("LOWI", 47.26, 11.34, 40)}});
    test::writeText(g_myThirdpartyPath / "EDDF" / "mine.xml", "a folder of the user's");
    ManualClock clock;
    gf_setClock(&clock);
    const std::unique_ptr<ManualClock, void (*)(ManualClock*)> realClockAfter(&clock, [](ManualClock*) {
        gf_setClock(nullptr);
    });
    ASSERT_TRUE(lf_scanAddonAirports({community}));
    const std::set<std::string> first{"my_thirdparty/EDDT.xml", "my_thirdparty/LFPG.xml", "my_thirdparty/EDDB.txt",
                                      "my_simaddon/LOWI.txt"};
    // The report is published with the results: it is written, and logged so, only when they are.
    const auto reportsLogged = [this] {
        const auto lines = logLines();
        const auto written = [](const std::string& l) { return l.ends_with("AirportsScanLog.txt written"); };
        return std::ranges::count_if(lines, written);
    };
    const struct {
        const char* change;
        std::function<void()> make;
        std::set<std::string> published;
        std::set<std::string> rewritten;
        bool reported;
    } steps[] = {
        {"nothing", [] {}, first, {}, false},
        {"the day", [&] { clock.setUtc(clock.utcNow() + 86400); }, first, {}, false}, // files made again, not new
        {"EDDT's stands",
         [&] { package("indie-eddt", {.airports = {gf_bglAirport("EDDT", 52.55, 13.29, 3)}}); },
         first, {"my_thirdparty/EDDT.xml"}, true},
        {"LFPG's package gone", [&] { fs::remove_all(community / "indie-lfpg"); },
         {"my_thirdparty/EDDT.xml", "my_thirdparty/EDDB.txt", "my_simaddon/LOWI.txt"}, {}, true},
        {"EDKA added", [&] { package("indie-edka", {.airports = {gf_bglAirport("EDKA", 50.82, 6.18, 1)}}); },
         {"my_thirdparty/EDDT.xml", "my_thirdparty/EDDB.txt", "my_simaddon/LOWI.txt", "my_thirdparty/EDKA.xml"},
         {"my_thirdparty/EDKA.xml"}, true},
    };
    for (const auto& step : steps) {
        const auto before = lf_publishedInodes();
        std::map<std::string, std::string> texts;
        for (const auto& [file, inode] : before)
            texts[file] = test::readText(g_airportsPath / file);
        step.make();
        const auto reported = reportsLogged();
        ASSERT_TRUE(lf_scanAddonAirports({community})) << step.change;
        EXPECT_EQ(reportsLogged() - reported, step.reported ? 1 : 0) << step.change;
        const auto after = lf_publishedInodes();
        std::set<std::string> published;
        for (const auto& [file, inode] : after) {
            published.insert(file);
            if (step.rewritten.contains(file)) {
                EXPECT_NE(test::readText(g_airportsPath / file), texts[file]) << step.change << " " << file;
                continue;
            }
            EXPECT_EQ(inode, before.at(file)) << step.change << " " << file;
            EXPECT_EQ(test::readText(g_airportsPath / file), texts[file]) << step.change << " " << file;
        }
        EXPECT_EQ(published, step.published) << step.change;
        EXPECT_EQ(test::readText(g_myThirdpartyPath / "EDDF" / "mine.xml"), "a folder of the user's");
        for (const auto& entry : fs::directory_iterator(g_airportsPath))
            EXPECT_FALSE(entry.path().filename().string().starts_with("scan_")) << step.change;
    }
}

TEST_F(AirportScan, AnExitKeepsThePreviousResults)
{
    param::MSFS_2020.value = 0;
    g_airports = {{"LFPG", "CDG", 49.0, 2.55, 392.0}};
    package("indie-eddt", {.airports = {gf_bglAirport("EDDT", 52.55, 13.29, 2)}});
    package("indie-paris", {.airports = {}, .unrecognisedFirst = true}, "", "lfpg.bgl");
    const std::map<fs::path, std::string> previous{{g_myThirdpartyPath / "EDDB.xml", "the last scan's file"},
                                                   {g_tbloPath / "EDDB.xml", "the last scan's entry"},
                                                   {g_airportsScanLogPath, "the last scan's report\n"}};
    for (const auto& [file, text] : previous)
        test::writeText(file, text);
    g_exitRequested = 1;
    EXPECT_FALSE(lf_scanAddonAirports({community}));
    for (const auto& [file, text] : previous)
        EXPECT_EQ(test::readText(file), text) << file;
    EXPECT_FALSE(fs::exists(g_myThirdpartyPath / "EDDT.xml"));
    EXPECT_FALSE(fs::exists(g_tbloPath / "LFPG.xml"));
    EXPECT_FALSE(fs::exists("airports/scan_new"));
    EXPECT_TRUE(logContains("scan interrupted by the exit, the previous results and report are kept"));
}

// A publish that cannot move every folder in (a file held open on Windows; here a file in the way)
// leaves the previous results of every folder whole; the start goes on, and the next one tries again.
TEST_F(AirportScan, APublishThatCannotFinishKeepsThePreviousResultsAndTheScanSetting)
{
    package("indie-eddt", {.airports = {gf_bglAirport("EDDT", 52.55, 13.29, 2)}});
    param::MSFS_INSTALL_PATH.setValue((programDir / "Packages").string());
    const std::map<fs::path, std::string> previous{{g_mySimaddonPath / "LOWI.txt", "old"},
                                                   {g_myThirdpartyPath / "EDDB.xml", "old"},
                                                   {g_tbloPath / "EDDB.xml", "old"},
                                                   {g_airportsScanLogPath, "old"}};
    for (const auto& [file, text] : previous)
        test::writeText(file, text);
    test::writeText("airports/scan_publish/my_simaddon/LOWI.txt", "new");
    test::writeText("airports/scan_publish/my_thirdparty/EDDB.xml", "new");
    test::writeText("airports/scan_publish/replaced.folders/my_thirdparty", "in the way");
    param::SCAN_AIRPORTS.value = 1;
    gf_repairScanFolders();
    gf_scanAirports();
    for (const auto& [file, text] : previous)
        EXPECT_EQ(test::readText(file), text) << file;
    EXPECT_TRUE(param::SCAN_AIRPORTS.on());
    EXPECT_NE(savedValue("SCAN_AIRPORTS"), "false");
    EXPECT_TRUE(logContains("The airports scan results could not be put in place, the previous results are kept and "
                            "the next start tries again"));
    fs::remove("airports/scan_publish/replaced.folders/my_thirdparty");
    gf_repairScanFolders(); // the next start
    EXPECT_EQ(test::readText(g_mySimaddonPath / "LOWI.txt"), "new");
    EXPECT_EQ(test::readText(g_myThirdpartyPath / "EDDB.xml"), "new");
}

#ifdef _WIN32
// A file of an earlier scan's staging folder that another program holds open: the start goes on, the
// previous results stay, and the next start scans.
TEST_F(AirportScan, AStagingFolderThatStaysPutsTheScanOffAndTheStartGoesOn)
{
    test::writeText(g_airportsScanLogPath, "old");
    const HANDLE handle = holdForAScan(g_airportsPath / "scan_new" / "held.txt"); // an earlier scan's staging
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    EXPECT_NO_THROW(gf_scanAirports());
    letGo(handle);
    EXPECT_EQ(test::readText(g_airportsScanLogPath), "old");
    EXPECT_TRUE(param::SCAN_AIRPORTS.on());
    EXPECT_TRUE(logContains("The airports scan waits for the next start, the previous results are kept"));
    gf_scanAirports(); // the next start
    EXPECT_FALSE(param::SCAN_AIRPORTS.on());
    EXPECT_NE(test::readText(g_airportsScanLogPath), "old");
}

// An earlier publish's spent folder that another program holds: the start's repair, its sweep of the
// scan's folders and the scan itself each try it again, and the log says so once.
TEST_F(AirportScan, ASpentFolderThatStaysIsLoggedOnce)
{
    const HANDLE handle = holdForAScan(g_airportsPath / "scan_publish.spent" / "held.txt");
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    gf_repairScanFolders();
    gf_scanAirports();
    letGo(handle);
    const auto lines = logLines();
    const auto stays = [](const std::string& l) { return l.find("could not be removed") != l.npos; };
    EXPECT_EQ(std::ranges::count_if(lines, stays), 1);
    EXPECT_TRUE(fs::exists(g_myThirdpartyPath / "EDDT.xml")); // the scan went on
}
#endif

TEST_F(AirportScan, OutsideMsfs2020TheSimaddonFilesAreAddedToThePackage)
{
    param::MSFS_2020.value = 0;
    test::writeText(g_mySimaddonPath / "EGLL.txt", "the companion package's");
    test::writeText(g_mySimaddonPath / "LOWG.xml", "an older scan's");
    package("indie-eddt", {.airports = {gf_bglAirport("EDDT", 52.55, 13.29, 2)}});
    EXPECT_TRUE(lf_scanAddonAirports({community})); // nothing for the simaddon folder
    EXPECT_EQ(test::readText(g_mySimaddonPath / "LOWG.xml"), "an older scan's");
    package("microsoft-airport-lowg", {.airports = {gf_bglAirport("LOWG", 46.99, 15.44, 1)}});
    EXPECT_TRUE(lf_scanAddonAirports({community}));
    EXPECT_EQ(test::readText(g_mySimaddonPath / "EGLL.txt"), "the companion package's");
    EXPECT_NE(test::readText(g_mySimaddonPath / "LOWG.xml"), "an older scan's");
    EXPECT_EQ(std::distance(fs::directory_iterator(g_mySimaddonPath), fs::directory_iterator()), 2);
}

TEST_F(AirportScan, TheStartCompletesACommittedPublishAndClearsWhatAKillLeft)
{
    test::writeText(g_myThirdpartyPath / "OLD1.xml", "the last scan's");
    test::writeText("airports/scan_publish/my_thirdparty/NEW1.xml", "the committed scan's");
    test::writeText("airports/scan_new/my_thirdparty/NEW2.xml", "a scan that was not committed");
    test::writeText("airports/scan_thirdparty/NEW3.xml", "an earlier version's staging");
    test::writeText("airports/learned/stock/EDDT.xml", "learned");
    gf_repairScanFolders();
    EXPECT_EQ(test::readText(g_myThirdpartyPath / "NEW1.xml"), "the committed scan's");
    EXPECT_FALSE(fs::exists(g_myThirdpartyPath / "OLD1.xml"));
    for (const auto& entry : fs::directory_iterator(g_airportsPath))
        EXPECT_FALSE(entry.path().filename().string().starts_with("scan_")) << entry.path();
    EXPECT_EQ(test::readText("airports/learned/stock/EDDT.xml"), "learned");
}

TEST_F(AirportScan, TheWholeScanSwitchesItsSettingOff)
{
    package("indie-eddt", {.airports = {gf_bglAirport("EDDT", 52.55, 13.29, 2)}});
    param::MSFS_INSTALL_PATH.setValue((programDir / "Packages").string());
    param::SCAN_AIRPORTS.value = 1;
    gf_scanAirports();
    EXPECT_FALSE(param::SCAN_AIRPORTS.on());
    EXPECT_EQ(savedValue("SCAN_AIRPORTS"), "false");
    EXPECT_TRUE(fs::exists(g_myThirdpartyPath / "EDDT.xml"));
    EXPECT_TRUE(reportHas("Official does not exist, skipped!") || logContains("Official does not exist, skipped!"));
    EXPECT_TRUE(logContains("Airports scan successful"));
}

TEST_F(AirportScan, NotRecognisedAirportOf2024BecomesATbloEntryThatStays)
{
    param::MSFS_2020.value = 0;
    g_airports = {{"LFPG", "CDG", 49.0, 2.55, 392.0}};
    package("indie-paris", {.airports = {gf_bglAirport("LFPO", 48.7, 2.4, 2)}, .unrecognisedFirst = true}, "",
            "lfpg.bgl");
    EXPECT_FALSE(lf_scanAddonAirports({community}));
    EXPECT_TRUE(reportHas("Not recognised airport has ICAO code \"LFPG\" as BGL stem"));
    EXPECT_FALSE(fs::exists(g_myThirdpartyPath / "LFPO.xml")); // the newer record ended the file
    ASSERT_TRUE(fs::exists(g_tbloPath / "LFPG.xml"));
    EXPECT_NE(test::readText(g_tbloPath / "LFPG.xml").find("LFPG by unknown, title: indie-paris title"),
              std::string::npos);
    EXPECT_EQ(gf_displayTexts().parking.setAsideAirports, 1u);
    EXPECT_TRUE(logContains("Please zip the folder")) << "the user learns what to do with it";
}

// Once the download server cannot be reached, or has sent two files in a row too slowly, the TBLO
// step asks it no more in this scan: one log line, and the other airports are not suitable for
// offline learning, as when their ask fails. A server that does not have an airport's file is asked
// for every airport.
TEST_F(AirportScan, AServerThatCannotBeReachedOrStallsIsGivenUp)
{
    const char* codes[] = {"EDDT", "EDDB", "LFPG"};
    for (const char* code : codes)
        package(fmt::format("indie-{}", code), {.airports = {gf_bglAirport(code, 50.0, 10.0, 2)}});
    const tools::RefusingPort closed; // a server that is down
    const std::string closedUrl = closed.baseUrl();
    g_downloadLimits.lowSpeedSeconds = 1; // a stalled ask ends after a second
    const struct {
        const char* what;
        std::string url;
        bool stall;           // every stock file stalls after the headers
        std::size_t asks;     // log lines that name the server's stock folder
        std::size_t requests; // that the stand-in served
        std::size_t givenUp;
    } rows[] = {
        {"the server has no such file", server.baseUrl(), false, 3, 3, 0},
        {"the server stalls", server.baseUrl(), true, 4, 2, 1}, // each ask logged as cut and as too slow
        {"the server's port is closed", closedUrl, false, 1, 0, 1},
    };
    for (const auto& row : rows) {
        gf_resetApfProbes(); // a new start
        fs::remove_all(g_airportsPath); // a scan of results unlike the published ones
        server.clearFaults();
        for (const char* code : codes) {
            const std::string stock = fmt::format("MSFS/archive/stock/{}.xml", code);
            if (row.stall) {
                serveApf(stock, {});
                server.setFault(stock, tools::DownloadFault::Stall);
            } else {
                fs::remove(serverDir.path() / stock);
            }
        }
        downloadUrl.reset();
        downloadUrl.emplace("TARVO_DOWNLOAD_URL", row.url);
        const std::size_t served = server.requests().size();
        const std::size_t logged = logLines().size();
        ASSERT_TRUE(lf_scanAddonAirports({community})) << row.what;
        const auto lines = logLines();
        const auto count = [&](std::string_view text) {
            return static_cast<std::size_t>(std::count_if(lines.begin() + static_cast<std::ptrdiff_t>(logged), lines.end(),
                                                          [&](const std::string& l) { return l.find(text) != l.npos; }));
        };
        EXPECT_EQ(count(row.url + "MSFS/archive/stock/"), row.asks) << row.what;
        EXPECT_EQ(server.requests().size() - served, row.requests) << row.what;
        EXPECT_EQ(count("no further airport is asked for"), row.givenUp) << row.what;
        EXPECT_EQ(count("Not suitable for offline learning"), std::size(codes)) << row.what;
    }
}

// A thirdparty file newly fit for learning takes the place of its airport's TBLO entry, which equals
// the published one and is linked to it until the commit: the previous TBLO file keeps its bytes, so
// that a kill or a put-back before the commit leaves the previous TBLO as it was.
TEST_F(AirportScan, AFileSetAsideForLearningLeavesThePreviousTbloAsItWas)
{
    ASSERT_NO_FATAL_FAILURE(scanLfpgNotYetFitForLearning());
    const std::string entry = test::readText(g_tbloPath / "LFPG.xml");
    ASSERT_NE(entry.find("LFPG by unknown"), std::string::npos);
    const fs::path previous = programDir / "previous-LFPG.xml";
    fs::create_hard_link(g_tbloPath / "LFPG.xml", previous);

    nameLfpgsMaker();
    ASSERT_TRUE(lf_scanAddonAirports({community}));

    EXPECT_EQ(test::readText(g_tbloPath / "LFPG.xml"), test::readText(g_myThirdpartyPath / "LFPG.xml"));
    EXPECT_EQ(test::readText(previous), entry);
    EXPECT_TRUE(logContains("LFPG copied to "));
}

// What the system says of a full disk.
#ifdef _WIN32
const std::string kDiskFull = std::system_category().message(112); // ERROR_DISK_FULL
#else
const std::string kDiskFull = std::strerror(ENOSPC);
#endif

// A copy into TBLO that fails, the disk full at its open or half-way, is logged and left out: the
// scan publishes the rest, switches its setting off and the start goes on. The two thirdparty files
// fit for learning are of one size, so either may be copied first; the disk stays full once it is.
TEST_F(AirportScan, ACopyForLearningThatFailsIsLeftOutAndTheScanCompletes)
{
    param::MSFS_INSTALL_PATH.setValue((programDir / "Packages").string());
    tools::Attributes learnable = test::stockParameters();
    learnable.insert(learnable.end(), {{"Qf_real", "0"}, {"WEEK", "20"}});
    for (const std::string code : {"LFPG", "LFPO"}) {
        serveApf("MSFS/archive/stock/" + code + ".xml", {.parameters = learnable, .stands = {test::fullStand("A1", 49.0, 2.55)}});
        package("indie-" + code, {.airports = {gf_bglAirport(code, 49.0, 2.55, 2)}}, "Indie Works");
    }
    const auto scan = [&](std::optional<FullDisk> disk) {
        fs::remove_all(g_airportsPath); // results unlike the published ones: the scan publishes
        param::SCAN_AIRPORTS.value = 1;
        gf_setFullDisk(disk);
        EXPECT_NO_THROW(gf_scanAirports());
        gf_setFullDisk(std::nullopt);
        std::map<std::string, std::string> tblo;
        std::error_code none; // no TBLO folder: no entry
        for (const auto& entry : fs::directory_iterator(g_tbloPath, none))
            tblo[entry.path().filename().string()] = test::readText(entry.path());
        return tblo;
    };
    const std::map<std::string, std::string> copies = scan(std::nullopt);
    ASSERT_EQ(copies.size(), 2u);
    const std::uint64_t size = copies.begin()->second.size();
    ASSERT_EQ(copies.rbegin()->second.size(), size);

    const struct {
        std::uint64_t bytesLeft; // in the staged TBLO folder
        std::size_t copied;
    } rows[] = {{size + size / 2, 1}, {size, 1}, {size / 2, 0}, {0, 0}}; // the second half-way or at its open, the first
    for (const auto& row : rows) {
        SCOPED_TRACE(row.bytesLeft);
        const std::size_t logged = logLines().size();
        const std::map<std::string, std::string> tblo = scan(FullDisk{g_airportsPath / "scan_new" / g_tbloPath, row.bytesLeft});
        std::vector<std::string> lines = logLines();
        lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(logged));
        EXPECT_EQ(tblo.size(), row.copied);
        for (const auto& [file, bytes] : copies) {
            EXPECT_EQ(tblo.contains(file) ? tblo.at(file) : bytes, bytes) << file << " whole";
            const auto failed = std::ranges::find(lines, fmt::format("===> \"{}\" failed to copy \"{}\"",
                gf_utf8FromPath(g_myThirdpartyPath / file), gf_utf8FromPath(g_tbloPath / file)));
            ASSERT_EQ(failed == lines.end(), tblo.contains(file)) << file;
            EXPECT_TRUE(failed == lines.end() || (failed + 1 != lines.end() && failed[1].find(kDiskFull) != std::string::npos));
            EXPECT_TRUE(fs::exists(g_myThirdpartyPath / file)) << "published";
        }
        EXPECT_EQ(std::ranges::count(lines, "Airports scan successful"), 1);
        EXPECT_EQ(std::ranges::count(lines, "All your third party airports are done, no off line learning needed."), 0);
        EXPECT_EQ(savedValue("SCAN_AIRPORTS"), "false");
        EXPECT_FALSE(gf_exitUnderWay());
    }
}

} // namespace
} // namespace zyn
