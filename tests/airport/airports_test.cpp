#include "airport/airports.h"
#include "airport/apf_locations.h"
#include "base/errors.h"
#include "tests/airport/airport_fixture.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <algorithm>
#include <random>

namespace zyn {
namespace {

namespace fs = std::filesystem;

class AirportsDatabase : public test::AirportFixture {
protected:
    AirportsDatabase() { gf_resetAirports(); }
    ~AirportsDatabase() override { gf_resetAirports(); }
    void writeDatabase(const std::string& entries)
    {
        test::writeText("input/airports_msfs.xml", "<airports>\n" + entries + "</airports>\n");
    }
    static std::string entry(const std::string& code, double lat, double lon, const std::string& extra = "alt=\"100\"")
    {
        return fmt::format("<airport code=\"{}\" lat=\"{:.8f}\" lon=\"{:.8f}\" {}/>\n", code, lat, lon, extra);
    }
    std::vector<std::string> codes() const
    {
        std::vector<std::string> list;
        for (const auto& a : g_airports)
            list.push_back(a.icao);
        return list;
    }
};

TEST_F(AirportsDatabase, ReadsGoodAirportsSortedAndSkipsBrokenOnes)
{
    writeDatabase(entry("KJFK", 40.64, -73.78, "alt=\"13\" iata=\"JFK\"") + entry("EDDF", 50.03, 8.57) +
                  entry("EDDF", 51.0, 9.0, "alt=\"1\"") + entry("00AK", 59.9, -151.7) +
                  "<airport code=\"NOLA\" lon=\"1\" alt=\"1\"/>\n" + entry("LONX", 1.0, 0.0, "alt=\"x\"") +
                  entry("POLE", 91.0, 0.0) + entry("HIGH", 1.0, 1.0, "alt=\"99999\"") + entry("", 1.0, 1.0) +
                  entry("../X", 1.0, 1.0) + entry("ED F", 1.0, 1.0) + entry("NANA", 0.0, 0.0, "alt=\"nan\""));
    EXPECT_TRUE(gf_readAirports());
    EXPECT_EQ(codes(), (std::vector<std::string>{"00AK", "EDDF", "EDDF", "KJFK"}));
    EXPECT_EQ(g_airports[1].lat, 50.03); // equal codes keep their file order
    EXPECT_EQ(g_airports[3].iata, "JFK");
    EXPECT_EQ(g_airports[3].altitude, 13.0);
    for (const char* line : {"===> input/airports_msfs.xml: airport \"NOLA\": lat missing, skipped",
                             "===> input/airports_msfs.xml: airport \"LONX\": alt \"x\" is no number, skipped",
                             "===> input/airports_msfs.xml: airport \"POLE\": lat 91 out of range, skipped",
                             "===> input/airports_msfs.xml: airport \"HIGH\": alt 99999 out of range, skipped",
                             "===> input/airports_msfs.xml: airport 9: no code, skipped",
                             "===> input/airports_msfs.xml: airport \"../X\": code of other characters than letters and digits, skipped",
                             "===> input/airports_msfs.xml: airport \"NANA\": alt \"nan\" is no number, skipped",
                             "4 airports read from \"input/airports_msfs.xml\""})
        EXPECT_TRUE(logHas(line)) << line;
    writeDatabase(entry("ZZZZ", 1.0, 1.0));
    EXPECT_TRUE(gf_readAirports()); // read once per run
    EXPECT_EQ(g_airports.size(), 4u);
}

TEST_F(AirportsDatabase, FileThatCannotBeReadIsAUserErrorAndLeavesNothing)
{
    const struct {
        const char* content; // nullptr: no file
        const char* message;
    } rows[] = {
        {nullptr, "88: input/airports_msfs.xml not loaded File was not found"},
        {"<airports><airport code=\"EDDF\" lat=\"1\" lon=\"1\" alt=\"1\"/><airport code=",
         "88: input/airports_msfs.xml not loaded "},
        {"<airportz/>", "88: input/airports_msfs.xml not found"},
    };
    for (const auto& row : rows) {
        fs::remove("input/airports_msfs.xml");
        if (row.content)
            test::writeText("input/airports_msfs.xml", row.content);
        try {
            gf_readAirports();
            ADD_FAILURE() << row.message;
        } catch (const UserErrorException& e) {
            EXPECT_EQ(e.code(), 88);
            EXPECT_TRUE(std::string(e.what()).starts_with(row.message)) << e.what();
        }
        EXPECT_TRUE(g_airports.empty());
        EXPECT_FALSE(g_airportsRead.load());
    }
    writeDatabase(entry("EDDF", 50.03, 8.57));
    EXPECT_TRUE(gf_readAirports());
    EXPECT_EQ(codes(), std::vector<std::string>{"EDDF"}); // nothing left over from the failed reads
}

TEST_F(AirportsDatabase, FindsTheFirstAirportOfExactlyThatCode)
{
    writeDatabase(entry("EDDF", 50.03, 8.57) + entry("EDDF", 51.0, 9.0) + entry("EDDM", 48.35, 11.78));
    ASSERT_TRUE(gf_readAirports());
    EXPECT_EQ(gf_findAirport("EDDF")->lat, 50.03);
    EXPECT_EQ(gf_findAirport("EDDM")->lon, 11.78);
    EXPECT_FALSE(gf_findAirport("eddf"));
    EXPECT_FALSE(gf_findAirport("EDD"));
    EXPECT_FALSE(gf_findAirport(""));
}

TEST_F(AirportsDatabase, ClosestAirportTakesTheNeighbourWithTheNearerStand)
{
    // Along the equator, 1/60 degree is one nautical mile.
    const double nm = 1.0 / 60.0;
    writeDatabase(entry("AAAA", 0.0, 3.0 * nm) + entry("BBBB", 0.0, 1.0 * nm) + entry("FARR", 0.0, 30.0 * nm));
    ASSERT_TRUE(gf_readAirports());
    // AAAA is walked first and is best until the nearer BBBB takes over: AAAA is the neighbour.
    auto stock = [&](double standNm) {
        return tools::ApfSpec{.parameters = test::stockParameters(),
                              .stands = {test::fullStand("FAR", 0.0, 40.0 * nm), test::fullStand("S1", 0.0, standNm * nm)}};
    };
    const struct {
        const char* name;
        double userNm;
        double aaaaStandNm;
        double bbbbStandNm;
        const char* closest;
    } rows[] = {
        {"the nearer airport's stand is nearer", 0.0, 2.0, 0.5, "BBBB"},
        {"the neighbour's stand is nearer", 0.0, 0.2, 0.5, "AAAA"},
        {"equally near stands: the nearer airport", 0.0, 0.5, -0.5, "BBBB"},
    };
    for (const auto& row : rows) {
        gf_resetApfProbes();
        serveApf("MSFS/archive/stock/AAAA.xml", stock(row.aaaaStandNm));
        serveApf("MSFS/archive/stock/BBBB.xml", stock(row.bbbbStandNm));
        EXPECT_EQ(gf_closestAirport({0.0, row.userNm * nm}).airport->icao, row.closest) << row.name;
    }
    // Asked again in the same session (every 16 seconds), the files already fetched are not fetched again.
    const auto fetches = [&] {
        return std::ranges::count_if(server.requests(), [](const auto& r) { return r.path.ends_with("AAAA.xml"); });
    };
    const auto before = fetches();
    EXPECT_EQ(gf_closestAirport({0.0, 0.0}).airport->icao, "BBBB");
    EXPECT_EQ(fetches(), before);
    // Logged as each row's choice changed, not again for the same choice.
    EXPECT_EQ(std::ranges::count(logLines(), "Airport BBBB is closest, neighbour is AAAA"), 3);
    EXPECT_TRUE(logHas("Airport BBBB is closest, but stand S1 at neighbouring airport AAAA is closest at 370 meters ..."));
    gf_resetApfProbes(); // the session ends: what it fetched goes with it
    for (const auto& entry : fs::directory_iterator(programDir.path()))
        EXPECT_FALSE(entry.path().filename().string().find(".tmp") != std::string::npos) << entry.path();
}

TEST_F(AirportsDatabase, ClosestAirportWithoutNeighbourReadsNoFile)
{
    const double nm = 1.0 / 60.0;
    writeDatabase(entry("AAAA", 0.0, 1.0 * nm) + entry("BBBB", 0.0, 3.0 * nm) + entry("CCCC", 0.0, 20.0 * nm));
    ASSERT_TRUE(gf_readAirports());
    const struct {
        double userNm;
        const char* closest; // empty: none
    } rows[] = {
        {0.0, "AAAA"},      // BBBB lies farther and comes later: no neighbour
        {-3.9999, "AAAA"},  // 4.9999 NM from AAAA
        {-4.0001, ""},      // 5.0001 NM: too far
        {12.0, ""},
        {24.5, "CCCC"},
    };
    for (const auto& row : rows) {
        const auto closest = gf_closestAirport({0.0, row.userNm * nm}).airport;
        EXPECT_EQ(closest ? closest->icao : "", row.closest) << row.userNm;
    }
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(AirportsDatabase, IndexFindsWhatAWalkOverEveryAirportFinds)
{
    const auto generated = tools::gf_generateAirports(40000, 5);
    test::writeText("input/airports_msfs.xml", tools::gf_airportsXml(generated));
    ASSERT_TRUE(gf_readAirports());
    ASSERT_EQ(g_airports.size(), 40000u);
    std::mt19937 random(9);
    std::size_t withNeighbour = 0;
    for (int i = 0; i < 400; ++i) {
        const auto& picked = generated[random() % generated.size()];
        const LatLon at{picked.lat + std::uniform_real_distribution<double>(-0.08, 0.08)(random),
                        picked.lon + std::uniform_real_distribution<double>(-0.1, 0.1)(random)};
        std::optional<std::size_t> best, neighbour;
        double bestNm = 100.0;
        for (std::size_t a = 0; a < g_airports.size(); ++a) {
            const double d = gf_distanceNm(at, {g_airports[a].lat, g_airports[a].lon});
            if (d <= 5.0 && d < bestNm) {
                neighbour = best;
                best = a;
                bestNm = d;
            }
        }
        const NearAirports found = gf_nearAirports(at);
        ASSERT_EQ(found.best, best) << at.lat << " " << at.lon;
        ASSERT_EQ(found.neighbour, neighbour) << at.lat << " " << at.lon;
        withNeighbour += neighbour ? 1 : 0;
    }
    EXPECT_GT(withNeighbour, 3u); // the generated airports lie close enough together to have neighbours
}

TEST_F(AirportsDatabase, NamesKeepTheFirstOfACode)
{
    EXPECT_FALSE(gf_readAirportNames()); // no file: nothing, no error
    test::writeText("input/airports_msfs_names.xml",
                    "<AirportNames><airport ICAO=\"EDDF\" name=\"Frankfurt\"/><airport ICAO=\"EDDF\" name=\"Other\"/>"
                    "<airport ICAO=\"KJFK\" name=\"Kennedy\"/></AirportNames>");
    EXPECT_TRUE(gf_readAirportNames());
    EXPECT_EQ(g_airportNames.at("EDDF"), "Frankfurt");
    EXPECT_EQ(g_airportNames.size(), 2u);
    EXPECT_TRUE(logHas("2 airport names read from \"input/airports_msfs_names.xml\""));
}

TEST(AirportLabels, LabelAndDashedWord)
{
    EXPECT_EQ(gf_displayLabel({"KJFK", "JFK"}), "KJFK (JFK)");
    EXPECT_EQ(gf_displayLabel({"EDDF", ""}), "EDDF");
    EXPECT_EQ(gf_displayLabel({"", "AMS"}), "? (AMS)");
    const AirportRecord eddf{"EDDF", "FRA"};
    for (const auto& [text, found] : std::vector<std::pair<const char*, bool>>{
             {"maker-EDDF-frankfurt", true}, {"maker-eddf-frankfurt", true}, {"makerEDDFfrankfurt", false},
             {"-EdDf-", false}, {"-EDDF", false}})
        EXPECT_EQ(lf_containsDashedWord(text, eddf), found) << text;
}

} // namespace
} // namespace zyn
