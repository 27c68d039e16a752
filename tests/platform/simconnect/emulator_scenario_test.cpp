// Scenarios of the simulator emulator: the JSON format and the program's TARVO_SIM_SCENARIO.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/simconnect/emulator.h"
#include "tests/platform/simconnect/forget_world.h"
#include "tests/platform/simconnect/inbox.h"
#include "tests/support/case_name.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

namespace zyn::test {
namespace {

namespace emu = simemu;

TEST(EmulatorScenario, ReadsEveryKey)
{
    const emu::Scenario s = emu::gf_parseScenario(R"({
        "simulator": 2024, "frame_rate": 60, "sim_running": false, "max_objects": 50,
        "user": {"lat": 51.47, "lon": -0.46, "altitude_ft": 83, "heading_deg": 270, "on_ground": true,
                 "title": "Cessna 172", "atc_model": "C172", "ground_altitude_ft": 80,
                 "track": [{"t": 0}, {"t": 60, "lat": 51.5, "on_ground": false, "ground_speed_kt": 120}]},
        "installed_titles": ["A", "B"],
        "foreign_objects": [{"title": "X", "atc_id": "N1", "lat": 51.4, "lon": -0.4, "appear_after_s": 5}]
    })");
    EXPECT_EQ(s.simulator, 2024);
    EXPECT_DOUBLE_EQ(s.frameRate, 60.0);
    EXPECT_FALSE(s.simRunning);
    EXPECT_EQ(s.maxObjects, 50);
    EXPECT_EQ(s.userTitle, "Cessna 172");
    EXPECT_EQ(s.userAtcModel, "C172");
    EXPECT_DOUBLE_EQ(s.groundAltitudeFt, 80.0);
    ASSERT_EQ(s.userTrack.size(), 2u);
    EXPECT_DOUBLE_EQ(s.userTrack[0].lat, 51.47);
    EXPECT_DOUBLE_EQ(s.userTrack[0].headingDeg, 270.0);
    EXPECT_DOUBLE_EQ(s.userTrack[1].lat, 51.5);
    EXPECT_DOUBLE_EQ(s.userTrack[1].lon, -0.46); // taken from the point before
    EXPECT_FALSE(s.userTrack[1].onGround);
    EXPECT_EQ(s.installedTitles, (std::vector<std::string>{"A", "B"}));
    ASSERT_EQ(s.foreignObjects.size(), 1u);
    EXPECT_EQ(s.foreignObjects[0].atcId, "N1");
    EXPECT_DOUBLE_EQ(s.foreignObjects[0].appearAfterSeconds, 5.0);
}

TEST(EmulatorScenario, ReadsTheAirportsStandsAndRunways)
{
    const emu::Scenario s = emu::gf_parseScenario(R"({"airport": {
        "stands": [{"name": "A1", "lat": 47.462, "lon": 8.548}, {"name": "B12", "lat": 47.463, "lon": 8.551}],
        "runways": [{"ends": [{"lat": 47.458, "lon": 8.546}, {"lat": 47.458, "lon": 8.577}]}]}})");
    ASSERT_EQ(s.airport.stands.size(), 2u);
    EXPECT_EQ(s.airport.stands[1].name, "B12");
    EXPECT_DOUBLE_EQ(s.airport.stands[1].at.lat, 47.463);
    EXPECT_DOUBLE_EQ(s.airport.stands[1].at.lon, 8.551);
    ASSERT_EQ(s.airport.runways.size(), 1u);
    EXPECT_DOUBLE_EQ(s.airport.runways[0].ends[0].lon, 8.546);
    EXPECT_DOUBLE_EQ(s.airport.runways[0].ends[1].lon, 8.577);
}

TEST(EmulatorScenario, AbsentAirportIsNoAirport)
{
    const emu::Scenario s = emu::gf_parseScenario("{}");
    EXPECT_TRUE(s.airport.stands.empty());
    EXPECT_TRUE(s.airport.runways.empty());
}

