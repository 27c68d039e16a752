// Lock-step runs of the whole engine tick against the emulator on synthetic tracks.
#include "tests/engine/driver_fixture.h"

#include "base/geo.h"
#include "base/tick.h"
#include "engine/commands.h"
#include "engine/motion_math.h"
#include "engine/queues.h"

#include <cmath>

namespace zyn::test {
namespace {

constexpr LatLon kStart{47.2, 8.3};
constexpr std::int32_t kReportTicks = 1000; // a report every 10 s
constexpr double kMetresTolerance = 30.0;

struct Flown {
    std::int32_t tick;
    AiPositionBlock block;
};

class DriverTrack : public DriverRun {
protected:
    // Steps until the tick and records the block of every tick the aircraft spends in state 2.
    void flyUntil(std::int32_t lastTick)
    {
        while (g_tick < lastTick && !HasFatalFailure()) {
            step();
            if (const auto* a = live(); a && a->state == ObjectState::InSim)
                m_flown.push_back({g_tick, a->block});
        }
    }

    // Every report after the first is passed within 30 m, at most 3 s after its play time and the time
    // the simulator took to create the object.
    void expectReportsPassed(const std::vector<Report>& reports, std::size_t last)
    {
        for (std::size_t k = 1; k < last; ++k) {
            double best = 1e9;
            std::int32_t at = 0;
            for (const auto& f : m_flown) {
                const double d = gf_distanceNm(gf_positionOf(f.block), reports[k].at) * kMetresPerNm;
                if (d < best) {
                    best = d;
                    at = f.tick;
                }
            }
            EXPECT_LT(best, kMetresTolerance) << "report " << k;
            EXPECT_GE(at, reports[k].playTime - 10) << "report " << k;
            EXPECT_LE(at, reports[k].playTime + 300 + kSlowestCreationTicks) << "report " << k;
        }
    }

    // Per tick the block moves no farther than 1.5 times the fastest reported speed and turns
    // no faster than maxTurnDeg.
    void expectBoundedSteps(double fastestKt, double maxTurnDeg, double maxClimbFpm)
    {
        for (std::size_t i = 1; i < m_flown.size(); ++i) {
            const auto& p = m_flown[i - 1].block;
            const auto& b = m_flown[i].block;
            const double nm = gf_distanceNm(gf_positionOf(p), gf_positionOf(b));
            ASSERT_LE(nm, 1.5 * fastestKt / kTicksPerHour + 1e-6) << "tick " << m_flown[i].tick;
            ASSERT_LE(std::abs(gf_angleDiff(p.heading, b.heading)) * kRadToDeg, maxTurnDeg) << "tick " << m_flown[i].tick;
            ASSERT_LE(std::abs(b.altitude - p.altitude), 1.5 * maxClimbFpm / 6000.0 + 1e-6) << "tick " << m_flown[i].tick;
        }
    }

