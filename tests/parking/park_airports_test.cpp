// The park-airport list and its file, the choice of the park airport as the user flies, and the
// loading of its stands, on real files in a program folder.
#include "airport/airports.h"
#include "airport/apf_locations.h"
#include "airport/park_airport_state.h"
#include "airport/stand_lookup.h"
#include "base/folders.h"
#include "base/path_text.h"
#include "core/exit.h"
#include "core/main_loop.h"
#include "engine/records.h"
#include "engine/stand_candidates.h"
#include "engine/session_calls.h"
#include "engine/stand_options.h"
#include "engine/stand_search.h"
#include "parking/park_airport.h"
#include "parking/parking_fit.h"
#include "parking/session_calls.h"
#include "platform/system/clock.h"
#include "platform/system/full_disk.h"
#include "platform/system/utf16.h"
#include "platform/win32/testing.h"
#include "platform/win32/window_state.h"
#include "requests/exit_request.h"
#include "requests/main_loop_requests.h"
#include "settings/airport_settings.h"
#include "settings/setting_controls.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "settings/traffic_range.h"
#include "shown/display_texts.h"
#include "shown/status_line.h"
#include "sim/user_aircraft.h"
#include "tests/airport/airport_fixture.h"
#include "tests/support/guard_time.h"
#include "tests/support/temp_dir.h"
#include "tests/support/scoped_env.h"
#include "tests/ui/main_window_fixture.h"
#include "tools/airport_gen.h"
#include "tools/traffic_server.h"
#include "traffic/client.h"
#include "traffic/parked_traffic.h"
#include "ui/paint.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <ranges>
#include <thread>
#include <tuple>
#include <utility>

