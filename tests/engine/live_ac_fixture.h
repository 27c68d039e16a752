#pragma once
// Live aircraft for motion tests: synthetic reports, an aircraft put into the simulator as the
// spawn would, and a clean engine state per test.
#include "airport/park_pos.h"
#include "base/geo.h"
#include "base/tick.h"
#include "engine/motion_inputs.h"
#include "engine/queues.h"
#include "engine/records.h"

#include <gtest/gtest.h>

#include <vector>

namespace zyn::test {

struct Report {
    LatLon at;
    double altitudeFt = 0.0;
    double speedKt = 0.0;
    std::int32_t playTime = 0;
    double verticalFpm = 0.0;
};

Situation makeSituation(const Report& r);

// The point metres away from p on bearingDeg.
LatLon ahead(LatLon p, double bearingDeg, double metres);

// Reports along a great circle from start on bearingDeg, one every intervalTicks at speedKt,
// with the altitude changing at verticalFpm.
std::vector<Report> straightTrack(LatLon start, double bearingDeg, double speedKt, double altitudeFt,
                                  double verticalFpm, std::int32_t firstTime, std::int32_t intervalTicks, int count);

// An aircraft in the simulator with its block at the first report, heading for the second,
// in phase airborne or taxi by the first report.
LiveAcRecord makeFlyingAircraft(const std::vector<Report>& reports, AcCategory category = AcCategory::Large);

// Clean engine state; the clock starts at 0.
class EngineState : public ::testing::Test {
protected:
    EngineState();
    ~EngineState() override;
};

} // namespace zyn::test
