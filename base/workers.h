#pragma once
// The bound on concurrent scan workers. A scan's single driver thread waits for a slot, increments
// g_workersRunning and hands its job to a worker; each job ends with gf_workerFinished(). The workers
// are the threads of a WorkerPool, started once per search instead of one thread per job.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace zyn {

extern std::int32_t g_workersMax;
extern std::atomic<std::int32_t> g_workersRunning;

// Limit = the processor's hardware concurrency (at least 1, since it may be unknown), none running.
void gf_resetWorkers();

// Returns when fewer than g_workersMax workers run; a limit below 1 counts as 1, so it never waits
// for a slot that cannot come.
void gf_waitForThreadSlot();

// The worker's last action: frees its slot and wakes the waiting driver.
void gf_workerFinished();

// A fixed number of threads that run the posted jobs in the order posted. A job must not throw.
// The destructor runs what is still posted, then joins the threads.
class WorkerPool {
public:
    explicit WorkerPool(std::int32_t threads); // at least one
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    void post(std::function<void()> job);

private:
    void work();
    void stop(); // runs what is posted, then joins

    std::mutex m_mutex;
    std::condition_variable m_posted;
    std::deque<std::function<void()>> m_jobs;
    bool m_closing = false;
    std::vector<std::thread> m_threads;
};

} // namespace zyn
