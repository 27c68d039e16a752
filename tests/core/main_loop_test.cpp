#include "airport/park_pos.h"
#include "base/exit_flags.h"
#include "base/log.h"
#include "base/time_util.h"
#include "core/exit.h"
#include "core/main_loop.h"
#include "core/startup.h"
#include "engine/ai_driver.h"
#include "engine/records.h"
#include "engine/spawn.h"
#include "parking/park_airport.h"
#include "parking/static_park.h"
#include "platform/system/clock.h"
#include "requests/destination_request.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "shown/status_line.h"
#include "sim/link_state.h"
#include "sim/queues.h"
#include "tests/support/exit_wait.h"
#include "tests/support/temp_dir.h"
#include "traffic/intake.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <map>
#include <stdexcept>
#include <thread>

namespace zyn {
namespace {

// The main loop's calls replaced by recorders that note the counted second of each call.
class MainLoop : public ::testing::Test {
protected:
    void SetUp() override
    {
        gf_connectRooms(); // the program does this before anything can request an exit
        gf_setClock(&clock);
        gf_setParametersPath(dir.path() / "parameters.xml");
        gf_openLog();
        const auto noting = [this](const char* name) { return [this, name] { note(name); }; };
        g_mainLoopCalls = MainLoopCalls{
            .updateAI = [] {},
            .refreshConnectionState = noting("refreshConnectionState"),
            .updateTrafficBox = [] {},
            .checkForParkAirportUpdates = [this](bool first) { note(first ? "parkUpdatesFirst" : "parkUpdates"); },
            .startParkingOnAnswer = noting("startParkingOnAnswer"),
            .removeAcAtStand = noting("removeAcAtStand"),
            .disableControls = noting("disableControls"),
            .enableControls = noting("enableControls"),
            .parkingAdjustments = [this](bool) { note("parkingAdjustments"); },
            .writeParkedList = noting("writeParkedList"),
            .adjustTrafficRange = noting("adjustTrafficRange"),
            .logNoMatchList = noting("logNoMatchList"),
            .liveryMatchingSummary = noting("liveryMatchingSummary"),
        };
    }
    void TearDown() override
    {
        g_mainLoopCalls = gf_defaultMainLoopCalls();
        gf_resetMainLoop();
        g_simRunning = 0;
        g_oneSecondFlag = 0;
        g_parkAirportLoaded = 0;
        gf_closeLog();
        gf_setClock(nullptr);
        gf_setParametersPath({});
    }
    void note(const char* name)
    {
        std::lock_guard lock(mutex);
        calls[name].push_back(g_secondsCounter.load());
    }
    std::vector<std::int32_t> secondsOf(const char* name)
    {
        std::lock_guard lock(mutex);
        return calls[name];
    }
    bool ranAt(const char* name, std::int32_t c)
    {
        const auto s = secondsOf(name);
        return std::find(s.begin(), s.end(), c) != s.end();
    }
    // One simulator second: its reply arrives and the next tick serves it.
    void oneSecond()
    {
        g_oneSecondFlag = 1;
        lf_workTarvo();
    }
    std::vector<std::string> logLines()
    {
        gf_closeLog();
        return test::readLines(dir.path() / "Log.txt");
    }
    ManualClock clock;
    test::TempDir dir;
    test::ScopedCwd cwd{dir.path()};
    std::mutex mutex;
    std::map<std::string, std::vector<std::int32_t>> calls;
};

TEST_F(MainLoop, OneDayOfSecondsRunsEachStepAtItsMultiples)
{
    g_simRunning = 1;
    g_parkAirportLoaded = 1; // a parking file is loaded: renewals every 20 minutes
    param::INITIAL_LOAD_ONLY.value = 0;
    param::AUTO_RANGE.value = 1;
    param::CALLSIGN_OBJECTIDS.value = 1;
    param::MSFS_2020.value = 1;
    for (int second = 1; second <= 86400; ++second)
        oneSecond();
    // 240 is a multiple of 15 and 16: only the 15-second chain runs.
    EXPECT_TRUE(ranAt("refreshConnectionState", 240));
    EXPECT_FALSE(ranAt("parkUpdates", 240));
    EXPECT_TRUE(ranAt("parkUpdates", 256));
    // 915 = 15 x 61 and 930 = 15 x 62: the 61- and 62-second steps give way; 930 is a 30-second step.
    EXPECT_TRUE(ranAt("refreshConnectionState", 915));
    EXPECT_TRUE(ranAt("adjustTrafficRange", 930));
    EXPECT_FALSE(ranAt("writeParkedList", 930));
    EXPECT_TRUE(ranAt("writeParkedList", 992));
    // 1200: the no-match list and a renewal request, whose two phases follow 15 seconds apart; the
    // park-airport check waits while the first phase holds (1216).
    EXPECT_TRUE(ranAt("logNoMatchList", 1200));
    EXPECT_TRUE(ranAt("disableControls", 1215));
    EXPECT_FALSE(ranAt("parkUpdates", 1216));
    EXPECT_TRUE(ranAt("parkUpdates", 1232));
    // A calculation waiting for its parked traffic is looked at every second, but while a renewal holds.
    for (const auto& [second, looked] : {std::pair{1, true}, {240, true}, {1201, true}, {1216, false}, {1231, true}})
        EXPECT_EQ(ranAt("startParkingOnAnswer", second), looked) << second;
    EXPECT_EQ(secondsOf("logNoMatchList").size(), 86400u / 1200u);
    // The request of second 86,400 starts its renewal on the next day.
    EXPECT_EQ(secondsOf("disableControls").size(), 86400u / 1200u - 1);
    EXPECT_EQ(secondsOf("adjustTrafficRange").size(), 86400u / 30u);
    // 86,400: the summary, and the counter starts again.
    EXPECT_EQ(secondsOf("liveryMatchingSummary"), std::vector<std::int32_t>{0});
    EXPECT_EQ(g_secondsCounter.load(), 0);
    oneSecond();
    EXPECT_EQ(g_secondsCounter.load(), 1);
}

// An exit that began while the session started (a close after a refused login) looks for no park
// airport: none of its files is asked for while the program ends.
TEST_F(MainLoop, AnExitUnderWayAsItStartsLooksForNoParkAirport)
{
    g_exitRequested = 1;
    mainLoop();
    g_exitRequested = 0;
    EXPECT_TRUE(secondsOf("parkUpdatesFirst").empty());
}

TEST_F(MainLoop, RenewalAdjustsParkingOnlyWithAParkAirportAndStands)
{
    g_simRunning = 1;
    g_renewParkingRequest = 1;
    g_parkTrafficOnlyRequest = 1;
    for (int second = 1; second <= 30; ++second)
        oneSecond();
    EXPECT_EQ(secondsOf("disableControls"), std::vector<std::int32_t>{15});
    EXPECT_TRUE(secondsOf("parkingAdjustments").empty()); // no park airport: nothing to adjust
    EXPECT_EQ(secondsOf("enableControls"), std::vector<std::int32_t>{30}) << "the parking settings are free again";
    EXPECT_EQ(g_renewParkingRequest.load(), 0);
    EXPECT_EQ(g_parkTrafficOnlyRequest.load(), 1); // the option waits for a renewal that adjusts
}

// Without a park airport (parking ended between the click and the second that serves it) the next
// airport must keep its renewals.
TEST_F(MainLoop, FlushStaticTurnsOnInitialLoadOnlyWithoutSavingItOnlyAtAParkAirport)
{
    g_simRunning = 1;
    for (const bool loaded : {true, false}) {
        SCOPED_TRACE(loaded ? "park airport loaded" : "no park airport");
        g_parkAirportLoaded = loaded ? 1 : 0;
        param::INITIAL_LOAD_ONLY.value = 0;
        g_removeAllRequest = 1;
        oneSecond();
        EXPECT_EQ(param::INITIAL_LOAD_ONLY.on(), loaded);
        EXPECT_EQ(g_removeAllRequest.load(), 0);
        EXPECT_FALSE(std::filesystem::exists(dir.path() / "parameters.xml"));
    }
    param::INITIAL_LOAD_ONLY.value = 0;
}

// What the window asked for is carried out on the main loop's next second, which alone touches
// the aircraft lists and the park airports.
TEST_F(MainLoop, ServesTheWindowsRequestsOnItsNextSecond)
{
    g_simRunning = 1;
    g_liveAircraft.resize(2);
    g_liveAircraft[0].state = ObjectState::InSim;
    g_liveAircraft[0].phase = MovePhase::Parked;
    g_liveAircraft[0].objectId = 501;
    g_liveAircraft[1].state = ObjectState::InSim;
    g_liveAircraft[1].phase = MovePhase::Airborne;
    g_liveAircraft[1].objectId = 502;
    g_staticAircraft.resize(1);
    g_staticAircraft[0].state = ObjectState::InSim;
    g_staticAircraft[0].objectId = 601;
    param::NAV_LIGHTS_WHILE_PARKED.value = 0;
    g_eventQueue.clear();
    g_navLightsRequest = 1;
    gf_requestDestination({"EFHK", {60.3172, 24.9633}});
    oneSecond();
    std::vector<std::uint32_t> navOff;
    for (const auto& e : g_eventQueue)
        if (e.eventId == 207 && e.value == 0)
            navOff.push_back(e.objectId);
    EXPECT_EQ(navOff, (std::vector<std::uint32_t>{601, 501})); // the parked ones only
    EXPECT_EQ(g_navLightsRequest.load(), 0);
    EXPECT_FALSE(gf_takeDestinationRequest());

    g_removeAllAircraftRequest = 1; // a new time shift
    oneSecond();
    EXPECT_EQ(g_removeAllAircraftRequest.load(), 0);
    EXPECT_TRUE(std::all_of(g_liveAircraft.begin(), g_liveAircraft.end(),
                            [](const LiveAcRecord& a) { return a.state == ObjectState::RemovalRequested; }));
    EXPECT_EQ(g_staticAircraft.front().state, ObjectState::RemovalRequested);
    const auto listed = gf_parkAirportsCopy();
    ASSERT_FALSE(listed.empty());
    EXPECT_EQ(listed.front().icao, "EFHK") << "the destination leads the park airports";
    EXPECT_EQ(test::readText(dir / "airports/my_park_airports.txt"), "EFHK\n");
    gf_resetParkAirports();
    g_liveAircraft.clear();
    g_staticAircraft.clear();
    g_eventQueue.clear();
}

// The per-second checks of live aircraft against the parked ones, with the lists emptied after.
class MainLoopIdentity : public MainLoop {
protected:
    void SetUp() override
    {
        MainLoop::SetUp();
        g_simRunning = 1;
    }
    void TearDown() override
    {
        gf_clearAcContainers();
        gf_resetStaticParking();
        param::COLLISION_LIVE_PARKED_GND.value = 0;
        MainLoop::TearDown();
    }
    static LiveAcRecord& addLive(std::uint32_t hexId, const std::string& callsign)
    {
        LiveAcRecord& a = g_liveAircraft.emplace_back();
        a.hexId = hexId;
        a.head.airline = "FIN";
        a.head.callsign = callsign;
        return a;
    }
    static AiAcRecord& addParked(std::uint32_t objectId)
    {
        AiAcRecord& p = g_staticAircraft.emplace_back();
        p.state = ObjectState::InSim;
        p.objectId = objectId;
        p.head.callsign = "PARKED";
        return p;
    }
};

// An aircraft that went before its turn (or whose spawn dropped its record) must not hold up the
// checks of those behind it.
TEST_F(MainLoopIdentity, EntriesOfGoneAircraftGiveWay)
{
    struct Row {
        const char* name;
        std::vector<std::uint32_t> live;
        std::vector<std::uint32_t> queued;
        std::vector<std::uint32_t> left; // after one second
        bool twinRemoved;                // the parked twin of 0x4B1234
    };
    const Row rows[] = {
        {"gone front, present behind", {0x4B1234}, {0x111111, 0x4B1234}, {}, true},
        {"several gone in front", {0x4B1234}, {0x111111, 0x222222, 0x4B1234}, {}, true},
        {"only gone aircraft", {0x4B1234}, {0x111111, 0x222222}, {}, false},
        {"no live aircraft left", {}, {0x111111}, {}, false},
        {"present aircraft take one second each", {0x4B1234, 0x400001}, {0x4B1234, 0x400001}, {0x400001}, true},
    };
    for (const Row& row : rows) {
        for (const std::uint32_t id : row.live)
            addLive(id, "FIN" + std::to_string(id % 100)).head.registration = fmt::format("OH-{:X}", id);
        addParked(700).head.registration = "OH-4B1234";
        g_identityCheckIds = row.queued;
        oneSecond();
        EXPECT_EQ(g_identityCheckIds, row.left) << row.name;
        EXPECT_EQ(g_staticAircraft.front().state == ObjectState::RemovalRequested, row.twinRemoved) << row.name;
        gf_clearAcContainers();
    }
}

// The coupled callsigns are searched once per live record: an airframe that comes back as a new
// record in the same session is searched again, so the stand-in parked for its next flight goes.
TEST_F(MainLoopIdentity, CoupledCallsignsAreSearchedForEachNewRecord)
{
    const WeekSlot now = gf_weekdayAndSlot();
    ParkPosOption option;
    option.airline = "FIN";
    option.callsign = "FIN1";
    option.callsign2 = "FIN2";
    option.day = static_cast<std::int32_t>(now.day);
    option.halfHours = std::uint64_t{1} << now.slot;
    option.number = 1;
    const std::vector<std::pair<const char*, const char*>> visits{{"first flight", "FIN1"}, {"back again", "FIN1"}};
    for (const auto& [name, callsign] : visits) {
        g_stands.clear();
        g_stands.emplace_back("A1", std::vector<ParkPosOption>{option}, 60.3, 24.9, 0.0, 30.0, 1, 1, 1);
        g_liveAircraft.clear();
        addLive(0x4B1234, callsign);
        AiAcRecord& standIn = addParked(700); // parked for the flight out, FIN2
        standIn.head.text1 = "FIN2";
        standIn.head.text2 = "FIN3";
        g_identityCheckIds = {0x4B1234};
        oneSecond();
        EXPECT_EQ(g_liveAircraft.front().head.text2, "FIN2") << name;
        EXPECT_EQ(g_staticAircraft.back().state, ObjectState::RemovalRequested) << name;
    }
}

// The position of the last check against the parked aircraft belongs to the live record: a new
// record of the same airframe where the last one stood is checked.
TEST_F(MainLoopIdentity, NewRecordAtTheSamePlaceIsCheckedAgainstTheParked)
{
    param::COLLISION_LIVE_PARKED_GND.value = 1;
    const LatLon at{60.3172, 24.9633};
    const auto taxiing = [&at] {
        LiveAcRecord& a = addLive(0x4B1234, "FIN1");
        a.state = ObjectState::InSim;
        a.objectId = 500;
        a.onGround = 1;
        a.phase = MovePhase::Taxi;
        a.halfWingspanNm = 0.01;
        a.block.lat = at.lat;
        a.block.lon = at.lon;
    };
    addParked(600).state = ObjectState::New; // far off and not in the simulator: nothing to hit
    taxiing();
    oneSecond(); // checked here, nothing touched
    g_liveAircraft.clear();
    AiAcRecord& parked = addParked(700);
    parked.initLat = at.lat;
    parked.initLon = at.lon;
    parked.halfWingspanNm = 0.01;
    taxiing(); // the airframe again, as a new record, where the last one stood
    oneSecond();
    EXPECT_EQ(g_staticAircraft.back().state, ObjectState::RemovalRequested);
}

// The real loop on its own thread, paced by the manual clock.
class MainLoopThreads : public MainLoop {
protected:
    void startLoop()
    {
        loop = std::thread([] { mainLoop(); });
    }
    // Runs simulator seconds until the condition holds (at most 30 s of real time).
    template <typename Condition> bool runUntil(Condition condition)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!condition()) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            if (g_simRunning.load() != 0)
                g_oneSecondFlag = 1;
            clock.advance(std::chrono::milliseconds(10));
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        return true;
    }
    void TearDown() override
    {
        if (loop.joinable()) {
            gf_requestExit(4, 0);
            runUntil([] { return true; });
            loop.join();
        }
        test::finishExit(clock);
        g_exiting = 0;
        MainLoop::TearDown();
    }
    std::thread loop;
};

