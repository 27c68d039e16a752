#pragma once
// The bound on concurrent scan worker threads. A scan's single driver thread waits for a slot,
// increments g_workersRunning and launches its worker; each worker ends with gf_workerFinished().
#include <atomic>
#include <cstdint>

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

} // namespace zyn
