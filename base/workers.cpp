#include "base/workers.h"

#include <algorithm>
#include <chrono>

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

WorkerPool::WorkerPool(std::int32_t threads)
{
    const std::int32_t count = std::max<std::int32_t>(1, threads);
    m_threads.reserve(static_cast<std::size_t>(count));
    try {
        for (std::int32_t i = 0; i < count; ++i)
            m_threads.emplace_back([this] { work(); });
    } catch (...) {
        stop(); // the threads already started end before the exception leaves
        throw;
    }
}

WorkerPool::~WorkerPool() { stop(); }

void WorkerPool::stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_closing = true;
    }
    m_posted.notify_all();
    for (std::thread& thread : m_threads)
        if (thread.joinable())
            thread.join();
}

void WorkerPool::post(std::function<void()> job)
{
    {
        std::lock_guard lock(m_mutex);
        m_jobs.push_back(std::move(job));
    }
    m_posted.notify_one();
}

void WorkerPool::work()
{
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(m_mutex);
            m_posted.wait(lock, [this] { return m_closing || !m_jobs.empty(); });
            if (m_jobs.empty())
                return; // closing, nothing left to run
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        job();
    }
}

} // namespace zyn
