#include "platform/system/clock.h"

#include <algorithm>
#include <atomic>
#include <thread>

namespace zyn {

namespace {

constexpr auto kStopPoll = std::chrono::milliseconds(10);

class RealClock : public Clock {
public:
    SteadyTime steadyNow() override { return SteadyClock::now(); }
    std::time_t utcNow() override { return std::time(nullptr); }
    bool sleepUntil(SteadyTime t, const StopTest& stop) override
    {
        for (;;) {
            if (stop && stop())
                return false;
            const auto now = SteadyClock::now();
            if (now >= t)
                return true;
            if (!stop) {
                std::this_thread::sleep_until(t);
                return true;
            }
            std::this_thread::sleep_until(std::min<SteadyTime>(t, now + kStopPoll));
        }
    }
};

RealClock g_realClock;
std::atomic<Clock*> g_currentClock{&g_realClock};

} // namespace

ManualClock::ManualClock(std::time_t utcStart) : m_utcStart(utcStart) {}

SteadyTime ManualClock::steadyNow()
{
    std::lock_guard lock(m_mutex);
    return m_steady;
}

std::time_t ManualClock::utcNow()
{
    std::lock_guard lock(m_mutex);
    return m_utcStart + std::chrono::duration_cast<std::chrono::seconds>(m_sinceStart).count();
}

bool ManualClock::sleepUntil(SteadyTime t, const StopTest& stop)
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        if (m_steady >= t)
            return true;
        if (stop) {
            lock.unlock();
            const bool stopped = stop();
            lock.lock();
            if (stopped)
                return false;
            m_moved.wait_for(lock, kStopPoll);
        } else {
            m_moved.wait(lock);
        }
    }
}

void ManualClock::advance(std::chrono::nanoseconds step) { move(step, true); }

void ManualClock::advanceSteady(std::chrono::nanoseconds step) { move(step, false); }

void ManualClock::move(std::chrono::nanoseconds step, bool calendarToo)
{
    {
        std::lock_guard lock(m_mutex);
        m_steady += step;
        if (calendarToo)
            m_sinceStart += step;
    }
    m_moved.notify_all();
}

void ManualClock::setUtc(std::time_t utc)
{
    std::lock_guard lock(m_mutex);
    m_utcStart = utc - std::chrono::duration_cast<std::chrono::seconds>(m_sinceStart).count();
}

Clock& gf_clock() { return *g_currentClock.load(); }

void gf_setClock(Clock* clock) { g_currentClock.store(clock ? clock : &g_realClock); }

bool gf_sleepUntil(SteadyTime t, const StopTest& stop) { return gf_clock().sleepUntil(t, stop); }

bool gf_sleepFor(std::chrono::nanoseconds d, const StopTest& stop)
{
    return gf_sleepUntil(gf_saturatingAdd(gf_steadyNow(), d), stop);
}

SteadyTime gf_saturatingAdd(SteadyTime t, std::chrono::nanoseconds d)
{
    const auto room = SteadyTime::max() - t;
    if (d > std::chrono::duration_cast<std::chrono::nanoseconds>(room))
        return SteadyTime::max();
    return t + std::chrono::duration_cast<SteadyClock::duration>(d);
}

} // namespace zyn
