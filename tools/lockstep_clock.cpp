#include "tools/lockstep_clock.h"

#include <algorithm>

namespace zyn::tools {

namespace {
constexpr auto kStopPoll = std::chrono::milliseconds(10);
constexpr std::size_t kExpectedSleepers = 16;
} // namespace

LockstepClock::LockstepClock(std::time_t utcStart) : m_time(utcStart) { m_sleeping.reserve(kExpectedSleepers); }

SteadyTime LockstepClock::steadyNow() { return m_time.steadyNow(); }

std::time_t LockstepClock::utcNow() { return m_time.utcNow(); }

bool LockstepClock::sleepUntil(SteadyTime t, const StopTest& stop)
{
    SleeperObserver* const observer = m_observer.load();
    if (observer)
        observer->sleeping();
    bool reached = true;
    {
        std::unique_lock lock(m_mutex);
        if (m_time.steadyNow() < t) {
            m_sleeping.push_back(t);
            m_asleep.notify_all();
            reached = waitForTime(lock, t, stop);
            m_sleeping.erase(std::find(m_sleeping.begin(), m_sleeping.end(), t));
        }
    }
    if (observer)
        observer->woke();
    return reached;
}

bool LockstepClock::waitForTime(std::unique_lock<std::mutex>& lock, SteadyTime t, const StopTest& stop)
{
    while (m_time.steadyNow() < t) {
        if (!stop) {
            m_moved.wait(lock);
            continue;
        }
        lock.unlock();
        const bool stopped = stop();
        lock.lock();
        if (stopped)
            return false;
        // The time may have moved while the lock was released for the stop test.
        m_moved.wait_for(lock, kStopPoll, [&] { return m_time.steadyNow() >= t; });
    }
    return true;
}

int LockstepClock::sleepersAfterNow()
{
    const SteadyTime now = m_time.steadyNow();
    return static_cast<int>(std::count_if(m_sleeping.begin(), m_sleeping.end(), [now](SteadyTime t) { return t > now; }));
}

bool LockstepClock::waitForSleepers(int sleepers, std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_mutex);
    return waitForSleepers(lock, sleepers, timeout);
}

bool LockstepClock::waitForSleepers(std::unique_lock<std::mutex>& lock, int sleepers, std::chrono::milliseconds timeout)
{
    return m_asleep.wait_for(lock, timeout, [&] { return sleepersAfterNow() >= sleepers; });
}

bool LockstepClock::advance(std::chrono::nanoseconds step, int sleepers, std::chrono::milliseconds timeout)
{
    {
        std::unique_lock lock(m_mutex);
        if (!waitForSleepers(lock, sleepers, timeout))
            return false;
        m_time.advance(step);
    }
    m_moved.notify_all();
    return true;
}

void LockstepClock::setObserver(SleeperObserver* observer) { m_observer.store(observer); }

} // namespace zyn::tools
