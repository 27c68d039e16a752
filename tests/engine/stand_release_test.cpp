// A live record that ends frees the stand it claimed, whichever way it ends; a stand another live
// aircraft took over meanwhile stays taken, also from an aircraft that left it.
#include "airport/park_pos.h"
#include "engine/ai_driver.h"
#include "engine/commands.h"
#include "engine/ground_phases.h"
#include "engine/live_removals.h"
#include "engine/live_update.h"
#include "engine/motion.h"
#include "engine/removal.h"
#include "livery/matching_summary.h"
#include "settings/settings.h"
#include "sim/sim_command.h"
#include "tests/engine/live_ac_fixture.h"

#include <gtest/gtest.h>

#include <functional>

namespace zyn::test {
namespace {

constexpr std::uint32_t kSid = 7;
constexpr LatLon kStand{47.0, 8.0};

class StandRelease : public EngineState {
protected:
    StandRelease()
    {
        g_stands.emplace_back("B7", std::vector<ParkPosOption>{}, kStand.lat, kStand.lon, 0.0, 30.0, 1, 1, 1);
        g_stands.back().sid = kSid;
        g_stands.back().liveOccupied = true;
    }
    ~StandRelease() override
    {
        param::BLOCK_CALLSIGN.setValue(m_blocked);
        param::MAX_LIVE.value = m_maxLive;
        g_ghostCallsigns = m_ghosts;
        g_aircraftWithoutLivery = m_withoutLivery;
    }
    // A live aircraft in the simulator standing at the stand, in the given phase.
    static LiveAcRecord atStand(std::uint32_t hexId, MovePhase phase)
    {
        LiveAcRecord a = makeFlyingAircraft(straightTrack(kStand, 0.0, 0.0, 0.0, 0.0, 0, 100, 3));
        a.hexId = hexId;
        a.phase = phase;
        a.standId = kSid;
        a.initLat = kStand.lat;
        a.initLon = kStand.lon;
        return a;
    }
    // A parked aircraft whose respawn took it back to state 0: it keeps its stand for the new object.
    static LiveAcRecord respawning()
    {
        LiveAcRecord a = atStand(0x4B1234, MovePhase::Parked);
        a.head.callsign = "SWR12";
        a.head.registration = "HB-JXA";
        a.head.airline = "SWR";
        a.liveryTitle = "Airbus A320 Swiss";
        a.state = ObjectState::New;
        a.objectId = 0;
        return a;
    }

private:
    std::string m_blocked = param::BLOCK_CALLSIGN.getValue();
    std::int32_t m_maxLive = param::MAX_LIVE.value.load();
    std::vector<std::string> m_ghosts = g_ghostCallsigns;
    std::set<std::string> m_withoutLivery = g_aircraftWithoutLivery;
};

TEST_F(StandRelease, EveryEndOfARespawningParkedAircraftFreesItsStand)
{
    const struct {
        const char* name;
        std::function<void(LiveAcRecord&)> ending;
        bool byCommand; // ended by a command of the tick rather than by its own update
    } rows[] = {
        {"no reports left", [](LiveAcRecord& a) { a.stream.clear(); }, false},
        {"a single report", [](LiveAcRecord& a) { a.stream.truncate(1); }, false},
        {"a removed ghost's callsign",
         [](LiveAcRecord& a) {
             a.head.callsign = "SWR12_";
             g_ghostCallsigns.push_back("SWR12_");
         },
         false},
        {"no room under the live limit", [](LiveAcRecord&) { param::MAX_LIVE.value = 0; }, false},
        {"callsign blocked in the window", [](LiveAcRecord&) { param::BLOCK_CALLSIGN.setValue("SWR12"); }, false},
        {"no real callsign",
         [](LiveAcRecord& a) {
             a.head.callsign = "@@@@@@@@";
             a.head.registration.clear();
         },
         false},
        {"no livery", [](LiveAcRecord& a) { g_aircraftWithoutLivery.insert(gf_acTextWithSuffix(a)); }, false},
        {"callsign blocked by the reader",
         [](LiveAcRecord& a) { gf_pushSimCommand({.value = a.hexId, .kind = SimCommandKind::Blocked}); }, true},
        {"the respawn's removal report never came",
         [](LiveAcRecord& a) {
             a.state = a.stateSeen = ObjectState::RespawnPending;
             a.objectId = 55;
             a.stateSinceTick = 0;
             g_tick = kRemovalWaitTicks + 1;
         },
         false},
    };
    for (const auto& row : rows) {
        param::BLOCK_CALLSIGN.setValue("");
        param::MAX_LIVE.value = -1;
        g_tick = 0;
        g_liveAircraft.clear();
        g_stands[0].liveOccupied = true;
        g_liveAircraft.push_back(respawning());
        row.ending(g_liveAircraft[0]);
        if (row.byCommand)
            gf_SimCommands();
        else
            lf_updateAllLiveAc();
        EXPECT_TRUE(g_liveAircraft.empty()) << row.name;
        EXPECT_FALSE(g_stands[0].liveOccupied) << row.name;
    }
}

TEST_F(StandRelease, StandTakenOverMeanwhileStaysTaken)
{
    g_liveAircraft.reserve(2);
    g_liveAircraft.push_back(atStand(0x4B9999, MovePhase::Parked));
    g_liveAircraft.push_back(respawning());
    g_liveAircraft[1].stream.clear();
    lf_updateAllLiveAc();
    ASSERT_EQ(g_liveAircraft.size(), 1u);
    EXPECT_TRUE(g_stands[0].liveOccupied) << "the parked aircraft still stands there";
}

TEST_F(StandRelease, AnAircraftThatPulledOutHoldsNoClaimOnItsStand)
{
    g_liveAircraft.reserve(2);
    g_liveAircraft.push_back(atStand(0x4B9999, MovePhase::Parked));
    lf_pullOut(g_liveAircraft[0]);
    g_stands[0].liveOccupied = false; // freed as it began to leave

    g_liveAircraft.push_back(atStand(0x4B1234, MovePhase::TaxiToStand));
    g_liveAircraft[1].objectId = 101;
    g_stands[0].liveOccupied = true;
    lf_arriveAtStand(g_liveAircraft[1]);
    EXPECT_EQ(g_liveAircraft[1].phase, MovePhase::Parked) << "the arrival parks, it is not taken away";
    EXPECT_EQ(g_liveAircraft[1].state, ObjectState::InSim);

    removeAircraftFromSim(g_liveAircraft[0]); // the departed aircraft leaves the simulator later
    EXPECT_TRUE(g_stands[0].liveOccupied) << "the stand stays the arrival's";
}

} // namespace
} // namespace zyn::test
