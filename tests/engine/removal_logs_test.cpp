// The log lines that tell the user why an aircraft went, or where it parked.
#include "airport/park_pos.h"
#include "base/log.h"
#include "engine/commands.h"
#include "engine/live_removals.h"
#include "engine/removal.h"
#include "engine/stand_claims.h"
#include "settings/settings.h"
#include "sim/sim_command.h"
#include "tests/engine/live_ac_fixture.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace zyn::test {
namespace {

constexpr LatLon kApron{47.0, 8.0};
constexpr double kHalfSpanNm = 17.0 / 1852.0;

class RemovalLogs : public EngineState {
protected:
    RemovalLogs()
    {
        gf_openLog();
        param::LOG.value = 1;
        // A1 and A2 30 m apart overlap; B9 lies far off.
        for (const auto& [name, east] : {std::pair{"A1", 0.0}, {"A2", 30.0}, {"B9", 500.0}}) {
            const LatLon at = ahead(kApron, 90.0, east);
            g_stands.emplace_back(name, std::vector<ParkPosOption>{}, at.lat, at.lon, 0.0, 25.0, 1, 1, 1);
        }
        gf_numberStands(g_stands);
        gf_linkOverlappingStands(g_stands);
    }
    ~RemovalLogs() override
    {
        gf_closeLog();
        param::LOG.value = m_log;
        g_ghostCallsigns = m_ghosts;
    }
    // Lines written since the log was opened, its header left out.
    std::vector<std::string> lines() const
    {
        auto all = readLines(m_dir / "Log.txt");
        if (!all.empty())
            all.erase(all.begin());
        return all;
    }
    static AiAcRecord parkedStatic(std::uint32_t sid, ObjectState state)
    {
        AiAcRecord s;
        s.hexId = 12;
        s.head.callsign = "KLM5*";
        s.head.text1 = "KLM5";
        s.head.registration = "PH-BXA";
        s.halfWingspanNm = kHalfSpanNm;
        s.standId = sid;
        s.state = state;
        s.objectId = state == ObjectState::InSim ? 55 : 0;
        return s;
    }
    static LiveAcRecord live(const std::string& callsign)
    {
        LiveAcRecord a = makeFlyingAircraft(straightTrack(kApron, 90.0, 0.0, 0.0, 0.0, 0, 100, 3));
        a.head.callsign = callsign;
        a.head.registration = "HB-JXA";
        a.halfWingspanNm = kHalfSpanNm;
        return a;
    }

private:
    TempDir m_dir;
    ScopedCwd m_cwd{m_dir.path()};
    std::uint8_t m_log = param::LOG.value.load();
    std::vector<std::string> m_ghosts = g_ghostCallsigns;
};

TEST_F(RemovalLogs, StaticsMakeWayForALiveAircraftAndTheLogSaysWhy)
{
    const struct {
        const char* name;
        const char* standName;
        ObjectState state;
        bool queued;           // its creation request still waits in the engine
        const char* liveReg;   // the live aircraft's registration
        const char* line;      // empty: nothing logged
        bool stillListed;
    } rows[] = {
        {"standing on the stand", "A1", ObjectState::InSim, false, "HB-JXA",
         "A1      : KLM5*    PH-BXA makes way for SWR10 HB-JXA", true},
        {"the same aircraft, now live", "A1", ObjectState::InSim, false, "PH-BXA",
         "A1      : KLM5*    PH-BXA makes way for the same live version SWR10 PH-BXA", true},
        {"creation still queued", "A1", ObjectState::CreationRequested, true, "HB-JXA",
         "queued A1      : KLM5*    PH-BXA makes way for SWR10 HB-JXA", false},
        {"creation already sent", "A1", ObjectState::CreationRequested, false, "HB-JXA", "", true},
        {"on the overlapping stand", "A2", ObjectState::InSim, false, "HB-JXA",
         "A2      : KLM5*    removed by SWR10 parking at adjacent stand A1", true},
        {"far off", "B9", ObjectState::InSim, false, "HB-JXA", "", true},
    };
    for (const auto& row : rows) {
        g_staticAircraft.clear();
        g_staticCreationQueue.clear();
        gf_closeLog();
        gf_openLog();
        const ParkPos& at = *std::find_if(g_stands.begin(), g_stands.end(),
                                          [&](const ParkPos& p) { return p.id == row.standName; });
        g_staticAircraft.push_back(parkedStatic(at.sid, row.state));
        if (row.queued) {
            CreateAcRequest request;
            request.name = "KLM5*";
            request.hexId = 12;
            g_staticCreationQueue.push_back(request);
        }
        LiveAcRecord a = live("SWR10");
        a.head.registration = row.liveReg;
        checkStandOrExcludedIsOccupiedByStaticAndRemove(a, g_stands[0]);
        const auto logged = lines();
        if (*row.line)
            EXPECT_EQ(logged, std::vector<std::string>{row.line}) << row.name;
        else
            EXPECT_TRUE(logged.empty()) << row.name << ": " << (logged.empty() ? "" : logged[0]);
        EXPECT_EQ(g_staticAircraft.size(), row.stillListed ? 1u : 0u) << row.name;
    }
}

TEST_F(RemovalLogs, GhostLogNamesTheStandItStoodAt)
{
    const struct {
        MovePhase phase;
        const char* line;
    } rows[] = {
        {MovePhase::Parked, "A2      : ABC1_    is a ghost and will be removed, continue with ABC1"},
        {MovePhase::Taxi, "          ABC1_    is a ghost and will be removed, continue with ABC1"},
    };
    for (const auto& row : rows) {
        gf_closeLog();
        gf_openLog();
        g_liveAircraft.clear();
        g_liveAircraft.push_back(live("ABC1_"));
        g_liveAircraft[0].phase = row.phase;
        g_liveAircraft[0].standId = g_stands[1].sid;
        gf_removeGhost("ABC1");
        EXPECT_EQ(lines(), std::vector<std::string>{row.line});
    }
}

TEST_F(RemovalLogs, ParkedStaticLogNamesItsStand)
{
    g_staticAircraft.push_back(parkedStatic(g_stands[2].sid, ObjectState::CreationRequested));
    gf_pushSimCommand({.objectId = 55, .value = 12, .kind = SimCommandKind::StaticCreated});
    for (int i = 0; i <= kLightCycleTicks && !g_staticAircraft[0].inSim(); ++i)
        gf_SimCommands();
    ASSERT_TRUE(g_staticAircraft[0].inSim());
    EXPECT_EQ(lines(), std::vector<std::string>{"B9      : KLM5*    parked"});
    gf_clearSimCommandLists();
}

} // namespace
} // namespace zyn::test