TEST(EmulatorScenario, DocumentedExampleIsValid)
{
    const std::string doc = readText(std::filesystem::path(TARVO_SOURCE_DIR) / "docs" / "sim_scenario.md");
    const auto start = doc.find("```json\n");
    ASSERT_NE(start, std::string::npos);
    const auto end = doc.find("```", start + 8);
    const emu::Scenario s = emu::gf_parseScenario(doc.substr(start + 8, end - start - 8));
    EXPECT_EQ(s.userTrack.size(), 2u);
    EXPECT_EQ(s.foreignObjects.size(), 1u);
    EXPECT_EQ(s.installedTitles->size(), 2u);
    EXPECT_EQ(s.airport.stands.size(), 2u);
    EXPECT_EQ(s.airport.runways.size(), 1u);
}

TEST(EmulatorScenario, AbsentTitleListMeansEveryTitle)
{
    EXPECT_FALSE(emu::gf_parseScenario("{}").installedTitles.has_value());
    EXPECT_TRUE(emu::gf_parseScenario(R"({"installed_titles": []})").installedTitles->empty());
}

struct BadScenario {
    const char* name;
    const char* json;
    const char* named; // part of the error text
};

void PrintTo(const BadScenario& c, std::ostream* os) { *os << c.name; }

class EmulatorScenarioBad : public ::testing::TestWithParam<BadScenario> {};

TEST_P(EmulatorScenarioBad, IsRejectedNamingTheKey)
{
    try {
        emu::gf_parseScenario(GetParam().json);
        FAIL() << "accepted " << GetParam().json;
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find(GetParam().named), std::string::npos) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EmulatorScenarioBad,
    ::testing::Values(BadScenario{"UnknownSimulator", "{\"simulator\": 2022}", "simulator"},
                      BadScenario{"NotJson", "not json", "not JSON"},
                      BadScenario{"NotAnObject", "[1]", "not a JSON object"},
                      BadScenario{"UserLatitudeOutOfRange", R"({"user": {"lat": 91}})", "user."},
                      BadScenario{"UserTitleNotText", R"({"user": {"title": 5}})", "user.title"},
                      BadScenario{"TrackTimeGoesBack", R"({"user": {"track": [{"t": 5}, {"t": 1}]}})", "user.track[1].t"},
                      BadScenario{"ForeignLongitudeOutOfRange", R"({"foreign_objects": [{"lon": 200}]})",
                                  "foreign_objects[0]"},
                      BadScenario{"TitleListNotAList", R"({"installed_titles": "A"})", "installed_titles"},
                      BadScenario{"ZeroFrameRate", R"({"frame_rate": 0})", "frame_rate"},
                      BadScenario{"AirportNotAnObject", R"({"airport": []})", "airport"},
                      BadScenario{"StandsNotAList", R"({"airport": {"stands": {}}})", "airport.stands"},
                      BadScenario{"StandWithoutName", R"({"airport": {"stands": [{"lat": 47, "lon": 8}]}})",
                                  "airport.stands[0].name"},
                      BadScenario{"StandWithoutLongitude", R"({"airport": {"stands": [{"name": "A1", "lat": 47}]}})",
                                  "airport.stands[0].lon"},
                      BadScenario{"StandOutOfRange",
                                  R"({"airport": {"stands": [{"name": "A1", "lat": 47, "lon": 8}, {"name": "A2", "lat": 95, "lon": 8}]}})",
                                  "airport.stands[1]"},
                      BadScenario{"RunwayWithOneEnd", R"({"airport": {"runways": [{"ends": [{"lat": 47, "lon": 8}]}]}})",
                                  "airport.runways[0].ends"},
                      BadScenario{"RunwayEndNotAPlace",
                                  R"({"airport": {"runways": [{"ends": [{"lat": 47, "lon": 8}, "north"]}]}})",
                                  "airport.runways[0].ends[1]"},
                      BadScenario{"NumberBeyondDouble", R"({"frame_rate": 1e400})", "not JSON"},
                      BadScenario{"CountBeyondInt", R"({"max_objects": 1e10})", "max_objects"},
                      BadScenario{"CountNotWhole", R"({"max_objects": 2.5})", "max_objects"},
                      BadScenario{"SimulatorWrappingToAYear", R"({"simulator": 4294969320})", "simulator"}),
    CaseName{});

