// The rules an aircraft passes before it is spawned: the live limit and the user's safety.
#include "base/tick.h"
#include "engine/live_update.h"
#include "engine/motion_inputs.h"
#include "engine/motion_math.h"
#include "engine/queues.h"
#include "engine/spawn.h"
#include "settings/settings.h"
#include "settings/traffic_range.h"
#include "sim/user_aircraft.h"
#include "tests/engine/driver_fixture.h"
#include "tests/support/dbase_fixture.h"

namespace zyn::test {
namespace {

constexpr LatLon kUser{47.0, 8.0};

class BufferRules : public EngineState {
protected:
    BufferRules()
    {
        g_motionInputs.user = kUser;
        g_userOfTick = UserAcData{};
        g_userOfTick.lat = kUser.lat;
        g_userOfTick.lon = kUser.lon;
    }
    ~BufferRules() override
    {
        param::MAX_LIVE.value = -1;
        param::COLLISION_USER_AIR.value = 1;
        g_userOnGround = 0;
        g_userOfTick = UserAcData{};
        gf_setTrafficRange(param::LATERAL_RANGE.defaultValue);
    }
    InstalledLiveries m_liveries{genericLiveries({{"A320", kTitle}})};
    // An aircraft waiting for its first report, due now, nm north of the user.
    LiveAcRecord& waiting(double nm, double altitudeFt, std::uint32_t hexId)
    {
        const auto reports =
            straightTrack(gf_destinationPoint(kUser, 0.0, nm * kFeetPerNm), 90.0, altitudeFt > 0.0 ? 200.0 : 5.0,
                          altitudeFt, 0.0, 50, 500, 3);
        LiveAcRecord a = makeFlyingAircraft(reports);
        a.hexId = hexId;
        a.state = ObjectState::New;
        a.phase = MovePhase::New;
        a.objectId = 0;
        g_liveAircraft.push_back(a);
        return g_liveAircraft.back();
    }
};

TEST_F(BufferRules, LiveLimitMakesTheFarthestGoOrDropsTheNewcomer)
{
    struct Case {
        const char* name;
        ObjectState farState; // the aircraft 7 NM away
        double newcomerNm;
        bool spawned;
    };
    for (const Case c : {Case{"nearer newcomer", ObjectState::InSim, 5.0, true},
                         Case{"farther newcomer", ObjectState::InSim, 9.0, false},
                         Case{"its old object being removed", ObjectState::RespawnPending, 5.0, false},
                         Case{"its new object still to come", ObjectState::New, 5.0, false}}) {
        SCOPED_TRACE(c.name);
        g_liveAircraft.clear();
        g_pendingCreationIds.clear();
        param::MAX_LIVE.value = 1;
        LiveAcRecord& far = waiting(7.0, 5000.0, 0x100001);
        far.state = c.farState;
        far.objectId = c.farState == ObjectState::New ? 0 : 120;
        far.useRespawnHeading = c.farState != ObjectState::InSim ? 1 : 0; // being respawned
        updateBufferAc(waiting(c.newcomerNm, 5000.0, 0x100002));
        EXPECT_EQ(g_liveAircraft[1].state == ObjectState::CreationRequested, c.spawned);
        EXPECT_EQ(g_liveAircraft[1].gone != 0, !c.spawned);
        EXPECT_EQ(g_liveAircraft[0].state == ObjectState::RemovalRequested, c.spawned);
        if (c.farState == ObjectState::New) {
            updateBufferAc(g_liveAircraft[0]);
            EXPECT_EQ(g_liveAircraft[0].state, ObjectState::CreationRequested) << "the respawn keeps its room";
        }
    }
}

TEST_F(BufferRules, GroundAircraftOnTheLandingUsersLineIsHeldUntilTheUserTaxisSlowly)
{
    param::COLLISION_USER_AIR.value = 1;
    g_userOnGround = 0;
    g_userOfTick.aboveGround = 800.0;
    LiveAcRecord& a = waiting(1.0, 0.0, 0x100003);
    // A respawned aircraft: its block lies 1 NM ahead of the user, 400 ft off the user's heading.
    const LatLon at = gf_destinationPoint(gf_destinationPoint(kUser, 0.0, kFeetPerNm), kPi / 2, 400.0);
    a.block.lat = at.lat;
    a.block.lon = at.lon;
    updateBufferAc(a);
    EXPECT_EQ(a.heldForUser, 1);
    EXPECT_EQ(a.stream.size(), 2u); // one report used up
    EXPECT_EQ(a.state, ObjectState::New);

    g_userOnGround = 1;
    g_userOfTick.groundSpeed = 5.0;
    a.stream.push_back(a.stream.back());
    g_tick = a.stream.front().timeKey;
    updateBufferAc(a);
    EXPECT_EQ(a.state, ObjectState::CreationRequested); // 1 NM away and the user slower than 8 kt
}

// After the range shrinks, reports taken under the old range are still due; an object created beyond
// the simulator query's radius would never be matched to its aircraft, and so never moved or removed.
TEST_F(BufferRules, AircraftBeyondTheSimulatorQueryIsHeldUntilItComesIntoIt)
{
    gf_setTrafficRange(10);
    const double queryNm = g_rangeMetres.load() / 1852.0;
    LiveAcRecord& far = waiting(queryNm + 1.0, 20000.0, 0x100005);
    updateBufferAc(far);
    EXPECT_EQ(far.state, ObjectState::New);
    EXPECT_EQ(far.stream.size(), 2u); // one report used up
    EXPECT_TRUE(g_pendingCreationIds.empty());

    LiveAcRecord& near = waiting(queryNm - 1.0, 20000.0, 0x100006);
    updateBufferAc(near);
    EXPECT_EQ(near.state, ObjectState::CreationRequested);
}

TEST_F(BufferRules, AirlineComesFromTheCallsignWhenNoRegistrationNamesOne)
{
    InstalledLiveries airlineOnly{{livery("DLH", "A320", "Airbus A320 Lufthansa")}};
    const struct {
        const char* callsign;
        const char* airline;
        const char* title;
    } rows[] = {{"DLH4AB", "DLH", "Airbus A320 Lufthansa"}, {"dlh12", "DLH", "Airbus A320 Lufthansa"},
                {"N123AB", "PVT", ""}, {"HBJCA", "PVT", ""}};
    std::uint32_t hexId = 0x100010;
    for (const auto& row : rows) {
        LiveAcRecord& a = waiting(5.0, 5000.0, ++hexId);
        a.head.callsign = row.callsign;
        updateBufferAc(a);
        EXPECT_EQ(a.head.airline, row.airline) << row.callsign;
        EXPECT_EQ(a.liveryTitle, row.title) << row.callsign;
        EXPECT_EQ(a.state == ObjectState::CreationRequested, *row.title != '\0') << row.callsign;
    }
}

TEST_F(BufferRules, PlaceholderCallsignWithoutRegistrationIsNeverSpawned)
{
    LiveAcRecord& a = waiting(5.0, 5000.0, 0x100004);
    a.head.callsign = "@@@@@@@@";
    updateBufferAc(a);
    EXPECT_TRUE(a.gone);
    EXPECT_TRUE(g_pendingCreationIds.empty());
}

TEST_F(BufferRules, RegistrationIsFoundUnderEachOfItsSpellings)
{
    ScopedDbase dbase{dbaseWith({"A320"}, {"DLH", "CLH"},
                                {{"D-AIPA", {"DLH", "A320", "CLH", true}}, {"D-AXYZ", {"", "", "", false}}})};
    const struct {
        const char* registration;
        const char* callsign;
        const char* reportedType;
        const char* callsignAfter; // empty: dropped
        const char* airline;
        bool cargo;
    } rows[] = {
        {"DAIPA", "@@@@@@@@", "B738", "DAIPA", "CLH", true}, // reported without its dash
        {"D-AIPA", "@@@@@@@@", "B738", "D-AIPA", "CLH", true},
        {"DAIPA", "DLH4AB", "B738", "DLH4AB", "CLH", true},  // a real callsign stays
        {"DAIPX", "@@@@@@@@", "B738", "", "", false},      // unknown under every spelling
        {"DAXYZ", "DLH5", "A320", "DLH5", "DLH", false},   // known without names: the report's stay
    };
    std::uint32_t hexId = 0x100020;
    for (const auto& row : rows) {
        LiveAcRecord& a = waiting(5.0, 5000.0, ++hexId);
        a.head.registration = row.registration;
        a.head.callsign = row.callsign;
        a.head.airline.clear();
        a.head.type = row.reportedType;
        updateBufferAc(a);
        const bool spawned = *row.callsignAfter != '\0';
        EXPECT_EQ(a.state == ObjectState::CreationRequested, spawned) << row.registration << " " << row.callsign;
        EXPECT_EQ(a.gone != 0, !spawned) << row.registration << " " << row.callsign;
        if (!spawned)
            continue;
        EXPECT_EQ(a.head.callsign, row.callsignAfter) << row.registration;
        EXPECT_EQ(a.head.airline, row.airline) << row.registration;
        EXPECT_EQ(a.head.type, "A320") << row.registration;
        EXPECT_EQ(a.cargo != 0, row.cargo) << row.registration;
    }
    g_liveryByHexId.clear(); // its views point into this test's liveries
}

} // namespace
} // namespace zyn::test
