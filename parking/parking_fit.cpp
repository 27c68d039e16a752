#include "parking/parking_fit.h"

#include "airport/park_pos.h"
#include "base/log.h"
#include "base/random_util.h"
#include "engine/stand_search.h"
#include "settings/settings.h"
#include "shown/display_texts.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <mutex>

#include <gsl/util>

namespace zyn {

std::int32_t g_parkCount = 0;
std::int32_t g_achievedParkPercent = 0;
std::int32_t g_realFitSteps = 0;
std::int32_t g_softFitSteps = -1;

namespace {

StandSearch g_standSearch = nullptr;
std::once_flag g_noSearchLogged;

constexpr std::array<const char*, 7> kDayNames = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};

const char* lf_dayName(std::uint32_t day) { return day >= 1 && day <= 7 ? kDayNames[day - 1] : "???"; }

std::int32_t lf_roundedPercent(std::int64_t part, std::uint64_t whole)
{
    if (whole < 1) return 0;
    return static_cast<std::int32_t>(std::lround(static_cast<double>(part) * 100.0 / static_cast<double>(whole)));
}

void lf_search(WeekSlot slot, bool real, std::int32_t span, std::vector<StandCandidate>& found)
{
    if (g_standSearch == nullptr) {
        std::call_once(g_noSearchLogged, [] { gf_log("parking fit: no stand search, no stands fitted"); });
        return;
    }
    g_standSearch(slot, real, span, found);
}

void lf_logFound(WeekSlot slot, bool real, std::uint64_t found, std::int32_t steps)
{
    const std::int32_t maxFit = param::MAX_FIT.value.load();
    const std::string scope = param::WEEK.on() ? std::string(", week") : fmt::format(", day {}", slot.day);
    gf_logf("{} {} position{} found, Max fit={} hours{} fit: {} hour, hh:{} or {} hrs", found, real ? "real" : "soft",
            found == 1 ? "" : "s", gf_hoursOfSteps(maxFit), scope, gf_hoursOfSteps(steps), slot.slot, gf_hoursOfSteps(slot.slot));
}

// Drops the last count entries when there are that many.
void lf_dropLast(std::vector<StandCandidate>& list, std::int64_t count)
{
    if (count >= 1 && static_cast<std::uint64_t>(count) <= list.size())
        list.resize(list.size() - static_cast<std::size_t>(count));
}

} // namespace

void gf_setStandSearch(StandSearch search) { g_standSearch = search; }

double gf_hoursOfSteps(std::int64_t halfHours) { return static_cast<double>(halfHours) * 0.5 + 0.5; }

ParkCount gf_parkCountFor(std::int32_t pct, std::uint64_t stands, std::int32_t maxPark)
{
    ParkCount r;
    if (stands > 1 && (stands > 3 || pct >= 50))
        r.count = std::llround(static_cast<double>(static_cast<std::int64_t>(pct) * static_cast<std::int64_t>(stands)) /
                               100.0);
    else
        r.count = 1;
    if (maxPark != -1) {
        r.count = std::min<std::int64_t>(r.count, maxPark);
        r.percent = lf_roundedPercent(r.count, stands);
    } else {
        r.percent = pct;
    }
    return r;
}

WeekSlot gf_windowStart(WeekSlot now, std::int32_t back)
{
    auto slot = static_cast<std::int32_t>(now.slot) - back;
    std::uint32_t day = now.day;
    while (slot < 0) {
        slot += static_cast<std::int32_t>(kSlotsPerDay);
        day = day <= 1 ? 7 : day - 1;
    }
    return {day, static_cast<std::uint32_t>(slot)};
}

namespace {

// The week wraps between Sunday and Monday: Sunday against a Monday window lies before it, Monday
// against a Sunday window after it.
bool lf_parkedEarlier(WeekSlot parked, WeekSlot windowStart, bool sameSlotCounts)
{
    if (parked.day == 7 && windowStart.day == 1) return true;
    if (parked.day == 1 && windowStart.day == 7) return false;
    if (parked.day != windowStart.day) return parked.day < windowStart.day;
    return sameSlotCounts ? parked.slot <= windowStart.slot : parked.slot < windowStart.slot;
}

} // namespace

bool gf_parkedAtOrBefore(WeekSlot parked, WeekSlot windowStart) { return lf_parkedEarlier(parked, windowStart, true); }
bool gf_parkedBefore(WeekSlot parked, WeekSlot windowStart) { return lf_parkedEarlier(parked, windowStart, false); }

