#include "engine/stand_options.h"

#include "aircraft/aircraft_db.h"
#include "base/log.h"
#include "shown/display_texts.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace zyn {

std::int32_t g_learnedStandUpdates = 0;

namespace {

constexpr std::int32_t kLearnReach = 5; // half hours within which a second sighting extends a use

std::uint64_t lf_slotBit(std::uint32_t slot)
{
    if (slot >= kSlotsPerDay)
        throw std::out_of_range("invalid bitset position");
    return std::uint64_t{1} << slot;
}

bool lf_slotSet(const ParkPosOption& option, std::uint32_t slot) { return (option.halfHours & lf_slotBit(slot)) != 0; }

std::string_view lf_withoutGhostMark(std::string_view callsign)
{
    if (!callsign.empty() && callsign.back() == '_')
        callsign.remove_suffix(1);
    return callsign;
}

ParkPosOption* lf_optionByNumber(ParkPos& stand, std::uint32_t number)
{
    if (number == 0)
        return nullptr;
    const auto it = std::find_if(stand.options.begin(), stand.options.end(),
                                 [number](const ParkPosOption& o) { return o.number == number; });
    return it == stand.options.end() ? nullptr : &*it;
}

std::uint32_t lf_nextOptionNumber(const ParkPos& stand)
{
    std::uint32_t highest = 0;
    for (const auto& option : stand.options)
        highest = std::max(highest, option.number);
    return highest + 1;
}

std::uint32_t lf_nextDay(std::uint32_t day) { return day >= 7 ? 1 : day + 1; }

// The slots of the span half hours up to now, earliest first; a slot of the day before goes to
// number, today's to todayNumber.
void lf_setSpan(ParkPos& stand, WeekSlot now, std::int32_t span, std::uint32_t number, std::uint32_t todayNumber)
{
    for (std::int32_t back = span - 1; back >= 0; --back) {
        const std::int32_t slot = static_cast<std::int32_t>(now.slot) - back;
        ParkPosOption* option = lf_optionByNumber(stand, slot < 0 ? number : todayNumber);
        if (option)
            updateOption(*option, static_cast<std::uint32_t>(slot < 0 ? slot + kSlotsPerDay : slot));
    }
}

ParkPos* lf_standById(std::uint32_t standId) { return g_stands.empty() ? nullptr : gf_standBySid(standId); }

std::unordered_map<std::uint32_t, SeenAt>& lf_seenMap(ParkPos& stand, bool real)
{
    return real ? stand.realSeen : stand.softSeen;
}

bool lf_sameWeekSlot(const SeenAt& seen, WeekSlot now)
{
    return seen.day == static_cast<std::int32_t>(now.day) && seen.slot == static_cast<std::int32_t>(now.slot);
}

// Who was learned at the stand when: the seen entry of the aircraft after its option was used.
void lf_updateSeen(ParkPos& stand, const AcRecord& a, bool learn, WeekSlot now, bool forget, std::uint32_t number,
                   bool real)
{
    auto& seen = lf_seenMap(stand, real);
    const auto entry = seen.find(a.hexId);
    if (!learn) {
        if (forget && entry != seen.end())
            seen.erase(entry);
        return;
    }
    if (entry == seen.end()) {
        if (!forget)
            seen[a.hexId] = SeenAt{static_cast<std::int32_t>(now.day), static_cast<std::int32_t>(now.slot),
                                   static_cast<std::int32_t>(number)};
        return;
    }
    if (!lf_sameWeekSlot(entry->second, now))
        lf_learnStandSlot(now, stand, static_cast<std::uint32_t>(entry->second.number), entry->second, a, real);
    if (forget)
        seen.erase(a.hexId);
}

bool lf_addOptionOfKind(std::uint32_t standId, const AcRecord& a, bool learn, WeekSlot now, bool forget, bool real)
{
    const char* name = real ? "lf_addRealParkPosOption" : "lf_addSoftParkPosOption";
    try {
        ParkPos* stand = lf_standById(standId);
        if (!stand || a.head.registration.empty() || a.head.callsign.empty())
            return false;
        const auto option = std::find_if(stand->options.begin(), stand->options.end(), [&](const ParkPosOption& o) {
            return o.number != 0 && (o.real != 0) == real && o.day == static_cast<std::int32_t>(now.day) &&
                   o.registration == a.head.registration;
        });
        if (option != stand->options.end()) {
            const bool isSet = lf_slotSet(*option, now.slot);
            if (option->archived != 0 && !isSet)
                return false;
            if (!real && (isSet || option->archived != 0))
                return false;
            option->halfHours |= lf_slotBit(now.slot);
            lf_updateSeen(*stand, a, learn, now, forget, option->number, real);
        } else {
            const std::uint32_t number =
                gf_addParkPosOption(*stand, a, real, now, a.head.callsign, a.head.registration);
            if (number == 0)
                return false;
            lf_seenMap(*stand, real)[a.hexId] =
                SeenAt{static_cast<std::int32_t>(now.day), static_cast<std::int32_t>(now.slot),
                       static_cast<std::int32_t>(number)};
        }
        gf_countStandUpdate();
        return true;
    } catch (const std::out_of_range& e) {
        gf_logf("{}: hh_now: {}, {}", name, now.slot, e.what());
        return false;
    } catch (const std::exception& e) {
        gf_logf("{}: {}", name, e.what());
        throw;
    }
}

} // namespace

