#include "base/workers.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace zyn {

std::int32_t g_workersMax = 1;
std::atomic<std::int32_t> g_workersRunning{0};

namespace {
std::mutex g_slotMutex;
std::condition_variable g_slotFreed;
// A worker that decrements the counter itself wakes nobody; the driver then looks again this often.
constexpr auto kRecheck = std::chrono::milliseconds(1);
} // namespace

void gf_resetWorkers()
{
    g_workersMax = static_cast<std::int32_t>(std::max(1u, std::thread::hardware_concurrency()));
    g_workersRunning.exchange(0);
}

void gf_waitForThreadSlot()
{
    const std::int32_t limit = std::max<std::int32_t>(1, g_workersMax);
    std::unique_lock lock(g_slotMutex);
    while (g_workersRunning.load() >= limit)
        g_slotFreed.wait_for(lock, kRecheck);
}

void gf_workerFinished()
{
    {
        std::lock_guard lock(g_slotMutex);
        g_workersRunning.fetch_sub(1);
    }
    g_slotFreed.notify_all();
}

} // namespace zyn
