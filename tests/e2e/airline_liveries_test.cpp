// An AI traffic package of airline liveries only, as installed packages are, flown end to end in this
// process (tests/e2e/live_traffic_fixture.h): the flights of those airlines wear them, whether the
// database knows their registration or only their callsign tells the airline.
#include "tests/e2e/live_traffic_fixture.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace zyn::test {
namespace {

TEST_F(LiveTrafficThreads, AirlineLiveriesOnlyDressTheirAirlinesFlights)
{
    liveries.emplace(demoLiveries({"DLH", "RYR", "KLM", "UAE", "EWG"}));
    std::map<std::string, std::string> titleOfAirline;
    for (const auto& l : tools::gf_demoLiveryList())
        titleOfAirline[l.airline] = l.title;
    startTraffic();
    ASSERT_FALSE(HasFatalFailure());
    runFor(240);

    std::set<std::string> created;
    for (const auto& o : aiObjects()) {
        const std::string airline = o.atcId.substr(0, 3);
        EXPECT_EQ(o.title, titleOfAirline[airline]) << o.atcId << " in its airline's livery";
        created.insert(o.atcId);
    }
    // Arrivals and overflights reported from the start: registrations the database knows (DLH5KM,
    // RYR82QT, EWG9PW), one it does not (KLM1723) and none (UAE86).
    for (const char* callsign : {"DLH5KM", "RYR82QT", "EWG9PW", "KLM1723", "UAE86"})
        EXPECT_TRUE(created.contains(callsign)) << callsign << " never created";

    removeAllAndWait();
    for (const auto& o : aiObjects()) EXPECT_TRUE(o.removed) << o.atcId << " left in the simulator";
}

} // namespace
} // namespace zyn::test