namespace zyn::test {
namespace {

namespace fs = std::filesystem;

constexpr LatLon kHome{50.0, 10.0};
constexpr LatLon kAway{50.0, 10.5}; // 19 NM east

class ParkAirports : public AirportFixture {
protected:
    ParkAirports()
    {
        gf_setParkAirport({});
        std::vector<tools::GeneratedAirport> airports{{"AAAA", "", "Home", kHome.lat, kHome.lon, 400.0},
                                                      {"BBBB", "", "Away", kAway.lat, kAway.lon, 500.0},
                                                      {"CCCC", "", "Far", 52.0, 12.0, 100.0}};
        writeText("input/airports_msfs.xml", tools::gf_airportsXml(airports));
        gf_resetAirports();
        gf_readAirports();
        param::LEARN_SOFT.value = 1;
    }
    ~ParkAirports() override
    {
        gf_resetDisplayTexts();
        gf_resetParkAirports();
        gf_resetAirports();
        gf_resetUserAircraft();
    }
    // A parking file of the airport in "my_thirdparty" (or at the path given); returns its first
    // stand's position.
    LatLon writeStands(const std::string& code, LatLon centre, std::size_t gates, const std::string& quality = "-1",
                       std::optional<fs::path> at = std::nullopt)
    {
        tools::StandLayout layout;
        layout.gates = gates;
        layout.rampStands = layout.cargoStands = layout.helipads = 0;
        tools::ApfSpec spec = tools::gf_stockApf(code, "stock", centre, 400, layout);
        spec.parameters.push_back({"Qf_real", quality});
        tools::gf_writeApfSpec(spec, at.value_or(g_myThirdpartyPath / (code + ".xml")));
        const auto& first = spec.stands.front().attributes;
        const auto value = [&](const char* key) {
            return std::stod(std::find_if(first.begin(), first.end(), [&](const auto& a) { return a.first == key; })->second);
        };
        return {value("latitude"), value("longitude")};
    }
    static void userAt(LatLon at, bool onGround, double aboveGroundFt = 0.0)
    {
        UserAcData data;
        data.lat = at.lat;
        data.lon = at.lon;
        data.aboveGround = aboveGroundFt;
        g_userAc.set(data);
        g_userAcSim.set(data);
        g_userOnGround = onGround ? 1 : 0;
        g_userDataValid = 1;
    }
    // The user's aircraft stands at the only stand of the park airport AAAA, which leads the list.
    static void userStandsAt(const std::string& stand)
    {
        gf_addDestinationParkAirport("AAAA", kHome);
        gf_publishStands({makeStand(stand, kHome.lat, kHome.lon, 20.0)});
        userAt(kHome, true);
        gf_checkUserAcAtNewAirport();
    }
    static std::vector<std::string> codes()
    {
        std::vector<std::string> out;
        for (const auto& p : gf_parkAirportsCopy())
            out.push_back(p.icao + "," + p.stand);
        return out;
    }
};

TEST_F(ParkAirports, ListSkipsBadLinesKeepsEachAirportOnceAndAddsFolderAirports)
{
    writeText(g_myParkAirportsPath, " AAAA , B12 \nAAAA\naaaa\nBBBB,A1,x\n\nZZZZ\n");
    fs::create_directories(g_myThirdpartyPath / "AAAA");
    fs::create_directories(g_myThirdpartyPath / "CCCC");
    fs::create_directories(g_myThirdpartyPath / "NOPE");
    writeText(g_myThirdpartyPath / "BBBB", "a plain file");
    EXPECT_FALSE(lf_readMyParkAirports()) << "unknown codes";
    EXPECT_EQ(codes(), (std::vector<std::string>{"AAAA,B12", "CCCC,"}));
    EXPECT_TRUE(logContains("my_park_airports.txt:AAAA double, skipped (line 2)"));
    EXPECT_TRUE(logContains("airport aaaa is unknown (my_park_airports.txt line 3)"));
    EXPECT_TRUE(logContains("my_park_airports.txt:BBBB,A1,x wrong syntax, skipped (line 4)"));
    EXPECT_TRUE(logContains("1 park airport added from my_thirdparty folder(-s) "));
}

TEST_F(ParkAirports, RecordingKeepsEveryLineSortedAndLeavesAnUnreadableFileAlone)
{
    gf_addDestinationParkAirport("BBBB", kAway);
    EXPECT_EQ(readText(g_myParkAirportsPath), "BBBB\n") << "created with the bare code";
    writeText(g_myParkAirportsPath, "# mine\nCCCC,X\nBBBB,Z9\n");
    gf_addDestinationParkAirport("AAAA", kHome);
    EXPECT_EQ(readText(g_myParkAirportsPath), "# mine\nAAAA\nBBBB,Z9\nCCCC,X\n");
    lf_readMyParkAirports();
    gf_addDestinationParkAirport("CCCC", {52.0, 12.0});
    EXPECT_EQ(codes().front(), "CCCC,X") << "a listed destination moves to the front";
    EXPECT_EQ(readText(g_myParkAirportsPath), "# mine\nAAAA\nBBBB,Z9\nCCCC,X\n") << "and the file stays";
    gf_addDestinationParkAirport("../x", {1.0, 1.0});
    EXPECT_EQ(codes().front(), "CCCC,X") << "no code, no entry";

    fs::remove(g_myParkAirportsPath);
    fs::create_directories(g_myParkAirportsPath); // exists, cannot be read as a file
    gf_resetParkAirports();
    gf_addDestinationParkAirport("AAAA", kHome);
    EXPECT_TRUE(fs::is_directory(g_myParkAirportsPath));
    EXPECT_TRUE(logContains("cannot be read, AAAA is not recorded"));
}

TEST_F(ParkAirports, StandNamesWithCommasOrQuotesReadBackAsRecorded)
{
    gf_setParkAirport(*gf_findAirport("AAAA"));
    for (const std::string stand : {"V,12", "say \"A\", B", "C3"}) {
        userStandsAt(stand);
        ASSERT_TRUE(lf_readMyParkAirports()) << stand;
        EXPECT_EQ(codes(), std::vector<std::string>{"AAAA," + stand}) << readText(g_myParkAirportsPath);
    }
    EXPECT_FALSE(logContains("wrong syntax"));
    gf_publishStands({});
}

TEST_F(ParkAirports, OfTwoLinesOfOneAirportTheOneReadStaysFirst)
{
    writeText(g_myParkAirportsPath, "BBBB,Z9\nAAAA,B2\nAAAA,A1\n");
    ASSERT_TRUE(lf_readMyParkAirports());
    gf_setParkAirport(*gf_findAirport("AAAA"));
    userStandsAt("C3");
    ASSERT_TRUE(lf_readMyParkAirports());
    EXPECT_EQ(codes().front(), "AAAA,C3") << readText(g_myParkAirportsPath);
    gf_publishStands({});
}

class ParkAirportsThreads : public ParkAirports {};

TEST_F(ParkAirportsThreads, ThreeThreadsRecordingAtOnceLoseNoLine)
{
    std::vector<std::thread> writers;
    for (const char* code : {"AAAA", "BBBB", "CCCC"})
        writers.emplace_back([code] {
            for (int i = 0; i < 20; ++i)
                gf_addDestinationParkAirport(code, kHome);
        });
    for (auto& w : writers)
        w.join();
    const std::string text = readText(g_myParkAirportsPath);
    for (const char* code : {"AAAA", "BBBB", "CCCC"})
        EXPECT_NE(text.find(code), std::string::npos) << text;
}

TEST_F(ParkAirports, ChosenChangedAndClearedAsTheUserFliesBetweenTwoAirports)
{
    const LatLon homeStand = writeStands("AAAA", kHome, 12);
    writeStands("BBBB", kAway, 8);
    writeText(g_myParkAirportsPath, "BBBB\n");
    ASSERT_TRUE(lf_readMyParkAirports());

    userAt(homeStand, true);
    gf_checkForParkAirportUpdates(true);
    ASSERT_EQ(gf_parkAirport().icao, "AAAA") << "on the ground: the airport where the user stands";
    gf_checkForParkAirportUpdates(false);
    EXPECT_EQ(g_stands.size(), 12u);
    EXPECT_TRUE(g_softLearningAllowed.load());
    const std::string stand = gf_closestStandName(homeStand);
    EXPECT_EQ(gf_reservedStand(), stand);
    EXPECT_EQ(codes(), (std::vector<std::string>{"AAAA," + stand, "BBBB,"})) << "one entry per airport";
    EXPECT_EQ(readText(g_myParkAirportsPath), "AAAA," + stand + "\nBBBB\n");

    userAt({50.0, 10.43}, false, 3000.0); // 3 NM before the other airport
    gf_checkForParkAirportUpdates(false);
    EXPECT_TRUE(gf_parkAirport().icao.empty()) << "a nearer park airport in sight clears the old one";
    EXPECT_TRUE(g_stands.empty());
    EXPECT_TRUE(gf_closestStandName(homeStand).empty()) << "the published stands went with it";
    gf_checkForParkAirportUpdates(false);
    EXPECT_EQ(gf_parkAirport().icao, "BBBB");
    gf_checkForParkAirportUpdates(false);
    EXPECT_EQ(g_stands.size(), 8u) << "loaded one step after it came into sight";

    userAt({50.0, 11.2}, false, 3000.0);
    gf_checkForParkAirportUpdates(false);
    EXPECT_TRUE(gf_parkAirport().icao.empty()) << "out of sight";

    userAt(kAway, false, 3000.0);
    gf_checkForParkAirportUpdates(false);
    gf_checkForParkAirportUpdates(false);
    ASSERT_EQ(gf_parkAirport().icao, "BBBB");
    userAt(homeStand, true); // landed at the other airport
    gf_checkForParkAirportUpdates(false);
    EXPECT_TRUE(gf_parkAirport().icao.empty());
    gf_checkForParkAirportUpdates(false);
    EXPECT_EQ(gf_parkAirport().icao, "AAAA") << "chosen again where the user stands";
}

// The park airport's file on a slow line: no check waits for it, it arrives whole in the time the
// line needs, and a check after it came reads it. One transfer serves the probe and the read.
TEST_F(ParkAirports, AFileOnASlowLineComesBesideTheChecksOnce)
{
    const fs::path served = serverDir.path() / "MSFS/archive/stock/AAAA.xml";
    const LatLon homeStand = writeStands("AAAA", kHome, 160, "-1", served);
    ASSERT_GT(fs::file_size(served), 32u * 1024u) << "seconds at the stand-in's slow pace";
    server.setFault("MSFS/archive/stock/AAAA.xml", tools::DownloadFault::Slow);
    g_downloadLimits.callerWaitMilliseconds = 0;
    userAt(homeStand, true);
    gf_checkForParkAirportUpdates(true);
    EXPECT_TRUE(gf_parkAirport().icao.empty()) << "the check waited for the file";
    EXPECT_EQ(gf_statusMessage(), "User aircraft on the ground at AAAA, its airport file is on its way ...");
    const auto guard = std::chrono::steady_clock::now() + guardTime(std::chrono::seconds(60));
    while (g_stands.empty() && std::chrono::steady_clock::now() < guard) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        gf_checkForParkAirportUpdates(false);
    }
    EXPECT_EQ(gf_parkAirport().icao, "AAAA");
    EXPECT_EQ(g_stands.size(), 160u);
    EXPECT_EQ(std::ranges::count(server.requests(), "MSFS/archive/stock/AAAA.xml", &tools::DownloadRequest::path), 1);
}

// Beside a neighbour 1.9 NM away the choice waits for both files: meanwhile the user reads that the
// file of the one whose file is awaited is on its way, and the log holds the choice once it is made,
// not every check.
TEST_F(ParkAirports, BesideANeighbourTheFileOnItsWayIsShownAndTheChoiceLoggedOnce)
{
    const LatLon neighbour{kHome.lat, kHome.lon - 0.0495};
    std::vector<tools::GeneratedAirport> airports{{"AAA1", "", "Neighbour", neighbour.lat, neighbour.lon, 400.0},
                                                  {"AAAA", "", "Home", kHome.lat, kHome.lon, 400.0}};
    writeText("input/airports_msfs.xml", tools::gf_airportsXml(airports));
    gf_resetAirports();
    ASSERT_TRUE(gf_readAirports());
    const LatLon homeStand = writeStands("AAAA", kHome, 12, "-1", serverDir.path() / "MSFS/archive/stock/AAAA.xml");
    writeStands("AAA1", neighbour, 4, "-1", serverDir.path() / "MSFS/archive/stock/AAA1.xml");
    const std::string choice = "Airport AAAA is closest, neighbour is AAA1";
    for (const std::string stalled : {"AAAA", "AAA1"}) { // the nearer airport's file, the neighbour's
        SCOPED_TRACE(stalled);
        gf_endParking();
        gf_resetApfProbes();
        server.setFault("MSFS/archive/stock/" + stalled + ".xml", tools::DownloadFault::Stall);
        g_downloadLimits.callerWaitMilliseconds = std::chrono::milliseconds(guardTime(std::chrono::seconds(60))).count();
        std::string stand;
        if (stalled != "AAAA") { // the nearer airport's file has come
            ASSERT_TRUE(gf_readDestApfForClosestStand("AAAA", homeStand, stand));
        }
        g_downloadLimits.callerWaitMilliseconds = 0;
        g_downloadLimits.lowSpeedSeconds = 3600;
        userAt(homeStand, true);
        const auto chosen = std::ranges::count(logLines(), choice);
        for (const bool first : {true, false, false}) {
            gf_checkForParkAirportUpdates(first);
            EXPECT_EQ(gf_statusMessage(), "User aircraft on the ground at " + stalled + ", its airport file is on its way ...");
        }
        EXPECT_EQ(std::ranges::count(logLines(), choice), chosen) << "nothing chosen yet";
        gf_resetApfProbes(); // the stalled transfer ends; the file comes at the next ask
        server.clearFaults();
        g_downloadLimits.callerWaitMilliseconds = std::chrono::milliseconds(guardTime(std::chrono::seconds(60))).count();
        for (int check = 0; check < 4; ++check)
            gf_checkForParkAirportUpdates(false);
        EXPECT_EQ(gf_parkAirport().icao, "AAAA");
        EXPECT_EQ(g_stands.size(), 12u);
    }
    EXPECT_EQ(std::ranges::count(logLines(), choice), 1) << "the user never left the pair";
}

// A start at the stand: the parked traffic is asked for at once, beside the main loop. Where the live
// identities were collected before (the session's first traffic), the stands are read and the statics
// calculated at the main loop's first second after its answer, which no second waits for; otherwise
// at the next check, the identities collected meanwhile. Either way its answer is the one asked ahead.
TEST_F(ParkAirports, AStartAtTheStandCalculatesAsSoonAsItsParkedTrafficIsIn)
{
    tools::TrafficServer traffic;
    traffic.start();
    ScopedEnv url{"TARVO_TRAFFIC_URL", traffic.baseUrl()};
    g_trafficClient.setGuid("g-1");
    const LatLon homeStand = writeStands("AAAA", kHome, 12);
    const auto waitFor = [](const std::function<bool()>& done) {
        const auto guard = std::chrono::steady_clock::now() + guardTime(std::chrono::seconds(20));
        while (!done() && std::chrono::steady_clock::now() < guard)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return done();
    };
    for (const bool collected : {true, false}) {
        SCOPED_TRACE(collected ? "identities collected before" : "none collected before");
        gf_endParking();
        traffic.setFault("parkedtraffic", tools::EndpointFault::heldUntilCleared());
        const std::size_t asked = traffic.requestCount("parkedtraffic");
        const std::size_t calculated = logLines().size();
        g_trafficClient.ready = collected ? 1 : 0;
        userAt(homeStand, true);
        gf_checkForParkAirportUpdates(true);
        ASSERT_EQ(gf_parkAirport().icao, "AAAA");
        if (collected) {
            EXPECT_EQ(gf_statusMessage(), "The parked traffic at AAAA is on its way ...");
        }
        EXPECT_TRUE(waitFor([&] { return traffic.requestCount("parkedtraffic") == asked + 1; })) << "asked ahead";
        gf_startParkingOnAnswer(); // the main loop's second, its answer held
        EXPECT_TRUE(g_stands.empty());
        traffic.clearFaults();
        EXPECT_TRUE(waitFor(gf_parkedTrafficAnswered));
        gf_startParkingOnAnswer();
        EXPECT_EQ(g_stands.size(), collected ? 12u : 0u);
        gf_checkForParkAirportUpdates(false);
        EXPECT_EQ(g_stands.size(), 12u);
        EXPECT_EQ(traffic.requestCount("parkedtraffic"), asked + 1) << "the answer asked ahead was taken";
        EXPECT_EQ(std::ranges::count(logLines() | std::views::drop(calculated), "0 parking positions from PT"), 1);
    }
    // Parking that ends before the answer came leaves no word of it.
    gf_endParking();
    traffic.setFault("parkedtraffic", tools::EndpointFault::heldUntilCleared());
    g_trafficClient.ready = 1;
    gf_checkForParkAirportUpdates(true);
    ASSERT_EQ(gf_statusMessage(), "The parked traffic at AAAA is on its way ...");
    gf_endParking();
    EXPECT_EQ(gf_statusMessage(), "");
    traffic.clearFaults();
    traffic.stop();
}

// In flight, a park airport whose stands could not be read is taken up once and says once why: not
// at every other check, but again once its file's pause is over, or after "Re-read".
TEST_F(ParkAirports, AnAirportWhoseStandsWereNotReadIsTakenUpAgainOnlyAfterItsPauseOrReRead)
{
    using namespace std::chrono_literals;
    ManualClock clock;
    gf_setClock(&clock);
    writeStands("AAAA", kHome, 12, "-1", serverDir.path() / "MSFS/archive/stock/AAAA.xml");
    const struct {
        tools::DownloadFault fault;
        const char* told;    // the status line and the log, once
        bool afterPause;     // taken up again once the pause is over; else only after "Re-read"
        bool askedOnReRead;  // "Re-read" asks the server again (not for a file it does not have)
    } rows[] = {{tools::DownloadFault::ServerError, "failed to download AAAA.xml: the server answered 500", true, true},
                {tools::DownloadFault::NotFound, "lf_readParkedFile AAAA not found", false, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.told);
        gf_resetParkAirports();
        gf_resetApfProbes();
        writeText(g_myParkAirportsPath, "AAAA\n");
        ASSERT_TRUE(lf_readMyParkAirports());
        server.clearFaults();
        server.setFault("MSFS/archive/stock/AAAA.xml", row.fault);
        const auto count = [&](const std::string& text) {
            return std::ranges::count_if(logLines(), [&](const std::string& line) { return line.find(text) != line.npos; });
        };
        const auto takenUp = count("The park airport is AAAA");
        const auto told = count(row.told);
        const auto asked = server.requests().size();
        const auto checks = [&](int n) {
            for (int i = 0; i < n; ++i) {
                gf_checkForParkAirportUpdates(false);
                clock.advanceSteady(16s);
            }
        };
        userAt({50.0, 10.128}, false, 4000.0); // 5.5 NM away
        checks(7);                              // 112 s: within the file's first pause
        EXPECT_EQ(count("The park airport is AAAA") - takenUp, 1);
        EXPECT_EQ(count(row.told) - told, 1);
        EXPECT_NE(gf_statusMessage().find(row.told), std::string::npos) << gf_statusMessage();
        EXPECT_EQ(server.requests().size() - asked, 1u);
        EXPECT_TRUE(gf_parkAirport().icao.empty());
        EXPECT_EQ(g_parkingBusy.load(), 0) << "the controls are free";
        checks(4); // the pause is over: taken up, then read
        EXPECT_EQ(count("The park airport is AAAA") - takenUp, row.afterPause ? 2 : 1);
        EXPECT_EQ(server.requests().size() - asked, row.afterPause ? 2u : 1u);
        std::string message;
        gf_recheckParkAirports(false, message); // the user's "Re-read"
        const auto reRead = server.requests().size();
        checks(2);
        EXPECT_EQ(count("The park airport is AAAA") - takenUp, row.afterPause ? 3 : 2);
        EXPECT_EQ(count(row.told) - told, row.afterPause ? 3 : 2);
        EXPECT_EQ(server.requests().size() - reRead, row.askedOnReRead ? 1u : 0u);
    }
    gf_setClock(nullptr);
    gf_resetApfProbes();
}

// While the park airport's file is on its way the user may fly on: out of sight, the airport is let go
// at once, its file no longer awaited.
TEST_F(ParkAirports, AnAirportLeftBehindWhileItsFileIsOnItsWayIsLetGo)
{
    writeStands("AAAA", kHome, 12, "-1", serverDir.path() / "MSFS/archive/stock/AAAA.xml");
    server.setFault("MSFS/archive/stock/AAAA.xml", tools::DownloadFault::Stall);
    g_downloadLimits.callerWaitMilliseconds = 0;
    g_downloadLimits.lowSpeedSeconds = 3600;
    writeText(g_myParkAirportsPath, "AAAA\n");
    ASSERT_TRUE(lf_readMyParkAirports());
    userAt({50.0, 10.05}, false, 3000.0);
    gf_checkForParkAirportUpdates(false); // in sight: its stands are read at the next check
    gf_checkForParkAirportUpdates(false); // its file is on its way
    ASSERT_EQ(gf_parkAirport().icao, "AAAA");
    ASSERT_TRUE(g_recalculateParking);
    userAt({50.0, 11.2}, false, 3000.0);
    gf_checkForParkAirportUpdates(false);
    EXPECT_TRUE(gf_parkAirport().icao.empty()) << "out of sight";
    EXPECT_FALSE(g_recalculateParking);
    EXPECT_EQ(g_parkingBusy.load(), 0);
}

// A re-read rebuilds the list in file order; the destination leads it again, so that in flight it is
// the airport chosen, whatever the file now says.
TEST_F(ParkAirports, ReReadKeepsTheDestinationFirst)
{
    constexpr LatLon kFar{52.0, 12.0};
    writeStands("CCCC", kFar, 3);
    struct Row {
        const char* name;
        const char* file; // as the user left it before "Re-read"
        bool allKnown;
    };
    for (const Row& row : {Row{"listed", "AAAA\nCCCC\n", true}, Row{"no longer listed", "AAAA\n", true},
                           Row{"with an unknown code", "AAAA\nCCCC\nZZZZ\n", false}}) {
        SCOPED_TRACE(row.name);
        writeText(g_myParkAirportsPath, "AAAA\n");
        lf_readMyParkAirports();
        param::DESTINATION.setValue("CCCC");
        gf_addDestinationParkAirport("CCCC", kFar);
        writeText(g_myParkAirportsPath, row.file);
        std::string message;
        EXPECT_EQ(gf_recheckParkAirports(true, message), row.allKnown);
        ASSERT_FALSE(codes().empty());
        EXPECT_EQ(codes().front(), "CCCC,");
        userAt({52.0, 12.05}, false, 3000.0);
        gf_checkForParkAirportUpdates(false);
        EXPECT_EQ(gf_parkAirport().icao, "CCCC");
        gf_endParking();
    }
}

TEST_F(ParkAirports, SoftLearningFollowsEachAirportsCoverage)
{
    struct Row {
        const char* code;
        LatLon at;
        std::size_t gates;
        const char* quality;
        bool allowed;
        int learnSoft;
    };
    for (const Row& row : {Row{"AAAA", kHome, 19, "90", true, 1}, Row{"BBBB", kAway, 20, "45", false, 0},
                           Row{"AAAA", kHome, 19, "90", true, 1}}) {
        writeStands(row.code, row.at, row.gates, row.quality);
        gf_endParking();
        ASSERT_TRUE(gf_findAirport(row.code));
        gf_setParkAirport(*gf_findAirport(row.code));
        EXPECT_EQ(lf_readParkedFile(), "") << row.code;
        EXPECT_EQ(g_softLearningAllowed.load(), row.allowed) << row.code;
        EXPECT_EQ(param::LEARN_SOFT.value.load(), row.learnSoft) << row.code;
    }
}

// LEARN_SOFT switched off by a well-covered airport is the program's switch, not the airport's
// setting: alone it writes no learned file, as an airport that changes nothing gets none.
TEST_F(ParkAirports, LearnSoftSwitchedOffByTheAirportWritesNoFile)
{
    struct Row {
        const char* name;
        std::size_t gates;
        const char* quality;
        int learnSoft; // before the airport is read
        bool switched;
    };
    for (const Row& row : {Row{"well covered, LEARN_SOFT on", 20, "45", 1, true},
                           Row{"well covered, LEARN_SOFT already off", 20, "45", 0, false},
                           Row{"small, LEARN_SOFT on", 19, "90", 1, false}}) {
        SCOPED_TRACE(row.name);
        writeStands("AAAA", kHome, row.gates, row.quality);
        param::LEARN_SOFT.value = row.learnSoft;
        g_airportFileChanged = 0;
        gf_setParkAirport(*gf_findAirport("AAAA"));
        ASSERT_EQ(lf_readParkedFile(), "");
        const fs::path learned = g_parkedFileInfo.learnedPath;
        ASSERT_FALSE(learned.empty());
        EXPECT_EQ(param::LEARN_SOFT.on(), row.learnSoft == 1 && !row.switched);
        gf_endParking();
        EXPECT_FALSE(fs::exists(learned));
    }
}

// LEARN_SOFT that the program switched off at a well-covered airport is on again once parking there
// ends: the next airport's own learned value stands, and its learned file keeps it.
TEST_F(ParkAirports, LearnSoftSwitchedOffByTheProgramNeverOverridesTheNextAirportsOwn)
{
    writeStands("AAAA", kHome, 19, "90"); // soft learning allowed
    writeStands("BBBB", kAway, 20, "45"); // well covered
    gf_setParkAirport(*gf_findAirport("AAAA"));
    ASSERT_EQ(lf_readParkedFile(), "");
    const fs::path learned = g_parkedFileInfo.learnedPath;
    ASSERT_FALSE(learned.empty());
    gf_endParking();
    struct Row {
        const char* name;
        std::optional<std::string> own; // AAAA's learned LEARN_SOFT
        bool learnSoft;
    };
    for (const Row& row : {Row{"learned off", "false", false}, Row{"learned on", "true", true},
                           Row{"nothing learned", std::nullopt, true}}) {
        SCOPED_TRACE(row.name);
        param::LEARN_SOFT.value = 1;
        gf_setParkAirport(*gf_findAirport("BBBB"));
        ASSERT_EQ(lf_readParkedFile(), "");
        ASSERT_FALSE(param::LEARN_SOFT.on()) << "switched off by the program";
        const fs::path wellCovered = g_parkedFileInfo.learnedPath;
        gf_endParking();
        EXPECT_FALSE(fs::exists(wellCovered)) << "the switch alone is no setting of BBBB's";
        tools::ApfSpec own;
        if (row.own)
            own.parameters.push_back({"LEARN_SOFT", *row.own});
        tools::gf_writeApfSpec(own, learned);
        gf_setParkAirport(*gf_findAirport("AAAA"));
        ASSERT_EQ(lf_readParkedFile(), "");
        EXPECT_EQ(param::LEARN_SOFT.on(), row.learnSoft);
        g_learnedStandUpdates = 1;
        gf_endParking();
        const std::string value = row.learnSoft ? "true" : "false";
        EXPECT_NE(readText(learned).find("name=\"LEARN_SOFT\" value=\"" + value + "\""), std::string::npos);
    }
}

TEST_F(ParkAirports, WhatWasLearnedIsSavedWhenParkingEnds)
{
    writeStands("AAAA", kHome, 3);
    gf_setParkAirport(*gf_findAirport("AAAA"));
    ASSERT_EQ(lf_readParkedFile(), "");
    ParkPosOption learned = makeOption("TV-NEW", "KLM", "B738", 5, {20, 21});
    learned.number = 1;
    learned.archived = 0;
    const std::string standId = g_stands[1].id;
    g_stands[1].options.push_back(learned);
    g_learnedStandUpdates = 1;

    gf_endParking();
    EXPECT_NE(gf_statusMessage().find("saved with 1 update "), std::string::npos) << gf_statusMessage();
    EXPECT_EQ(g_learnedStandUpdates, 0);

    gf_setParkAirport(*gf_findAirport("AAAA"));
    ApfFileInfo info;
    std::uint64_t quality = 0;
    std::vector<ParkPos> back;
    ASSERT_EQ(gf_readApf((g_myThirdpartyPath / "AAAA.xml").generic_string(), info, quality, back), "");
    ASSERT_TRUE(fs::exists(info.learnedPath));
    const auto it = std::ranges::find(back, standId, &ParkPos::id);
    ASSERT_NE(it, back.end());
    EXPECT_TRUE(std::ranges::any_of(it->options, [](const ParkPosOption& o) { return o.registration == "TV-NEW"; }));

    const auto before = fs::last_write_time(info.learnedPath);
    gf_endParking();
    EXPECT_EQ(fs::last_write_time(info.learnedPath), before) << "nothing learned, nothing written";
}

TEST_F(ParkAirports, WhatCouldNotBeSavedIsSavedBeforeTheAirportIsReadAgain)
{
    writeStands("AAAA", kHome, 3);
    gf_setParkAirport(*gf_findAirport("AAAA"));
    ASSERT_EQ(lf_readParkedFile(), "");
    const fs::path learned = g_parkedFileInfo.learnedPath;
    ASSERT_FALSE(learned.empty());
    ParkPosOption option = makeOption("TV-NEW", "KLM", "B738", 5, {20, 21});
    option.number = 1;
    option.archived = 0;
    g_stands[1].options.push_back(option);
    g_learnedStandUpdates = 1;
    fs::remove_all(learned.parent_path());
    writeText(learned.parent_path(), "a file where the folder goes"); // a disk fault

    gf_endParking();
    EXPECT_TRUE(gf_statusMessage().ends_with("did not succeed")) << gf_statusMessage();
    fs::remove(learned.parent_path()); // the fault passes
    gf_setParkAirport(*gf_findAirport("AAAA"));
    ASSERT_EQ(lf_readParkedFile(), "");
    EXPECT_TRUE(fs::exists(learned));
    EXPECT_TRUE(std::ranges::any_of(g_stands[1].options, [](const ParkPosOption& o) { return o.registration == "TV-NEW"; }));
}

TEST_F(ParkAirports, UnknownPublisherFolderOnlyRefusesItsOwnFiles)
{
    fs::create_directories("unknown");
    const LatLon stand = writeStands("AAAA", kHome, 3);
    gf_setParkAirport(*gf_findAirport("AAAA"));
    userAt(stand, true);
    writeText(g_myParkAirportsPath, "AAAA,NOT_THERE\n");
    ASSERT_TRUE(lf_readMyParkAirports());
    g_userDataValid = 0;
    EXPECT_EQ(lf_readParkedFile(), "");
    EXPECT_TRUE(gf_reservedStand().empty()) << "a reserved stand the airport lacks";
    EXPECT_TRUE(logContains("stand NOT_THERE is not one of the stands of AAAA"));
    const ParkingDisplay shown = gf_displayTexts().parking;
    EXPECT_EQ(shown.reservedStand, "NOT_THERE") << "shown, in red";
    EXPECT_FALSE(shown.reservedFound);
}


// The park airport's controls in the real main window: "Flush static" and "LEARN_SOFT" work only
// while an airport is loaded, and nothing shown of one airport stays for the next.
class ParkingControls : public ParkAirports {
protected:
    ParkingControls()
    {
        openMainWindow();
        gf_setStandSearch(nullptr); // no statics to wait for: the busy state ends with the calculation
        param::SIM_TIME.value = 0;  // the main loop's second keeps the clock as it is
        param::DESTINATION.setValue(""); // the nearest airport of the list leads it
        param::AIRPORT_RANGE.value = param::AIRPORT_RANGE.defaultValue;
        param::AIRPORT_HEIGHT.value = param::AIRPORT_HEIGHT.defaultValue;
    }
    ~ParkingControls() override
    {
        gf_endParking();
        gf_resetMainLoop();
        g_removeAllRequest = 0;
        param::SIM_TIME.value = m_simTime;
        param::DESTINATION.setValue(m_destination);
        param::AIRPORT_RANGE.value = m_airportRange;
        param::AIRPORT_HEIGHT.value = m_airportHeight;
    }
    static bool enabled(const ParameterControl& control) { return IsWindowEnabled(gf_controlWindow(control)) != FALSE; }
    // An exit as a click asks for it (a restart for new settings, or a close): the whole exit sequence
    // on its own thread and a restart's reset, this thread answering what it sends the window. The
    // next start-up is not run.
    static void exitFor(ExitReason reason)
    {
        ManualClock clock;
        gf_setClock(&clock);
        gf_installExitSequence();
        gf_requestExit(static_cast<std::int32_t>(reason), 0);
        const auto deadline = std::chrono::steady_clock::now() + guardTime(std::chrono::seconds(30));
        MSG message{};
        while (gf_exitSequenceRunning() && std::chrono::steady_clock::now() < deadline) {
            PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
            clock.advance(std::chrono::milliseconds(100));
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        EXPECT_FALSE(gf_exitSequenceRunning());
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) // WM_APP+1 would start the next session
            ;
        gf_setExitSequence(nullptr);
        gf_setClock(nullptr);
    }

private:
    std::uint8_t m_simTime = param::SIM_TIME.value.load();
    std::string m_destination = param::DESTINATION.getValue();
    std::int32_t m_airportRange = param::AIRPORT_RANGE.value.load();
    std::int32_t m_airportHeight = param::AIRPORT_HEIGHT.value.load();
};

TEST_F(ParkingControls, FollowTheParkAirportAndLeaveNothingOfItShown)
{
    const LatLon homeStand = writeStands("AAAA", kHome, 12);
    writeStands("BBBB", kAway, 8);
    writeText(g_myParkAirportsPath, "BBBB\n");
    ASSERT_TRUE(lf_readMyParkAirports());
    param::INITIAL_LOAD_ONLY.value = 0;
    struct Step {
        const char* name;
        std::function<void()> action;
        std::optional<bool> controlsOn; // "Flush static" and "LEARN_SOFT" enabled; nothing: as they were
        const char* airport;   // the park airport shown; empty: none
        std::int32_t parkCount; // the count shown
    };
    const Step steps[] = {
        {"the main loop starts on the ground at AAAA",
         [&] {
             userAt(homeStand, true);
             gf_checkForParkAirportUpdates(true);
         },
         std::nullopt, "AAAA", 0},
        {"the next check calculates AAAA's parking", [] { gf_checkForParkAirportUpdates(false); }, true, "AAAA", 4},
        {"AAAA out of sight", [] { userAt({50.0, 11.2}, false, 3000.0); gf_checkForParkAirportUpdates(false); }, false, "",
         0},
        {"a renewal's busy state ends without an airport",
         [] {
             gf_disableControls();
             gf_checkForParkAirportUpdates(false);
         },
         false, "", 0},
        {"\"Flush static\" clicked, the main loop's second follows",
         [] {
             win32test::click(gf_controlWindow(param::FLUSH_STATIC_BUTTON));
             lf_everySecond();
         },
         false, "", 0},
        {"BBBB comes into sight", [] { userAt({50.0, 10.43}, false, 3000.0); gf_checkForParkAirportUpdates(false); },
         false, "BBBB", 0},
        {"BBBB's stands loaded", [] { gf_checkForParkAirportUpdates(false); }, true, "BBBB", 2},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        step.action();
        if (step.controlsOn) {
            EXPECT_EQ(enabled(param::FLUSH_STATIC_BUTTON), *step.controlsOn);
            EXPECT_EQ(enabled(param::LEARN_SOFT), *step.controlsOn);
        }
        const ParkingDisplay shown = gf_displayTexts().parking;
        EXPECT_EQ(shown.airportLabel.substr(0, 4), step.airport);
        EXPECT_EQ(shown.parkCount, step.parkCount);
        EXPECT_FALSE(param::INITIAL_LOAD_ONLY.on()) << "the next airport keeps its renewals";
    }
}

// The park airport's file that the server answers with an error, or that the program folder cannot
// take, is not fetched at every check, and the status line says what happened: the file and why come
// first, so that the window's width cuts neither.
TEST_F(ParkingControls, AFileThatDidNotComeWaitsForItsPauseAndSaysWhy)
{
    const fs::path served = serverDir.path() / "MSFS/archive/stock/AAAA.xml";
    const LatLon homeStand = writeStands("AAAA", kHome, 12, "-1", served);
    serve("MSFS/archive/simaddon/BBBB.xml", "another file");
    const std::string full = std::make_error_code(std::errc::no_space_on_device).message();
    const struct {
        const char* what;
        bool diskFull;    // else the server answers 500
        bool errorBefore; // another file answered with an error just before
        std::string status;
        std::string reason; // within the window's width
    } rows[] = {
        {"the server answers 500", false, false,
         "User aircraft on the ground at AAAA, failed to download AAAA.xml: the server answered 500, asked again after a pause",
         "the server answered 500"},
        {"two files in a row", false, true,
         "User aircraft on the ground at AAAA, failed to download AAAA.xml: the download server answered two files in a row "
         "with an error, asked again after a pause",
         "the download server answered two files in a row with an error"},
        {"the Tarvo folder's disk full", true, false,
         "User aircraft on the ground at AAAA, could not write AAAA.xml: " + full +
             ", asked again after a pause (in the Tarvo folder \"" + gf_utf8FromPath(fs::current_path()) + "\")",
         full},
    };
    RECT client{};
    GetClientRect(g_mainWindow.load(), &client);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        gf_resetApfProbes();
        server.clearFaults();
        server.setFault("MSFS/archive/simaddon/BBBB.xml", tools::DownloadFault::ServerError);
        if (row.errorBefore)
            lf_downloadAddonApf("archive/simaddon/BBBB.xml", "other.xml");
        if (row.diskFull)
            gf_setFullDisk(FullDisk{fs::path(), 100});
        else
            server.setFault("MSFS/archive/stock/AAAA.xml", tools::DownloadFault::ServerError);
        const std::size_t asked = server.requests().size();
        userAt(homeStand, true);
        for (int check = 0; check < 8; ++check)
            gf_checkForParkAirportUpdates(false);
        gf_setFullDisk(std::nullopt);
        const std::string shown = gf_statusMessage();
        EXPECT_EQ(shown, row.status);
        EXPECT_EQ(server.requests().size() - asked, 1u);
        EXPECT_TRUE(gf_parkAirport().icao.empty());
        const std::size_t reasonEnd = shown.find(row.reason) + row.reason.size();
        ASSERT_NE(shown.find(row.reason), std::string::npos);
        EXPECT_LE(kStatusTextLeft + window_layer::gf_textPixels(gf_platformToUtf16(shown.substr(0, reasonEnd))),
                  client.right)
            << "cut before the reason's end";
    }
    gf_resetApfProbes();
}

