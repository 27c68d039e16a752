#include "platform/system/clock.h"
#include "tests/support/bounded_thread.h"

#include <gtest/gtest.h>

namespace zyn {
namespace {

using namespace std::chrono_literals;

TEST(ManualClockThreads, SteadyStepWakesTheSleeperAndLeavesTheCalendar)
{
    ManualClock clock(1796601600);
    const SteadyTime start = clock.steadyNow();
    std::atomic<bool> slept{false};
    test::BoundedThread sleeper("the sleeper", [&] { slept.store(clock.sleepUntil(start + 10min, {})); });
    clock.advanceSteady(10min);
    sleeper.join();
    EXPECT_TRUE(slept.load());
    EXPECT_EQ(clock.steadyNow(), start + 10min);
    EXPECT_EQ(clock.utcNow(), 1796601600);
    clock.advance(1min);
    EXPECT_EQ(clock.utcNow(), 1796601660) << "a full step still moves the calendar";
    clock.setUtc(1796605200);
    EXPECT_EQ(clock.steadyNow(), start + 11min) << "setting the calendar leaves steady time";
    EXPECT_EQ(clock.utcNow(), 1796605200);
}

} // namespace
} // namespace zyn
