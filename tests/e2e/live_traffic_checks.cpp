#include "tests/e2e/live_traffic_checks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

namespace zyn::test {

namespace {

constexpr double kSampleSeconds = 1.0;
constexpr double kScenarioEndSeconds = 1500.0;
// How far the motion may run ahead of a played report, and how long a gear change may take.
constexpr double kMotionSlackSeconds = 10.0;
constexpr double kGearSettleSeconds = 20.0;
constexpr double kLightCycleSeconds = 3.0;
constexpr double kRangeEdgeNm = 1.0;

std::vector<simemu::ClientEventRecord> lf_eventsNamed(const simemu::SimObject& o, const std::string& name)
{
    std::vector<simemu::ClientEventRecord> out;
    std::ranges::copy_if(o.events, std::back_inserter(out), [&](const auto& e) { return e.name == name; });
    return out;
}

} // namespace

std::map<std::string, double> scenarioLiftOffs(const tools::TrafficScenario& scenario)
{
    std::map<std::string, double> liftOffs;
    for (const auto& ac : scenario.aircraft) {
        std::optional<tools::ScenarioAircraft> before;
        for (double t = -200.0; t < kScenarioEndSeconds; t += kSampleSeconds) {
            const auto at = tools::gf_scenarioAircraftAt(ac, 0.0, t);
            if (at && before && before->altitudeFt == 0.0 && at->altitudeFt > 0.0) liftOffs.try_emplace(at->callsign, t);
            before = at;
        }
    }
    return liftOffs;
}

int expectGearUpAfterTakeOff(const std::vector<simemu::SimObject>& objects,
                             const std::map<std::string, double>& liftOffs, double endSeconds)
{
    int checked = 0;
    for (const auto& o : objects) {
        const auto it = liftOffs.find(o.atcId);
        if (it == liftOffs.end()) continue;
        const double settled = it->second + kPlayDelaySeconds + kGearSettleSeconds;
        if (settled > endSeconds || (o.removed && o.removedAt < settled)) continue;
        ++checked;
        std::optional<simemu::ClientEventRecord> last;
        for (const auto& e : lf_eventsNamed(o, "GEAR_SET"))
            if (e.atSeconds <= settled) last = e;
        EXPECT_TRUE(last) << o.atcId << " set no gear after its take-off";
        if (!last) continue;
        EXPECT_EQ(last->value, 0u) << o.atcId << " climbs out with its gear down";
        EXPECT_GT(last->atSeconds, it->second + kPlayDelaySeconds - kMotionSlackSeconds) << o.atcId;
    }
    return checked;
}

int expectLightCycleOnEachObject(const std::vector<simemu::SimObject>& objects)
{
    int checked = 0;
    const double now = simemu::elapsedSeconds();
    for (const auto& o : objects) {
        if ((o.removed ? o.removedAt : now) - o.createdAt < kLightCycleSeconds) continue;
        ++checked;
        EXPECT_EQ(lf_eventsNamed(o, "ALL_LIGHTS_TOGGLE").size(), 2u) << o.atcId;
    }
    return checked;
}

void expectRemovedAtTheRangeEdge(const simemu::SimObject& object, LatLon user, double rangeNm)
{
    EXPECT_TRUE(object.removed) << object.atcId << " still flies out of range";
    ASSERT_FALSE(object.track.empty()) << object.atcId << " never moved";
    double farthest = 0.0;
    for (const auto& sample : object.track) farthest = std::max(farthest, gf_distanceNm(user, {sample.lat, sample.lon}));
    EXPECT_LE(farthest, rangeNm + kRangeEdgeNm) << object.atcId << " flew on beyond the range";
    const auto& last = object.track.back();
    EXPECT_GE(gf_distanceNm(user, {last.lat, last.lon}), rangeNm - kRangeEdgeNm)
        << object.atcId << " went before it reached the edge of the range";
}

} // namespace zyn::test
