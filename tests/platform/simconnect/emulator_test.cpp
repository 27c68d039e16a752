// The simulator emulator as a SimConnect client sees it.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "base/geo.h"
#include "platform/simconnect/emulator.h"
#include "platform/system/clock.h"
#include "tests/platform/simconnect/inbox.h"
#include "tests/support/case_name.h"
#include "tests/support/temp_dir.h"

namespace zyn::test {
namespace {

using namespace std::chrono_literals;
namespace emu = simemu;

constexpr DWORD kReqUser = 109;
constexpr DWORD kReqRange = 101;
constexpr DWORD kDefUser = 403;
constexpr DWORD kDefRange = 404;
constexpr DWORD kDefPosition = 402;
constexpr DWORD kDefThrottle = 401;

emu::Scenario lf_scenario()
{
    emu::Scenario s;
    s.userTrack = {emu::TrackPoint{0.0, 50.0, 8.0, 500.0, 90.0, 0.0, true}};
    s.groundAltitudeFt = 500.0;
    s.installedTitles = std::vector<std::string>{"Airbus A320 Lufthansa", "Boeing 737-800 KLM"};
    // Objects appear inside the creation call and stay where they are put; the realistic behaviour
    // has tests of its own below.
    s.behaviour.creationDelayMinS = s.behaviour.creationDelayMaxS = 0.0;
    s.behaviour.drift = false;
    return s;
}

// A connected client on a manual clock.
class Emulator : public ::testing::Test {
protected:
    void SetUp() override
    {
        gf_setClock(&clock);
        emu::reset(scenario());
        ASSERT_EQ(SimConnect_Open(&handle, "Tarvo", nullptr, 0, nullptr, 0), S_OK);
    }
    void TearDown() override
    {
        SimConnect_Close(handle);
        gf_setClock(nullptr);
    }
    virtual emu::Scenario scenario() { return lf_scenario(); }

    void addDefinitions()
    {
        const char* userVars[][2] = {{"Plane Latitude", "degree"}, {"Plane Longitude", "degree"},
                                     {"Plane Pitch degrees", "radians"}, {"Plane Bank degrees", "radians"},
                                     {"Plane Heading degrees true", "radians"}, {"Plane Altitude", "feet"},
                                     {"Plane Alt Above Ground", "feet"}, {"Ground Velocity", "knots"}};
        for (const auto& v : userVars)
            SimConnect_AddToDataDefinition(handle, kDefUser, v[0], v[1], SIMCONNECT_DATATYPE_FLOAT64);
        for (const char* v : {"ZULU TIME", "ZULU DAY OF YEAR", "ZULU YEAR", "LIGHT STATES"})
            SimConnect_AddToDataDefinition(handle, kDefUser, v, "Number", SIMCONNECT_DATATYPE_INT64);
        SimConnect_AddToDataDefinition(handle, kDefRange, "Plane Alt Above Ground", "feet");
        SimConnect_AddToDataDefinition(handle, kDefRange, "Ground Altitude", "feet");
        SimConnect_AddToDataDefinition(handle, kDefRange, "SIM ON GROUND", "Bool", SIMCONNECT_DATATYPE_INT64);
        SimConnect_AddToDataDefinition(handle, kDefRange, "ATC ID", nullptr, SIMCONNECT_DATATYPE_STRING32);
        const char* positionVars[][2] = {{"Plane Latitude", "degree"}, {"Plane Longitude", "degree"},
                                         {"Plane Pitch degrees", "radians"}, {"Plane Bank degrees", "radians"},
                                         {"Plane Heading degrees true", "radians"}, {"Plane Altitude", "feet"},
                                         {"Vertical Speed", "feet per second"}, {"Airspeed True", "knots"}};
        for (const auto& v : positionVars)
            SimConnect_AddToDataDefinition(handle, kDefPosition, v[0], v[1]);
        for (const char* v : {"SPOILERS HANDLE POSITION", "GENERAL ENG THROTTLE LEVER POSITION:1",
                              "GENERAL ENG THROTTLE LEVER POSITION:2"})
            SimConnect_AddToDataDefinition(handle, kDefThrottle, v, "percent");
    }

    // Creates an aircraft 1 nm east of the user and returns the object id the simulator assigned.
    DWORD create(const char* title, const char* callsign)
    {
        SIMCONNECT_DATA_INITPOSITION at{50.0, 8.0 + 1.0 / 60.0 / std::cos(50.0 * kDegToRad), 3000.0, 0, 0, 270.0, 0, 180};
        EXPECT_EQ(SimConnect_AICreateNonATCAircraft(handle, title, callsign, at, 104), S_OK);
        inbox.clear();
        inbox.dispatch(handle);
        auto assigned = inbox.all<SIMCONNECT_RECV_ASSIGNED_OBJECT_ID>(SIMCONNECT_RECV_ID_ASSIGNED_OBJECT_ID);
        return assigned.empty() ? 0 : assigned.back().dwObjectID;
    }

    std::vector<DWORD> exceptions() const
    {
        std::vector<DWORD> out;
        for (const auto& e : inbox.all<SIMCONNECT_RECV_EXCEPTION>(SIMCONNECT_RECV_ID_EXCEPTION))
            out.push_back(e.dwException);
        return out;
    }

