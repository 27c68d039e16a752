// The airports database the program folder ships (dist/input), read through the program's own reader.
#include "airport/airport_code.h"
#include "airport/airports.h"
#include "airport/apf_locations.h"
#include "base/path_text.h"
#include "tests/airport/airport_fixture.h"
#include "tests/support/source_dir.h"
#include "tools/scenario_gen.h"

#include <gtest/gtest.h>

#include <optional>

#include <cmath>
#include <set>

namespace zyn {
namespace {

namespace fs = std::filesystem;

class ShippedAirports : public test::AirportFixture {
protected:
    ShippedAirports()
    {
        gf_resetAirports();
        const fs::path shipped = gf_pathFromUtf8(test::sourceDir()) / "dist" / "input";
        fs::create_directories("input");
        for (const char* name : {"airports_msfs.xml", "airports_msfs_names.xml"})
            fs::copy_file(shipped / name, fs::path("input") / name, fs::copy_options::overwrite_existing);
    }
    ~ShippedAirports() override { gf_resetAirports(); }
};

// Reference points and elevations as the aeronautical publications give them, not from the data set.
struct Field {
    const char* code;
    const char* iata;
    double lat;
    double lon;
    double elevationFt;
    const char* nameWord; // a word of its name, so that names in any script arrive whole
};
constexpr Field kFields[] = {
    {"EGLL", "LHR", 51.4775, -0.461389, 83.0, "Heathrow"},
    {"KJFK", "JFK", 40.639722, -73.778889, 13.0, "Kennedy"},
    {"LSZH", "ZRH", 47.464722, 8.549167, 1416.0, "Zürich"},
    {"YSSY", "SYD", -33.946111, 151.177222, 21.0, "Sydney"},
    {"RJTT", "HND", 35.553333, 139.781111, 35.0, "Haneda"},
    {"SCEL", "SCL", -33.392778, -70.785556, 1555.0, "Benítez"},
    {"FAOR", "JNB", -26.139167, 28.246111, 5558.0, "Tambo"},
    {"NZCH", "CHC", -43.489444, 172.532222, 123.0, "Christchurch"}, // near the date line
    {"PHNL", "HNL", 21.318611, -157.9225, 13.0, "Inouye"},
};

TEST_F(ShippedAirports, EveryEntryIsReadWithAUniqueCode)
{
    ASSERT_TRUE(gf_readAirports());
    const std::string text = test::readText("input/airports_msfs.xml");
    std::size_t entries = 0;
    for (auto at = text.find("<airport "); at != std::string::npos; at = text.find("<airport ", at + 1))
        ++entries;
    EXPECT_GE(g_airports.size(), 5000u);
    EXPECT_EQ(g_airports.size(), entries); // nothing skipped as broken
    std::set<std::string> codes;
    for (const AirportRecord& airport : g_airports) {
        EXPECT_TRUE(gf_isAirportCode(airport.icao)) << airport.icao;
        EXPECT_TRUE(codes.insert(airport.icao).second) << airport.icao << " twice";
    }
    EXPECT_TRUE(gf_findAirport("5A8")); // a field known by its local code
    EXPECT_FALSE(logContains("skipped"));
}

TEST_F(ShippedAirports, RealFieldsLieWhereTheyAreAndAreFoundClosest)
{
    ASSERT_TRUE(gf_readAirports());
    ASSERT_TRUE(gf_readAirportNames());
    EXPECT_EQ(g_airportNames.size(), g_airports.size());
    for (const Field& field : kFields) {
        const auto airport = gf_findAirport(field.code);
        ASSERT_TRUE(airport) << field.code;
        EXPECT_EQ(airport->iata, field.iata);
        EXPECT_NEAR(airport->lat, field.lat, 0.01) << field.code;
        EXPECT_NEAR(airport->lon, field.lon, 0.01) << field.code;
        EXPECT_NEAR(airport->altitude, field.elevationFt, 50.0) << field.code;
        EXPECT_NE(g_airportNames[field.code].find(field.nameWord), std::string::npos) << g_airportNames[field.code];
        const auto closest = gf_closestAirport({field.lat, field.lon}).airport;
        EXPECT_EQ(closest ? closest->icao : "", field.code);
    }
}

// What the demonstration run lays out: the shipped database, the field's stock file on the server.
TEST_F(ShippedAirports, DemonstrationFieldIsFoundWithItsStands)
{
    const auto demo = tools::gf_demoAirport();
    EXPECT_FALSE(tools::gf_addDemoAirport("input", serverDir.path())); // a real airport's code
    ASSERT_TRUE(gf_readAirports());
    const auto sim = tools::gf_generateScenario(7).sim;
    const auto closest = gf_closestAirport({sim["user"]["lat"].get<double>(), sim["user"]["lon"].get<double>()}).airport;
    ASSERT_TRUE(closest);
    EXPECT_EQ(closest->icao, demo.code);
    const std::optional<std::string> location = gf_getStockApf(demo.code);
    ASSERT_TRUE(location && !location->empty());
    ASSERT_EQ(gf_readApf(*location, info, quality, stands), "");
    EXPECT_EQ(stands.size(), demo.stands.size());
}

} // namespace
} // namespace zyn
