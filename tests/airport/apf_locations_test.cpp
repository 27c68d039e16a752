#include "airport/apf_locations.h"
#include "airport/airport_asks.h"
#include "airport/airport_code.h"
#include "airport/airports.h"
#include "base/atomic_file.h"
#include "base/exit_flags.h"
#include "base/folders.h"
#include "base/path_text.h"
#include "parking/session_calls.h"
#include "platform/system/clock.h"
#include "platform/system/full_disk.h"
#include "settings/settings.h"
#include "tests/airport/airport_fixture.h"
#include "tests/support/guard_time.h"
#include "tools/refusing_port.h"
#ifndef _WIN32
#include "tests/support/child_role.h"
#endif

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <algorithm>
#include <bitset>
#include <chrono>
#include <optional>
#include <ranges>
#include <thread>

#ifndef _WIN32
#include <signal.h>
#include <unistd.h>
#endif

namespace zyn {
namespace {

namespace fs = std::filesystem;

class ApfLocations : public test::AirportFixture {
protected:
    tools::ApfSpec file(tools::Attributes parameters = test::stockParameters())
    {
        return {.parameters = std::move(parameters), .stands = {test::fullStand("A1", 50.0, 10.0)}};
    }
    // What the program folder holds besides the program's own folders and files and the user's folder.
    std::vector<std::string> strayFiles() const
    {
        std::vector<std::string> stray;
        for (const auto& entry : fs::directory_iterator(programDir.path()))
            if (entry.path().filename() != "Log.txt" && entry.path().filename() != "airports" &&
                entry.path().filename() != "parameters.xml" && entry.path().filename() != "roaming")
                stray.push_back(entry.path().filename().string());
        return stray;
    }
    void expectNoTemporaryFiles() const { EXPECT_EQ(strayFiles(), std::vector<std::string>{}); }
};

TEST_F(ApfLocations, FileIsLookedForInItsOrder)
{
    enum Source { ThirdpartyTxt, ThirdpartyXml, SimaddonTxt, SimaddonXml, ServerStock, kSources };
    const std::string pointer3 = "archive/thirdparty/Some%20Maker/EDDT.xml";
    const std::string pointerS = "archive/simaddon/EDDT.xml";
    const std::string expected[] = {pointer3, "airports/my_thirdparty/EDDT.xml", pointerS, "airports/my_simaddon/EDDT.xml",
                                    "archive/stock/EDDT.xml"};
    for (unsigned present = 0; present < (1u << kSources); ++present) {
        fs::remove_all("airports");
        fs::remove_all(serverDir.path() / "MSFS");
        gf_resetApfProbes();
        const std::bitset<kSources> has(present);
        if (has[ThirdpartyTxt])
            test::writeText("airports/my_thirdparty/EDDT.txt", pointer3 + "   \r\nsecond line ignored\n");
        if (has[ThirdpartyXml])
            writeApf("airports/my_thirdparty/EDDT.xml", file());
        if (has[SimaddonTxt])
            test::writeText("airports/my_simaddon/EDDT.txt", pointerS + "\n");
        if (has[SimaddonXml])
            writeApf("airports/my_simaddon/EDDT.xml", file());
        if (has[ServerStock])
            serveApf("MSFS/archive/stock/EDDT.xml", file());
        fs::create_directories("airports/my_thirdparty");
        fs::create_directories("airports/my_simaddon");
        std::string want;
        for (int s = 0; s < kSources && want.empty(); ++s)
            if (has[s])
                want = expected[s];
        EXPECT_EQ(gf_getStockApf(kCode), want) << has;
        EXPECT_EQ(gf_apfExists(kCode) == Presence::Present, !want.empty()) << has;
    }
    expectNoTemporaryFiles();
}

TEST_F(ApfLocations, PointerFileTakesItsFirstLineUpToTheLastL)
{
    const struct {
        const char* content;
        const char* location; // what gf_getStockApf gives
    } rows[] = {
        {"archive/thirdparty/Maker/EDDT.xml  \t \r\n", "archive/thirdparty/Maker/EDDT.xml"},
        {"archive\\thirdparty\\Maker\\EDDT.xml\n", "archive/thirdparty/Maker/EDDT.xml"}, // written on Windows
        {"archive/thirdparty/Some Maker/EDDT.xml\n", "archive/thirdparty/Some%20Maker/EDDT.xml"},
        {"archive/thirdparty/EDDT.xm\n", ""},                         // no "l": nothing
        {"../../etc/EDDT.xml\n", ""},                                 // refused
        {"archive/thirdparty/EDDT.html\n", ""},                       // no airport file
        {"https://elsewhere.example/EDDT.xml\n", ""},                 // refused
        {"airports/my_simaddon/Maker/EDDT.xml\n", "airports/my_simaddon/Maker/EDDT.xml"}, // a local file
    };
    for (const auto& row : rows) {
        test::writeText("airports/my_thirdparty/EDDT.txt", row.content);
        EXPECT_EQ(gf_getStockApf(kCode), row.location) << row.content;
    }
    EXPECT_TRUE(logContains("gf_getStockApf: \"../../etc/EDDT.xml\" in airports/my_thirdparty/EDDT.txt refused"));
    std::string out = "unchanged";
    test::writeText("empty.txt", "");
    EXPECT_FALSE(lf_readApfPointer("empty.txt", out));
    EXPECT_EQ(out, "unchanged");
}

TEST_F(ApfLocations, CodesOtherThanLettersAndDigitsAreRefused)
{
    fs::create_directories(g_myThirdpartyPath);
    fs::create_directories(g_mySimaddonPath);
    for (const char* code : {"", "..", "../EDDT", "ED/DT", "ED\\DT", "EDDT.xml", "ED DT", "ABCDEFGHI", "\xc3\x84GGG"}) {
        EXPECT_FALSE(gf_isAirportCode(code)) << code;
        EXPECT_EQ(gf_getStockApf(code), "") << code;
        EXPECT_EQ(gf_apfExists(code), Presence::Absent) << code;
        StockAsks asks;
        EXPECT_FALSE(lf_suitableForLearning(code, asks)) << code;
    }
    EXPECT_TRUE(server.requests().empty());
    EXPECT_TRUE(logContains("gf_getStockApf: airport code \"../EDDT\" refused (letters and digits only, at most 8)"));
    for (const char* code : {"EDDT", "K1A5", "00AK", "abcd1234"})
        EXPECT_TRUE(gf_isAirportCode(code)) << code;
}

// Only the server's clear answers are remembered for the session (a restart forgets them): its file,
// or its "not found". Any other end is made again after two minutes, then after a pause that doubles
// with each such ask up to an hour, until a clear answer or the user asks to re-read. A server that
// could not be reached, or that takes the ask and sends nothing, pauses every airport file; a file that
// stalls after the headers or trickles, or that the server answers with an error or cuts short, pauses
// only itself: the park airport's file still arrives.
TEST_F(ApfLocations, OnlyAClearAnswerOfTheServerIsRememberedForTheSession)
{
    using namespace std::chrono_literals;
    ManualClock clock;
    gf_setClock(&clock);
    g_downloadLimits.lowSpeedSeconds = 1; // a swallowed or trickled ask ends after a second
    const tools::RefusingPort closed; // a server that is down
    const std::string closedUrl = closed.baseUrl();
    enum class Ask { StockProbe, ClosestStand }; // the closest stand's file named by a pointer file
    const std::string paths[] = {"MSFS/archive/stock/EDDT.xml", "MSFS/archive/simaddon/EDDT.xml"};
    for (const std::string& path : paths)
        serveApf(path, file());
    serveApf("MSFS/archive/simaddon/EDDS.xml", file()); // the park airport's
    using F = tools::DownloadFault;
    const struct {
        Ask ask;
        std::optional<F> fault; // of the first check; none: the server is down; Silent, Stall, Trickle: it holds asks
        std::chrono::minutes outage; // of checks every 16 s after the first while the server holds asks
        std::size_t pausingAsks;     // asks in that time, the first included, each starting a pause (logged)
        std::optional<std::chrono::minutes> backWithin; // then up again, it is asked within; none: "Re-read"
        bool then;                   // the answer of the next checks
        std::size_t requests;        // that reached the server
        bool ownPause = false;       // the file's alone: the park airport's file arrives meanwhile
    } rows[] = {{Ask::StockProbe, std::nullopt, 0min, 1, 2min, true, 1},
                {Ask::StockProbe, F::Silent, 2h, 6, std::nullopt, true, 1}, // asks at 0, 2, 6, 14, 30 and 62 minutes
                {Ask::StockProbe, F::Truncate, 0min, 1, std::nullopt, true, 2, true},
                {Ask::StockProbe, F::NotFound, 0min, 0, std::nullopt, false, 1},
                {Ask::StockProbe, F::ServerError, 0min, 1, 2min, true, 2, true},
                {Ask::StockProbe, F::ServerError, 40min, 5, std::nullopt, true, 6, true}, // at 0, 2, 6, 14 and 30 minutes
                {Ask::StockProbe, F::MovedNowhere, 0min, 1, std::nullopt, true, 2, true}, // a redirect is no file
                {Ask::StockProbe, std::nullopt, 24h, 28, 60min, true, 1}, // the pause grows to an hour, no more
                {Ask::ClosestStand, F::Silent, 0min, 1, std::nullopt, true, 1},
                {Ask::ClosestStand, F::Stall, 0min, 1, 2min, true, 1, true},
                {Ask::ClosestStand, F::Trickle, 2h, 6, std::nullopt, true, 1, true}};
    const auto ask = [](Ask kind) {
        std::string stand;
        return kind == Ask::StockProbe ? gf_apfExists(kCode) == Presence::Present
                                       : gf_readDestApfForClosestStand(kCode, {50.0, 10.0}, stand).value_or(100.0) < 100.0;
    };
    const auto parkAirportFileArrives = [] {
        const bool arrived = lf_downloadAddonApf("archive/simaddon/EDDS.xml", "park.xml") == "";
        fs::remove("park.xml");
        return arrived;
    };
    const auto pauses = [&](bool ownPause) -> std::size_t {
        const char* logged = ownPause ? ", it is asked for again in"
                                      : "the download server did not answer in time, airport files are asked for again in";
        return std::ranges::count_if(logLines(), [&](const std::string& line) { return line.find(logged) != line.npos; });
    };
    const auto requestsFor = [&](const std::string& path) -> std::size_t {
        return std::ranges::count(server.requests(), path, &tools::DownloadRequest::path);
    };
    for (const auto& row : rows) {
        const auto at = "row " + std::to_string(&row - rows);
        gf_resetApfProbes(); // a restart
        if (row.ask == Ask::ClosestStand)
            test::writeText("airports/my_simaddon/EDDT.txt", "archive/simaddon/EDDT.xml\n");
        else
            fs::remove("airports/my_simaddon/EDDT.txt");
        const std::string& path = paths[static_cast<int>(row.ask)];
        const std::size_t asked = requestsFor(path);
        const auto pausesBefore = pauses(row.ownPause);
        const bool held = !row.fault || row.fault == F::Silent || row.fault == F::Stall || row.fault == F::Trickle;
        tools::DownloadServer swallower(serverDir.path()); // its replies hold the stand-in's threads until it stops
        swallower.start();
        const std::string url = !row.fault ? closedUrl : held ? swallower.baseUrl() : server.baseUrl();
        downloadUrl.emplace("TARVO_DOWNLOAD_URL", url);
        if (row.fault)
            (held ? swallower : server).setFault(path, *row.fault);
        EXPECT_FALSE(ask(row.ask)) << at;
        for (auto t = 16s; t <= row.outage && pauses(row.ownPause) - pausesBefore <= row.pausingAsks; t += 16s) {
            clock.advanceSteady(16s);
            EXPECT_FALSE(ask(row.ask)) << at;
        }
        EXPECT_EQ(pauses(row.ownPause) - pausesBefore, row.pausingAsks) << at;
        server.clearFaults();
        downloadUrl.emplace("TARVO_DOWNLOAD_URL", server.baseUrl());
        if (row.pausingAsks != 0) { // the server is up again: the file is not asked for before the pause is over
            const std::size_t pausedAt = requestsFor(path);
            EXPECT_FALSE(ask(row.ask)) << at;
            EXPECT_EQ(requestsFor(path), pausedAt) << at;
            EXPECT_EQ(parkAirportFileArrives(), row.ownPause) << at;
            std::string message;
            if (!row.backWithin)
                gf_recheckParkAirports(false, message); // the user's "Re-read"
            for (auto t = 0s; row.backWithin && t <= *row.backWithin && requestsFor(path) == pausedAt; t += 16s) {
                clock.advanceSteady(16s);
                ask(row.ask);
            }
        }
        for (int check = 0; check < 2; ++check) {
            EXPECT_EQ(ask(row.ask), row.then) << at;
            clock.advanceSteady(16s);
        }
        EXPECT_EQ(requestsFor(path) - asked, row.requests) << at;
    }
    gf_setClock(nullptr);
    fs::remove("airports/my_simaddon/EDDT.txt");
    gf_resetApfProbes(); // the session ends: what it fetched goes with it
    expectNoTemporaryFiles();
}

// A file that came too slowly, that the server answered with an error, or that the program folder
// could not take pauses itself; so does the server once another one comes too slowly, or with an
// error, after it, unless a clear answer came between them. A clear answer ends the file's pause, so
// that a later slowness pauses it from two minutes again. What the asker reads says what happened.
TEST_F(ApfLocations, PausesFollowWhatEachAnswerTellsOfTheFileAndTheServer)
{
    using namespace std::chrono_literals;
    ManualClock clock;
    gf_setClock(&clock);
    g_downloadLimits.lowSpeedSeconds = 1; // a stalled ask ends after a second
    using F = tools::DownloadFault;
    const std::string full = std::make_error_code(std::errc::no_space_on_device).message();
    const std::string folder = gf_utf8FromPath(fs::current_path());
    const std::string fullFolder = fmt::format("could not write in the Tarvo folder \"{}\": {}", folder, full);
    // The file and the reason first, the folder last: the status line's width may cut what follows.
    const std::string fullTold =
        fmt::format("could not write GGGG.xml: {}, asked again after a pause (in the Tarvo folder \"{}\")", full, folder);
    const struct {
        const char* code;
        std::optional<F> fault;     // none: the whole file
        std::chrono::minutes after; // since the ask before
        std::string filePause;      // what the log then says of the file's pause; empty: nothing
        const char* serverPause;    // the same of the server's
        std::string told;           // what the asker reads; empty: the file came
        bool diskFull = false;      // the program folder's, where the file comes
    } asks[] = {
        {"AAAA", F::Stall, 0min, "AAAA.xml\": it came too slowly, it is asked for again in 2 minutes", "", "too slowly"},
        {"BBBB", std::nullopt, 0min, "", "", ""},
        {"CCCC", F::Stall, 0min, "CCCC.xml\": it came too slowly, it is asked for again in 2 minutes", "", "too slowly"},
        {"DDDD", F::Stall, 0min, "DDDD.xml\": it came too slowly, it is asked for again in 2 minutes",
         "the download server sent two files in a row too slowly, airport files are asked for again in 2 minutes",
         "too slowly"},
        {"AAAA", F::NotFound, 2min, "", "", "failed to download"},
        {"AAAA", F::Stall, 0min, "AAAA.xml\": it came too slowly, it is asked for again in 2 minutes", "", "too slowly"},
        {"EEEE", F::ServerError, 0min, "EEEE.xml\": the server answered 500, it is asked for again in 2 minutes", "",
         "failed to download EEEE.xml: the server answered 500, asked again after a pause"},
        {"FFFF", F::ServerError, 0min, "FFFF.xml\": the server answered 500, it is asked for again in 2 minutes",
         "the download server answered two files in a row with an error, airport files are asked for again in 2 minutes",
         "the server answered 500"},
        {"EEEE", std::nullopt, 0min, "", "", "the download server answered two files in a row with an error, asked again"},
        {"GGGG", std::nullopt, 2min, "GGGG.xml\": " + fullFolder + ", it is asked for again in 2 minutes", "",
         fullTold, true},
        {"GGGG", std::nullopt, 1min, "", "", fullTold}, // not fetched again
        {"GGGG", std::nullopt, 1min, "", "", ""},
        // The clear answers since FFFF ended its run of errors: one more error pauses its file alone.
        {"HHHH", F::ServerError, 0min, "HHHH.xml\": the server answered 500, it is asked for again in 2 minutes", "",
         "failed to download HHHH.xml: the server answered 500"},
    };
    for (const auto& ask : asks) {
        const std::string path = fmt::format("MSFS/archive/simaddon/{}.xml", ask.code);
        serveApf(path, file());
        server.clearFaults();
        if (ask.fault)
            server.setFault(path, *ask.fault);
        clock.advanceSteady(ask.after);
        const std::size_t before = logLines().size();
        if (ask.diskFull)
            gf_setFullDisk(FullDisk{fs::path(), 100});
        const std::string told = lf_downloadAddonApf(path.substr(5), "got.xml").value_or("on its way");
        gf_setFullDisk(std::nullopt);
        EXPECT_EQ(told.empty(), ask.told.empty()) << ask.code << ": " << told;
        EXPECT_NE(told.find(ask.told), std::string::npos) << ask.code << ": " << told;
        std::string filePause;
        std::string serverPause;
        for (const auto& line : logLines() | std::views::drop(before)) {
            if (line.find(", it is asked for again in") != std::string::npos)
                filePause += line;
            if (line.find("airport files are asked for again in") != std::string::npos)
                serverPause += line;
        }
        EXPECT_EQ(filePause.empty(), ask.filePause.empty()) << ask.code << ": " << filePause;
        EXPECT_NE(filePause.find(ask.filePause), std::string::npos) << ask.code << ": " << filePause;
        EXPECT_EQ(serverPause.empty(), std::string_view(ask.serverPause).empty()) << ask.code << ": " << serverPause;
        EXPECT_NE(serverPause.find(ask.serverPause), std::string::npos) << ask.code << ": " << serverPause;
    }
    EXPECT_EQ(std::ranges::count(server.requests(), "MSFS/archive/simaddon/GGGG.xml", &tools::DownloadRequest::path), 2);
    gf_setClock(nullptr);
}

// The program folder keeps the eight latest whole files of the session, by their coming or the latest
// ask that took them, however many came and whether or not an ask took them.
TEST_F(ApfLocations, KeptFilesAreTheEightLatest)
{
    const struct {
        const char* what;
        int files;                   // K000, K001, ... asked for in turn
        bool taken;                  // each by its first ask, which waits for it; else no ask waits
        std::vector<int> takenAgain; // then asked for again, in turn
        int more;                    // files after those, taken
        std::vector<int> kept;       // whose files stay (taken: their order is known); else eight of them
    } rows[] = {
        {"twelve taken", 12, true, {}, 0, {4, 5, 6, 7, 8, 9, 10, 11}},
        {"a file taken again stays", 8, true, {0}, 1, {0, 2, 3, 4, 5, 6, 7, 8}},
        {"twelve at once, none taken", 12, false, {}, 0, {}},
        {"eight at once, none taken", 8, false, {}, 0, {}},
        {"sixteen at once, none taken", 16, false, {}, 0, {}},
        {"sixteen at once again", 16, false, {}, 0, {}},
    };
    const auto path = [](int i) { return fmt::format("archive/simaddon/K{:03}.xml", i); };
    const auto ask = [&](int i) {
        serve("MSFS/" + path(i), path(i));
        return lf_downloadAddonApf(path(i), "got.xml");
    };
    const auto pending = [&] {
        return std::ranges::count_if(strayFiles(), [](const std::string& name) { return name.ends_with(".part"); });
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        gf_resetApfProbes();
        const std::size_t asked = server.requests().size();
        g_downloadLimits.callerWaitMilliseconds = std::chrono::milliseconds(test::guardTime(std::chrono::seconds(60))).count();
        if (!row.taken)
            g_downloadLimits.callerWaitMilliseconds = 0;
        for (int i = 0; i < row.files; ++i) {
            const auto told = ask(i);
            if (row.taken) {
                EXPECT_EQ(told, "") << i;
            }
        }
        for (const int i : row.takenAgain)
            EXPECT_EQ(ask(i), "") << "asked again: " << i;
        for (int i = row.files; i < row.files + row.more; ++i)
            EXPECT_EQ(ask(i), "") << i;
        fs::remove("got.xml");
        // Each transfer ends beside the asks: its file is whole once no partial file is left, and room
        // is made for it as it ends.
        const std::size_t files = static_cast<std::size_t>(row.files + row.more);
        const auto guard = std::chrono::steady_clock::now() + test::guardTime(std::chrono::seconds(20));
        while ((server.requests().size() - asked < files || pending() != 0 || strayFiles().size() > 8) &&
               std::chrono::steady_clock::now() < guard)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::vector<std::string> kept;
        for (const std::string& name : strayFiles())
            kept.push_back(test::readText(programDir / name));
        std::ranges::sort(kept);
        if (row.kept.empty()) {
            EXPECT_EQ(kept.size(), 8u);
        } else {
            std::vector<std::string> latest;
            for (const int i : row.kept)
                latest.push_back(path(i));
            EXPECT_EQ(kept, latest);
        }
        EXPECT_EQ(server.requests().size() - asked, files) << "each file came once";
    }
    gf_resetApfProbes();
    expectNoTemporaryFiles();
}

// A file an ask handed to its reader stays until the reader is done, though later files take its room.
TEST_F(ApfLocations, AFileHandedToItsReaderStaysUntilItIsRead)
{
    g_downloadLimits.callerWaitMilliseconds = std::chrono::milliseconds(test::guardTime(std::chrono::seconds(60))).count();
    serve("MSFS/archive/simaddon/EDDT.xml", "the park airport's");
    AirportAsk held = gf_askAirportFileBeside(server.baseUrl() + "MSFS/archive/simaddon/EDDT.xml", "test");
    ASSERT_EQ(held.end, DownloadEnd::Done);
    for (int i = 0; i < 8; ++i) { // each ends before the next is asked for: the held file is the oldest
        const std::string path = fmt::format("archive/simaddon/K{:03}.xml", i);
        serve("MSFS/" + path, path);
        EXPECT_EQ(lf_downloadAddonApf(path, "got.xml"), "") << i;
    }
    EXPECT_EQ(test::readText(held.file), "the park airport's");
    held.hold.reset(); // read: it goes, as no ask keeps it any longer
    EXPECT_FALSE(fs::exists(held.file));
    EXPECT_EQ(strayFiles().size(), 9u) << "the eight latest, and got.xml";
}

// Once an exit is under way no transfer starts: the session's were ended, and none takes their place.
TEST_F(ApfLocations, NoFileIsAskedForOnceAnExitIsUnderWay)
{
    serveApf("MSFS/archive/stock/EDDT.xml", file());
    g_exitRequested = 1;
    EXPECT_EQ(gf_apfExists(kCode), Presence::UnderWay);
    g_exitRequested = 0;
    EXPECT_TRUE(server.requests().empty());
}

// The low-speed floor cuts a trickle, never a large file on a slow line, however long it takes.
TEST_F(ApfLocations, ALargeFileOnASlowLineArrivesWhole)
{
    g_downloadLimits.lowSpeedSeconds = 1;
    const std::string body(48 * 1024, 'x'); // three seconds at the stand-in's slow pace, far above the floor
    serve("MSFS/archive/simaddon/EDDT.xml", body);
    server.setFault("MSFS/archive/simaddon/EDDT.xml", tools::DownloadFault::Slow);
    EXPECT_EQ(lf_downloadAddonApf("archive/simaddon/EDDT.xml", "got.xml"), "");
    const std::string got = test::readText("got.xml");
    EXPECT_TRUE(got == body) << got.size() << " of " << body.size() << " bytes";
}

TEST_F(ApfLocations, ServerFilesComeFromTheBranchOfTheirKind)
{
    const struct {
        bool msfs2020;
        const char* path;
        const char* served; // where the request went
    } rows[] = {
        {false, "archive/stock/EDDT.xml", "MSFS/archive/stock/EDDT.xml"},
        {false, "archive/simaddon/EDDT.xml", "MSFS/archive/simaddon/EDDT.xml"},
        {false, "archive/stockholm/ESSA.xml", "MSFS/archive/stockholm/ESSA.xml"},
        {false, "archive/thirdparty/Some%20Maker/EDDT.xml", "MSFS2024/archive/thirdparty/Some Maker/EDDT.xml"},
        {true, "archive/thirdparty/Some%20Maker/EDDT.xml", "MSFS/archive/thirdparty/Some Maker/EDDT.xml"},
    };
    for (const auto& row : rows) {
        param::MSFS_2020.value = row.msfs2020 ? 1 : 0;
        serve(row.served, row.path);
        EXPECT_EQ(lf_downloadAddonApf(row.path, "got.xml"), "") << row.path;
        EXPECT_EQ(test::readText("got.xml"), row.path) << row.path;
    }
    EXPECT_EQ(lf_downloadAddonApf("archive/stock/XXXX.xml", "got.xml"), "failed to download XXXX.xml: the server has no such file");
    EXPECT_TRUE(logHas(fmt::format("failed to download: \"{}MSFS/archive/stock/XXXX.xml\"", server.baseUrl())));
    EXPECT_NE(lf_downloadAddonApf("archive/../../secret.xml", "got.xml"), "");
    EXPECT_EQ(server.requests().size(), std::size(rows) + 1);
}

TEST(ApfLearnedPath, MapsEveryBranchIntoTheLearnedFolder)
{
    const struct {
        const char* path;
        const char* publisher;
        const char* learned;
    } rows[] = {
        {"archive/stock/EDDF.xml", "stock", "airports/learned/stock/EDDF.xml"},
        {"archive/thirdparty/Some%20Maker/EDDF.xml", "Some Maker", "airports/learned/thirdparty/Some Maker/EDDF.xml"},
        {"archive/simaddon/EDDF.xml", "simaddon", "airports/learned/simaddon/EDDF.xml"},
        {"airports/my_thirdparty/EDDF.xml", "Maker", "airports/learned/thirdparty/Maker/EDDF.xml"},
        {"airports/my_thirdparty2024/EDDF.xml", "Maker", "airports/learned/thirdparty/Maker/EDDF.xml"},
        {"airports/my_thirdparty/EDDF.xml", "", "airports/learned/thirdparty/EDDF.xml"},
        {"airports/my_simaddon/EDDF.xml", "Maker", "airports/learned/my_simaddon/EDDF.xml"},
        {"", "stock", ""},
        {"airports/my_thirdparty/EDDF.xml", "../..", ""},       // a publisher that climbs out
        {"airports/my_thirdparty/EDDF.xml", "a/b", ""},
        {"archive/thirdparty/..%20/../EDDF.xml", "x", ""},
    };
    for (const auto& row : rows)
        EXPECT_EQ(lf_learnedApfPath(row.path, row.publisher).generic_string(), row.learned) << row.path;
}

TEST_F(ApfLocations, PublisherChecksReadTheFileParameters)
{
    using A = tools::Attributes;
    const struct {
        A parameters;
        const char* detected;
    } rows[] = {
        {{{"publisher", "unknown"}, {"creator", "abcd"}}, ""},
        {{{"publisher", "unknown"}, {"creator", "abc"}}, "manufacturer=, creator=abc"},
        {{{"publisher", "unknown"}, {"manufacturer", "ab"}, {"creator", "x"}}, "manufacturer=ab, creator=x"},
        {{{"publisher", "Maker"}}, ""},
        {{}, ""},
    };
    for (const auto& row : rows) {
        writeApf("p.xml", file(row.parameters));
        EXPECT_EQ(lf_detectPublisher("p.xml"), row.detected);
        EXPECT_EQ(lf_readApfPublisher("p.xml"), row.parameters.empty() ? "" : row.parameters[0].second);
    }
    EXPECT_EQ(lf_detectPublisher("missing.xml"), "\"missing.xml\" not found");
    EXPECT_EQ(lf_readApfPublisher("missing.xml"), "");
}

#ifndef _WIN32 // a child process killed half-way through its download
constexpr char kKilledAskCode[] = "EDDT"; // the fixture's park airport, served stalling

const struct KilledAsk {
    const char* what;
    void (*ask)();
} kKilledAsks[] = {
    {"the probe", [] { lf_downloadStockApf(kKilledAskCode); }},
    {"the learning check", [] {
         StockAsks asks;
         lf_suitableForLearning(kKilledAskCode, asks);
     }},
};

// The child's part, in the test's program folder: the ask, whose transfer goes on until the kill. On a
// loaded machine the ask may come back before its transfer reaches the server.
int lf_askUntilKilled(const test::RoleArgs& args)
{
    kKilledAsks[std::stoul(args.value("ask"))].ask();
    for (;;)
        ::pause();
}
const test::ChildRole g_killedAskRole{"apf-killed-ask", &lf_askUntilKilled};

// A download of the server's stock file killed with the program leaves its pending file in the
// program folder; the next start removes it with the other temporaries.
TEST_F(ApfLocations, WhatAKilledAskLeavesGoesAtTheNextStart)
{
    serveApf("MSFS/archive/stock/EDDT.xml", file());
    server.setFault("MSFS/archive/stock/EDDT.xml", tools::DownloadFault::Stall);
    for (std::size_t row = 0; row < std::size(kKilledAsks); ++row) {
        const char* what = kKilledAsks[row].what;
        const std::size_t asked = server.requests().size();
        test::RoleChild child(g_killedAskRole, test::RoleStart().value("ask", std::to_string(row)));
        // Once the server has the request, the download's pending file is open.
        const auto guard = std::chrono::steady_clock::now() + test::guardTime(std::chrono::seconds(20));
        while (server.requests().size() == asked && std::chrono::steady_clock::now() < guard &&
               !child.waitForExit(std::chrono::seconds(0)))
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        child.signal(SIGKILL);
        ASSERT_TRUE(child.waitForExit(std::chrono::seconds(20))) << what;
        ASSERT_EQ(child.endSignal(), SIGKILL) << what << ": the child ended by itself";
        ASSERT_GT(server.requests().size(), asked) << what;
        EXPECT_EQ(strayFiles().size(), 1u) << what << ": what the kill left";
        gf_removeStaleTemporaries(programDir.path()); // the next start
        expectNoTemporaryFiles();
    }
}
#endif

TEST_F(ApfLocations, StockFileSuitsLearningWithAFactorAndAWeek)
{
    using A = tools::Attributes;
    const struct {
        A parameters;
        bool suitable;
    } rows[] = {
        {{{"Qf_real", "0"}, {"WEEK", "20"}}, true},
        {{{"Qf_soft", "3"}, {"WEEK", "35"}}, true},
        {{{"Qf_real", "0"}, {"WEEK", "19"}}, false},
        {{{"Qf_real", "0"}}, false},
        {{{"Qf_real", "-1"}, {"Qf_soft", "-1"}, {"WEEK", "40"}}, false},
    };
    StockAsks asks;
    for (const auto& row : rows) {
        serveApf("MSFS/archive/stock/EDDT.xml", file(row.parameters));
        EXPECT_EQ(lf_suitableForLearning(kCode, asks), row.suitable);
    }
    serve("MSFS/archive/stock/EDDT.xml", "<not xml");
    EXPECT_FALSE(lf_suitableForLearning(kCode, asks));
    EXPECT_FALSE(lf_suitableForLearning("EDDS", asks)); // not on the server
    EXPECT_FALSE(asks.givenUp);
    EXPECT_TRUE(logHas("===> EDDS Not suitable for offline learning"));
    expectNoTemporaryFiles();
}

} // namespace
} // namespace zyn
