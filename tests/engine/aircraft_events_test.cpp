#include "engine/aircraft_events.h"

#include "settings/settings.h"
#include "sim/ids.h"
#include "sim/queues.h"

#include <gtest/gtest.h>

namespace zyn {
namespace {

using Events = std::vector<std::pair<std::uint32_t, std::uint32_t>>; // event id, value

Events takeEvents(std::uint32_t objectId)
{
    Events events;
    for (const auto& e : g_eventQueue) {
        EXPECT_EQ(e.objectId, objectId);
        events.emplace_back(e.eventId, e.value);
    }
    g_eventQueue.clear();
    return events;
}

class ParkedShutDown : public ::testing::Test {
protected:
    ParkedShutDown() { gf_resetSimQueues(); }
    ~ParkedShutDown() override
    {
        gf_resetSimQueues();
        param::NAV_LIGHTS_WHILE_PARKED.value = param::NAV_LIGHTS_WHILE_PARKED.defaultValue;
    }
};

TEST_F(ParkedShutDown, EnginesOffLightsOfAParkedAircraft)
{
    param::NAV_LIGHTS_WHILE_PARKED.value = 0;
    AiAcRecord a;
    a.objectId = 42;
    a.cargoStand = 1;
    lf_parkedShutDown(a);
    using namespace simid;
    EXPECT_EQ(takeEvents(42), (Events{{kThrottleSet, 0}, {kFlapsSet, 0}, {kEngineAutoShutdown, 0}, {kNavLightsSet, 0},
                                      {kBeaconLightsSet, 0}, {kLandingLightsSet, 0}, {kTaxiLightsSet, 0},
                                      {kStrobesSet, 0}, {kLogoLightsSet, 1}, {kCabinLightsSet, 0}}));
    EXPECT_EQ(a.lastThrottle, 0u);
    EXPECT_EQ(a.lastFlaps, 0u);

    lf_parkedShutDown(a); // steps already at 0 are not sent again
    const Events again = takeEvents(42);
    EXPECT_EQ(again.front(), (std::pair{kEngineAutoShutdown, 0u}));
    EXPECT_EQ(again.size(), 8u);
}

TEST_F(ParkedShutDown, RotorcraftGetsNoFlapsAndPassengerCabinsMostlyStayLit)
{
    AiAcRecord heli;
    heli.objectId = 7;
    heli.category = AcCategory::Rotorcraft;
    lf_parkedShutDown(heli);
    for (const auto& [id, value] : takeEvents(7))
        EXPECT_NE(id, simid::kFlapsSet);
    EXPECT_EQ(heli.lastFlaps, 4u);

    int lit = 0;
    for (int i = 0; i < 300; ++i) {
        AiAcRecord a;
        a.objectId = 9;
        lf_parkedShutDown(a);
        const Events events = takeEvents(9);
        ASSERT_EQ(events.back().first, simid::kCabinLightsSet);
        EXPECT_EQ(events[3], (std::pair{simid::kNavLightsSet, 1u})) << "nav lights while parked, by default";
        lit += events.back().second;
    }
    EXPECT_GT(lit, 240);
    EXPECT_LT(lit, 300);
}

} // namespace
} // namespace zyn
