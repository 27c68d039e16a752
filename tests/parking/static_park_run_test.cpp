// The engine's tick parks the stand candidates through the hook static parking installs, one every
// 0.5 s, and the simulator creates each static where its stand is.
#include "airport/park_pos.h"
#include "base/geo.h"
#include "engine/parking_queries.h"
#include "engine/records.h"
#include "parking/parking_count.h"
#include "parking/static_park.h"
#include "sim/failed_liveries.h"
#include "tests/engine/driver_fixture.h"

#include <fmt/format.h>

#include <algorithm>

namespace zyn::test {
namespace {

class StaticParkingRun : public DriverRun {
protected:
    void SetUp() override
    {
        DriverRun::SetUp();
        gf_installParkingQueries();
        gf_resetStaticParking();
        for (int i = 0; i < 3; ++i) { // 200 m apart: no stand overlaps another
            const LatLon at = gf_destinationPoint({47.01, 8.0}, 1.5, 200.0 * i / 0.3048);
            g_stands.emplace_back(fmt::format("B{}", i), std::vector<ParkPosOption>{}, at.lat, at.lon, 2.0, 30.0, 1, 1, 1);
        }
        gf_numberStands(g_stands);
        gf_linkOverlappingStands(g_stands);
    }
    void TearDown() override
    {
        gf_setParkingQueries({});
        g_standCandidates.clear();
        gf_resetStaticParking();
        DriverRun::TearDown();
    }
    static StandCandidate runCandidate(std::uint32_t standId, std::string callsign)
    {
        return {0, 1, standId, 0, "SWR", "A320", std::move(callsign), "", "", 1};
    }
};

TEST_F(StaticParkingRun, TheTickParksTheCandidatesOneEveryHalfSecond)
{
    g_standCandidates = {runCandidate(3, "SWR30"), runCandidate(2, ""), runCandidate(1, "SWR10")};
    step(); // tick 0 parks the first
    EXPECT_EQ(g_standCandidates.size(), 2u);
    ASSERT_EQ(g_staticAircraft.size(), 1u);
    EXPECT_EQ(g_staticAircraft[0].head.callsign, "SWR10*");
    steps(49);
    EXPECT_EQ(g_standCandidates.size(), 2u) << "the next waits for the next half second";
    step();
    EXPECT_EQ(g_standCandidates.size(), 1u);

    const auto allInSim = [] {
        return g_staticAircraft.size() == 3 && std::all_of(g_staticAircraft.begin(), g_staticAircraft.end(),
                                                           [](const AiAcRecord& s) { return s.inSim(); });
    };
    ASSERT_TRUE(stepUntil(allInSim, 150 + 3 * kSlowestCreationTicks)) << g_staticAircraft.size() << " statics";
    for (const AiAcRecord& s : g_staticAircraft) {
        const auto o = simemu::object(s.objectId);
        ASSERT_TRUE(o && !o->removed) << s.head.callsign;
        EXPECT_EQ(o->atcId, s.head.callsign);
        EXPECT_EQ(o->title, kTitle);
        const ParkPos& stand = *gf_standBySid(s.standId);
        EXPECT_LT(gf_distanceNm({o->pose.lat, o->pose.lon}, {stand.latitude, stand.longitude}), 0.001) << s.head.callsign;
        EXPECT_NEAR(o->pose.headingRad, stand.heading, 1e-6) << s.head.callsign;
    }
    EXPECT_EQ(g_staticAircraft[1].head.callsign, "SWR2*") << "no callsign: the airline and the running number";
    EXPECT_EQ(g_staticAircraft[2].head.callsign, "SWR30*");
}

TEST_F(StaticParkingRun, StaticsOfALiveryThatFailedMeanwhileAreNotCreated)
{
    g_standCandidates = {runCandidate(3, "SWR30"), runCandidate(2, ""), runCandidate(1, "SWR10")};
    step(); // the first static's request waits for its half second
    ASSERT_EQ(g_staticCreationQueue.size(), 1u);
    AcHead other; // the simulator failed another aircraft in the only livery of the type
    other.callsign = "OTH1";
    gf_liveryCreateFailed(other, kTitle);
    steps(200);
    EXPECT_TRUE(g_standCandidates.empty());
    EXPECT_TRUE(g_staticAircraft.empty());
    EXPECT_TRUE(simemu::callsOf("SimConnect_AICreateNonATCAircraft").empty());
}

} // namespace
} // namespace zyn::test