    ManualClock clock;
    HANDLE handle = nullptr;
    Inbox inbox;
};

// ---- connection and identity ----

struct IdentityCase {
    const char* name;
    int simulator;
    const char* overrideName;
    const char* expectedName;
};

void PrintTo(const IdentityCase& c, std::ostream* os) { *os << c.name; }

class EmulatorIdentity : public ::testing::TestWithParam<IdentityCase> {};

TEST_P(EmulatorIdentity, OpenAnswersWithTheSimulatorsName)
{
    emu::Scenario s;
    s.simulator = GetParam().simulator;
    s.applicationName = GetParam().overrideName;
    emu::reset(s);
    HANDLE h = nullptr;
    ASSERT_EQ(SimConnect_Open(&h, "Tarvo", nullptr, 0, nullptr, 0), S_OK);
    Inbox inbox;
    inbox.dispatch(h);
    auto opens = inbox.all<SIMCONNECT_RECV_OPEN>(SIMCONNECT_RECV_ID_OPEN);
    ASSERT_EQ(opens.size(), 1u);
    EXPECT_STREQ(opens[0].szApplicationName, GetParam().expectedName);
    EXPECT_GT(opens[0].dwApplicationVersionMajor, 0u);
    SimConnect_Close(h);
}

INSTANTIATE_TEST_SUITE_P(Simulators, EmulatorIdentity,
                         ::testing::Values(IdentityCase{"Msfs2020", 2020, "", "KittyHawk"},
                                           IdentityCase{"Msfs2024", 2024, "", "SunRise"},
                                           IdentityCase{"NameOverridden", 2020, "Prepar3D", "Prepar3D"}),
                         CaseName{});

TEST(EmulatorConnection, OpenFailsTheInjectedNumberOfTimes)
{
    emu::reset();
    emu::failOpen(2);
    HANDLE h = nullptr;
    EXPECT_LT(SimConnect_Open(&h, "Tarvo", nullptr, 0, nullptr, 0), 0);
    EXPECT_LT(SimConnect_Open(&h, "Tarvo", nullptr, 0, nullptr, 0), 0);
    EXPECT_FALSE(emu::isConnected());
    EXPECT_EQ(SimConnect_Open(&h, "Tarvo", nullptr, 0, nullptr, 0), S_OK);
    EXPECT_TRUE(emu::isConnected());
    EXPECT_EQ(emu::callsOf("SimConnect_Open").size(), 3u);
    EXPECT_EQ(emu::callsOf("SimConnect_Open")[0].args[0], "Tarvo");
}

TEST_F(Emulator, ClosedHandleIsRefused)
{
    EXPECT_EQ(SimConnect_Close(handle), S_OK);
    EXPECT_LT(SimConnect_SubscribeToSystemEvent(handle, 201, "Sim"), 0);
    EXPECT_LT(inbox.dispatch(handle), 0);
    EXPECT_LT(SimConnect_Close(handle), 0);
}

TEST_F(Emulator, QuitIsDeliveredThenTheSimulatorIsGone)
{
    emu::quit();
    EXPECT_LT(SimConnect_SubscribeToSystemEvent(handle, 201, "Sim"), 0);
    inbox.dispatch(handle);
    EXPECT_EQ(inbox.ids().back(), static_cast<DWORD>(SIMCONNECT_RECV_ID_QUIT));
    EXPECT_FALSE(emu::isConnected());
    HANDLE again = nullptr;
    EXPECT_LT(SimConnect_Open(&again, "Tarvo", nullptr, 0, nullptr, 0), 0);
}

// ---- system events ----

TEST_F(Emulator, SimSubscriptionReportsTheRunningFlightAndItsChanges)
{
    SimConnect_SubscribeToSystemEvent(handle, 201, "Sim");
    emu::setSimRunning(false);
    inbox.dispatch(handle);
    auto events = inbox.all<SIMCONNECT_RECV_EVENT>(SIMCONNECT_RECV_ID_EVENT);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].uEventID, 201u);
    EXPECT_EQ(events[0].dwData, 1u);
    EXPECT_EQ(events[1].dwData, 0u);
}

TEST_F(Emulator, FramesFollowTheClockOnePerDispatch)
{
    SimConnect_SubscribeToSystemEvent(handle, 204, "Frame");
    inbox.dispatch(handle); // the first frame is due at once
    inbox.clear();
    inbox.dispatch(handle);
    EXPECT_TRUE(inbox.all<SIMCONNECT_RECV_EVENT_FRAME>(SIMCONNECT_RECV_ID_EVENT_FRAME).empty());
    clock.advance(34ms);
    inbox.dispatch(handle);
    inbox.dispatch(handle);
    auto frames = inbox.all<SIMCONNECT_RECV_EVENT_FRAME>(SIMCONNECT_RECV_ID_EVENT_FRAME);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].uEventID, 204u);
    EXPECT_FLOAT_EQ(frames[0].fFrameRate, 30.0f);
}

TEST_F(Emulator, PausedSimulatorSendsNoFrames)
{
    SimConnect_SubscribeToSystemEvent(handle, 204, "Frame");
    emu::setSimRunning(false);
    clock.advance(1s);
    inbox.dispatch(handle);
    EXPECT_TRUE(inbox.all<SIMCONNECT_RECV_EVENT_FRAME>(SIMCONNECT_RECV_ID_EVENT_FRAME).empty());
}

TEST_F(Emulator, FlightLoadedCarriesTheFileName)
{
    SimConnect_SubscribeToSystemEvent(handle, 205, "FlightLoaded");
    emu::loadFlight("flights\\other.flt");
    emu::sendSystemEvent("FlightLoaded", 0);
    inbox.dispatch(handle);
    auto files = inbox.all<SIMCONNECT_RECV_EVENT_FILENAME>(SIMCONNECT_RECV_ID_EVENT_FILENAME);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].uEventID, 205u);
    EXPECT_STREQ(files[0].szFileName, "flights\\other.flt");
    EXPECT_EQ(inbox.all<SIMCONNECT_RECV_EVENT>(SIMCONNECT_RECV_ID_EVENT).at(0).uEventID, 205u);
}

