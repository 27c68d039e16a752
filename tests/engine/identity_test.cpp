// Duplicates, the live limit, expiry of parked live aircraft and the reserved stand.
#include "engine/identity.h"
#include "engine/spawn.h"

#include "airport/park_pos.h"
#include "core/startup_steps.h"
#include "engine/live_removals.h"
#include "engine/motion.h"
#include "engine/motion_math.h"
#include "engine/parking_queries.h"
#include "engine/queues.h"
#include "parking/park_airport.h"
#include "parking/parking_count.h"
#include "parking/parking_fit.h"
#include "shown/display_texts.h"
#include "platform/system/clock.h"
#include "settings/settings.h"
#include "tests/engine/live_ac_fixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>

namespace zyn {
namespace {

using namespace std::chrono_literals;

class Identity : public test::EngineState {
protected:
    Identity() { gf_setClock(&m_clock); }
    ~Identity() override
    {
        gf_setClock(nullptr);
        param::MAX_LIVE.value = param::MAX_LIVE.defaultValue;
        param::INITIAL_LOAD_ONLY.value = param::INITIAL_LOAD_ONLY.defaultValue;
        gf_setReservedStand("");
    }

    // A live aircraft in the simulator nm north of the user, with object id and hex id from n.
    LiveAcRecord& addLive(int n, double nm, ObjectState state = ObjectState::InSim)
    {
        LiveAcRecord a = test::makeFlyingAircraft({{user, 0, 0, 1}, {{user.lat + 0.01, user.lon}, 0, 10, 500}});
        a.block.lat = gf_destinationPoint(user, 0.0, nm * kFeetPerNm).lat;
        a.hexId = 0x400000 + n;
        a.objectId = 100 + n;
        a.state = state;
        a.head.callsign = "TST" + std::to_string(n);
        g_liveAircraft.push_back(a);
        return g_liveAircraft.back();
    }

    // Parked for its time and silent since, unless heard later (silentFor).
    LiveAcRecord& addParkedLive(int n, AcCategory category, std::chrono::seconds parkedFor,
                                std::optional<std::chrono::seconds> silentFor = {})
    {
        LiveAcRecord& a = addLive(n, 1.0);
        a.category = category;
        a.phase = MovePhase::Parked;
        a.parkedSince = gf_steadyTicks100ns();
        m_parkedFor.push_back({&a - g_liveAircraft.data(), parkedFor, silentFor.value_or(parkedFor)});
        return a;
    }

    // Moves both clocks on and back-dates each parked aircraft by its times.
    void parkAll()
    {
        m_clock.advance(4h);
        g_tick = 4 * 3600 * 100;
        for (const auto& [index, parkedFor, silentFor] : m_parkedFor) {
            LiveAcRecord& a = g_liveAircraft[std::size_t(index)];
            a.parkedSince = gf_steadyTicks100ns() -
                            std::chrono::duration_cast<std::chrono::duration<std::int64_t, std::ratio<1, 10000000>>>(
                                parkedFor)
                                .count();
            a.lastReportTick = g_tick - static_cast<std::int32_t>(silentFor.count() * 100);
        }
    }

    std::vector<std::uint32_t> removedHexIds() const
    {
        std::vector<std::uint32_t> ids;
        for (const auto& a : g_liveAircraft)
            if (a.state == ObjectState::RemovalRequested)
                ids.push_back(a.hexId);
        return ids;
    }