bool lf_intakeEnabled()
{
    std::lock_guard lock(g_intakeMutex);
    return g_intakeEnabled;
}

TEST_F(MainLoopThreads, PausesWithoutAFlightAndResumesWithIt)
{
    g_simRunning = 0;
    startLoop();
    ASSERT_TRUE(runUntil([] { return g_flightNotRunning.load() != 0; }));
    EXPECT_FALSE(lf_intakeEnabled());
    g_simRunning = 1;
    ASSERT_TRUE(runUntil([] { return g_flightNotRunning.load() == 0; }));
    // The loop opens the intake just after it cleared the flag (and logged the resumption).
    EXPECT_TRUE(runUntil(lf_intakeEnabled));
    gf_requestExit(4, 0);
    loop.join();
    ASSERT_TRUE(test::finishExit(clock));
    const auto lines = logLines();
    const auto has = [&](std::string_view end) {
        return std::any_of(lines.begin(), lines.end(), [end](const std::string& l) { return l.ends_with(end); });
    };
    EXPECT_TRUE(has(" Flight not running"));
    EXPECT_TRUE(has(" Flight resumed"));
}

TEST_F(MainLoopThreads, ExceptionInAPeriodicStepEndsTheLoopWithReasonSeven)
{
    g_mainLoopCalls.refreshConnectionState = [] {
        if (g_secondsCounter.load() == 15)
            throw std::runtime_error("boom");
    };
    g_simRunning = 1;
    startLoop();
    ASSERT_TRUE(runUntil([] { return g_exitReason.load() == 7; }));
    loop.join();
    ASSERT_TRUE(test::finishExit(clock));
    EXPECT_EQ(gf_statusMessage(), "Error mainLoop: boom");
    const auto lines = logLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "lf_every5Seconds: boom"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Exiting: SYSTEM ERROR"), lines.end());
}

TEST_F(MainLoopThreads, NonStandardExceptionStillRequestsAnExit)
{
    g_mainLoopCalls.updateAI = [] { throw 42; };
    g_simRunning = 1;
    startLoop();
    ASSERT_TRUE(runUntil([] { return g_exitReason.load() == 7; }));
    loop.join();
    EXPECT_EQ(gf_statusMessage(), "Error Unknown exception");
}

} // namespace
} // namespace zyn