TEST_F(Emulator, UnknownNamesRaiseExceptionsNamingThePacket)
{
    SimConnect_SubscribeToSystemEvent(handle, 299, "NoSuchEvent");
    DWORD packet = 0;
    SimConnect_GetLastSentPacketID(handle, &packet);
    SimConnect_MapClientEventToSimEvent(handle, 298, "NO_SUCH_EVENT");
    SimConnect_AddToDataDefinition(handle, 499, "NO SUCH VARIABLE", "feet");
    inbox.dispatch(handle);
    auto ex = inbox.all<SIMCONNECT_RECV_EXCEPTION>(SIMCONNECT_RECV_ID_EXCEPTION);
    ASSERT_EQ(ex.size(), 3u);
    EXPECT_EQ(ex[0].dwException, static_cast<DWORD>(SIMCONNECT_EXCEPTION_NAME_UNRECOGNIZED));
    EXPECT_EQ(ex[0].dwSendID, packet);
    EXPECT_EQ(ex[1].dwSendID, packet + 1);
}

// ---- data of the user aircraft ----

TEST_F(Emulator, UserDataOnceInTheRequestedUnits)
{
    addDefinitions();
    clock.advance(3723s);
    SimConnect_RequestDataOnSimObject(handle, kReqUser, kDefUser, SIMCONNECT_OBJECT_ID_USER, SIMCONNECT_PERIOD_ONCE);
    inbox.dispatch(handle);
    auto replies = inbox.data(kReqUser);
    ASSERT_EQ(replies.size(), 1u);
    const DataReply& r = replies[0];
    EXPECT_EQ(r.objectId, emu::kUserObjectId);
    ASSERT_EQ(r.block.size(), 96u);
    EXPECT_DOUBLE_EQ(r.f64(0), 50.0);
    EXPECT_DOUBLE_EQ(r.f64(8), 8.0);
    EXPECT_NEAR(r.f64(32), 90.0 * kDegToRad, 1e-12);
    EXPECT_DOUBLE_EQ(r.f64(40), 500.0);
    EXPECT_DOUBLE_EQ(r.f64(48), 0.0); // on the ground
    const std::time_t utc = clock.utcNow();
    EXPECT_EQ(r.i64(64), utc % 86400);
    std::tm parts{};
    gmtime_r(&utc, &parts);
    EXPECT_EQ(r.i64(72), parts.tm_yday + 1);
    EXPECT_EQ(r.i64(80), parts.tm_year + 1900);
}

TEST_F(Emulator, PeriodicDataEverySimulatorSecondUntilCancelled)
{
    SimConnect_AddToDataDefinition(handle, 409, "SIM ON GROUND", "Bool", SIMCONNECT_DATATYPE_INT64);
    SimConnect_RequestDataOnSimObject(handle, 108, 409, SIMCONNECT_OBJECT_ID_USER, SIMCONNECT_PERIOD_SECOND);
    inbox.dispatch(handle);
    clock.advance(500ms);
    inbox.dispatch(handle);
    EXPECT_EQ(inbox.data(108).size(), 1u);
    clock.advance(500ms);
    inbox.dispatch(handle);
    ASSERT_EQ(inbox.data(108).size(), 2u);
    EXPECT_EQ(inbox.data(108)[1].i64(0), 1);
    SimConnect_RequestDataOnSimObject(handle, 108, 409, SIMCONNECT_OBJECT_ID_USER, SIMCONNECT_PERIOD_NEVER);
    clock.advance(2s);
    inbox.dispatch(handle);
    EXPECT_EQ(inbox.data(108).size(), 2u);
}

TEST_F(Emulator, TitleOfAnyLengthAndModelInThirtyTwoBytes)
{
    emu::setUserIdentity(std::string(60, 'T'), "$$:B738");
    SimConnect_AddToDataDefinition(handle, 407, "TITLE", nullptr, SIMCONNECT_DATATYPE_STRINGV);
    SimConnect_AddToDataDefinition(handle, 408, "ATC MODEL", nullptr, SIMCONNECT_DATATYPE_STRING32);
    SimConnect_RequestDataOnSimObject(handle, 106, 407, SIMCONNECT_OBJECT_ID_USER, SIMCONNECT_PERIOD_ONCE);
    SimConnect_RequestDataOnSimObject(handle, 107, 408, SIMCONNECT_OBJECT_ID_USER, SIMCONNECT_PERIOD_ONCE);
    inbox.dispatch(handle);
    EXPECT_EQ(inbox.data(106).at(0).text(0), std::string(60, 'T'));
    EXPECT_EQ(inbox.data(107).at(0).text(0), "$$:B738");
    EXPECT_EQ(inbox.data(107).at(0).block.size(), 32u);
}

class EmulatorTrack : public Emulator {
    emu::Scenario scenario() override
    {
        emu::Scenario s = lf_scenario();
        s.userTrack = {{0.0, 50.0, 8.0, 500.0, 350.0, 0.0, true}, {100.0, 51.0, 8.0, 2500.0, 10.0, 200.0, false}};
        return s;
    }
};

