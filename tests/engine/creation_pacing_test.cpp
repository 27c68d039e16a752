// Many aircraft reported at once: their creations leave one every 0.5 s, and each waits for its
// object from the moment its creation was sent, so none is given up while it waits its turn.
#include "tests/engine/driver_fixture.h"

#include "base/tick.h"
#include "engine/ai_driver.h"

#include <fmt/format.h>

#include <algorithm>
#include <map>

namespace zyn::test {
namespace {

constexpr int kArrivals = 300;

class CreationPacing : public DriverRun {
protected:
    CreationPacing()
    {
        m_checkEveryStep = false;  // hundreds of objects: checked at the end
        m_scenario.frameRate = 20; // a busy simulator: most ticks' position sets wait for a frame
    }
};

TEST_F(CreationPacing, ThreeHundredArrivalsAreEachCreatedOnceAtThePacedRate)
{
    // Cruising within 15 NM of the user, in rows, all first reported at the same moment.
    for (int i = 0; i < kArrivals; ++i) {
        const LatLon start{46.85 + 0.01 * (i % 30), 7.85 + 0.02 * (i / 30)};
        addTrack(straightTrack(start, 90.0, 200.0, 12000.0 + 10.0 * i, 0.0, kFirstPlay, 1000, 20),
                 0x400000 + static_cast<std::uint32_t>(i), fmt::format("TST{}", 100 + i));
    }
    // The pacing allows one creation every 0.5 s after the first report is due, and the simulator up
    // to 2 s for each.
    const std::int32_t allowed = kFirstPlay + kArrivals * kCreationEveryTicks + 2 * kSlowestCreationTicks;
    const auto withObject = [] {
        return std::count_if(g_liveAircraft.begin(), g_liveAircraft.end(),
                             [](const LiveAcRecord& a) { return a.objectId != 0; });
    };
    ASSERT_TRUE(stepUntil([&] { return withObject() == kArrivals; }, allowed))
        << withObject() << " of " << kArrivals << " created by tick " << g_tick;
    steps(300); // the last ones lit and in the simulator
    checkObjects();
    std::map<std::string, int> created;
    for (const auto& o : simemu::objects())
        if (!o.isUser)
            ++created[o.atcId];
    EXPECT_EQ(created.size(), std::size_t(kArrivals));
    for (const auto& [callsign, objects] : created)
        EXPECT_EQ(objects, 1) << callsign << " created more than once";
    EXPECT_EQ(logCount("given up"), 0);
    EXPECT_EQ(std::count_if(g_liveAircraft.begin(), g_liveAircraft.end(),
                            [](const LiveAcRecord& a) { return a.state == ObjectState::InSim; }),
              kArrivals);
}

} // namespace
} // namespace zyn::test
