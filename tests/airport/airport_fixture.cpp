#include "tests/airport/airport_fixture.h"

#include "airport/apf_locations.h"
#include "airport/learned_merge.h"
#include "airport/park_airport_state.h"
#include "settings/settings.h"
#include "settings/traffic_range.h"

#include <fmt/format.h>

#include <algorithm>

namespace zyn::test {

namespace {

std::vector<IntParameter*> lf_airportInts()
{
    using namespace param;
    return {&LATERAL_RANGE, &MAX_LIVE, &parking_percentage, &MAX_FIT};
}

std::vector<BoolParameter*> lf_airportBools()
{
    using namespace param;
    return {&MSFS_2020, &AUTO_RANGE, &WEEK, &PARK_FAKE, &PARK_SOFT, &INITIAL_LOAD_ONLY, &RT_PARKTRAFFIC_ONLY, &LEARN_SOFT};
}

} // namespace

std::uint64_t slotBits(std::initializer_list<int> slots)
{
    std::uint64_t bits = 0;
    for (const int s : slots)
        bits |= std::uint64_t{1} << s;
    return bits;
}

ParkPosOption makeOption(std::string reg, std::string airline, std::string type, std::int32_t day,
                         std::initializer_list<int> slots, bool real)
{
    ParkPosOption option;
    option.registration = std::move(reg);
    option.airline = std::move(airline);
    option.type = std::move(type);
    option.day = day;
    option.halfHours = slotBits(slots);
    option.real = real ? 1 : 0;
    option.archived = 1;
    return option;
}

ParkPos makeStand(std::string id, double lat, double lon, double radiusMetres, std::vector<ParkPosOption> options)
{
    for (std::size_t i = 0; i < options.size(); ++i)
        options[i].number = static_cast<std::uint32_t>(i + 1);
    return ParkPos(std::move(id), std::move(options), lat, lon, 0.0, radiusMetres, 1, 1, 1);
}

tools::Attributes stockParameters(std::string airportName, std::string publisher, std::string altitude)
{
    return {{"airport_name", std::move(airportName)}, {"publisher", std::move(publisher)}, {"altitude", std::move(altitude)}};
}

tools::ParkposSpec fullStand(std::string id, double lat, double lon, tools::Attributes extra,
                             std::vector<tools::Attributes> options)
{
    tools::Attributes attributes{{"id", id},
                                 {"latitude", fmt::format("{:.6f}", lat)},
                                 {"longitude", fmt::format("{:.6f}", lon)},
                                 {"heading", "90.0"},
                                 {"radius", "20.0"}};
    for (auto& [name, value] : extra) {
        const auto it = std::ranges::find(attributes, name, &std::pair<std::string, std::string>::first);
        if (it != attributes.end())
            it->second = value;
        else
            attributes.emplace_back(name, value);
    }
    return {std::move(attributes), std::move(options)};
}

AirportFixture::AirportFixture()
{
    for (auto* p : lf_airportInts())
        m_savedInts.push_back(p->value.load());
    for (auto* p : lf_airportBools())
        m_savedBools.push_back(p->value.load());
    gf_setParkAirport({kCode, "", 50.0, 10.0, 300.0});
    gf_resetApfProbes();
    g_handmade = false;
    g_parkAirportLoaded = 0;
}

AirportFixture::~AirportFixture()
{
    const auto ints = lf_airportInts();
    for (std::size_t i = 0; i < ints.size(); ++i)
        ints[i]->value = m_savedInts[i];
    const auto bools = lf_airportBools();
    for (std::size_t i = 0; i < bools.size(); ++i)
        bools[i]->value = m_savedBools[i];
    gf_setTrafficRange(param::LATERAL_RANGE.value.load());
    gf_setParkAirport({});
    gf_resetApfProbes();
    g_handmade = false;
    g_parkAirportLoaded = 0;
}

bool AirportFixture::logContains(std::string_view text) const
{
    const auto lines = logLines();
    return std::ranges::any_of(lines, [&](const std::string& l) { return l.find(text) != std::string::npos; });
}

void AirportFixture::writeApf(const std::filesystem::path& path, const tools::ApfSpec& spec) const
{
    tools::gf_writeApfSpec(spec, programDir / path);
}

void AirportFixture::serveApf(const std::string& path, const tools::ApfSpec& spec)
{
    serve(path, tools::gf_apfXml(spec));
}

} // namespace zyn::test
