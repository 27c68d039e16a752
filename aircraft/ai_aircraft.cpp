#include "aircraft/ai_aircraft.h"

#include "aircraft/aircraft_db.h"
#include "aircraft/category_tables.h"
#include "base/geo.h"
#include "base/random_util.h"
#include "base/text_util.h"

#include <cctype>

#include <fmt/format.h>

namespace zyn {

AiAcRecord::AiAcRecord(const AcRecord& aircraft, std::uint32_t standId, double lat, double lon, double heading,
                       std::uint8_t cargoStand)
    : AcRecord(aircraft), initLat(lat), initLon(lon), initHeading(heading), standId(standId), cargoStand(cargoStand)
{
}

namespace {

std::string lf_paddedCallsign(const AcRecord& a) { return fmt::format("{:8}", a.head.callsign); }

std::string lf_typeAndAirline(const AcRecord& a) { return fmt::format("{:3} {:4}", a.head.type, a.head.airline); }

std::string lf_routeText(const AcHead& h)
{
    if (h.origin.empty() && h.destination.empty())
        return std::string(8, ' ');
    return fmt::format("{:3}->{:3}", h.origin, h.destination);
}

} // namespace

AcRecord gf_makeAiAircraft(const AcHead& head)
{
    AcRecord aircraft;
    aircraft.head = head;
    aircraft.halfWingspanNm = gf_wingspan(head.type);
    gf_setCategoryValues(aircraft, gf_aircraftCategory(head.type));
    return aircraft;
}

void gf_setCategoryValues(AcRecord& aircraft, AcCategory category)
{
    const auto& c = gf_categoryConstants(static_cast<std::uint32_t>(category));
    aircraft.category = category;
    aircraft.flareTicks = c.flareTicks;
    aircraft.touchdownTicks = c.touchdownTicks;
    aircraft.rotationTicks = c.rotationTicks;
    aircraft.climbTransitionTicks = c.climbTransitionTicks;
    aircraft.rotationPitch = gf_randomPercent(c.rotationPitchDeg, 2.5) * kDegToRad;
    aircraft.climbPitch = gf_randomPercent(c.climbPitchDeg, 5.0) * kDegToRad;
}

void gf_setLiveCategoryValues(AcRecord& aircraft)
{
    const auto& c = gf_categoryConstants(aircraft.categoryCode());
    aircraft.turnRateBase = c.turnRatePerTick;
    aircraft.turnRate = c.turnRatePerTick;
    aircraft.categoryFactor = c.categoryFactor;
    aircraft.categorySpeedStep = c.categorySpeedStep;
}

std::string gf_acDescriptionLong(const AcRecord& a)
{
    return fmt::format("{} {:8} {}", lf_paddedCallsign(a), a.head.registration, lf_routeText(a.head));
}

std::string gf_acDescription(const AcRecord& a)
{
    return fmt::format("{} {}", gf_acDescriptionLong(a), lf_typeAndAirline(a));
}

std::string gf_acDescription3(const AcRecord& a)
{
    return fmt::format("{} {} {}", lf_paddedCallsign(a), a.head.registration, lf_typeAndAirline(a));
}

std::string gf_acTextWithSuffix(const AcRecord& a) { return lf_typeAndAirline(a) + " " + a.head.registration; }

std::optional<std::string> gf_airlinePrefix(std::string_view callsign)
{
    const auto letter = [](char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; };
    if (callsign.size() < 4 || !letter(callsign[0]) || !letter(callsign[1]) || !letter(callsign[2]) ||
        !std::isdigit(static_cast<unsigned char>(callsign[3])))
        return std::nullopt;
    return gf_toUpper(callsign.substr(0, 3));
}

void gf_weekSlotsBack(WeekSlot start, std::uint32_t count, std::vector<WeekSlot>& out)
{
    WeekSlot w = start;
    for (std::uint32_t i = 0; i < count; ++i) {
        out.push_back(w);
        if (w.slot > 0) {
            --w.slot;
        } else {
            w.slot = 47;
            w.day = w.day <= 1 ? 7 : w.day - 1;
        }
    }
}

} // namespace zyn