void gf_countStandUpdate()
{
    const std::int32_t count = ++g_learnedStandUpdates;
    gf_showParking([count](ParkingDisplay& shown) { shown.updates = count; });
}

std::uint32_t gf_addParkPosOption(ParkPos& stand, const AcRecord& a, bool real, WeekSlot now,
                                  std::string_view callsign, std::string_view registration)
{
    callsign = lf_withoutGhostMark(callsign);
    const std::uint64_t bits = lf_slotBit(now.slot);
    AcHead names;
    names.airline = a.head.airline;
    names.type = a.head.type;
    if (const auto known = gf_findRegistration(registration))
        gf_takeRegistrationNames(names, *known);
    const bool present = std::any_of(stand.options.begin(), stand.options.end(), [&](const ParkPosOption& o) {
        return o.registration == registration && o.day == static_cast<std::int32_t>(now.day) &&
               (o.real != 0) == real && o.callsign == callsign;
    });
    if (present)
        return 0;
    ParkPosOption option;
    option.airline = std::move(names.airline);
    option.type = std::move(names.type);
    option.registration = std::string(registration);
    option.callsign = std::string(callsign);
    option.halfHours = bits;
    option.number = lf_nextOptionNumber(stand);
    option.day = static_cast<std::int32_t>(now.day);
    option.real = real ? 1 : 0;
    stand.options.push_back(std::move(option));
    return stand.options.back().number;
}

void updateOption(ParkPosOption& option, std::uint32_t slot)
{
    try {
        option.halfHours |= lf_slotBit(slot);
    } catch (const std::out_of_range& e) {
        gf_logf("{} \"{}\" \"{}\" bit:{} exception:{}", "updateOption", option.callsign, option.callsign2, slot,
                e.what());
    }
}

bool gf_findSlotBefore(const ParkPosOption& option, std::int32_t start, std::int32_t span, std::int32_t& overflow)
{
    overflow = -1;
    try {
        if (start < 0)
            throw std::out_of_range("invalid bitset position");
        for (std::int32_t slot = start; slot >= std::max(0, start - span); --slot)
            if (lf_slotSet(option, static_cast<std::uint32_t>(slot)))
                return true;
    } catch (const std::out_of_range& e) {
        gf_logf("{}exception {} in testRange, start: {}, offset: {}", "===> ", e.what(), start, span);
        return false;
    }
    if (start - span < 0)
        overflow = std::min(span - start, static_cast<std::int32_t>(kSlotsPerDay) - 2);
    return false;
}

bool gf_sameKeyPair(const ParkPosOption& a, const ParkPosOption& b) { return a.airline == b.airline && a.type == b.type; }
bool gf_sameKeyPair(const ParkPosOption& option, const AcRecord& a)
{
    return option.airline == a.head.airline && option.type == a.head.type;
}

bool lf_matchOptionRecord(std::string_view callsign, const AcRecord& a, const ParkPosOption& option)
{
    if (option.number == 0 || option.real == 0)
        return false;
    if (!callsign.empty() && (option.callsign == callsign || option.callsign2 == callsign))
        return true;
    return gf_sameKeyPair(option, a);
}

void lf_setOptionCallsign(ParkPos& stand, std::uint32_t number, std::string_view name)
{
    name = lf_withoutGhostMark(name);
    ParkPosOption* option = lf_optionByNumber(stand, number);
    if (name.empty() || !option)
        return;
    if (option->callsign.empty()) {
        option->callsign = std::string(name);
        return;
    }
    if (name == option->callsign || (!option->callsign2.empty() && name == option->callsign2))
        return;
    option->callsign2 = std::string(name);
}