TEST(EmulatorScenario, ReadsTheSimulatorsBehaviour)
{
    const emu::Scenario realistic = emu::gf_parseScenario("{}");
    EXPECT_DOUBLE_EQ(realistic.behaviour.creationDelayMinS, 0.1);
    EXPECT_DOUBLE_EQ(realistic.behaviour.creationDelayMaxS, 2.0);
    EXPECT_TRUE(realistic.behaviour.drift);
    EXPECT_FALSE(realistic.behaviour.quitAfterS);
    const emu::Scenario s = emu::gf_parseScenario(R"({
        "creation_delay_s": [0.5, 3], "creation_reply_order": "object_added_first", "creation_failure_rate": 0.25,
        "atc_id_max_chars": 8, "max_radius_m": 100000, "drift": false, "quit_after_s": 90, "random_seed": 7})");
    EXPECT_DOUBLE_EQ(s.behaviour.creationDelayMinS, 0.5);
    EXPECT_DOUBLE_EQ(s.behaviour.creationDelayMaxS, 3.0);
    EXPECT_EQ(s.behaviour.creationReplyOrder, emu::CreationReplyOrder::ObjectAddedFirst);
    EXPECT_DOUBLE_EQ(s.behaviour.creationFailureRate, 0.25);
    EXPECT_EQ(s.behaviour.atcIdMaxChars, 8u);
    EXPECT_EQ(s.behaviour.maxRadiusMetres, 100000u);
    EXPECT_FALSE(s.behaviour.drift);
    EXPECT_EQ(s.behaviour.quitAfterS, 90.0);
    EXPECT_EQ(s.behaviour.randomSeed, 7u);
    const emu::Scenario instant = emu::gf_parseScenario(R"({"creation_delay_s": 0})");
    EXPECT_DOUBLE_EQ(instant.behaviour.creationDelayMaxS, 0.0);
}

INSTANTIATE_TEST_SUITE_P(
    Behaviour, EmulatorScenarioBad,
    ::testing::Values(BadScenario{"DelaysTheWrongWayRound", R"({"creation_delay_s": [2, 1]})", "creation_delay_s"},
                      BadScenario{"NegativeDelay", R"({"creation_delay_s": -1})", "creation_delay_s"},
                      BadScenario{"UnknownReplyOrder", R"({"creation_reply_order": "sometimes"})", "creation_reply_order"},
                      BadScenario{"FailureRateAboveOne", R"({"creation_failure_rate": 1.5})", "creation_failure_rate"},
                      BadScenario{"NoAtcIdAtAll", R"({"atc_id_max_chars": 0})", "atc_id_max_chars"},
                      BadScenario{"QuitBeforeTheStart", R"({"quit_after_s": -5})", "quit_after_s"}),
    CaseName{});

TEST(EmulatorScenario, ProgramRunsOnTheScenarioOfTheEnvironment)
{
    TempDir dir;
    writeText(dir / "scenario.json", R"({"simulator": 2024, "user": {"title": "From File"}})");
    ScopedEnv env("TARVO_SIM_SCENARIO", (dir / "scenario.json").string());
    ForgetEmulatorWorld forget;
    HANDLE h = nullptr;
    ASSERT_EQ(SimConnect_Open(&h, "Tarvo", nullptr, 0, nullptr, 0), S_OK);
    Inbox inbox;
    inbox.dispatch(h);
    EXPECT_STREQ(inbox.all<SIMCONNECT_RECV_OPEN>(SIMCONNECT_RECV_ID_OPEN).at(0).szApplicationName, "SunRise");
    EXPECT_EQ(emu::object(emu::kUserObjectId)->title, "From File");
    SimConnect_Close(h);
}

TEST(EmulatorScenario, BadScenarioFileKeepsTheSimulatorAway)
{
    TempDir dir;
    writeText(dir / "scenario.json", R"({"simulator": 1999})");
    ScopedEnv env("TARVO_SIM_SCENARIO", (dir / "scenario.json").string());
    ForgetEmulatorWorld forget;
    HANDLE h = nullptr;
    EXPECT_LT(SimConnect_Open(&h, "Tarvo", nullptr, 0, nullptr, 0), 0);
    EXPECT_LT(SimConnect_Open(&h, "Tarvo", nullptr, 0, nullptr, 0), 0);
    EXPECT_FALSE(emu::isConnected());
}

} // namespace
} // namespace zyn::test
