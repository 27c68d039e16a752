// The traffic reader against the stand-in on a lockstep clock, the test playing the main loop's
// intake: every 10 ms it takes two records from the hand-over, as the main loop does. The clock moves
// only while the reader sleeps, so each poll comes at its own tick however slow the machine is.
#include "base/log.h"
#include "base/tick.h"
#include "settings/settings.h"
#include "settings/traffic_range.h"
#include "shown/display_state.h"
#include "tests/support/bounded_thread.h"
#include "tests/support/guard_time.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"
#include "tests/traffic/intake_scope.h"
#include "tools/lockstep_clock.h"
#include "tools/traffic_server.h"
#include "traffic/client.h"
#include "traffic/intake.h"
#include "traffic/query_box.h"
#include "traffic/reader.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <map>

namespace zyn {
namespace {

using namespace std::chrono_literals;

constexpr std::time_t kFillEpoch = 1796601600;
constexpr LatLon kFillUser{52.31, 4.76};
constexpr std::int32_t kPollKeyFrom = kLiveDelaySeconds * 100; // snapshots play sooner

// count airborne aircraft in a grid around the user, all inside the query area.
tools::TrafficScenario lf_crowd(std::size_t count, std::int32_t rrlMs)
{
    tools::TrafficScenario scenario;
    scenario.startTime = static_cast<double>(kFillEpoch);
    scenario.rrl = rrlMs;
    for (std::size_t i = 0; i < count; ++i) {
        tools::ScenarioAircraft ac;
        ac.hexId = fmt::format("{:06x}", 0x400000 + i);
        ac.callsign = fmt::format("TST{}", i);
        ac.type = "A320";
        ac.registration = fmt::format("D-A{:03}", i);
        ac.lat = kFillUser.lat - 0.1 + 0.01 * static_cast<double>(i % 20);
        ac.lon = kFillUser.lon - 0.1 + 0.01 * static_cast<double>(i / 20);
        ac.altitudeFt = 10000;
        ac.groundSpeedKt = 250;
        ac.trackDeg = 90;
        scenario.aircraft.push_back(ac);
    }
    return scenario;
}

// A record as the main loop took it.
struct Taken {
    std::int32_t timeKey;
    double reportTime;
    std::int32_t tick; // when it was taken
};

class TrafficFirstFillThreads : public ::testing::Test {
protected:
    void SetUp() override
    {
        gf_setClock(&clock);
        gf_openLog();
        m_savedRange = param::LATERAL_RANGE.value.load();
        m_savedLight = g_trafficLight.load();
        gf_setTrafficRange(40);
    }

    void TearDown() override
    {
        gf_resetTrafficClients();
        g_trafficLight = m_savedLight;
        gf_setTrafficRange(m_savedRange);
        gf_closeLog();
        gf_setClock(nullptr);
    }

    // One main-loop tick of the intake: two records from the end of the hand-over.
    void takeOneTick()
    {
        {
            std::lock_guard lock(g_intakeMutex);
            for (int i = 0; i < kRecordsMergedPerTick && !g_sharedBatch.empty(); ++i) {
                const TrafficRecord& r = g_sharedBatch.back();
                taken.push_back({r.situation.timeKey, r.reportTime, g_tick.load()});
                g_sharedBatch.pop_back();
            }
        }
        g_tick.fetch_add(1);
    }

    bool waiting() const
    {
        std::lock_guard lock(g_intakeMutex);
        return !g_sharedBatch.empty();
    }

    // The reader's session with the intake open, for `seconds`; then the rest of the hand-over is taken.
    void runSession(tools::TrafficServer& server, int seconds)
    {
        gf_resetTrafficClients();
        gf_setIntakeEnabled(false);
        gf_clearIntake();
        taken.clear();
        g_tick = 0;
        g_trafficClient.setGuid("g-1");
        gf_setServiceUserPosition(kFillUser, 0.0);
        g_trafficClient.setUserPosition(kFillUser);
        gf_updateTrafficBox();
        gf_setIntakeEnabled(true);
        const test::ScopedEnv url("TARVO_TRAFFIC_URL", server.baseUrl());
        {
            test::BoundedThread reader("the traffic reader", gf_trafficReader, &g_trafficClient.stop);
            ASSERT_TRUE(clock.waitForSleepers(1, test::guardTime(60s))) << "no answer to the buffered request";
            for (int t = 0; t < seconds * 100; ++t) {
                takeOneTick();
                ASSERT_TRUE(clock.advance(10ms, 1, test::guardTime(60s))) << "the reader never went back to sleep";
                ASSERT_TRUE(clock.waitForSleepers(1, test::guardTime(60s))) << "the reader never went back to sleep";
            }
        } // asleep between polls: stopped there, no poll cut off
        while (waiting())
            takeOneTick();
    }

    tools::LockstepClock clock{kFillEpoch};
    test::IntakeScope intake;
    test::TempDir dir;
    test::ScopedCwd cwd{dir.path()};
    std::vector<Taken> taken;

private:
    std::int32_t m_savedRange = 0;
    std::uint8_t m_savedLight = 0;
};

struct FillCase {
    const char* name;
    std::size_t aircraft;
    std::int32_t rrlMs;
    int seconds;
};

TEST_F(TrafficFirstFillThreads, PollsDuringTheFirstFillWaitBehindItAndPlayOnTime)
{
    const FillCase cases[] = {
        // 5 x 60 records take the main loop 1.5 s: two polls come meanwhile.
        {"first fill shorter than the polls", 60, 500, 4},
        // 5 x 200 records take 5 s, and the polls keep coming: the backlog drains at 100 records a second.
        {"first fill over several polls", 200, 2000, 14},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        tools::TrafficServer server(lf_crowd(c.aircraft, c.rrlMs));
        server.start();
        runSession(server, c.seconds);
        server.stop();
        if (HasFatalFailure()) return;

        const std::size_t polls = server.requestCount("traffic") - 1; // after the buffered request
        ASSERT_GE(polls, static_cast<std::size_t>(c.seconds * 1000 / c.rrlMs - 1));
        std::map<std::int32_t, std::size_t> perKey; // one play time per snapshot and per poll
        for (const auto& r : taken)
            ++perKey[r.timeKey];
        std::size_t pollsTaken = 0;
        for (const auto& [key, records] : perKey) {
            EXPECT_EQ(records, c.aircraft) << "play time " << key;
            if (key >= kPollKeyFrom)
                ++pollsTaken;
        }
        EXPECT_EQ(perKey.size() - pollsTaken, 5u) << "the five snapshots";
        EXPECT_EQ(pollsTaken, polls) << "every poll reaches the main loop";
        for (std::size_t i = 1; i < taken.size(); ++i)
            ASSERT_LE(taken[i - 1].reportTime, taken[i].reportTime) << "taken in the order they were reported, at " << i;
        for (const auto& r : taken) {
            if (r.timeKey >= kPollKeyFrom) {
                ASSERT_LE(r.tick, r.timeKey) << "a poll's record was taken after it was due";
            }
        }
    }
}

} // namespace
} // namespace zyn