void gf_collectSlotOptions(ParkPos& stand, WeekSlot now, std::string_view name, std::int32_t span,
                           std::uint32_t number)
{
    lf_setSpan(stand, now, span, number, number);
    lf_setOptionCallsign(stand, number, name);
}

void gf_collectSlotOptionsRange(ParkPos& stand, WeekSlot now, std::string_view name, std::int32_t span,
                                std::uint32_t number, std::uint32_t nextDayNumber)
{
    lf_setSpan(stand, now, span, number, nextDayNumber);
    lf_setOptionCallsign(stand, number, name);
    lf_setOptionCallsign(stand, nextDayNumber, name);
}

bool lf_addRealParkPosOption(std::uint32_t standId, const AcRecord& a, bool learn, WeekSlot now, bool forget)
{
    return lf_addOptionOfKind(standId, a, learn, now, forget, true);
}

bool lf_addSoftParkPosOption(std::uint32_t standId, const AcRecord& a, bool learn, WeekSlot now, bool forget)
{
    return lf_addOptionOfKind(standId, a, learn, now, forget, false);
}

void lf_learnStandSlot(WeekSlot now, ParkPos& stand, std::uint32_t number, SeenAt& seen, const AcRecord& a, bool real)
{
    const auto day = static_cast<std::int32_t>(now.day);
    const auto slot = static_cast<std::int32_t>(now.slot);
    const bool sameDay = seen.day == day;
    const bool nextDay = static_cast<std::int32_t>(lf_nextDay(static_cast<std::uint32_t>(seen.day))) == day;
    std::int32_t k = 1;
    for (; k <= kLearnReach; ++k)
        if ((sameDay && (seen.slot + k) % static_cast<std::int32_t>(kSlotsPerDay) == slot) ||
            (nextDay && slot - seen.slot + static_cast<std::int32_t>(kSlotsPerDay) == k))
            break;
    if (k > kLearnReach)
        return;
    if (sameDay) {
        gf_collectSlotOptions(stand, now, a.head.callsign, k, number);
    } else {
        const std::uint32_t added = gf_addParkPosOption(stand, a, real, now, a.head.callsign, a.head.registration);
        if (added > 0) {
            gf_collectSlotOptionsRange(stand, now, a.head.callsign, k, number, added);
            seen.number = static_cast<std::int32_t>(added);
        }
    }
    seen.day = day;
    seen.slot = slot;
}

bool gf_usedNearSlot(const ParkPos& stand, const AcRecord& a, WeekSlot now)
{
    if (a.head.registration.empty() || now.slot >= kSlotsPerDay)
        return false;
    const std::uint32_t before = now.slot == 0 ? kSlotsPerDay - 1 : now.slot - 1;
    const std::uint32_t after = now.slot + 1 == kSlotsPerDay ? 0 : now.slot + 1;
    const std::uint64_t nearSlots = lf_slotBit(now.slot) | lf_slotBit(before) | lf_slotBit(after);
    return std::any_of(stand.options.begin(), stand.options.end(), [&](const ParkPosOption& o) {
        return o.number >= 1 && o.day == static_cast<std::int32_t>(now.day) && o.real == 1 &&
               o.registration == a.head.registration && (o.halfHours & nearSlots) != 0;
    });
}

std::string lf_routeText(const AcRecord& a)
{
    if (a.head.origin.empty() && a.head.destination.empty())
        return std::string(8, ' ');
    return fmt::format("{:3}->{:3}", a.head.origin, a.head.destination);
}

bool lf_isRealCallsign(const AcRecord& a)
{
    const std::string& callsign = a.head.callsign;
    return !callsign.empty() && callsign != "@@@@@@@@" && callsign.size() < 9;
}

bool gf_callsignAirline(AcRecord& a)
{
    const std::string& callsign = a.head.callsign;
    const auto letter = [](char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; };
    if (callsign.size() < 4 || !letter(callsign[0]) || !letter(callsign[1]) || !letter(callsign[2]) ||
        std::isdigit(static_cast<unsigned char>(callsign[3])) == 0)
        return false;
    a.head.airline = callsign.substr(0, 3);
    for (char& c : a.head.airline)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return true;
}

} // namespace zyn