TEST_F(EmulatorTrack, UserFollowsTheTrackOverEmulatorTime)
{
    addDefinitions();
    clock.advance(50s);
    SimConnect_RequestDataOnSimObject(handle, kReqUser, kDefUser, SIMCONNECT_OBJECT_ID_USER, SIMCONNECT_PERIOD_ONCE);
    inbox.dispatch(handle);
    const DataReply r = inbox.data(kReqUser).at(0);
    ASSERT_EQ(r.block.size(), 96u);
    EXPECT_NEAR(r.f64(0), 50.5, 1e-9);
    EXPECT_NEAR(r.f64(40), 1500.0, 1e-9);
    EXPECT_NEAR(r.f64(32), 0.0, 1e-9); // half-way between 350 and 10 degrees the short way
    EXPECT_NEAR(emu::object(emu::kUserObjectId)->distanceMovedNm, 30.0, 0.1);
}

// ---- AI objects ----

TEST_F(Emulator, CreatedObjectIsAnnouncedAndFoundInRangeByItsAtcId)
{
    addDefinitions();
    SimConnect_SubscribeToSystemEvent(handle, 202, "ObjectAdded");
    const DWORD id = create("Airbus A320 Lufthansa", "DLH4AB");
    ASSERT_GE(id, emu::kFirstAiObjectId);
    auto assigned = inbox.all<SIMCONNECT_RECV_ASSIGNED_OBJECT_ID>(SIMCONNECT_RECV_ID_ASSIGNED_OBJECT_ID);
    ASSERT_EQ(assigned.size(), 1u);
    EXPECT_EQ(assigned[0].dwObjectID, id);
    EXPECT_EQ(assigned[0].dwRequestID, 104u);

    inbox.clear();
    SimConnect_RequestDataOnSimObjectType(handle, kReqRange, kDefRange, 5000, SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT);
    inbox.dispatch(handle);
    auto replies = inbox.data(kReqRange);
    ASSERT_EQ(replies.size(), 2u); // the user and the new object
    EXPECT_EQ(replies[1].objectId, id);
    EXPECT_EQ(replies[1].text(24), "DLH4AB");
    EXPECT_DOUBLE_EQ(replies[1].f64(0), 2500.0); // height above the terrain
    EXPECT_DOUBLE_EQ(replies[1].f64(8), 500.0);
    EXPECT_EQ(replies[1].i64(16), 0);
    EXPECT_EQ(replies[1].entry, 2u);
    EXPECT_EQ(replies[1].outOf, 2u);
    auto o = emu::object(id);
    EXPECT_TRUE(o->aiControlled);
    EXPECT_EQ(o->title, "Airbus A320 Lufthansa");
}

TEST_F(Emulator, RadiusQueryLeavesOutObjectsBeyondIt)
{
    addDefinitions();
    create("Airbus A320 Lufthansa", "NEAR1"); // 1 nm away
    SimConnect_RequestDataOnSimObjectType(handle, kReqRange, kDefRange, 1800, SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT);
    inbox.dispatch(handle);
    ASSERT_EQ(inbox.data(kReqRange).size(), 1u);
    EXPECT_EQ(inbox.data(kReqRange)[0].objectId, emu::kUserObjectId);
}

TEST_F(Emulator, OverlongCallsignIsCutAsTheSimulatorKeepsIt)
{
    addDefinitions();
    const std::string longName(40, 'K');
    const DWORD id = create("Airbus A320 Lufthansa", longName.c_str());
    SimConnect_RequestDataOnSimObjectType(handle, kReqRange, kDefRange, 5000, SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT);
    inbox.dispatch(handle);
    EXPECT_EQ(inbox.data(kReqRange).at(1).objectId, id);
    EXPECT_EQ(inbox.data(kReqRange).at(1).text(24), std::string(lf_scenario().behaviour.atcIdMaxChars, 'K'));
}

TEST_F(Emulator, RadiusBeyondTheSimulatorsLimitIsRefused)
{
    addDefinitions();
    const DWORD limit = lf_scenario().behaviour.maxRadiusMetres;
    SimConnect_RequestDataOnSimObjectType(handle, kReqRange, kDefRange, limit, SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT);
    SimConnect_RequestDataOnSimObjectType(handle, kReqRange, kDefRange, limit + 1, SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT);
    DWORD refused = 0;
    SimConnect_GetLastSentPacketID(handle, &refused);
    inbox.dispatch(handle);
    EXPECT_EQ(inbox.data(kReqRange).size(), 1u) << "the user aircraft, once";
    const auto ex = inbox.all<SIMCONNECT_RECV_EXCEPTION>(SIMCONNECT_RECV_ID_EXCEPTION);
    ASSERT_EQ(ex.size(), 1u);
    EXPECT_EQ(ex[0].dwException, static_cast<DWORD>(SIMCONNECT_EXCEPTION_OUT_OF_BOUNDS));
    EXPECT_EQ(ex[0].dwSendID, refused);
}

struct CreationFailureCase {
    const char* name;
    const char* title;
    int injected;
};

void PrintTo(const CreationFailureCase& c, std::ostream* os) { *os << c.name; }

class EmulatorCreationFailure : public Emulator, public ::testing::WithParamInterface<CreationFailureCase> {};

TEST_P(EmulatorCreationFailure, RefusedCreationNamesItsPacket)
{
    SimConnect_SubscribeToSystemEvent(handle, 202, "ObjectAdded");
    emu::failCreations(GetParam().injected);
    EXPECT_EQ(create(GetParam().title, "FAIL1"), 0u); // accepted, no object
    DWORD packet = 0;
    SimConnect_GetLastSentPacketID(handle, &packet);
    auto ex = inbox.all<SIMCONNECT_RECV_EXCEPTION>(SIMCONNECT_RECV_ID_EXCEPTION);
    ASSERT_EQ(ex.size(), 1u);
    EXPECT_EQ(ex[0].dwException, static_cast<DWORD>(SIMCONNECT_EXCEPTION_CREATE_OBJECT_FAILED));
    EXPECT_EQ(ex[0].dwSendID, packet);
    EXPECT_FALSE(emu::objectByAtcId("FAIL1"));
}

