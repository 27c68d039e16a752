#include "base/workers.h"
#include "tests/support/bounded_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace zyn {
namespace {

TEST(Workers, ResetGivesAtLeastOneSlotAndNoneRunning)
{
    g_workersRunning = 5;
    gf_resetWorkers();
    EXPECT_GE(g_workersMax, 1);
    EXPECT_EQ(g_workersRunning.load(), 0);
}

TEST(WorkersThreads, UnknownConcurrencyStillGivesOneSlot)
{
    // hardware_concurrency() may report 0; a limit of 0 counts as 1 and must not block the scan forever.
    g_workersMax = 0;
    g_workersRunning = 1;
    std::atomic<bool> slotFree{false};
    test::BoundedThread driver("gf_waitForThreadSlot with a limit of 0",
                               [&slotFree] { gf_waitForThreadSlot(); slotFree = true; });
    EXPECT_FALSE(slotFree.load()) << "one worker runs: the one slot is taken";
    gf_workerFinished();
    driver.join(); // bounded: fails the test if the slot never comes
    EXPECT_TRUE(slotFree.load());
    EXPECT_EQ(g_workersRunning.load(), 0);
}

TEST(WorkersThreads, NeverMoreThanTheLimitRunAtOnce)
{
    g_workersMax = 3;
    g_workersRunning = 0;
    std::atomic<int> peak{0};
    std::atomic<int> done{0};
    std::vector<std::thread> workers;
    for (int i = 0; i < 24; ++i) {
        gf_waitForThreadSlot();
        const int running = ++g_workersRunning;
        int seen = peak.load();
        while (running > seen && !peak.compare_exchange_weak(seen, running)) {
        }
        workers.emplace_back([&done] {
            std::this_thread::yield();
            ++done;
            gf_workerFinished();
        });
    }
    for (auto& w : workers)
        w.join();
    EXPECT_EQ(done.load(), 24);
    EXPECT_LE(peak.load(), 3);
    EXPECT_EQ(g_workersRunning.load(), 0);
}

TEST(WorkersThreads, WorkerThatDecrementsItselfStillFreesTheSlot)
{
    g_workersMax = 1;
    g_workersRunning = 1;
    std::thread worker([] { --g_workersRunning; }); // no wake-up call
    gf_waitForThreadSlot();
    worker.join();
    EXPECT_EQ(g_workersRunning.load(), 0);
}

TEST(WorkersThreads, PoolRunsEveryPostedJobOnItsOwnThreadsBeforeItEnds)
{
    std::atomic<int> ran{0};
    std::mutex mutex;
    std::set<std::thread::id> threads;
    {
        WorkerPool pool(3);
        for (int i = 0; i < 50; ++i)
            pool.post([&] {
                std::this_thread::yield();
                std::lock_guard lock(mutex);
                threads.insert(std::this_thread::get_id());
                ++ran;
            });
    }
    EXPECT_EQ(ran.load(), 50);
    EXPECT_LE(threads.size(), 3u);
    EXPECT_FALSE(threads.contains(std::this_thread::get_id()));
}

} // namespace
} // namespace zyn
