// The engine tick on the main thread against the real SimConnect thread: the thread pushes its
// commands while it holds or waits for the SimConnect mutex, the main loop applies them and takes
// the same mutex for its requests and the position sets. Runs under ThreadSanitizer.
#include "base/tick.h"
#include "engine/ai_driver.h"
#include "engine/commands.h"
#include "tests/engine/driver_fixture.h"
#include "tests/sim/sim_link_fixture.h"
#include "traffic/intake.h"

namespace zyn::test {
namespace {

class DriverThreads : public SimLinkFixture {
protected:
    void SetUp() override
    {
        gf_setClock(&m_clock);
        SimLinkFixture::SetUp();
        gf_reserveAcContainers();
        gf_clearAcContainers();
        g_tick = 0;
        param::LIGHT_AIRCRAFT.value = 1;
        m_liveries.emplace(genericLiveries({{"A320", kTitle}}));
    }
    void TearDown() override
    {
        stopClient();
        gf_clearAcContainers();
        g_tick = 0;
        m_liveries.reset();
        param::LIGHT_AIRCRAFT.value = 0;
        SimLinkFixture::TearDown();
        gf_setClock(nullptr);
    }
    ManualClock m_clock;
    ScopedDbase m_dbase{dbaseWith({"A320"})};
    std::optional<InstalledLiveries> m_liveries;
};

TEST_F(DriverThreads, AircraftReachTheSimulatorWhileTheLinkRunsOnItsOwnThread)
{
    simemu::Scenario scenario;
    scenario.frameRate = 100.0; // a frame for every tick
    connect(scenario);
    const auto near = [](double dLat, std::int32_t t) { return Report{{47.47 + dLat, 8.55}, 3000.0, 180.0, t, 0.0}; };
    {
        std::lock_guard lock(g_intakeMutex);
        for (std::uint32_t k = 0; k < 4; ++k) {
            const std::uint32_t hex = 0x600000 + k;
            const std::string callsign = fmt::format("THR{}", k);
            for (std::int32_t r = 0; r < 10; ++r) {
                auto record = makeRecord(near(0.01 * k + 0.005 * r, 150 + 1000 * r), hex, callsign);
                record.situation.track = static_cast<double>(r * 20);
                g_sharedBatch.insert(g_sharedBatch.begin(), record);
            }
        }
    }
    const auto allInSim = [] {
        return g_liveAircraft.size() == 4 && std::all_of(g_liveAircraft.begin(), g_liveAircraft.end(), [](const auto& a) {
                   return a.state == ObjectState::InSim;
               });
    };
    for (int t = 0; t < 2000 && !allInSim(); ++t) {
        gf_updateAI();
        const int delivered = simemu::messagesDelivered();
        // A little over one frame period brings a frame. The link may have gone back to sleep
        // just after this advance, so time moves on in small steps until it has dispatched one.
        m_clock.advance(std::chrono::milliseconds(11));
        int nudges = 0;
        while (!simemu::waitUntil([&] { return simemu::messagesDelivered() > delivered; }, std::chrono::milliseconds(20))) {
            ASSERT_LT(++nudges, 500) << "the link stopped dispatching at tick " << t;
            m_clock.advance(std::chrono::milliseconds(1));
        }
    }
    ASSERT_TRUE(allInSim());
    for (const auto& a : g_liveAircraft) {
        const auto o = simemu::object(a.objectId);
        ASSERT_TRUE(o.has_value());
        EXPECT_EQ(o->atcId, a.head.callsign);
    }
    EXPECT_TRUE(g_lightCycle.empty());
}

} // namespace
} // namespace zyn::test
