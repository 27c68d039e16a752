// A live aircraft in the simulator that reports a new route or callsign.
#include "engine/spawn.h"

#include "settings/settings.h"
#include "tests/engine/live_ac_fixture.h"

#include <gtest/gtest.h>

namespace zyn::test {
namespace {

class Respawn : public EngineState {
protected:
    ~Respawn() override { param::GUID_CHANGES.value = m_guidChanges; }

private:
    std::uint8_t m_guidChanges = param::GUID_CHANGES.value.load();
};

TEST_F(Respawn, NewRouteOnTheGroundTaxisAndKeepsThePhaseItLeft)
{
    param::GUID_CHANGES.value = 0;
    const struct {
        MovePhase phase;
        MovePhase after;
        MovePhase previousAfter; // the aircraft came from a pushback
    } rows[] = {
        {MovePhase::EnginesStarting, MovePhase::Taxi, MovePhase::EnginesStarting},
        {MovePhase::Taxi, MovePhase::Taxi, MovePhase::Pushback},
        {MovePhase::TaxiToStand, MovePhase::TaxiToStand, MovePhase::Pushback},
    };
    for (const auto& row : rows) {
        LiveAcRecord a = makeFlyingAircraft(straightTrack({47.0, 8.0}, 90.0, 10.0, 0.0, 0.0, 0, 500, 3));
        a.head.origin = "ZRH";
        a.head.destination = "LHR";
        a.phase = row.phase;
        a.previousPhase = MovePhase::Pushback;
        TrafficRecord r;
        r.head.origin = "GVA";
        r.head.destination = "CDG";
        EXPECT_TRUE(gf_respawnLiveAc(a, r));
        EXPECT_EQ(a.head.origin, "GVA");
        EXPECT_EQ(a.phase, row.after) << int(row.phase);
        EXPECT_EQ(a.previousPhase, row.previousAfter) << int(row.phase);
    }
}

} // namespace
} // namespace zyn::test
