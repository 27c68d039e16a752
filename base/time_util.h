#pragma once
// Time texts, half-hour slots of the week and their distances. All times are UTC.
// While the user has shifted time and traffic has arrived, "now" is the report time of that traffic.
#include <atomic>
#include <cstdint>
#include <ctime>
#include <string>

namespace zyn {

// Day of the week (1 Monday .. 7 Sunday) in the low 32 bits, half-hour slot (0..47) in the high ones.
struct WeekSlot {
    std::uint32_t day = 1;
    std::uint32_t slot = 0;
    bool operator==(const WeekSlot&) const = default;
};

extern std::atomic<bool> g_timeShifted;        // written by the time-shift handler of the window
extern std::atomic<WeekSlot> g_nowWeekSlot;    // kept current by the start-up and the main loop

// The traffic client's last report time (epoch seconds, 0 none), which "now" follows while time is
// shifted. Handed down by the application core at start-up; without it "now" is the clock.
void gf_setLastReportTimeSource(const std::atomic<double>* lastReportTime);

std::time_t gf_referenceTime();
bool gf_referenceTimeIsTraffic();

std::string gf_utcTimeText(std::time_t t); // "Sun Dec 06 13:18:05 2026"
std::string gf_timeOfDayText();            // "13:18:05" of the clock
std::string gf_dateText();                 // "Dec 06, 2026" of the clock
std::string gf_simTimeStamp();             // "<<< hh:mm:ss" of the traffic time, else "hh:mm:ss"
std::uint32_t gf_halfHourSlot();
WeekSlot gf_weekdayAndSlot();
std::uint32_t gf_halfHourSlotOf(std::time_t t);
WeekSlot gf_weekSlotOf(std::time_t t);
std::uint32_t gf_slotDistance(WeekSlot a, WeekSlot b);

} // namespace zyn
