// Stands for live aircraft: the fit by position and size, claims at spawn, parking of arrivals, and
// the learned uses of stands.
#include "airport/park_airport_state.h"
#include "airport/stand_lookup.h"
#include "engine/ai_driver.h"
#include "engine/merge.h"
#include "engine/identity.h"
#include "engine/stand_claims.h"
#include "engine/stand_hold.h"
#include "engine/stand_options.h"
#include "engine/spawn.h"
#include "engine/stand_search.h"
#include "settings/settings.h"
#include "sim/user_aircraft.h"
#include "traffic/live_identities.h"
#include "tests/airport/airport_fixture.h"
#include "tests/engine/live_ac_fixture.h"
#include "tests/support/dbase_fixture.h"

#include <gtest/gtest.h>

#include <functional>

namespace zyn::test {
namespace {

constexpr LatLon kGate{47.0, 8.0};

class Stands : public EngineState {
protected:
    Stands()
    {
        gf_setParkAirport({"LSZH", "ZRH", kGate.lat, kGate.lon, 1400.0});
        g_nowWeekSlot = WeekSlot{3, 20};
    }
    ~Stands() override
    {
        g_stands.clear();
        gf_publishStands(g_stands);
        gf_clearStandClaims();
        gf_setParkAirport({});
        gf_setReservedStand({});
        g_userOnGround = 0;
    }
    // Stands at metres east of the gate; heli ones marked.
    void addStand(const std::string& name, double eastMetres, double radiusMetres, bool heli = false)
    {
        const LatLon at = ahead(kGate, 90.0, eastMetres);
        g_stands.emplace_back(name, std::vector<ParkPosOption>{}, at.lat, at.lon, 0.0, radiusMetres, 1, 1, heli ? 0 : 1);
        gf_numberStands(g_stands);
        gf_linkOverlappingStands(g_stands);
        gf_publishStands(g_stands);
    }
    static LiveAcRecord aircraft(const std::string& callsign, double halfSpanMetres, LatLon at,
                                 AcCategory category = AcCategory::Large)
    {
        LiveAcRecord a = makeFlyingAircraft(straightTrack(at, 90.0, 0.0, 0.0, 0.0, 0, 100, 3), category);
        a.head.callsign = callsign;
        a.head.registration = "HB-" + callsign;
        a.head.airline = "SWR";
        a.halfWingspanNm = halfSpanMetres / 1852.0;
        a.hexId = 0x4b0000 + static_cast<std::uint32_t>(g_liveAircraft.size());
        return a;
    }
};

TEST_F(Stands, FitFiltersHelipadsFirstAndGrowsAStandOnlyForANearOversizedAircraft)
{
    addStand("G1", 0.0, 20.0);
    addStand("H1", 40.0, 12.0, true);
    const LatLon nearGate = ahead(kGate, 90.0, 5.0);
    const ParkPos* forHeli = gf_standFits(nearGate, aircraft("HEL1", 6.0, nearGate, AcCategory::Rotorcraft), 55.0 / 1852.0, false);
    ASSERT_NE(forHeli, nullptr);
    EXPECT_EQ(forHeli->id, "H1") << "a helicopter beside a gate still gets its helipad";
    const ParkPos* forJet = gf_standFits(ahead(kGate, 90.0, 35.0), aircraft("SWR1", 17.0, kGate), 55.0 / 1852.0, false);
    ASSERT_NE(forJet, nullptr);
    EXPECT_EQ(forJet->id, "G1") << "a jet never takes the helipad";

    EXPECT_EQ(gf_standFits(ahead(kGate, 90.0, 25.0), aircraft("UAE1", 32.0, kGate), 55.0 / 1852.0, false), nullptr)
        << "an aircraft far too big takes a stand only within 20 m";
    const ParkPos* grown = gf_standFits(ahead(kGate, 90.0, 10.0), aircraft("UAE1", 32.0, kGate), 55.0 / 1852.0, false);
    ASSERT_NE(grown, nullptr);
    EXPECT_TRUE(grown->radiusChanged);
    EXPECT_NEAR(grown->radius * 1852.0, 31.0, 1e-6);
    g_stands[0].liveOccupied = true;
    EXPECT_EQ(gf_standFits(kGate, aircraft("SWR2", 17.0, kGate), 55.0 / 1852.0, false), nullptr) << "occupied";
}

TEST_F(Stands, TwoArrivalsForOneStandAndTheReservedOneNeverGivenAway)
{
    addStand("A1", 0.0, 25.0);
    addStand("A2", 200.0, 25.0);
    gf_setReservedStand("A2");
    g_liveAircraft.push_back(aircraft("SWR10", 17.0, ahead(kGate, 90.0, 8.0)));
    g_liveAircraft.push_back(aircraft("SWR11", 17.0, ahead(kGate, 90.0, 9.0)));
    g_liveAircraft.push_back(aircraft("SWR12", 17.0, ahead(kGate, 90.0, 195.0)));
    for (auto& a : g_liveAircraft) {
        a.phase = MovePhase::Taxi;
        try2Park(a, false);
    }
    EXPECT_EQ(g_liveAircraft[0].phase, MovePhase::TaxiToStand);
    EXPECT_EQ(g_liveAircraft[0].standId, g_stands[0].sid);
    EXPECT_TRUE(g_stands[0].liveOccupied);
    EXPECT_EQ(g_liveAircraft[1].standId, 0u) << "the stand is claimed by the first arrival";
    EXPECT_EQ(g_liveAircraft[2].standId, 0u) << "the reserved stand";
    EXPECT_FALSE(gf_standHeldByOther(g_liveAircraft[0]));
}

// The last search's position belongs to the ended session: after a restart an arrival that stops on
// the same spot is searched for and given its stand.
TEST_F(Stands, AfterARestartAnArrivalOnTheLastSearchedSpotGetsItsStand)
{
    for (int session = 1; session <= 2; ++session) {
        addStand("A1", 0.0, 25.0);
        g_liveAircraft.push_back(aircraft("SWR10", 17.0, ahead(kGate, 90.0, 8.0)));
        g_liveAircraft[0].phase = MovePhase::Taxi;
        try2Park(g_liveAircraft[0], false);
        EXPECT_EQ(g_liveAircraft[0].standId, g_stands[0].sid) << "session " << session;
        gf_clearAcContainers(); // the restart's reset
    }
}

TEST_F(Stands, NoLiveAircraftOnTheUsersStand)
{
    addStand("A1", 0.0, 25.0);
    UserAcData user;
    user.lat = kGate.lat;
    user.lon = kGate.lon;
    g_userAc.set(user);
    g_userOnGround = 1;
    g_liveAircraft.push_back(aircraft("SWR10", 17.0, ahead(kGate, 90.0, 8.0)));
    g_liveAircraft[0].phase = MovePhase::Taxi;
    try2Park(g_liveAircraft[0], false);
    EXPECT_EQ(g_liveAircraft[0].standId, 0u);
    g_userAc.reset();
}

TEST_F(Stands, AircraftAtTheUsersOrTheReservedStandIsCreatedThereWithoutAClaim)
{
    const struct {
        const char* reserved;
        bool userThere;
        MovePhase phase;
        bool claimed;
    } rows[] = {
        {"", true, MovePhase::New, false},
        {"A1", false, MovePhase::New, false},
        {"", false, MovePhase::Parked, true},
    };
    for (const auto& row : rows) {
        g_stands.clear();
        g_liveAircraft.clear();
        addStand("A1", 0.0, 25.0);
        gf_setReservedStand(row.reserved);
        UserAcData user;
        user.lat = row.userThere ? kGate.lat : 0.0;
        user.lon = row.userThere ? kGate.lon : 0.0;
        g_userAc.set(user);
        g_userOnGround = row.userThere ? 1 : 0;
        g_liveAircraft.push_back(aircraft("SWR10", 17.0, ahead(kGate, 90.0, 5.0)));
        LiveAcRecord& a = g_liveAircraft[0];
        a.state = ObjectState::New;
        a.objectId = 0;
        a.phase = MovePhase::New;
        a.liveryTitle = "Airbus A320 Swiss";
        a.stream[1].stationary = 1;
        spawnLiveAc(a);
        EXPECT_EQ(a.state, ObjectState::CreationRequested) << row.reserved << row.userThere;
        EXPECT_EQ(a.phase, row.phase) << row.reserved << row.userThere;
        EXPECT_EQ(a.standId != 0, row.claimed) << row.reserved << row.userThere;
        EXPECT_EQ(g_stands[0].liveOccupied, row.claimed) << row.reserved << row.userThere;
    }
    g_userAc.reset();
}

TEST_F(Stands, ClaimAtSpawnTreatsOnlyAnUnderscoreAsAGhostMark)
{
    struct Row {
        const char* holder;
        const char* claimant;
        SpawnStand result;
        bool holderRemoved;
        std::int32_t holderHeardTicksAgo = 4500; // silent for two reports of a standing aircraft and more
        bool expiryLookFirst = false;
    };
    for (const Row& row : {Row{"ABC1_", "ABC1", SpawnStand::Parked, true}, Row{"ABC1", "ABC1_", SpawnStand::Gone, false},
                           Row{"DLH4", "DLH41", SpawnStand::Parked, true}, Row{"DLH41", "DLH4", SpawnStand::Parked, true},
                           Row{"ABC1_", "XYZ9_", SpawnStand::Parked, true},
                           Row{"ABC1_", "XYZ9_", SpawnStand::Gone, false, 2150}, // its next report due
                           Row{"DLH4", "SWR8", SpawnStand::Gone, false, 100},
                           Row{"DLH4", "SWR8", SpawnStand::Gone, false, 100, true}}) {
        g_stands.clear();
        g_liveAircraft.clear();
        addStand("A1", 0.0, 25.0);
        LiveAcRecord holder = aircraft(row.holder, 17.0, kGate);
        holder.standId = g_stands[0].sid;
        holder.phase = MovePhase::Parked;
        holder.state = ObjectState::InSim;
        holder.objectId = 77;
        g_tick = 100000;
        holder.lastReportTick = g_tick - row.holderHeardTicksAgo;
        g_liveAircraft.push_back(holder);
        if (row.expiryLookFirst)
            gf_expireLiveParked();
        g_liveAircraft.push_back(aircraft(row.claimant, 17.0, kGate));
        auto& claimant = g_liveAircraft[1];
        claimant.stream[0].stationary = 1;
        claimant.stream[1].stationary = 1;
        EXPECT_EQ(gf_takeStandAtSpawn(claimant), row.result) << row.holder << " / " << row.claimant;
        EXPECT_EQ(g_liveAircraft[0].state == ObjectState::RemovalRequested, row.holderRemoved) << row.holder;
    }
}

// The service reports a standing aircraft every 10 to 20 s, each report reaching the merge 0.5 to 2 s
// after its time; the merge keeps one for the stream at most every 15 s, but each is heard. So reported,
// a holder keeps its stand against a newcomer at every moment; silent for 45 s it gives way, also while
// its last report is sent again with its old time.
TEST_F(Stands, AHolderReportedAtTheServicesPaceKeepsItsStandUntilItFallsSilent)
{
    constexpr double kLateSeconds[] = {0.5, 1.25, 2.0, 1.25}; // from a report's time to the merge, in turn
    struct Row {
        const char* name;
        int everySeconds;
        int silentSeconds; // from its last report to the newcomer's last claim
        int resentSeconds; // the last report sent again at this pace meanwhile; 0: not
        bool keeps;
    };
    for (const Row& row : {Row{"every 10 s", 10, 0, 0, true}, Row{"every 15 s", 15, 0, 0, true},
                           Row{"every 20 s", 20, 0, 0, true}, Row{"every 20 s, then silent", 20, 45, 0, false},
                           Row{"every 20 s, then its last report again", 20, 45, 2, false}}) {
        SCOPED_TRACE(row.name);
        g_stands.clear();
        g_liveAircraft.clear();
        addStand("A1", 0.0, 25.0);
        g_tick = 100000;
        g_liveAircraft.push_back(aircraft("DLH4", 17.0, kGate));
        g_liveAircraft.push_back(aircraft("SWR8", 17.0, kGate));
        LiveAcRecord& holder = g_liveAircraft[0];
        LiveAcRecord& claimant = g_liveAircraft[1];
        ASSERT_TRUE(gf_holdStand(holder, g_stands[0], MovePhase::Parked));
        claimant.stream[0].stationary = 1;
        claimant.stream[1].stationary = 1;
        TrafficRecord report{holder.head, holder.stream.back(), 0.0, holder.hexId};
        const std::int32_t start = g_tick;
        const int reports = 120 / row.everySeconds + 1;
        const auto due = [&](int i) {
            return start + static_cast<std::int32_t>((i * row.everySeconds + kLateSeconds[i % 4]) * 100.0);
        };
        for (int fed = 0; fed < reports; ++g_tick) {
            for (; fed < reports && due(fed) <= g_tick; ++fed) {
                report.reportTime = 1000.0 + fed * row.everySeconds;
                lf_mergeTrafficRecord(report);
            }
            if (gf_takeStandAtSpawn(claimant) != SpawnStand::Gone) {
                ADD_FAILURE() << "the newcomer took the stand " << (g_tick - start) / 100.0 << " s in";
                break;
            }
        }
        const std::int32_t silentUntil = g_tick + row.silentSeconds * 100;
        for (; row.resentSeconds > 0 && g_tick < silentUntil; g_tick += row.resentSeconds * 100)
            lf_mergeTrafficRecord(report);
        g_tick = silentUntil;
        EXPECT_EQ(gf_takeStandAtSpawn(claimant), row.keeps ? SpawnStand::Gone : SpawnStand::Parked);
        EXPECT_EQ(holder.state == ObjectState::RemovalRequested, !row.keeps);
    }
}

// An aircraft sent away for the parking count is not created at its stand again while the service
// reports it there; reported on its way or at another stand (it moved), or once the stands are read
// again, it is.
TEST_F(Stands, AnAircraftSentAwayForTheCountIsCreatedAgainOnlyOnceItMoved)
{
    enum class Created { No, Taxiing, AtTheStand };
    struct Row {
        const char* name;
        double eastMetres; // where it is reported next
        double knots;
        bool standsReadAgain;
        Created created;
        Created thenAtItsStand;
    };
    for (const Row& row : {Row{"still standing there", 5.0, 0.0, false, Created::No, Created::No},
                           Row{"taxiing away", 100.0, 12.0, false, Created::Taxiing, Created::AtTheStand},
                           Row{"at the next stand but one", 100.0, 0.0, false, Created::AtTheStand, Created::AtTheStand},
                           Row{"the stands read again", 5.0, 0.0, true, Created::AtTheStand, Created::AtTheStand}}) {
        SCOPED_TRACE(row.name);
        g_liveAircraft.clear();
        g_liveAircraft.reserve(4);
        gf_forgetAllSentAway();
        g_stands.clear();
        addStand("A1", 0.0, 25.0);
        addStand("A3", 100.0, 25.0);
        LiveAcRecord parked = aircraft("SWR10", 17.0, kGate);
        parked.standId = g_stands[0].sid;
        parked.initLat = g_stands[0].latitude;
        parked.initLon = g_stands[0].longitude;
        parked.phase = MovePhase::Parked;
        parked.state = ObjectState::InSim;
        parked.objectId = 77;
        g_liveAircraft.push_back(parked);
        gf_sendAwayForCount(g_liveAircraft[0]);
        if (row.standsReadAgain) {
            gf_clearStandClaims();
            addStand("A1", 0.0, 25.0);
            addStand("A3", 100.0, 25.0);
        }
        const auto reported = [&](double eastMetres, double knots) {
            LiveAcRecord again = aircraft("SWR10", 17.0, ahead(kGate, 90.0, eastMetres));
            again.hexId = parked.hexId;
            again.state = ObjectState::New;
            again.objectId = 0;
            again.phase = MovePhase::New;
            again.liveryTitle = "Airbus A320 Swiss";
            again.stream[1].groundSpeed = knots;
            again.stream[1].stationary = knots == 0.0 ? 1 : 0;
            if (knots > 0.0)
                again.stream[1].lat += 0.001; // on its way
            LiveAcRecord& a = g_liveAircraft.emplace_back(again);
            spawnLiveAc(a);
            if (a.gone || a.state != ObjectState::CreationRequested)
                return Created::No;
            return a.phase == MovePhase::Parked ? Created::AtTheStand : Created::Taxiing;
        };
        EXPECT_EQ(reported(row.eastMetres, row.knots), row.created);
        g_liveAircraft.resize(1);
        EXPECT_EQ(reported(5.0, 0.0), row.thenAtItsStand) << "then reported at its stand";
    }
}

// An aircraft spawning at a stand is refused only by another aircraft parked, pushing back or
// being created at an overlapping stand whose wings it would touch, or one whose stand lies nowhere.
TEST_F(Stands, SpawnIsRefusedOnlyByAnAircraftInTheWayAtAnOverlappingStand)
{
    enum class Place { Known, AtZero, Missing };
    struct Row {
        const char* name;
        const char* callsign; // of the aircraft at the overlapping stand
        MovePhase phase;
        ObjectState state;
        double halfSpanMetres; // both aircraft; 20 m touch over the 40 m between the stands
        Place place;
        SpawnStand result;
    };
    constexpr auto parked = MovePhase::Parked;
    constexpr auto inSim = ObjectState::InSim;
    for (const Row& row : {Row{"parked, wings touch", "SWR2", parked, inSim, 20.0, Place::Known, SpawnStand::Gone},
                           Row{"pushing back", "SWR2", MovePhase::Pushback, inSim, 20.0, Place::Known, SpawnStand::Gone},
                           Row{"being created there", "SWR2", parked, ObjectState::CreationRequested, 20.0, Place::Known,
                               SpawnStand::Gone},
                           Row{"parked, wings apart", "SWR2", parked, inSim, 10.0, Place::Known, SpawnStand::Parked},
                           Row{"still taxiing to it", "SWR2", MovePhase::TaxiToStand, inSim, 20.0, Place::Known,
                               SpawnStand::Parked},
                           Row{"leaving the simulator", "SWR2", parked, ObjectState::RemovalRequested, 20.0, Place::Known,
                               SpawnStand::Parked},
                           Row{"the same callsign", "SWR1", parked, inSim, 20.0, Place::Known, SpawnStand::Parked},
                           Row{"its stand at 0, 0", "SWR2", parked, inSim, 10.0, Place::AtZero, SpawnStand::Gone},
                           Row{"its stand not in the list", "SWR2", parked, inSim, 10.0, Place::Missing, SpawnStand::Gone}}) {
        SCOPED_TRACE(row.name);
        g_stands.clear();
        g_liveAircraft.clear();
        addStand("A1", 0.0, 25.0);
        addStand("A2", 40.0, 25.0); // 50 m of radii over 40 m: they overlap
        ASSERT_EQ(g_stands[0].adjacent, std::vector<std::uint32_t>{2});
        std::uint32_t neighbourStand = 2;
        if (row.place == Place::AtZero) {
            g_stands[1].latitude = 0.0;
            g_stands[1].longitude = 0.0;
        } else if (row.place == Place::Missing) {
            neighbourStand = 9;
            g_stands[0].adjacent = {9};
        }
        gf_publishStands(g_stands);
        LiveAcRecord neighbour = aircraft(row.callsign, row.halfSpanMetres, ahead(kGate, 90.0, 40.0));
        neighbour.head.registration = "HB-N";
        neighbour.standId = neighbourStand;
        neighbour.phase = row.phase;
        neighbour.state = row.state;
        neighbour.objectId = row.state == ObjectState::CreationRequested ? 0 : 77;
        g_liveAircraft.push_back(neighbour);
        g_liveAircraft.push_back(aircraft("SWR1", row.halfSpanMetres, kGate));
        auto& newcomer = g_liveAircraft[1];
        newcomer.stream[0].stationary = 1;
        newcomer.stream[1].stationary = 1;
        EXPECT_EQ(gf_takeStandAtSpawn(newcomer), row.result);
        EXPECT_EQ(g_liveAircraft[0].state, row.state) << "the neighbour is never moved away";
    }
}

TEST_F(Stands, LearningOnceInThreeHalfHoursCountsTheDay)
{
    EXPECT_TRUE(lf_learnSlotOnce({1, 20}, 0x4b1234, false));
    EXPECT_FALSE(lf_learnSlotOnce({1, 22}, 0x4b1234, false)) << "within 1.5 hours";
    EXPECT_TRUE(lf_learnSlotOnce({2, 21}, 0x4b1234, false)) << "Monday's learning does not block Tuesday";
    EXPECT_TRUE(lf_learnSlotOnce({2, 22}, 0x4b1234, true)) << "forced";
    EXPECT_FALSE(lf_learnSlotOnce({2, 23}, 0x4b1234, false));
}

TEST_F(Stands, LearnedUseTakesTheDatabaseIdentityUnderEachSpelling)
{
    ScopedDbase dbase{dbaseWith({"A320", "A20N"}, {"DLH", "CLH"}, {{"D-AIPA", {"DLH", "A20N", "CLH", false}}})};
    const struct {
        const char* registration;
        const char* airline;
        const char* type;
    } rows[] = {{"DAIPA", "CLH", "A20N"}, {"D-AIPA", "CLH", "A20N"}, {"DAIPX", "SWR", "A320"}};
    for (const auto& row : rows) {
        ParkPos stand = makeStand("B6", kGate.lat, kGate.lon, 30.0, {});
        const LiveAcRecord a = aircraft("SWR8", 17.0, kGate);
        ASSERT_EQ(gf_addParkPosOption(stand, a, true, {3, 20}, a.head.callsign, row.registration), 1u);
        EXPECT_EQ(stand.options[0].airline.view(), row.airline) << row.registration;
        EXPECT_EQ(stand.options[0].type.view(), row.type) << row.registration;
    }
}

TEST_F(Stands, OptionNumbersStayUniqueAndStaysAreLearnedWithinFiveHalfHours)
{
    ParkPos stand = makeStand("B5", kGate.lat, kGate.lon, 30.0,
                              {makeOption("HB-A", "SWR", "A320", 3, {20}), makeOption("HB-B", "SWR", "A320", 3, {20})});
    stand.options[1].number = 0; // rejected elsewhere
    const LiveAcRecord a = aircraft("SWR7_", 17.0, kGate);
    const std::uint32_t added = gf_addParkPosOption(stand, a, true, {3, 20}, a.head.callsign, a.head.registration);
    EXPECT_EQ(added, 2u);
    EXPECT_EQ(stand.options.back().callsign, "SWR7") << "without the ghost mark";
    EXPECT_EQ(gf_addParkPosOption(stand, a, true, {3, 20}, a.head.callsign, a.head.registration), 0u) << "the same use";
    EXPECT_EQ(gf_addParkPosOption(stand, a, true, {4, 20}, a.head.callsign, a.head.registration), 3u);

    struct Row {
        SeenAt seen;
        WeekSlot now;
        std::uint64_t bits; // of the seen option afterwards
        std::int32_t seenSlot;
    };
    for (const Row& row : {Row{{3, 20, 1}, {3, 25}, slotBits({20, 21, 22, 23, 24, 25}), 25},
                           Row{{3, 20, 1}, {3, 26}, slotBits({20}), 20}}) {
        ParkPos learned = makeStand("C1", kGate.lat, kGate.lon, 30.0, {makeOption("HB-SWR7_", "SWR", "A320", 3, {20})});
        SeenAt seen = row.seen;
        lf_learnStandSlot(row.now, learned, 1, seen, a, true);
        EXPECT_EQ(learned.options[0].halfHours, row.bits) << row.now.slot;
        EXPECT_EQ(seen.slot, row.seenSlot);
    }
    ParkPos overnight = makeStand("C2", kGate.lat, kGate.lon, 30.0, {makeOption("HB-SWR7_", "SWR", "A320", 7, {46})});
    SeenAt seen{7, 46, 1};
    lf_learnStandSlot({1, 1}, overnight, 1, seen, a, true);
    ASSERT_EQ(overnight.options.size(), 2u) << "Sunday night to Monday";
    EXPECT_EQ(overnight.options[0].halfHours, slotBits({46, 47}));
    EXPECT_EQ(overnight.options[1].halfHours, slotBits({0, 1}));
    EXPECT_EQ(seen.number, 2);
}

TEST_F(Stands, SlotTextsAndCallsignAirlines)
{
    ParkPosOption empty;
    std::int32_t overflow = 0;
    EXPECT_FALSE(gf_findSlotBefore(empty, 2, 5, overflow));
    EXPECT_EQ(overflow, 3);
    ParkPos late = makeStand("D1", kGate.lat, kGate.lon, 30.0, {makeOption("HB-X", "SWR", "A320", 3, {47})});
    LiveAcRecord a = aircraft("X", 17.0, kGate);
    a.head.registration = "HB-X";
    EXPECT_TRUE(gf_usedNearSlot(late, a, {3, 0})) << "slot 47 is before slot 0";
    late.options[0].halfHours = slotBits({0});
    EXPECT_TRUE(gf_usedNearSlot(late, a, {3, 47}));
    for (const auto& [callsign, airline] : std::vector<std::pair<std::string, std::string>>{
             {"swr12", "SWR"}, {"SW1R", ""}, {"SWRX1", ""}, {"SWR", ""}, {"1WR2", ""}}) {
        AcRecord r;
        r.head.callsign = callsign;
        EXPECT_EQ(gf_callsignAirline(r), !airline.empty()) << callsign;
        EXPECT_EQ(r.head.airline, airline) << callsign;
    }
}

TEST_F(Stands, StaticSearchTakesOneFreeStandPerUsableOption)
{
    struct Row {
        const char* what;
        std::function<void()> prepare;
        WeekSlot slot;
        bool real;
        std::vector<std::string> taken;
    };
    const std::vector<Row> rows{
        {"both fit", [] {}, {3, 20}, true, {"G1", "G2"}},
        {"soft search", [] {}, {3, 20}, false, {}},
        {"other half hour", [] {}, {3, 21}, true, {}},
        {"other day", [] {}, {4, 20}, true, {}},
        {"reserved", [] { g_stands[0].reserved = true; }, {3, 20}, true, {"G2"}},
        {"flying as a ghost", [] { g_liveCallsigns.insert("SWR10_"); }, {3, 20}, true, {"G2"}},
        {"already chosen", [] { g_standCandidates.push_back({0, 1, 9, 0, "SWR", "A320", "SWR99", "", "HB-AAA", 1}); },
         {3, 20}, true, {"G2"}},
        {"helipad without helicopters", [] { g_stands[1].heli = true; param::HELICOPTERS.value = 0; }, {3, 20}, true,
         {"G1"}},
        {"slot out of range", [] {}, {3, 48}, true, {}},
    };
    for (const Row& row : rows) {
        g_stands.clear();
        g_stands.push_back(makeStand("G1", kGate.lat, kGate.lon, 20.0, {makeOption("HB-AAA", "SWR", "A320", 3, {20})}));
        const LatLon distant = ahead(kGate, 90.0, 200.0);
        ParkPosOption coupled = makeOption("HB-BBB", "SWR", "A320", 3, {20});
        coupled.callsign = "SWR20";
        coupled.callsign2 = "SWR21";
        g_stands.push_back(makeStand("G2", distant.lat, distant.lon, 20.0, {coupled}));
        g_stands[0].options[0].callsign = "SWR10";
        gf_numberStands(g_stands);
        gf_linkOverlappingStands(g_stands);
        g_standCandidates.clear();
        g_liveCallsigns.clear();
        param::HELICOPTERS.value = 1;
        row.prepare();

        std::vector<StandCandidate> found;
        lf_searchStands(row.slot, row.real, 5, found);
        std::vector<std::string> taken;
        for (const StandCandidate& c : found) {
            taken.push_back(gf_standNameById(c.standId));
            EXPECT_EQ(c.fit, 5) << row.what;
            EXPECT_EQ(c.slotMatch, c.callsign2.empty() ? 1 : 0) << row.what << " " << c.callsign;
            EXPECT_TRUE(gf_findStandByName(taken.back())->taken) << row.what;
        }
        EXPECT_EQ(taken, row.taken) << row.what;
        EXPECT_NE(g_stands[0].options[0].number, 0u) << row.what << ": a passed-over use stays in the file";
    }
    g_liveCallsigns.clear();
    g_standCandidates.clear();
}

} // namespace
} // namespace zyn::test
