#include "bench/bench_stands.h"

#include "airport/park_airport_state.h"
#include "airport/park_pos.h"

#include <random>
#include <string>
#include <vector>

namespace zyn::bench {

void gf_fillBenchStands()
{
    std::mt19937 random(5);
    g_stands.clear();
    for (std::size_t i = 0; i < kBenchStands; ++i) {
        const LatLon at = gf_destinationPoint(gf_destinationPoint(kBenchCentre, 0.0, (i / 40) * 80.0 * 3.28084),
                                              kPi / 2, (i % 40) * 80.0 * 3.28084);
        g_stands.emplace_back("S" + std::to_string(i), std::vector<ParkPosOption>{}, at.lat, at.lon, 0.0,
                              20.0 + static_cast<double>(i % 3) * 8.0, i % 7 == 0 ? 0 : 1, i % 5 == 0 ? 0 : 1, 1);
    }
    for (std::size_t n = 0; n < kBenchOptions; ++n) {
        auto& stand = g_stands[random() % kBenchStands];
        ParkPosOption option;
        option.airline = n % 2 ? "SWR" : "DLH";
        option.type = "A320";
        option.registration = "HB-" + std::to_string(n);
        option.callsign = "SWR" + std::to_string(n);
        option.halfHours = std::uint64_t{1} << (random() % 48);
        option.number = static_cast<std::uint32_t>(stand.options.size() + 1);
        option.day = static_cast<std::int32_t>(random() % 7 + 1);
        option.real = 1;
        stand.options.push_back(std::move(option));
    }
    gf_numberStands(g_stands);
    gf_linkOverlappingStands(g_stands);
    gf_setParkAirport({"LSZH", "ZRH", kBenchCentre.lat, kBenchCentre.lon, 1400.0});
}

} // namespace zyn::bench
