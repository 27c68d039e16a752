#include "base/time_util.h"

#include "platform/system/calendar.h"
#include "platform/system/clock.h"

#include <array>
#include <utility>

#include <fmt/format.h>

namespace zyn {

std::atomic<bool> g_timeShifted{false};
std::atomic<WeekSlot> g_nowWeekSlot{WeekSlot{}};

namespace {

std::atomic<const std::atomic<double>*> g_lastReportTime{nullptr};

// Whole seconds of the last report time; 0 when there is none.
std::int64_t lf_lastReportSeconds()
{
    const std::atomic<double>* source = g_lastReportTime.load();
    return source ? static_cast<std::int64_t>(source->load()) : 0;
}

std::tm lf_utcFields(std::time_t t)
{
    return gf_utcCalendar(t);
}

const char* lf_monthName(int month) // 1..12
{
    static const std::array<const char*, 12> names{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                   "Jul", "Aug", "Sep", "Okt", "Nov", "Dec"};
    return month >= 1 && month <= 12 ? names[month - 1] : "???";
}

const char* lf_dayName(int day) // 1..7, Monday first
{
    static const std::array<const char*, 7> names{"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    return day >= 1 && day <= 7 ? names[day - 1] : "???";
}

std::uint32_t lf_isoWeekday(const std::tm& fields) { return fields.tm_wday == 0 ? 7u : std::uint32_t(fields.tm_wday); }

std::string lf_clockOfDay(std::time_t t)
{
    const auto f = lf_utcFields(t);
    return fmt::format("{:02}:{:02}:{:02}", f.tm_hour, f.tm_min, f.tm_sec);
}

} // namespace

void gf_setLastReportTimeSource(const std::atomic<double>* lastReportTime) { g_lastReportTime = lastReportTime; }

bool gf_referenceTimeIsTraffic()
{
    return g_timeShifted.load() && lf_lastReportSeconds() != 0;
}

std::time_t gf_referenceTime()
{
    if (g_timeShifted.load()) {
        const std::int64_t traffic = lf_lastReportSeconds();
        if (traffic != 0)
            return static_cast<std::time_t>(traffic);
    }
    return gf_timeNow();
}

std::string gf_utcTimeText(std::time_t t)
{
    const auto f = lf_utcFields(t);
    return fmt::format("{:3} {:3} {:02} {:02}:{:02}:{:02} {:4}", lf_dayName(int(lf_isoWeekday(f))),
                       lf_monthName(f.tm_mon + 1), f.tm_mday, f.tm_hour, f.tm_min, f.tm_sec, f.tm_year + 1900);
}

std::string gf_timeOfDayText() { return lf_clockOfDay(gf_timeNow()); }

std::string gf_dateText()
{
    const auto text = gf_utcTimeText(gf_timeNow());
    return fmt::format("{}, {}", text.substr(4, 6), text.substr(20, 4));
}

std::string gf_simTimeStamp()
{
    if (gf_referenceTimeIsTraffic())
        return "<<< " + lf_clockOfDay(gf_referenceTime());
    return lf_clockOfDay(gf_timeNow());
}

std::uint32_t gf_halfHourSlotOf(std::time_t t)
{
    const auto f = lf_utcFields(t);
    std::uint32_t slot = 2u * std::uint32_t(f.tm_hour);
    if (f.tm_min >= 30 || (f.tm_min == 29 && f.tm_sec >= 30))
        ++slot;
    return slot % 48u;
}

WeekSlot gf_weekSlotOf(std::time_t t)
{
    return WeekSlot{lf_isoWeekday(lf_utcFields(t)), gf_halfHourSlotOf(t)};
}

std::uint32_t gf_halfHourSlot() { return gf_halfHourSlotOf(gf_referenceTime()); }

WeekSlot gf_weekdayAndSlot() { return gf_weekSlotOf(gf_referenceTime()); }

std::uint32_t gf_slotDistance(WeekSlot a, WeekSlot b)
{
    // Put the later one first: Monday counts as later than Sunday.
    for (;;) {
        if (a.day == 1 && b.day == 7)
            break;
        if (a.day == 7 && b.day == 1) {
            std::swap(a, b);
            continue;
        }
        if (a.day > b.day || (a.day == b.day && a.slot >= b.slot))
            break;
        std::swap(a, b);
    }
    std::int64_t distance = (std::int64_t(a.day) - std::int64_t(b.day)) * 48 + std::int64_t(a.slot) - std::int64_t(b.slot);
    if (a.day == 1 && b.day == 7)
        distance += 336;
    return static_cast<std::uint32_t>(distance);
}

} // namespace zyn