INSTANTIATE_TEST_SUITE_P(Causes, EmulatorCreationFailure,
                         ::testing::Values(CreationFailureCase{"TitleNotInstalled", "Not Installed Livery", 0},
                                           CreationFailureCase{"EmptyTitle", "", 0},
                                           CreationFailureCase{"InjectedFailure", "Airbus A320 Lufthansa", 1}),
                         CaseName{});

TEST_F(Emulator, TooManyObjectsAreRefused)
{
    emu::Scenario s = lf_scenario();
    s.maxObjects = 1;
    SimConnect_Close(handle);
    emu::reset(s);
    ASSERT_EQ(SimConnect_Open(&handle, "Tarvo", nullptr, 0, nullptr, 0), S_OK);
    create("Airbus A320 Lufthansa", "ONE");
    create("Airbus A320 Lufthansa", "TWO");
    EXPECT_EQ(exceptions(), std::vector<DWORD>{SIMCONNECT_EXCEPTION_TOO_MANY_OBJECTS});
}

TEST_F(Emulator, ReleasePositionSetsAndDataSetsReachTheObject)
{
    addDefinitions();
    const DWORD id = create("Boeing 737-800 KLM", "KLM12");
    EXPECT_EQ(SimConnect_AIReleaseControl(handle, id, 103), S_OK);
    double block[8] = {50.1, 8.2, -0.05, 0.1, 1.5, 4000.0, 10.0, 250.0};
    EXPECT_EQ(SimConnect_SetDataOnSimObject(handle, kDefPosition, id, 0, 0, sizeof(block), block), S_OK);
    double throttle[3] = {100.0, 80.0, 80.0};
    SimConnect_SetDataOnSimObject(handle, kDefThrottle, id, 0, 0, sizeof(throttle), throttle);
    inbox.dispatch(handle);
    EXPECT_TRUE(exceptions().empty());
    auto o = emu::object(id);
    EXPECT_FALSE(o->aiControlled);
    EXPECT_DOUBLE_EQ(o->pose.lat, 50.1);
    EXPECT_DOUBLE_EQ(o->pose.lon, 8.2);
    EXPECT_DOUBLE_EQ(o->pose.headingRad, 1.5);
    EXPECT_DOUBLE_EQ(o->pose.altitudeFt, 4000.0);
    EXPECT_FALSE(o->pose.onGround);
    EXPECT_DOUBLE_EQ(o->variables.at("GENERAL ENG THROTTLE LEVER POSITION:1"), 80.0);
    ASSERT_EQ(o->dataSets.size(), 2u);
    EXPECT_EQ(o->dataSets[0].definition, kDefPosition);
    EXPECT_EQ(o->dataSets[0].values, std::vector<double>(block, block + 8));
    EXPECT_GT(o->distanceMovedNm, 6.0);
    EXPECT_GE(o->track.size(), 2u);
}

TEST_F(Emulator, DataSetOfTheWrongSizeIsRefused)
{
    addDefinitions();
    const DWORD id = create("Boeing 737-800 KLM", "KLM12");
    double block[7] = {};
    SimConnect_SetDataOnSimObject(handle, kDefPosition, id, 0, 0, sizeof(block), block);
    SimConnect_SetDataOnSimObject(handle, kDefPosition, 9999, 0, 0, 64, block);
    inbox.dispatch(handle);
    EXPECT_EQ(exceptions(), (std::vector<DWORD>{SIMCONNECT_EXCEPTION_ERROR, SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID}));
    EXPECT_TRUE(emu::object(id)->dataSets.empty());
}

TEST_F(Emulator, ClientEventsSetLightsAndFreezesOfTheirObject)
{
    const struct {
        DWORD id;
        const char* name;
    } events[] = {{207, "NAV_LIGHTS_SET"}, {206, "BEACON_LIGHTS_SET"}, {213, "ALL_LIGHTS_TOGGLE"},
                  {214, "FREEZE_LATITUDE_LONGITUDE_SET"}, {217, "FLAPS_SET"}};
    for (const auto& e : events)
        SimConnect_MapClientEventToSimEvent(handle, e.id, e.name);
    const DWORD id = create("Boeing 737-800 KLM", "KLM12");
    SimConnect_TransmitClientEvent(handle, id, 207, 1, 301, 0);
    SimConnect_TransmitClientEvent(handle, id, 206, 1, 301, 0);
    SimConnect_TransmitClientEvent(handle, id, 213, 0, 301, 0);
    SimConnect_TransmitClientEvent(handle, id, 214, 1, 301, 0);
    SimConnect_TransmitClientEvent(handle, id, 217, 8191, 301, 0);
    SimConnect_TransmitClientEvent(handle, id, 222, 1, 301, 0); // never mapped
    inbox.dispatch(handle);
    auto o = emu::object(id);
    EXPECT_EQ(o->lights, emu::kAllLights & ~(emu::kLightNav | emu::kLightBeacon));
    EXPECT_TRUE(o->freezeLatLon);
    EXPECT_FALSE(o->freezeAltitude);
    EXPECT_EQ(o->lastEventValues.at("FLAPS_SET"), 8191u);
    EXPECT_EQ(o->events.size(), 5u);
    EXPECT_EQ(exceptions(), std::vector<DWORD>{SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID});
    EXPECT_TRUE(emu::object(emu::kUserObjectId)->events.empty());
}

