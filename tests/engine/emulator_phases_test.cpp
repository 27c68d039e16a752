// A take-off through the whole engine tick against the simulator emulator: the configuration
// events reach the simulator's object in their order and at their heights.
#include "tests/engine/driver_fixture.h"

#include "base/geo.h"
#include "base/tick.h"
#include "engine/motion_math.h"

#include <algorithm>

namespace zyn::test {
namespace {

constexpr LatLon kRunway{47.05, 8.0}; // near the user aircraft, where ground traffic is shown

struct SeenEvent {
    std::string name;
    DWORD value;
    double altitudeFt;
};

class EmulatorPhases : public DriverRun {
protected:
    // The object's events with the object's altitude when each arrived.
    std::vector<SeenEvent> m_seen;
    std::size_t m_known = 0;

    void watch()
    {
        const auto o = objectOf();
        if (!o)
            return;
        for (; m_known < o->events.size(); ++m_known)
            m_seen.push_back({o->events[m_known].name, o->events[m_known].value, o->pose.altitudeFt});
    }

    std::size_t firstOf(const std::string& name, DWORD value) const
    {
        return std::size_t(std::find_if(m_seen.begin(), m_seen.end(),
                                        [&](const SeenEvent& e) { return e.name == name && e.value == value; }) -
                           m_seen.begin());
    }
};

// Taxiing along the runway, the run, lift-off and a climb at 2000 fpm, a report every 2 s.
std::vector<Report> departure()
{
    // The reports are handed over 30 s ahead: the run starts once the aircraft is created.
    std::vector<std::pair<double, double>> plan(18, {10.0, 0.0});
    for (double kt : {30.0, 60.0, 90.0, 120.0, 150.0})
        plan.emplace_back(kt, 0.0);
    for (int i = 0; i < 40; ++i)
        plan.emplace_back(160 + i, 2000);
    std::vector<Report> reports;
    LatLon p = kRunway;
    double altitude = 0.0;
    std::int32_t t = kFirstPlay;
    double previousKt = plan.front().first;
    for (const auto& [kt, fpm] : plan) {
        reports.push_back({p, altitude, kt, t, fpm});
        p = gf_destinationPoint(p, 90.0 * kDegToRad, (previousKt + kt) / 2.0 * kFeetPerNm * 200 / kTicksPerHour);
        altitude += fpm * 200 / 6000.0;
        previousKt = kt;
        t += 200;
    }
    return reports;
}

TEST_F(EmulatorPhases, TakeoffSendsPowerGearAndClimbConfigurationToTheSimulator)
{
    const auto reports = departure();
    addTrack(reports);
    ASSERT_TRUE(stepUntil([&] { return objectOf().has_value(); }, kFirstPlay + kSlowestCreationTicks));
    while (g_tick < reports.back().playTime && !HasFatalFailure()) {
        step();
        watch();
    }
    const auto* a = live();
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->phase, MovePhase::Airborne);
    const std::size_t fullPower = firstOf("THROTTLE_SET", 16383);
    const std::size_t gearUp = firstOf("GEAR_SET", 0);
    const std::size_t climbPower = firstOf("THROTTLE_SET", 11468);
    ASSERT_LT(fullPower, m_seen.size());
    ASSERT_LT(gearUp, m_seen.size());
    ASSERT_LT(climbPower, m_seen.size());
    EXPECT_LT(fullPower, gearUp);
    EXPECT_LT(gearUp, climbPower);
    EXPECT_GT(m_seen[gearUp].altitudeFt, 0.0) << "the gear comes up in the air";
    EXPECT_LT(firstOf("LANDING_LIGHTS_SET", 1), fullPower) << "take-off lights before the run";
    EXPECT_TRUE(std::none_of(m_seen.begin() + std::ptrdiff_t(gearUp), m_seen.end(),
                             [](const SeenEvent& e) { return e.name == "GEAR_SET" && e.value == 1; }))
        << "the gear stays up in the climb";
    EXPECT_GT(objectOf()->pose.altitudeFt, 800.0);
}

} // namespace
} // namespace zyn::test