WeekSlot lf_weekSlotNow()
{
    const WeekSlot now = g_nowWeekSlot.load();
    gf_logf("\n{} (utc) It is day {} ({}), {} hours", gf_simTimeStamp(), now.day, lf_dayName(now.day),
            gf_hoursOfSteps(now.slot));
    return now;
}

std::int64_t lf_parkCount()
{
    const std::int32_t custom = param::CUSTOM_PARKING_PERCENTAGE.value.load();
    const std::int32_t pct = custom >= 0 ? custom : param::parking_percentage.value.load();
    const ParkCount r = gf_parkCountFor(pct, g_stands.size(), param::CUSTOM_MAX_PARK.value.load());
    g_parkCount = static_cast<std::int32_t>(r.count);
    g_achievedParkPercent = r.percent;
    gf_showParking([&](ParkingDisplay& d) {
        d.parkCount = g_parkCount;
        d.achievedPercent = g_achievedParkPercent;
    });
    return r.count;
}

std::uint64_t gf_takenStandCount()
{
    return static_cast<std::uint64_t>(std::count_if(g_stands.begin(), g_stands.end(), [](const ParkPos& p) { return p.taken; }));
}

bool lf_fitStands(WeekSlot slot, bool real, std::int64_t wanted, std::vector<StandCandidate>& found)
{
    const std::uint64_t before = gf_takenStandCount();
    gf_beginStandSearch();
    const auto end = gsl::finally([] { gf_endStandSearch(); });
    const std::int32_t maxFit = std::clamp(param::MAX_FIT.value.load(), 0, 47);
    bool enough = false;
    std::int32_t k = 0;
    for (;; ++k) {
        lf_search(gf_windowStart(slot, k), real, k, found);
        if (static_cast<std::int64_t>(gf_takenStandCount()) >= wanted) {
            enough = true;
            break;
        }
        g_standCandidates.insert(g_standCandidates.end(), std::make_move_iterator(found.begin()),
                                 std::make_move_iterator(found.end()));
        found.clear();
        if (k >= maxFit) break;
    }
    if (real) {
        g_realFitSteps = k;
        g_softFitSteps = -1;
    } else {
        g_softFitSteps = k;
    }
    const std::uint64_t taken = gf_takenStandCount() - before;
    if (taken >= 1) lf_logFound(slot, real, taken, k);
    const bool soft = !real && taken >= 1;
    gf_showParking([soft](ParkingDisplay& d) { d.softParking = soft; });
    return enough;
}

void lf_fitAndTrim(WeekSlot slot, std::int64_t wanted, std::int64_t others, bool real)
{
    std::vector<StandCandidate> found;
    found.reserve(kStandCandidatesReserve);
    if (!lf_fitStands(slot, real, wanted, found)) return;
    const std::int64_t room = wanted - others;
    // More found than there is room for: which of the last step's stands stay is drawn at random.
    const std::int64_t excess = static_cast<std::int64_t>(g_standCandidates.size() + found.size()) - room;
    if (excess >= 1 && !found.empty()) {
        std::shuffle(found.begin(), found.end(), gf_randomEngine());
        lf_dropLast(found, std::min<std::int64_t>(excess, static_cast<std::int64_t>(found.size())));
    }
    g_standCandidates.insert(g_standCandidates.end(), std::make_move_iterator(found.begin()),
                             std::make_move_iterator(found.end()));
    lf_dropLast(g_standCandidates, static_cast<std::int64_t>(g_standCandidates.size()) - std::max<std::int64_t>(room, 0));
}

void lf_fitRealThenSoft(WeekSlot slot, std::int64_t wanted, std::int64_t have)
{
    g_realFitSteps = 0;
    g_softFitSteps = -1;
    // have counts the candidates already listed; they are counted once, in the list.
    const std::int64_t others = std::max<std::int64_t>(0, have - static_cast<std::int64_t>(g_standCandidates.size()));
    lf_fitAndTrim(slot, wanted, others, true);
    if (static_cast<std::int64_t>(g_standCandidates.size()) + others < wanted &&
        (param::PARK_SOFT.on() || param::PARK_FAKE.on()))
        lf_fitAndTrim(slot, wanted, others, false);
}

void gf_resetParkingFit()
{
    g_parkCount = 0;
    g_achievedParkPercent = 0;
    g_realFitSteps = 0;
    g_softFitSteps = -1;
    g_standCandidates.clear();
}

} // namespace zyn
