#include "tests/support/bounded_thread.h"

#include <gtest/gtest.h>

#include <string>

namespace zyn::test {
namespace {

TEST(BoundedThreadThreads, LeavingTheScopeStopsAndJoinsTheThread)
{
    std::atomic<std::uint8_t> stop{0};
    std::atomic<bool> sawStop{false};
    {
        BoundedThread loop("loop", [&] {
            while (stop.load() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            sawStop.store(true);
        }, &stop);
    }
    EXPECT_EQ(stop.load(), 1);
    EXPECT_TRUE(sawStop.load());
}

TEST(BoundedThreadThreads, ThreadThatNeverEndsFailsNamingItInsteadOfHanging)
{
    // The dying child is the test program started anew, not a forked copy of this threaded one.
    const std::string style = GTEST_FLAG_GET(death_test_style);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            BoundedThread stuck("the stuck reader", [] {
                for (;;) std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }, nullptr, std::chrono::milliseconds(50));
            stuck.join();
        },
        ::testing::ExitedWithCode(EXIT_FAILURE), "the stuck reader did not end within 50 ms");
    GTEST_FLAG_SET(death_test_style, style);
}

} // namespace
} // namespace zyn::test
