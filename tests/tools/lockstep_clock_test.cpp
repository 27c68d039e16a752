// The clock that takes turns with the threads sleeping on it: a step moves time only once the
// sleeper has finished what the previous step woke it for, whatever that work costs.
#include "tests/support/bounded_thread.h"
#include "tools/lockstep_clock.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace zyn {
namespace {

using namespace std::chrono_literals;

// Wakes every millisecond of the clock and does a slow piece of work each time.
class Pump {
public:
    explicit Pump(tools::LockstepClock& clock)
        : m_thread("pump", [this, &clock] {
              const auto stopped = [this] { return m_stop.load() != 0; };
              while (!stopped()) {
                  if (clock.sleepUntil(clock.steadyNow() + 1ms, stopped)) {
                      std::this_thread::sleep_for(2ms); // real time the driver must wait for
                      rounds.fetch_add(1);
                  }
              }
          }, &m_stop)
    {
    }
    std::atomic<int> rounds{0};

private:
    std::atomic<std::uint8_t> m_stop{0};
    test::BoundedThread m_thread;
};

class Counting : public tools::SleeperObserver {
public:
    void woke() override { ++wakes; }
    void sleeping() override { ++sleeps; }
    int wakes = 0;
    int sleeps = 0;
};

TEST(LockstepClockThreads, EachStepWaitsForTheSleepersWorkOfThePreviousOne)
{
    tools::LockstepClock clock;
    Pump pump(clock);
    const SteadyTime start = clock.steadyNow();
    for (int step = 1; step <= 20; ++step) {
        ASSERT_TRUE(clock.advance(1ms, 1, 5s)) << "step " << step;
        ASSERT_TRUE(clock.waitForSleepers(1, 5s));
        EXPECT_EQ(pump.rounds.load(), step) << "a round was skipped or run twice";
    }
    EXPECT_EQ(clock.steadyNow() - start, 20ms);
}

TEST(LockstepClockThreads, StepWithoutItsSleeperGivesUpAndKeepsTheTime)
{
    tools::LockstepClock clock(1000);
    const SteadyTime before = clock.steadyNow();
    EXPECT_FALSE(clock.advance(1s, 1, 30ms));
    EXPECT_EQ(clock.steadyNow(), before);
    EXPECT_EQ(clock.utcNow(), 1000);
    EXPECT_TRUE(clock.advance(1s, 0, 30ms));
    EXPECT_EQ(clock.utcNow(), 1001);
}

TEST(LockstepClockThreads, ObserverSeesEveryWakeAndSleepOfTheSleeper)
{
    tools::LockstepClock clock;
    Counting counting;
    clock.setObserver(&counting);
    {
        Pump pump(clock);
        for (int step = 0; step < 5; ++step)
            ASSERT_TRUE(clock.advance(1ms, 1, 5s));
        ASSERT_TRUE(clock.waitForSleepers(1, 5s));
        EXPECT_EQ(counting.wakes, 5);
        EXPECT_EQ(counting.sleeps, 6); // the first sleep had no wake before it
    }
    clock.setObserver(nullptr);
}

TEST(LockstepClockThreads, StoppedSleepEndsWithoutTheTimeMoving)
{
    tools::LockstepClock clock;
    std::atomic<bool> stop{false};
    bool reached = true;
    std::thread sleeper([&] { reached = clock.sleepUntil(clock.steadyNow() + 1h, [&] { return stop.load(); }); });
    ASSERT_TRUE(clock.waitForSleepers(1, 5s));
    stop = true;
    sleeper.join();
    EXPECT_FALSE(reached);
    EXPECT_FALSE(clock.waitForSleepers(1, 20ms)) << "the stopped sleeper still counts";
}

} // namespace
} // namespace zyn
