// The airport data generator: its databases and parking files read whole, its archive is served as
// the program looks for it, and the demonstration airport's data match the demonstration scenario.
#include "airport/airport_code.h"
#include "airport/airports.h"
#include "airport/apf_locations.h"
#include "airport/learned_merge.h"
#include "airport/park_airport_state.h"
#include "airport/quality_factor.h"
#include "base/folders.h"
#include "settings/settings.h"
#include "tests/airport/airport_fixture.h"
#include "tests/support/temp_dir.h"
#include "tools/scenario_gen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace zyn {
namespace {

namespace fs = std::filesystem;

class AirportGenerator : public test::AirportFixture {
protected:
    AirportGenerator() { gf_resetAirports(); }
    ~AirportGenerator() override { gf_resetAirports(); }
};

TEST_F(AirportGenerator, DatabaseHasUniqueValidCodesAndReadsWhole)
{
    const auto airports = tools::gf_generateAirports(3000, 3);
    std::set<std::string> codes;
    for (const auto& a : airports) {
        EXPECT_TRUE(gf_isAirportCode(a.code)) << a.code;
        codes.insert(a.code);
    }
    EXPECT_EQ(codes.size(), airports.size());
    EXPECT_EQ(tools::gf_airportsXml(tools::gf_generateAirports(3000, 3)), tools::gf_airportsXml(airports));
    EXPECT_EQ(gf_parseAirports(tools::gf_airportsXml(airports), "generated").size(), airports.size());
    EXPECT_TRUE(logLines().empty()); // nothing skipped
}

TEST_F(AirportGenerator, ParkingFilesOfEveryKindReadBack)
{
    const tools::StandLayout layout{.gates = 30, .rampStands = 8, .cargoStands = 5, .helipads = 3, .optionsPerStand = 3, .seed = 4};
    const auto stock = tools::gf_stockApf("Generated field", "stock", {47.0, 8.0}, 1400, layout);
    writeApf("airports/my_simaddon/EDDT.xml", stock);
    writeApf("airports/learned/my_simaddon/EDDT.xml", tools::gf_learnedApf(stock, 200, 2, 5));
    ASSERT_EQ(gf_readApf("airports/my_simaddon/EDDT.xml", info, quality, stands), "");
    ASSERT_EQ(stands.size(), 46u + 2u); // the stock stands and two manual ones
    std::size_t options = 0, heli = 0, cargo = 0, ramp = 0;
    for (const auto& s : stands) {
        options += s.options.size();
        heli += s.heli;
        cargo += s.cargo && !s.cargoChanged;
        ramp += s.ramp;
    }
    EXPECT_EQ(options, 46u * 3u + 200u + 2u); // no learned option repeats an archived one here
    EXPECT_EQ(heli, 3u);
    EXPECT_EQ(cargo, 5u);
    EXPECT_EQ(ramp, 8u + 2u);
    EXPECT_EQ(param::parking_percentage.value.load(), 40);
    EXPECT_TRUE(std::ranges::none_of(logLines(), [](const std::string& l) { return l.starts_with("===>"); }));

    writeApf("airports/learned/my_simaddon/EDDT.xml", tools::gf_handmadeApf(stock));
    stands.clear();
    ASSERT_EQ(gf_readApf("airports/my_simaddon/EDDT.xml", info, quality, stands), "");
    EXPECT_TRUE(g_handmade);
    EXPECT_EQ(stands.size(), 46u);
}

TEST_F(AirportGenerator, ArchiveIsServedWhereTheProgramLooks)
{
    const auto airports = tools::gf_generateAirports(6, 8);
    tools::gf_writeAirportArchive(serverDir.path(), airports, {.gates = 4, .rampStands = 1, .cargoStands = 1, .helipads = 1});
    const std::string& code = airports[0].code; // stock, simaddon and thirdparty
    EXPECT_EQ(gf_getStockApf(code), "archive/stock/" + code + ".xml");
    param::MSFS_2020.value = 0;
    for (const std::string& path : {"archive/stock/" + code + ".xml", "archive/simaddon/" + code + ".xml",
                                   "archive/thirdparty/Generated%20Sceneries/" + code + ".xml"}) {
        stands.clear();
        EXPECT_EQ(gf_readApf(path, info, quality, stands), "") << path;
        EXPECT_EQ(stands.size(), 7u) << path;
    }
    EXPECT_EQ(info.publisher, tools::kArchivePublisher);
    EXPECT_EQ(info.learnedPath, fs::path("airports/learned/thirdparty/Generated Sceneries") / (code + ".xml"));
    EXPECT_EQ(server.requests().back().path, "MSFS2024/archive/thirdparty/Generated Sceneries/" + code + ".xml");
}

TEST_F(AirportGenerator, DemonstrationAirportHasItsStandsOnTheServer)
{
    tools::gf_writeDemoAirportData(programDir / "input", serverDir.path());
    ASSERT_TRUE(gf_readAirports());
    const auto demo = tools::gf_demoAirport();
    const auto sim = tools::gf_generateScenario(7).sim;
    const LatLon user{sim["user"]["lat"].get<double>(), sim["user"]["lon"].get<double>()};
    const auto closest = gf_closestAirport(user).airport;
    ASSERT_TRUE(closest);
    EXPECT_EQ(closest->icao, demo.code);
    EXPECT_EQ(gf_apfExists(demo.code), Presence::Present);
    const std::string location = gf_getStockApf(demo.code).value_or("");
    EXPECT_EQ(location, "archive/stock/" + demo.code + ".xml");
    gf_setParkAirport(*closest);
    ASSERT_TRUE(tools::gf_writeDemoLearnedApf(g_learnedPath));
    ASSERT_EQ(gf_readApf(location, info, quality, stands), "");
    EXPECT_EQ(param::parking_percentage.value.load(), demo.parkingPercentage) << "from the field's learned file";
    ASSERT_EQ(stands.size(), demo.stands.size());
    const auto nearest = std::ranges::min_element(stands, {}, [&](const ParkPos& s) {
        return gf_distanceNm(user, {s.latitude, s.longitude});
    });
    EXPECT_EQ(nearest->id, "A11");
    EXPECT_LT(gf_distanceNm(user, {nearest->latitude, nearest->longitude}) * kMetresPerNm, 1.0);
    EXPECT_EQ(nearest->options.size(), 3u);
    EXPECT_EQ(gf_parkAirport().altitude, demo.elevationFt);
    // What the program learned there since stays.
    test::writeText(info.learnedPath, "learned");
    EXPECT_FALSE(tools::gf_writeDemoLearnedApf(g_learnedPath));
    EXPECT_EQ(test::readText(info.learnedPath), "learned");
}

TEST_F(AirportGenerator, DemonstrationFieldJoinsADatabaseOnlyWhenItsCodeIsMissing)
{
    const auto demo = tools::gf_demoAirport();
    auto others = tools::gf_generateAirports(50, 4);
    std::erase_if(others, [&](const tools::GeneratedAirport& a) { return a.code == demo.code; });
    auto withField = others;
    withField.push_back({demo.code, "", "Real field", demo.lat + 0.004, demo.lon, 1400.0});
    const struct {
        const char* what;
        std::vector<tools::GeneratedAirport> database;
        bool added;
    } rows[] = {{"field missing", others, true}, {"field there", withField, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        gf_resetAirports();
        const std::string before = tools::gf_airportsXml(row.database);
        test::writeText("input/airports_msfs.xml", before);
        test::writeText("input/airports_msfs_names.xml", tools::gf_airportNamesXml(row.database));
        EXPECT_EQ(tools::gf_addDemoAirport("input", serverDir.path()), row.added);
        ASSERT_TRUE(gf_readAirports());
        ASSERT_TRUE(gf_readAirportNames());
        EXPECT_EQ(g_airports.size(), row.database.size() + (row.added ? 1 : 0));
        EXPECT_EQ(g_airportNames.size(), g_airports.size());
        EXPECT_EQ(g_airportNames[demo.code], row.added ? demo.name : "Real field");
        if (!row.added) {
            EXPECT_EQ(test::readText("input/airports_msfs.xml"), before);
        }
        EXPECT_EQ(gf_apfExists(demo.code), Presence::Present);
    }
    fs::remove("input/airports_msfs.xml");
    EXPECT_THROW(tools::gf_addDemoAirport("input", serverDir.path()), std::runtime_error);
}

} // namespace
} // namespace zyn