// However the busy state ends, the nine controls it locked (the parking settings and "Re-read") are
// free again, read back from the real window layer. The exit runs on a thread of its own.
using ParkingControlsThreads = ParkingControls;

TEST_F(ParkingControlsThreads, UnlockHoweverTheBusyStateEnds)
{
    using namespace param;
    const LatLon homeStand = writeStands("AAAA", kHome, 12);
    writeStands("BBBB", kAway, 8);
    writeText(g_myParkAirportsPath, "BBBB\n");
    ASSERT_TRUE(lf_readMyParkAirports());
    RT_PARKTRAFFIC_ONLY.value = 0;
    const std::vector<const ParameterControl*> locked{&parking_percentage, &INITIAL_LOAD_ONLY, &PARK_FAKE,
                                                      &PARK_SOFT,          &CUSTOM_MAX_PARK,   &RT_PARKTRAFFIC_ONLY,
                                                      &MAX_FIT_FL,         &WEEK,              &REREAD_BUTTON};
    // Parking at AAAA, where the user stands, with statics still to be parked (one every 0.5 s).
    const auto staticsWaitAtHome = [&] {
        userAt(homeStand, true);
        gf_checkForParkAirportUpdates(true);
        gf_checkForParkAirportUpdates(false);
        StandCandidate waiting;
        waiting.fitted = 1;
        waiting.standId = 1;
        g_standCandidates.push_back(waiting);
        gf_disableControls();
    };
    const auto renewalStarts = [] {
        g_secondsCounter = 15; // the renewal's step alone
        g_renewParkingRequest = 1;
        lf_every15Seconds();
    };
    const auto checkFrom = [](LatLon at) {
        return [at] {
            userAt(at, false, 3000.0);
            gf_checkForParkAirportUpdates(false);
        };
    };
    const auto exitAndRestart = [] { exitFor(ExitReason::NewSettings); };
    // CCCC's file fetched and kept for its read; BBBB's on a line that stalls after the headers, which a
    // wait on it would never see end.
    const auto fileOnItsWay = [&] {
        serveApf("MSFS/archive/stock/CCCC.xml", {});
        g_downloadLimits.callerWaitMilliseconds = std::chrono::milliseconds(guardTime(std::chrono::seconds(60))).count();
        ASSERT_EQ(gf_apfExists("CCCC"), Presence::Present);
        writeText(g_myThirdpartyPath / "BBBB.txt", "archive/simaddon/BBBB.xml\n");
        serveApf("MSFS/archive/simaddon/BBBB.xml", {});
        server.setFault("MSFS/archive/simaddon/BBBB.xml", tools::DownloadFault::Stall);
        g_downloadLimits.callerWaitMilliseconds = 0;
        g_downloadLimits.lowSpeedSeconds = 3600;
        checkFrom({50.0, 10.43})();
        gf_checkForParkAirportUpdates(false);
    };
    struct Row {
        const char* name;
        std::function<void()> busy;
        std::function<void()> wayOut;
    };
    const Row rows[] = {
        {"AAAA goes out of sight", staticsWaitAtHome, checkFrom({50.0, 11.2})},
        {"BBBB comes into sight, nearer", staticsWaitAtHome, checkFrom({50.0, 10.43})},
        {"BBBB's parking file cannot be read",
         [&] {
             writeText(g_myThirdpartyPath / "BBBB.xml", "<parkpositions><parkpos id=");
             checkFrom({50.0, 10.43})();
         },
         [] { gf_checkForParkAirportUpdates(false); }},
        {"a renewal finds no park airport", renewalStarts, [] { lf_every15Seconds(); }},
        {"the exit ends parking at AAAA", staticsWaitAtHome, exitAndRestart},
        {"the exit cuts a renewal short", renewalStarts, exitAndRestart},
        {"a restart while BBBB's file is on its way", fileOnItsWay, exitAndRestart},
        {"a close while BBBB's file is on its way", fileOnItsWay, [] { exitFor(ExitReason::UserClosedSim); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        row.busy();
        ASSERT_EQ(g_parkingBusy.load(), 1);
        ASSERT_TRUE(std::ranges::none_of(locked, [](const ParameterControl* c) { return enabled(*c); }));
        row.wayOut();
        EXPECT_EQ(g_parkingBusy.load(), 0);
        for (const ParameterControl* control : locked)
            EXPECT_TRUE(enabled(*control)) << control->controlId;
        for (const auto& entry : fs::directory_iterator(programDir.path())) // nothing half-written stays
            EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << entry.path();
        gf_endParking();
        gf_resetMainLoop();
        g_parkingBusy = 0;
    }
}

// Each park airport's eleven settings (its learned file's, what the user changes there, what the
// program switches for itself) end with its parking: the user's own come back, in the settings and the
// window alike, "parameters.xml" keeps only what the user chose, and no program switch reaches a
// learned file.
class AirportSettingsEnd : public ParkAirports {
protected:
    AirportSettingsEnd()
    {
        openMainWindow();
        gf_setParametersPath(programDir / "parameters.xml");
        g_settingsRead = 1; // the window's clicks save only once the start-up has read the settings
        writeStands("AAAA", kHome, 3);        // few stands: soft learning allowed
        writeStands("BBBB", kAway, 20, "45"); // well covered: LEARN_SOFT is switched off there
        gf_setGiveBackStep([] {
            if (s_whileGivenBack)
                s_whileGivenBack();
        });
    }
    ~AirportSettingsEnd() override
    {
        gf_setGiveBackStep(nullptr);
        gf_setSaveStep(nullptr);
        s_whileGivenBack = nullptr;
        gf_endParking();
        gf_setParametersPath({});
        g_airportFileChanged = 0;
        g_removeAllRequest = 0;
    }
    // The user's own, saved as the window saves them, and taken as the start-up takes them.
    static void usersOwn()
    {
        using namespace param;
        for (auto [box, on] : {std::pair{&AUTO_RANGE, false}, {&INITIAL_LOAD_ONLY, false}, {&PARK_SOFT, true},
                               {&PARK_FAKE, true}, {&WEEK, false}, {&RT_PARKTRAFFIC_ONLY, false}, {&LEARN_SOFT, true}}) {
            box->value = on ? 1 : 0;
            gf_showCheckBox(*box);
            gf_writeParametersXml(*box);
        }
        MAX_LIVE.value = 50;
        MAX_FIT.value = 47;
        for (IntControlParameter* box : {&MAX_LIVE, &MAX_FIT})
            saveIntParameter(*box);
        gf_setTrafficRange(30);
        saveIntParameter(LATERAL_RANGE);
        parking_percentage.value = 30;
        gf_takeUsersAirportSettings();
    }
    // Parking at the airport, with its learned file as given (nothing: no file).
    std::filesystem::path park(const char* code, const tools::Attributes& learned)
    {
        gf_setParkAirport(*gf_findAirport(code));
        EXPECT_EQ(lf_readParkedFile(), "");
        const fs::path path = g_parkedFileInfo.learnedPath;
        gf_endParking();
        fs::remove(path);
        if (!learned.empty())
            tools::gf_writeApfSpec({.parameters = learned}, path);
        gf_setParkAirport(*gf_findAirport(code));
        EXPECT_EQ(lf_readParkedFile(), "");
        EXPECT_EQ(g_parkAirportLoaded.load(), 1);
        return path;
    }
    static bool checked(const BoolControlParameter& box)
    {
        return IsDlgButtonChecked(g_mainWindow.load(), box.controlId) == BST_CHECKED;
    }
    static std::string boxText(const ParameterControl& box) { return lf_getTextFromId(box.controlId); }
    // What the user does in the window while parking ends, once the user's own are back.
    static inline std::function<void()> s_whileGivenBack;
    bool saved(const std::string& key, const std::string& value) const
    {
        return readText(programDir / "parameters.xml").find("name=\"" + key + "\" value=\"" + value + "\"") !=
               std::string::npos;
    }
    static bool holds(const fs::path& learned, const std::string& key, const std::string& value)
    {
        return readText(learned).find("name=\"" + key + "\" value=\"" + value + "\"") != std::string::npos;
    }
};

TEST_F(AirportSettingsEnd, TheUsersOwnComeBackAndSwitchesStayOutOfLearnedFiles)
{
    using namespace param;
    const tools::Attributes airportsOwn{{"LEARN_SOFT", "false"},  {"MAX_LIVE", "12"},          {"LATERAL_RANGE", "15"},
                                        {"AUTO_RANGE", "false"},  {"PARK_FAKE", "false"},     {"WEEK", "true"},
                                        {"PARK_SOFT", "false"},   {"parking_percentage", "60"}, {"INITIAL_LOAD_ONLY", "true"},
                                        {"MAX_FIT", "5"},         {"RT_PARKTRAFFIC_ONLY", "true"}};
    struct Row {
        const char* name;
        const char* code;
        tools::Attributes learned;
        std::function<void()> whileParked;
        std::vector<std::pair<std::string, std::string>> learnedHolds; // the airport's file afterwards
        std::vector<std::pair<std::string, std::string>> usersChoice;  // changed there by the user: his own now
        std::function<void()> whileGivenBack = nullptr;
    };
    const Row rows[] = {
        {"the airport's learned values", "AAAA", airportsOwn,
         [] {
             EXPECT_TRUE(WEEK.on());
             EXPECT_TRUE(RT_PARKTRAFFIC_ONLY.on());
             EXPECT_EQ(LATERAL_RANGE.value.load(), 15);
         },
         {{"WEEK", "true"}, {"RT_PARKTRAFFIC_ONLY", "true"}, {"AUTO_RANGE", "false"}, {"LEARN_SOFT", "false"}},
         {}},
        {"the airport's automatic range", "AAAA", {{"LATERAL_RANGE", "15"}, {"AUTO_RANGE", "true"}},
         [] { EXPECT_TRUE(AUTO_RANGE.on()); }, {{"AUTO_RANGE", "true"}}, {}},
        {"Flush static", "AAAA", {},
         [] {
             g_removeAllRequest = 1;
             lf_everySecond();
             EXPECT_TRUE(INITIAL_LOAD_ONLY.on());
             EXPECT_TRUE(checked(INITIAL_LOAD_ONLY));
         },
         {{"INITIAL_LOAD_ONLY", "false"}},
         {}},
        {"a well-covered airport", "BBBB", {},
         [] {
             EXPECT_FALSE(LEARN_SOFT.on());
             EXPECT_FALSE(checked(LEARN_SOFT));
         },
         {{"LEARN_SOFT", "true"}},
         {}},
        {"the user's changes there", "AAAA", {},
         [] {
             EnableWindow(gf_controlWindow(PARK_SOFT), TRUE);
             win32test::click(gf_controlWindow(PARK_SOFT));
             enterInBox(MAX_FIT_FL, u"6");
             enterInBox(MAX_LIVE, u"20"); // the airport's limit, as the box says while parked
         },
         {{"PARK_SOFT", "false"}, {"MAX_FIT", "11"}, {"MAX_LIVE", "20"}},
         {{"PARK_SOFT", "false"}, {"MAX_FIT", "11"}}},
        {"a click as parking ends", "AAAA", {}, [] {}, {}, {{"PARK_SOFT", "false"}},
         [] {
             EnableWindow(gf_controlWindow(PARK_SOFT), TRUE);
             win32test::click(gf_controlWindow(PARK_SOFT));
         }},
        {"a limit typed as parking ends", "AAAA", {}, [] {}, {}, {{"MAX_LIVE", "20"}},
         [] { enterInBox(MAX_LIVE, u"20"); }},
        {"a click kept, parking ends, then saved", "AAAA", {},
         [] {
             gf_setSaveStep(gf_giveUsersAirportSettingsBack);
             EnableWindow(gf_controlWindow(PARK_SOFT), TRUE);
             win32test::click(gf_controlWindow(PARK_SOFT));
             gf_setSaveStep(nullptr);
         },
         {},
         {{"PARK_SOFT", "false"}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        usersOwn();
        const fs::path learned = park(row.code, row.learned);
        row.whileParked();
        g_learnedStandUpdates = 1; // something learned: the file is written
        s_whileGivenBack = row.whileGivenBack;
        gf_endParking();
        s_whileGivenBack = nullptr;

        const auto own = [&](const std::string& key, const std::string& value) {
            const auto choice = std::ranges::find(row.usersChoice, key, &std::pair<std::string, std::string>::first);
            return choice == row.usersChoice.end() ? value : choice->second;
        };
        for (auto [box, key, on] :
             {std::tuple{&INITIAL_LOAD_ONLY, "INITIAL_LOAD_ONLY", "false"}, {&PARK_SOFT, "PARK_SOFT", "true"},
              {&PARK_FAKE, "PARK_FAKE", "true"}, {&WEEK, "WEEK", "false"}, {&AUTO_RANGE, "AUTO_RANGE", "false"},
              {&RT_PARKTRAFFIC_ONLY, "RT_PARKTRAFFIC_ONLY", "false"}, {&LEARN_SOFT, "LEARN_SOFT", "true"}}) {
            const bool expected = own(key, on) == "true";
            EXPECT_EQ(box->on(), expected) << key;
            EXPECT_EQ(checked(*box), expected) << key;
            EXPECT_TRUE(saved(key, own(key, on))) << key;
        }
        EXPECT_EQ(MAX_FIT.value.load(), std::stoi(own("MAX_FIT", "47")));
        EXPECT_EQ(parking_percentage.value.load(), 30);
        EXPECT_EQ(MAX_LIVE.value.load(), std::stoi(own("MAX_LIVE", "50")));
        EXPECT_EQ(boxText(MAX_LIVE), own("MAX_LIVE", "50"));
        EXPECT_EQ(LATERAL_RANGE.value.load(), 30);
        EXPECT_EQ(g_rangeMetres.load(), 30u * 1852u + 10000u);
        EXPECT_EQ(boxText(LATERAL_RANGE), "30");
        EXPECT_TRUE(IsWindowEnabled(gf_controlWindow(LATERAL_RANGE))) << "the user's own range is fixed";
        EXPECT_TRUE(saved("MAX_LIVE", own("MAX_LIVE", "50")));
        EXPECT_TRUE(saved("LATERAL_RANGE", "30"));
        EXPECT_TRUE(gf_usersAirportSettings() == gf_airportSettingsToLearn()) << "the user's own are in force";
        for (const auto& [key, value] : row.learnedHolds)
            EXPECT_TRUE(holds(learned, key, value)) << key << "=" << value << "\n" << readText(learned);
    }
}

// "PT only" clicked at the airport asks its next renewal to re-fit every static there; that request
// ends with the airport's parking and never re-fits the next airport's.
TEST_F(AirportSettingsEnd, ARefitAskedForAtTheAirportEndsWithItsParking)
{
    usersOwn();
    park("AAAA", {});
    EnableWindow(gf_controlWindow(param::RT_PARKTRAFFIC_ONLY), TRUE);
    win32test::click(gf_controlWindow(param::RT_PARKTRAFFIC_ONLY));
    ASSERT_EQ(g_parkTrafficOnlyRequest.load(), 1);
    gf_endParking();
    EXPECT_EQ(g_parkTrafficOnlyRequest.load(), 0);
    g_renewParkingRequest = 0;
}

} // namespace
} // namespace zyn::test