TEST_F(Emulator, RemovalAnnouncesObjectRemoved)
{
    SimConnect_SubscribeToSystemEvent(handle, 203, "ObjectRemoved");
    const DWORD id = create("Boeing 737-800 KLM", "KLM12");
    EXPECT_EQ(SimConnect_AIRemoveObject(handle, id, 105), S_OK);
    SimConnect_AIRemoveObject(handle, emu::kUserObjectId, 105);
    inbox.clear();
    inbox.dispatch(handle);
    auto removed = inbox.all<SIMCONNECT_RECV_EVENT_OBJECT_ADDREMOVE>(SIMCONNECT_RECV_ID_EVENT_OBJECT_ADDREMOVE);
    ASSERT_EQ(removed.size(), 1u);
    EXPECT_EQ(removed[0].uEventID, 203u);
    EXPECT_EQ(removed[0].dwData, id);
    EXPECT_EQ(exceptions(), std::vector<DWORD>{SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID});
    EXPECT_TRUE(emu::object(id)->removed);
}

class EmulatorForeign : public Emulator {
    emu::Scenario scenario() override
    {
        emu::Scenario s = lf_scenario();
        s.foreignObjects = {{"Other Traffic", "N123", 50.0, 8.01, 0.0, 0.0, true, 0.0},
                            {"Later Traffic", "N456", 50.0, 8.02, 0.0, 0.0, true, 10.0}};
        return s;
    }
};

TEST_F(EmulatorForeign, ForeignObjectsAppearOnTimeAndCannotBeRemoved)
{
    SimConnect_SubscribeToSystemEvent(handle, 202, "ObjectAdded");
    inbox.dispatch(handle);
    EXPECT_TRUE(inbox.all<SIMCONNECT_RECV_EVENT_OBJECT_ADDREMOVE>(SIMCONNECT_RECV_ID_EVENT_OBJECT_ADDREMOVE).empty());
    clock.advance(10s);
    inbox.dispatch(handle);
    auto added = inbox.all<SIMCONNECT_RECV_EVENT_OBJECT_ADDREMOVE>(SIMCONNECT_RECV_ID_EVENT_OBJECT_ADDREMOVE);
    ASSERT_EQ(added.size(), 1u);
    EXPECT_EQ(emu::object(added[0].dwData)->atcId, "N456");
    EXPECT_TRUE(emu::object(added[0].dwData)->isForeign);
    SimConnect_AIRemoveObject(handle, added[0].dwData, 105);
    inbox.dispatch(handle);
    EXPECT_EQ(exceptions(), std::vector<DWORD>{SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID});
    EXPECT_FALSE(emu::object(added[0].dwData)->removed);
}

TEST_F(Emulator, SimulatorSideObjectsComeAndGoWithTheirEvents)
{
    SimConnect_SubscribeToSystemEvent(handle, 202, "ObjectAdded");
    SimConnect_SubscribeToSystemEvent(handle, 203, "ObjectRemoved");
    const DWORD foreign = emu::addForeignObject({"Other Traffic", "N789", 50.0, 8.01, 0.0, 0.0, true, 0.0});
    const DWORD created = create("Boeing 737-800 KLM", "KLM12");
    emu::removeObjectBySim(created);
    emu::removeObjectBySim(emu::kUserObjectId); // the user aircraft stays
    inbox.dispatch(handle);
    std::vector<std::pair<DWORD, DWORD>> seen;
    for (const auto& e : inbox.all<SIMCONNECT_RECV_EVENT_OBJECT_ADDREMOVE>(SIMCONNECT_RECV_ID_EVENT_OBJECT_ADDREMOVE))
        seen.emplace_back(e.uEventID, e.dwData);
    EXPECT_EQ(seen, (std::vector<std::pair<DWORD, DWORD>>{{202, foreign}, {202, created}, {203, created}}));
    EXPECT_EQ(emu::object(foreign)->atcId, "N789");
    EXPECT_FALSE(emu::object(emu::kUserObjectId)->removed);
}

TEST_F(Emulator, UserPoseReplacesTheTrack)
{
    addDefinitions();
    emu::Pose jump;
    jump.lat = 51.0;
    jump.lon = 8.0;
    jump.altitudeFt = 500.0;
    emu::setUserPose(jump);
    clock.advance(5s);
    SimConnect_RequestDataOnSimObject(handle, kReqUser, kDefUser, SIMCONNECT_OBJECT_ID_USER, SIMCONNECT_PERIOD_ONCE);
    inbox.dispatch(handle);
    EXPECT_DOUBLE_EQ(inbox.data(kReqUser).at(0).f64(0), 51.0);
    EXPECT_NEAR(emu::object(emu::kUserObjectId)->distanceMovedNm, 60.0, 0.1);
    EXPECT_DOUBLE_EQ(emu::elapsedSeconds(), 5.0);
}

TEST_F(Emulator, FlightPlanIsReadFromItsFile)
{
    TempDir dir;
    writeText(dir / "1234.pln", "<plan/>\n");
    const DWORD id = create("Boeing 737-800 KLM", "KLM12");
    SimConnect_AISetAircraftFlightPlan(handle, id, (dir / "1234.pln").c_str(), 110);
    SimConnect_AISetAircraftFlightPlan(handle, id, (dir / "missing.pln").c_str(), 110);
    inbox.dispatch(handle);
    EXPECT_EQ(emu::object(id)->flightPlanText, "<plan/>\n");
    EXPECT_EQ(exceptions(), std::vector<DWORD>{SIMCONNECT_EXCEPTION_LOAD_FLIGHTPLAN_FAILED});
}

