// The merge of fetched traffic into the live list: the drop rules at their boundaries and which
// records become new aircraft.
#include "engine/ai_driver.h"
#include "engine/merge.h"
#include "engine/spawn.h"
#include "settings/settings.h"
#include "tests/engine/driver_fixture.h"
#include "traffic/intake.h"

#include <fmt/format.h>

namespace zyn::test {
namespace {

TEST(MergeDropRules, DropsReportsAtTheirBoundaries)
{
    struct Case {
        const char* name;
        ReportStep step;
        bool dropped;
    };
    const Case cases[] = {
        {"one second after the last", {1.0, 200, 200, 10, 0, true, false}, true},
        {"just over one second", {1.01, 200, 200, 10, 0, true, false}, false},
        {"tenfold speed", {20, 100, 10, 10, 0, true, false}, true},
        {"just under tenfold", {20, 99, 10, 10, 0, true, false}, false},
        {"0 kt after 100 kt on the ground", {20, 0, 100, 10, 0, false, false}, true},
        {"80 kt from standing", {20, 80, 5, 10, 0, false, false}, true},
        {"stop on the same track within 15 s", {15, 0, 0, 181, 179, false, false}, true},
        {"stop on the same track after 15 s", {15.1, 0, 0, 181, 179, false, false}, false},
        {"stop after a 3 degree turn", {10, 0, 0, 3, 0, false, false}, false},
        {"straight cruise before 450 m", {1.9, 450, 450, 90.5, 90, true, false}, true},
        {"straight cruise after 450 m", {2.0, 450, 450, 90.5, 90, true, false}, false},
        {"straight cruise across north", {1.9, 450, 450, 359.6, 0.2, true, false}, true},
        {"straight cruise with continuations", {1.9, 450, 450, 90.5, 90, true, true}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(gf_dropReport(c.step), c.dropped) << c.name;
}

class MergeRecords : public EngineState {
protected:
    MergeRecords()
    {
        param::LIGHT_AIRCRAFT.value = 1;
    }
    ~MergeRecords() override
    {
        param::LIGHT_AIRCRAFT.value = 0;
        std::lock_guard lock(g_intakeMutex);
        g_sharedBatch.clear();
    }
    ScopedDbase m_dbase{dbaseWith({"A320"})};
    InstalledLiveries m_liveries{genericLiveries({{"A320", kTitle}})};
    static TrafficRecord at(std::uint32_t hexId, double altitudeFt = 5000.0, const std::string& callsign = "TST1")
    {
        return makeRecord({{47.2, 8.3}, altitudeFt, 250.0, 3000, 0.0}, hexId, callsign);
    }
};

TEST_F(MergeRecords, MergesTwoRecordsPerTickFromTheBackOfTheBatch)
{
    {
        std::lock_guard lock(g_intakeMutex);
        for (std::uint32_t h : {0x100001u, 0x100002u, 0x100003u})
            g_sharedBatch.push_back(at(h, 5000.0, fmt::format("TST{}", h)));
    }
    lf_handleUdpMessages();
    ASSERT_EQ(g_liveAircraft.size(), 2u);
    EXPECT_EQ(g_liveAircraft[0].hexId, 0x100003u);
    EXPECT_EQ(g_liveAircraft[1].hexId, 0x100002u);
    EXPECT_EQ(g_sharedBatch.size(), 1u);
}

TEST_F(MergeRecords, CreatesOnlyWhatMayFlyHere)
{
    lf_mergeTrafficRecord(at(0x200001));
    lf_mergeTrafficRecord(at(0x200002)); // same callsign and type as a live aircraft
    auto unknown = at(0x200003, 5000.0, "TST3");
    unknown.head.type = "B999";
    lf_mergeTrafficRecord(unknown);
    lf_mergeTrafficRecord(at(9999, 5000.0, "TST4")); // a number of static aircraft
    ASSERT_EQ(g_liveAircraft.size(), 1u);
    EXPECT_EQ(g_liveAircraft[0].head.text1, "TST1");

    param::LIGHT_AIRCRAFT.value = 0; // the stand-in database holds light aircraft only
    lf_mergeTrafficRecord(at(0x200005, 5000.0, "TST5"));
    EXPECT_EQ(g_liveAircraft.size(), 1u);
}

TEST_F(MergeRecords, SkipsAircraftStandingAtTheParkAirport)
{
    g_motionInputs.parkAirportSet = true;
    g_motionInputs.parkAirportAltitudeFt = 100.0;
    lf_mergeTrafficRecord(at(0x300001, 150.0, "LOW1"));
    EXPECT_TRUE(g_liveAircraft.empty());
    lf_mergeTrafficRecord(at(0x300002, 230.0, "HIGH1"));
    EXPECT_EQ(g_liveAircraft.size(), 1u);
}

TEST_F(MergeRecords, KnownAircraftTakesOnlyPlausibleReports)
{
    auto first = at(0x400001);
    lf_mergeTrafficRecord(first);
    auto again = first;
    again.reportTime += 1.0;
    again.situation.lat += 0.01;
    again.situation.track = 5.0; // turning: not a plain continuation
    lf_mergeTrafficRecord(again);
    EXPECT_EQ(g_liveAircraft[0].stream.size(), 1u);
    again.reportTime += 0.01;
    lf_mergeTrafficRecord(again);
    EXPECT_EQ(g_liveAircraft[0].stream.size(), 2u);
    EXPECT_EQ(g_liveAircraft.size(), 1u);
}

} // namespace
} // namespace zyn::test
