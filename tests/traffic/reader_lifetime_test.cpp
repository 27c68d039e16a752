#include "traffic/reader_status.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace zyn {
namespace {

std::atomic<bool> g_release{false};
std::atomic<bool> g_started{false};

void lf_heldReader()
{
    g_started = true;
    while (!g_release.load())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

TEST(ReaderLifetimeThreads, ExitWaitsUntilTheReadersAreGone)
{
    g_release = false; // a repeated run starts held again
    g_started = false;
    gf_startReader(lf_heldReader);
    gf_startReader(lf_heldReader);
    EXPECT_FALSE(gf_waitForReadersToEnd(std::chrono::milliseconds(50))); // both still held
    EXPECT_TRUE(g_started.load());
    g_release = true;
    EXPECT_TRUE(gf_waitForReadersToEnd(std::chrono::seconds(10)));
}

TEST(ReaderLifetimeThreads, NoReaderMeansNothingToWaitFor)
{
    EXPECT_TRUE(gf_waitForReadersToEnd(std::chrono::milliseconds(0)));
}

} // namespace
} // namespace zyn