    std::vector<Flown> m_flown;
};

TEST_F(DriverTrack, CruiseIsCreatedOnTheCadenceLitThenFlownThroughEachReport)
{
    const auto reports = straightTrack(kStart, 90.0, 450.0, 35000.0, 0.0, kFirstPlay, kReportTicks, 8);
    addTrack(reports);
    ASSERT_TRUE(stepUntil([&] { return objectOf().has_value(); }, kFirstPlay + kSlowestCreationTicks));
    const auto creations = simemu::callsOf("SimConnect_AICreateNonATCAircraft");
    ASSERT_EQ(creations.size(), 1u);
    // Due 100 ticks before its first report; the creation leaves on a 0.5 s boundary and goes out
    // with the simulator frame that follows that tick.
    EXPECT_EQ((std::lround(creations[0].atSeconds * 100) - 1) % 50, 0);
    EXPECT_GE(std::lround(creations[0].atSeconds * 100), kFirstPlay - 100);
    const auto created = *objectOf();
    EXPECT_EQ(created.title, kTitle);
    EXPECT_EQ(created.atcId, "TST123");
    EXPECT_NEAR(created.pose.lat, kStart.lat, 1e-9);
    EXPECT_NEAR(created.pose.lon, kStart.lon, 1e-9);
    EXPECT_NEAR(created.pose.altitudeFt, 35000.0, 1e-6);
    EXPECT_NEAR(created.pose.headingRad, 90.0 * kDegToRad, 1e-3);
    EXPECT_NEAR(created.pose.pitchRad, -3.0 * kDegToRad, 1e-9);

    // The light cycle: all lights toggled at 0.5 s and 1 s, state 2 at 2 s.
    const std::int32_t matched = g_tick;
    ASSERT_TRUE(stepUntil([&] { return live()->state == ObjectState::InSim; }, 400));
    EXPECT_EQ(g_tick - matched, kLightCycleTicks);
    const auto lit = *objectOf();
    int toggles = 0;
    for (const auto& e : lit.events)
        toggles += e.name == "ALL_LIGHTS_TOGGLE";
    EXPECT_EQ(toggles, 2);
    EXPECT_FALSE(lit.lights & simemu::kLightStrobe) << "the first step at cruise sets the cruise lights";
    EXPECT_TRUE(lit.lights & simemu::kLightBeacon);
    EXPECT_TRUE(g_lightCycle.empty());

    flyUntil(reports.back().playTime);
    expectReportsPassed(reports, reports.size() - 1);
    expectBoundedSteps(450.0, 0.5, 0.0);
    EXPECT_GT(simemu::object(lit.id)->distanceMovedNm, 5.0);
}

TEST_F(DriverTrack, ClimbAndDescentSpawnNoseAndFollowTheReportedRate)
{
    struct Case {
        double fpm;
        double pitchDeg;
    };
    for (const Case c : {Case{3000.0, -11.8}, Case{-5000.0, 2.5}}) {
        SCOPED_TRACE(c.fpm);
        TearDown();
        SetUp();
        m_tracks.clear();
        m_flown.clear();
        const auto reports = straightTrack(kStart, 200.0, 250.0, 12000.0, c.fpm, kFirstPlay, kReportTicks, 6);
        addTrack(reports);
        ASSERT_TRUE(stepUntil([&] { return objectOf().has_value(); }, kFirstPlay + kSlowestCreationTicks));
        EXPECT_NEAR(objectOf()->pose.pitchRad, c.pitchDeg * kDegToRad, 1e-9);
        flyUntil(reports.back().playTime);
        expectReportsPassed(reports, reports.size() - 1);
        expectBoundedSteps(250.0, 0.5, std::abs(c.fpm));
        const auto* a = live();
        ASSERT_NE(a, nullptr);
        const double expectedAlt = 12000.0 + c.fpm * (g_tick - kFirstPlay) / 6000.0;
        EXPECT_NEAR(a->block.altitude, expectedAlt, std::abs(c.fpm) * 5.0 / 60.0); // within 5 s of the reports
    }
}

// A taxi route with two right-angle turns, reported every 5 s at 15 kt.
std::vector<Report> taxiRoute()
{
    std::vector<Report> reports;
    LatLon p{47.0 + 0.05, 8.0};
    const double legFeet = 15.0 * kFeetPerNm * 500 / kTicksPerHour;
    const double bearings[] = {0.0, 0.0, 0.0, 90.0, 90.0, 90.0, 180.0, 180.0, 180.0};
    std::int32_t t = kFirstPlay;
    for (const double b : bearings) {
        reports.push_back({p, 0.0, 15.0, t, 0.0});
        p = gf_destinationPoint(p, b * kDegToRad, legFeet);
        t += 500;
    }
    reports.push_back({p, 0.0, 15.0, t, 0.0});
    return reports;
}

TEST_F(DriverTrack, TaxiTurnsWithinTheTurnRateAndStaysOnTheGround)
{
    const auto reports = taxiRoute();
    addTrack(reports);
    ASSERT_TRUE(stepUntil([&] { return objectOf().has_value(); }, kFirstPlay + kSlowestCreationTicks));
    EXPECT_NEAR(objectOf()->pose.pitchRad, 0.6 * kDegToRad, 1e-9);
    flyUntil(reports.back().playTime);
    ASSERT_GT(m_flown.size(), 1000u);
    const auto* a = live();
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->onGround, 1);
    // Corners are rounded, never tighter than a 10 m radius at the reported speed.
    const double metresPerTick = 15.0 * kMetresPerNm / kTicksPerHour;
    expectBoundedSteps(15.0, metresPerTick / 10.0 * kRadToDeg, 0.0);
    // The aircraft has turned through both corners: it now heads south.
    EXPECT_NEAR(std::abs(gf_angleDiff(a->block.heading, kPi)) * kRadToDeg, 0.0, 10.0);
}

TEST_F(DriverTrack, AircraftWhoseReportsStopIsRemovedFarOrNearTheUser)
{
    struct Case {
        const char* name;
        LatLon start;
    };
    for (const Case c : {Case{"far", kStart}, Case{"near", {47.01, 8.0}}}) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        m_tracks.clear();
        const auto reports = straightTrack(c.start, 90.0, 300.0, 8000.0, 0.0, kFirstPlay, kReportTicks, 4);
        addTrack(reports);
        ASSERT_TRUE(stepUntil([&] { return live() && live()->state == ObjectState::InSim; }, kFirstPlay + 600));
        const auto id = live()->objectId;
        ASSERT_TRUE(stepUntil([&] { return live() == nullptr; }, 60000)) << "still held at tick " << g_tick;
        EXPECT_TRUE(simemu::object(id)->removed);
        EXPECT_TRUE(g_removalQueue.empty());
    }
}

} // namespace
} // namespace zyn::test