TEST_F(Emulator, ClosingRemovesTheClientsObjects)
{
    const DWORD id = create("Boeing 737-800 KLM", "KLM12");
    SimConnect_Close(handle);
    EXPECT_TRUE(emu::object(id)->removed);
}

// ---- faults ----

TEST_F(Emulator, InjectedCallFailuresAndExceptions)
{
    emu::failCalls("SimConnect_RequestDataOnSimObject", 1);
    addDefinitions();
    EXPECT_LT(SimConnect_RequestDataOnSimObject(handle, kReqUser, kDefUser, 0, SIMCONNECT_PERIOD_ONCE), 0);
    EXPECT_EQ(SimConnect_RequestDataOnSimObject(handle, kReqUser, kDefUser, 0, SIMCONNECT_PERIOD_ONCE), S_OK);
    emu::raiseException(SIMCONNECT_EXCEPTION_VERSION_MISMATCH, 7, 3);
    inbox.dispatch(handle);
    auto ex = inbox.all<SIMCONNECT_RECV_EXCEPTION>(SIMCONNECT_RECV_ID_EXCEPTION);
    ASSERT_EQ(ex.size(), 1u);
    EXPECT_EQ(ex[0].dwException, static_cast<DWORD>(SIMCONNECT_EXCEPTION_VERSION_MISMATCH));
    EXPECT_EQ(ex[0].dwIndex, 3u);
    EXPECT_EQ(inbox.data(kReqUser).size(), 1u);
    auto requests = emu::callsOf("SimConnect_RequestDataOnSimObject");
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_LT(requests[0].result, 0);
    EXPECT_EQ(requests[0].packetId, 0u);
}

void lf_throwOnFirst(SIMCONNECT_RECV*, DWORD, void* context)
{
    auto* seen = static_cast<int*>(context);
    if ((*seen)++ == 0)
        throw std::runtime_error("handler failed");
}

TEST_F(Emulator, MessagesAfterAThrowingHandlerAreKept)
{
    SimConnect_SubscribeToSystemEvent(handle, 201, "Sim");
    int seen = 0;
    EXPECT_THROW(SimConnect_CallDispatch(handle, &lf_throwOnFirst, &seen), std::runtime_error);
    inbox.dispatch(handle);
    EXPECT_EQ(inbox.all<SIMCONNECT_RECV_EVENT>(SIMCONNECT_RECV_ID_EVENT).size(), 1u); // Sim, after OPEN threw
}

// ---- the simulator as it really behaves ----

// The simulator's own behaviour: creations that take their time, objects that drift, a close mid-run.
class EmulatorRealistic : public Emulator {
protected:
    emu::Scenario scenario() override
    {
        emu::Scenario s = lf_scenario();
        s.behaviour = realistic;
        return s;
    }
    void SetUp() override
    {
        Emulator::SetUp();
        addDefinitions();
        SimConnect_SubscribeToSystemEvent(handle, 202, "ObjectAdded");
    }
    DWORD callCreation(const char* callsign, double airspeedKt = 0.0)
    {
        SIMCONNECT_DATA_INITPOSITION at{50.0, 8.01, 3000.0, 0, 0, 90.0, 0, static_cast<DWORD>(airspeedKt)};
        EXPECT_EQ(SimConnect_AICreateNonATCAircraft(handle, "Airbus A320 Lufthansa", callsign, at, 104), S_OK);
        DWORD packet = 0;
        SimConnect_GetLastSentPacketID(handle, &packet);
        return packet;
    }
    // The ids of the completion messages dispatched now, in order.
    std::vector<DWORD> completions()
    {
        inbox.clear();
        inbox.dispatch(handle);
        std::vector<DWORD> ids;
        for (DWORD id : inbox.ids())
            if (id == SIMCONNECT_RECV_ID_ASSIGNED_OBJECT_ID || id == SIMCONNECT_RECV_ID_EVENT_OBJECT_ADDREMOVE ||
                id == SIMCONNECT_RECV_ID_EXCEPTION)
                ids.push_back(id);
        return ids;
    }

    // The connection opened again on a simulator behaving so.
    void reopen(const emu::SimBehaviour& behaviour)
    {
        SimConnect_Close(handle);
        emu::Scenario s = lf_scenario();
        s.behaviour = behaviour;
        emu::reset(s);
        ASSERT_EQ(SimConnect_Open(&handle, "Tarvo", nullptr, 0, nullptr, 0), S_OK);
    }

    static emu::SimBehaviour defaults() { return emu::SimBehaviour{}; }
    emu::SimBehaviour realistic = defaults();
};

TEST_F(EmulatorRealistic, CreationCompletesAfterItsDelayInEitherOrder)
{
    constexpr DWORD kAssigned = SIMCONNECT_RECV_ID_ASSIGNED_OBJECT_ID;
    constexpr DWORD kAdded = SIMCONNECT_RECV_ID_EVENT_OBJECT_ADDREMOVE;
    std::set<std::vector<DWORD>> orders;
    double earliest = 1e9, latest = 0.0;
    for (int i = 0; i < 40; ++i) {
        callCreation(("DLH" + std::to_string(100 + i)).c_str());
        EXPECT_TRUE(completions().empty()) << "nothing before the shortest delay";
        double waited = 0.0;
        std::vector<DWORD> seen;
        for (; seen.empty() && waited < 3.0; waited += 0.05) {
            clock.advance(50ms);
            seen = completions();
        }
        earliest = std::min(earliest, waited);
        latest = std::max(latest, waited);
        orders.insert(seen);
    }
    EXPECT_GE(earliest, 0.1);
    EXPECT_LE(latest, 2.05);
    EXPECT_GT(latest - earliest, 1.0) << "the delays spread over the range";
    EXPECT_EQ(orders, (std::set<std::vector<DWORD>>{{kAssigned, kAdded}, {kAdded, kAssigned}}));
    EXPECT_TRUE(emu::objectByAtcId("DLH139").has_value());
}

