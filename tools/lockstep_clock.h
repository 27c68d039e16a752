#pragma once
// A manual clock that takes turns with the threads sleeping on it. Before it moves, advance() waits
// until the expected number of threads sleep for a time after now, that is until each has finished
// the work the previous step woke it for. A benchmark that drives the program's threads through it
// gets the same interleaving on every run, and no thread ever runs while the driver measures.
#include "platform/system/clock.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <mutex>
#include <vector>

namespace zyn::tools {

// Told on each sleeping thread itself when it wakes and when it goes back to sleep, so that an
// observer can measure that thread's work between two sleeps.
class SleeperObserver {
public:
    virtual ~SleeperObserver() = default;
    virtual void woke() = 0;
    virtual void sleeping() = 0;
};

class LockstepClock : public Clock {
public:
    explicit LockstepClock(std::time_t utcStart = 1796601600); // as ManualClock's
    SteadyTime steadyNow() override;
    std::time_t utcNow() override;
    bool sleepUntil(SteadyTime t, const StopTest& stop) override;

    // Waits (real time, at most timeout) until `sleepers` threads sleep for a time after now;
    // false when the timeout passed first.
    bool waitForSleepers(int sleepers, std::chrono::milliseconds timeout);
    // Waits for the sleepers, then moves steady and calendar time by step; false (and no move)
    // when they did not all go to sleep within the timeout.
    bool advance(std::chrono::nanoseconds step, int sleepers, std::chrono::milliseconds timeout);
    // nullptr: no observer. The observer must outlive every sleep that began while it was set.
    void setObserver(SleeperObserver* observer);

private:
    int sleepersAfterNow(); // m_mutex held
    bool waitForSleepers(std::unique_lock<std::mutex>& lock, int sleepers, std::chrono::milliseconds timeout);
    bool waitForTime(std::unique_lock<std::mutex>& lock, SteadyTime t, const StopTest& stop);

    std::mutex m_mutex;
    std::condition_variable m_moved;  // sleepers wait for the time
    std::condition_variable m_asleep; // the driver waits for the sleepers
    std::vector<SteadyTime> m_sleeping; // wake times of the threads inside sleepUntil (no allocation per sleep)
    ManualClock m_time; // moved only under m_mutex; its own sleepers are not used
    std::atomic<SleeperObserver*> m_observer{nullptr};
};

} // namespace zyn::tools
