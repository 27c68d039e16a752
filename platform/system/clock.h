#pragma once
// The clock seam: steady time, calendar time and sleeping. The program runs on the real clock;
// tests install a ManualClock and move time themselves, so that waits of seconds and the
// half hours of the week are tested without waiting.
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <functional>
#include <mutex>

namespace zyn {

using SteadyClock = std::chrono::steady_clock;
using SteadyTime = SteadyClock::time_point;
using StopTest = std::function<bool()>;

class Clock {
public:
    virtual ~Clock() = default;
    virtual SteadyTime steadyNow() = 0;
    virtual std::time_t utcNow() = 0;
    // Sleeps until t or until stop() turns true (tested at least every 10 ms of real time);
    // returns false when stopped early.
    virtual bool sleepUntil(SteadyTime t, const StopTest& stop) = 0;
};

// A clock that moves only when told to. Sleepers wake as soon as the time reaches theirs.
class ManualClock : public Clock {
public:
    explicit ManualClock(std::time_t utcStart = 1796601600); // Mon 2026-12-07 00:00:00 UTC
    SteadyTime steadyNow() override;
    std::time_t utcNow() override;
    bool sleepUntil(SteadyTime t, const StopTest& stop) override;
    void advance(std::chrono::nanoseconds step);
    void advanceSteady(std::chrono::nanoseconds step); // moves steady time only
    void setUtc(std::time_t utc);                      // moves calendar time only

private:
    void move(std::chrono::nanoseconds step, bool calendarToo);

    std::mutex m_mutex;
    std::condition_variable m_moved;
    SteadyTime m_steady{std::chrono::hours(1)};
    std::chrono::nanoseconds m_sinceStart{0};
    std::time_t m_utcStart;
};

Clock& gf_clock();
void gf_setClock(Clock* clock); // nullptr restores the real clock

inline SteadyTime gf_steadyNow() { return gf_clock().steadyNow(); }
inline std::time_t gf_timeNow() { return gf_clock().utcNow(); }
bool gf_sleepUntil(SteadyTime t, const StopTest& stop = {});
bool gf_sleepFor(std::chrono::nanoseconds d, const StopTest& stop = {});

// Adds a duration to a time point without overflowing the clock's range.
SteadyTime gf_saturatingAdd(SteadyTime t, std::chrono::nanoseconds d);

} // namespace zyn