TEST_F(EmulatorRealistic, CreationMayFailLateNamingTheCall)
{
    emu::SimBehaviour b = defaults();
    b.creationDelayMinS = b.creationDelayMaxS = 1.0;
    b.creationFailureRate = 1.0;
    reopen(b);
    const DWORD packet = callCreation("FAIL1");
    EXPECT_TRUE(completions().empty());
    clock.advance(1s);
    const auto ids = completions();
    const auto ex = inbox.all<SIMCONNECT_RECV_EXCEPTION>(SIMCONNECT_RECV_ID_EXCEPTION);
    ASSERT_EQ(ex.size(), 1u);
    EXPECT_EQ(ex[0].dwException, static_cast<DWORD>(SIMCONNECT_EXCEPTION_CREATE_OBJECT_FAILED));
    EXPECT_EQ(ex[0].dwSendID, packet);
    EXPECT_EQ(ids.size(), 1u) << "no object";
    EXPECT_FALSE(emu::objectByAtcId("FAIL1"));
}

TEST_F(EmulatorRealistic, RemovalCompletesWithinItsDelay)
{
    emu::SimBehaviour b = defaults();
    b.creationDelayMinS = b.creationDelayMaxS = 0.0;
    b.removalDelayMaxS = 1.0;
    reopen(b);
    SimConnect_SubscribeToSystemEvent(handle, 203, "ObjectRemoved");
    callCreation("KLM12");
    const DWORD id = emu::objectByAtcId("KLM12")->id;
    EXPECT_EQ(SimConnect_AIRemoveObject(handle, id, 105), S_OK);
    completions();
    EXPECT_EQ(emu::heldObjectIds(), std::vector<SIMCONNECT_OBJECT_ID>{id}) << "still there";
    clock.advance(1s);
    EXPECT_EQ(completions(), std::vector<DWORD>{SIMCONNECT_RECV_ID_EVENT_OBJECT_ADDREMOVE});
    EXPECT_TRUE(emu::heldObjectIds().empty());
}

TEST_F(EmulatorRealistic, ObjectUnderAiControlDriftsAwayAndAFrozenOneStays)
{
    SimConnect_MapClientEventToSimEvent(handle, 214, "FREEZE_LATITUDE_LONGITUDE_SET");
    SimConnect_MapClientEventToSimEvent(handle, 215, "FREEZE_ALTITUDE_SET");
    callCreation("AI1");
    callCreation("FROZEN1");
    clock.advance(3s);
    inbox.dispatch(handle);
    const DWORD ai = emu::objectByAtcId("AI1")->id;
    const DWORD frozen = emu::objectByAtcId("FROZEN1")->id;
    SimConnect_AIReleaseControl(handle, frozen, 103);
    SimConnect_TransmitClientEvent(handle, frozen, 214, 1, 301, 0);
    SimConnect_TransmitClientEvent(handle, frozen, 215, 1, 301, 0);
    double block[8] = {50.0, 8.0, 0.0, 0.0, kPi / 2, 3000.0, 0.0, 240.0}; // 240 kt east
    for (DWORD id : {ai, frozen})
        SimConnect_SetDataOnSimObject(handle, kDefPosition, id, 0, 0, sizeof(block), block);
    clock.advance(15s);
    inbox.dispatch(handle);
    const auto drifted = emu::object(ai)->pose;
    EXPECT_NEAR(gf_distanceNm({50.0, 8.0}, {drifted.lat, drifted.lon}), 1.0, 0.01) << "240 kt for 15 s";
    EXPECT_GT(drifted.lon, 8.0) << "along its heading";
    const auto kept = emu::object(frozen)->pose;
    EXPECT_EQ(kept.lat, 50.0);
    EXPECT_EQ(kept.lon, 8.0);
}

TEST_F(EmulatorRealistic, SimulatorClosesMidRunThenCallsFail)
{
    SimConnect_Close(handle);
    emu::Scenario s = lf_scenario();
    s.behaviour = defaults();
    s.behaviour.quitAfterS = 30.0;
    emu::reset(s);
    clock.advance(10s);
    ASSERT_EQ(SimConnect_Open(&handle, "Tarvo", nullptr, 0, nullptr, 0), S_OK);
    clock.advance(29s);
    inbox.dispatch(handle);
    EXPECT_NE(inbox.ids().back(), static_cast<DWORD>(SIMCONNECT_RECV_ID_QUIT)) << "30 s after the connection opened";
    clock.advance(1s);
    inbox.dispatch(handle);
    EXPECT_EQ(inbox.ids().back(), static_cast<DWORD>(SIMCONNECT_RECV_ID_QUIT));
    EXPECT_LT(SimConnect_SubscribeToSystemEvent(handle, 201, "Sim"), 0);
    EXPECT_LT(inbox.dispatch(handle), 0);
    EXPECT_FALSE(emu::isConnected());
}

} // namespace
} // namespace zyn::test