    ManualClock m_clock;
    const LatLon user{47.0, 8.0};
    struct Parked {
        std::ptrdiff_t index;
        std::chrono::seconds parkedFor, silentFor;
    };
    std::vector<Parked> m_parkedFor;
};

TEST_F(Identity, ParkedAircraftThatIsTheLiveOneIsFound)
{
    AcRecord live;
    live.hexId = 0x4B0001;
    live.head.callsign = "SWR12_";
    live.head.registration = "HB-JCA";
    live.head.text2 = "LX12";
    const struct {
        const char* name;
        std::uint32_t feedKind, parkedHexId;
        const char *registration, *text1, *text2;
        ObjectState state;
        bool same;
    } rows[] = {
        {"same hex id from parked traffic", 0, 0x4B0001, "", "", "", ObjectState::InSim, true},
        {"hex id of another source does not count", 1, 0x4B0001, "", "", "", ObjectState::InSim, false},
        {"same registration", 1, 0, "HB-JCA", "", "", ObjectState::InSim, true},
        {"callsign is the parked one's further text", 1, 0, "", "SWR12_", "", ObjectState::InSim, true},
        {"second further texts coupled", 1, 0, "", "", "LX12", ObjectState::InSim, true},
        {"ghost callsign without its mark", 1, 0, "", "SWR12", "", ObjectState::InSim, true},
        {"different aircraft", 1, 0, "D-AIAB", "DLH4", "LH4", ObjectState::InSim, false},
        {"not yet in the simulator", 0, 0x4B0001, "HB-JCA", "", "", ObjectState::CreationRequested, false},
    };
    IdentityContext ctx{&live, "SWR12", true};
    for (const auto& row : rows) {
        AiAcRecord parked;
        parked.feedKind = row.feedKind;
        parked.parkedHexId = row.parkedHexId;
        parked.head.registration = row.registration;
        parked.head.text1 = row.text1;
        parked.head.text2 = row.text2;
        parked.state = row.state;
        EXPECT_EQ(gf_checkSameIdentity(ctx, parked), row.same) << row.name;
    }
}

TEST_F(Identity, MaxLiveEvictsTheFarthestCountingPendingCreations)
{
    g_motionInputs.user = user;
    for (int i = 0; i < 20; ++i)
        addLive(i, 1.0 + i);
    addLive(20, 50.0, ObjectState::CreationRequested).objectId = 0; // waiting in the engine's creation queue
    g_liveCreationQueue.push_back(CreateAcRequest{});
    g_liveCreationQueue.back().hexId = 0x400000 + 20;
    param::MAX_LIVE.value = 15;
    gf_enforceMaxLive();
    // 21 counted, 15 allowed: the six farthest go.
    EXPECT_EQ(removedHexIds(), (std::vector<std::uint32_t>{0x400000 + 15, 0x400000 + 16, 0x400000 + 17, 0x400000 + 18,
                                                           0x400000 + 19, 0x400000 + 20}));
    EXPECT_TRUE(g_liveCreationQueue.empty()) << "the pending one is withdrawn";
    EXPECT_EQ(g_removalQueue.size(), 5u);

    param::MAX_LIVE.value = -1; // no limit
    addLive(30, 100.0);
    gf_enforceMaxLive();
    EXPECT_EQ(removedHexIds().size(), 6u);
}

TEST_F(Identity, MaxLiveChangedInTheWindowIsAppliedOnceByTheEngine)
{
    g_motionInputs.user = user;
    g_liveAircraft.reserve(8);
    for (int i = 0; i < 5; ++i)
        addLive(i, 1.0 + i);
    param::MAX_LIVE.value = 5;
    gf_followMaxLive();
    EXPECT_TRUE(removedHexIds().empty());
    param::MAX_LIVE.value = 3;
    gf_followMaxLive();
    EXPECT_EQ(removedHexIds(), (std::vector<std::uint32_t>{0x400000 + 3, 0x400000 + 4}));
    addLive(9, 0.5);
    gf_followMaxLive(); // unchanged: new aircraft wait for the spawn's own limit check
    EXPECT_EQ(removedHexIds().size(), 2u);
    g_maxLive = 0;
}

TEST_F(Identity, ParkedLiveAircraftExpireAfterNinetyOrHeavyHundredEightyMinutes)
{
    for (bool initialLoadOnly : {false, true}) {
        g_liveAircraft.clear();
        g_liveAircraft.reserve(8);
        m_parkedFor.clear();
        param::INITIAL_LOAD_ONLY.value = initialLoadOnly ? 1 : 0;
        addParkedLive(1, AcCategory::Heavy, 179min);
        addParkedLive(2, AcCategory::Large, 91min);
        addParkedLive(3, AcCategory::Large, 89min);
        addParkedLive(4, AcCategory::Heavy, 181min);
        addParkedLive(5, AcCategory::Large, 95min, 0s); // heard just now 100 m off its stand, about to depart
        addParkedLive(6, AcCategory::Large, 300min, 20min); // heard at its stand 20 minutes ago
        addParkedLive(7, AcCategory::Large, 90min);
        addParkedLive(8, AcCategory::Heavy, 180min);
        parkAll();
        for (const char* look : {"first look", "second look of the same renewal"}) {
            gf_expireLiveParked();
            const auto expected = initialLoadOnly ? std::vector<std::uint32_t>{}
                                                  : std::vector<std::uint32_t>{0x400000 + 2, 0x400000 + 4};
            EXPECT_EQ(removedHexIds(), expected) << initialLoadOnly << " " << look;
            std::vector<std::int64_t> minutes;
            for (const auto& e : g_liveParkedDisplay)
                minutes.push_back(e.minutes);
            const std::vector<std::int64_t> shown = initialLoadOnly
                                                        ? std::vector<std::int64_t>{181, 180, 179, 91, 90, 89, 20, 0}
                                                        : std::vector<std::int64_t>{180, 179, 90, 89, 20, 0};
            EXPECT_EQ(minutes, shown) << look;
        }
    }
}

TEST_F(Identity, RemoveLiveParkedTakesTheLongestParkedFirst)
{
    g_liveAircraft.reserve(8);
    addParkedLive(1, AcCategory::Large, 10min);
    addParkedLive(2, AcCategory::Large, 50min);
    addParkedLive(3, AcCategory::Large, 30min);
    parkAll();
    gf_removeLiveParked(2);
    EXPECT_EQ(removedHexIds(), (std::vector<std::uint32_t>{0x400000 + 2, 0x400000 + 3}));
    gf_removeLiveParked(10); // more than there are
    EXPECT_EQ(removedHexIds().size(), 3u);
}

// Over the parking count, of those parked the same whole minutes the one parked longer by the clock
// goes, whatever their order in the list, and never the aircraft whose arrival is counted; of the
// statics the one parked last.
TEST_F(Identity, MaxParkSendsAwayTheLongestParkedLiveAndTheLastParkedStatic)
{
    const struct {
        const char* name;
        std::int32_t count;
        std::vector<std::chrono::seconds> parked;
        std::size_t arriving;
        std::vector<std::uint32_t> away;
        std::size_t statics = 0; // standing, in the order they were parked
    } rows[] = {{"ten minutes each", 2, {610s, 640s, 0s}, 2, {0x400000 + 2}},
                {"the newcomer listed first", 1, {0s, 20s}, 0, {0x400000 + 2}},
                {"beside three statics", 4, {600s, 0s}, 1, {}, 3}};
    gf_installParkingQueries();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        g_liveAircraft.clear();
        g_liveAircraft.reserve(4);
        g_staticAircraft.assign(row.statics, AiAcRecord{});
        for (std::size_t i = 0; i < row.statics; ++i) {
            g_staticAircraft[i].state = ObjectState::InSim;
            g_staticAircraft[i].objectId = static_cast<std::uint32_t>(50 + i);
        }
        m_parkedFor.clear();
        for (std::size_t i = 0; i < row.parked.size(); ++i)
            addParkedLive(static_cast<int>(i) + 1, AcCategory::Large, row.parked[i]);
        parkAll();
        g_parkCount = row.count;
        lf_checkMaxPark(g_liveAircraft[row.arriving]);
        EXPECT_EQ(removedHexIds(), row.away);
        for (std::size_t i = 0; i < row.statics; ++i)
            EXPECT_EQ(g_staticAircraft[i].state == ObjectState::RemovalRequested, i + 1 == row.statics) << i;
    }
    gf_setParkingQueries({});
    g_parkCount = 0;
}

TEST_F(Identity, MaxParkWithoutParkingCountOrStaticsRemovesNothing)
{
    g_liveAircraft.reserve(8);
    addParkedLive(1, AcCategory::Large, 10min);
    LiveAcRecord& arriving = addParkedLive(2, AcCategory::Large, 0min);
    parkAll();
    lf_checkMaxPark(arriving);
    EXPECT_TRUE(removedHexIds().empty());
    EXPECT_EQ(gf_liveParkedStats(false), 2u);
}

TEST_F(Identity, MaxParkShowsHowLongTheStaticsHaveStood)
{
    const float shownBefore = gf_displayTexts().parking.staticAverage;
    const std::uint8_t weekBefore = param::WEEK.value.load();
    const WeekSlot nowBefore = g_nowWeekSlot.load();
    gf_installParkingQueries();
    g_nowWeekSlot = WeekSlot{3, 20};
    for (const int slot : {16, 18}) { // 2 and 1 hours ago
        AiAcRecord parked;
        parked.hexId = 12;
        parked.state = ObjectState::InSim;
        parked.weekSlot = WeekSlot{3, static_cast<std::uint32_t>(slot)};
        g_staticAircraft.push_back(parked);
    }
    const struct {
        bool week;
        float shown;
    } rows[] = {{true, -1.0f}, {false, 2.0f}}; // (4 + 2) / (2 x 2) + 0.5 hours
    for (const auto& row : rows) {
        gf_showStaticAverage(-1.0f);
        param::WEEK.value = row.week ? 1 : 0;
        g_liveAircraft.clear();
        g_liveAircraft.reserve(4);
        LiveAcRecord& arriving = addParkedLive(1, AcCategory::Large, 0min);
        lf_checkMaxPark(arriving);
        EXPECT_EQ(gf_displayTexts().parking.staticAverage, row.shown) << row.week;
    }
    gf_setParkingQueries({});
    g_nowWeekSlot = nowBefore;
    param::WEEK.value = weekBefore;
    gf_showStaticAverage(shownBefore);
}

TEST_F(Identity, ReservedStandIsClearedStaticFirst)
{
    g_stands.emplace_back("B12", std::vector<ParkPosOption>{}, 47.0, 8.0, 0.0, 20.0, 0, 0, 0);
    g_stands.back().sid = 7;
    g_liveAircraft.reserve(8);
    LiveAcRecord& live = addParkedLive(1, AcCategory::Large, 5min);
    live.standId = 7;
    addParkedLive(2, AcCategory::Large, 5min); // no stand: sid 0 must never match it
    AiAcRecord parked;
    parked.hexId = 12;
    parked.objectId = 55;
    parked.state = ObjectState::InSim;
    parked.standId = 7;
    g_staticAircraft.push_back(parked);

    gf_removeAcAtStand();
    EXPECT_TRUE(removedHexIds().empty()) << "no reserved stand";
    gf_setReservedStand("B12");
    gf_removeAcAtStand();
    EXPECT_EQ(g_staticAircraft[0].state, ObjectState::RemovalRequested);
    EXPECT_TRUE(removedHexIds().empty());
    gf_removeAcAtStand();
    EXPECT_EQ(removedHexIds(), std::vector<std::uint32_t>{0x400000 + 1});
    gf_setReservedStand("Z99"); // unknown stand
    gf_removeAcAtStand();
    EXPECT_EQ(removedHexIds().size(), 1u);
}

TEST_F(Identity, GhostGoesWhenItsRealCallsignArrivesAndIsRememberedOnce)
{
    g_liveAircraft.reserve(4);
    addLive(1, 2.0).head.callsign = "ABC1_";
    addLive(2, 3.0).head.callsign = "ABC1";
    g_ghostCallsigns.clear();
    gf_removeGhost("ABC1");
    EXPECT_EQ(removedHexIds(), std::vector<std::uint32_t>{0x400000 + 1});
    addLive(3, 2.0).head.callsign = "ABC1_"; // the ghost reported again under a new hex id
    gf_removeGhost("ABC1");
    EXPECT_EQ(g_ghostCallsigns, std::vector<std::string>{"ABC1_"});

    for (std::size_t i = 0; i < kMostRemembered + 10; ++i) {
        g_liveAircraft.clear();
        addLive(4, 1.0).head.callsign = "G" + std::to_string(i) + "_";
        gf_removeGhost("G" + std::to_string(i));
    }
    EXPECT_EQ(g_ghostCallsigns.size(), kMostRemembered);
    EXPECT_EQ(g_ghostCallsigns.back(), "G" + std::to_string(kMostRemembered + 9) + "_");
    g_ghostCallsigns.clear();
}

TEST_F(Identity, IdentityCheckQueueHoldsEachIdOnceAndStaysBounded)
{
    for (std::uint32_t id = 0; id < kMostIdentityChecks + 50; ++id) {
        gf_queueIdentityCheck(0x400000 + id);
        gf_queueIdentityCheck(0x400000 + id);
    }
    ASSERT_EQ(g_identityCheckIds.size(), kMostIdentityChecks);
    EXPECT_EQ(g_identityCheckIds.front(), 0x400000u + 50);
    EXPECT_EQ(g_identityCheckIds.back(), 0x400000u + kMostIdentityChecks + 49);
}

} // namespace
} // namespace zyn
