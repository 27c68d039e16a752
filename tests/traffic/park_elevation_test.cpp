// The park airport's elevation, read from its parking file, decides which slow, low entries near the
// field are on the ground, and only near it: a real parking file through the airport reader, then
// service entries through processLine.
#include "airport/park_airport_state.h"
#include "settings/traffic_range.h"
#include "tests/airport/airport_fixture.h"
#include "tools/traffic_server.h"
#include "traffic/client.h"
#include "traffic/process_line.h"

#include <gtest/gtest.h>

#include <optional>

namespace zyn {
namespace {

constexpr double kReportTime = 1796601600.0;

struct ElevationRow {
    const char* name;
    double altitudeFt;
    double groundSpeedKt;
    double expected; // 0: on the ground
};

class ProcessLineParkElevation : public test::AirportFixture {
protected:
    ProcessLineParkElevation()
    {
        gf_setTrafficRange(40);
        client.setUserPosition(kField);
    }

    // The field's parking file, 1400 ft high, read as static parking reads it.
    void readParkingFile()
    {
        writeApf("airports/my_thirdparty/EDDT.xml",
                 {.parameters = test::stockParameters("Test field", "stock", "1400"),
                  .stands = {test::fullStand("G1", kField.lat, kField.lon)}});
        ASSERT_EQ(gf_readApf("airports/my_thirdparty/EDDT.xml", info, quality, stands), "");
    }

    // The altitude processLine gives an entry the service reports at the place; none when dropped.
    std::optional<double> parsedAltitude(double altitudeFt, double groundSpeedKt, LatLon at)
    {
        tools::ScenarioAircraft ac;
        ac.hexId = "4ca7b4";
        ac.callsign = "RYR4TK";
        ac.type = "B738";
        ac.registration = "EI-DCL";
        ac.lat = at.lat;
        ac.lon = at.lon;
        ac.altitudeFt = altitudeFt;
        ac.groundSpeedKt = groundSpeedKt;
        ac.trackDeg = 270.0;
        client.batch.clear();
        client.reply = tools::gf_scenarioEntry(ac, kReportTime, kReportTime);
        processLine(client);
        if (client.batch.empty()) return std::nullopt;
        return client.batch.back().situation.altitude;
    }

    void expectAltitudes(std::initializer_list<ElevationRow> rows)
    {
        for (const auto& row : rows) {
            const auto altitude = parsedAltitude(row.altitudeFt, row.groundSpeedKt, lf_east(kField, 2.0));
            ASSERT_TRUE(altitude) << row.name;
            EXPECT_EQ(*altitude, row.expected) << row.name;
        }
    }

    static LatLon lf_east(LatLon from, double nm) { return gf_destinationPoint(from, kPi / 2.0, nm * kFeetPerNm); }

    static constexpr LatLon kField{50.0, 10.0}; // the fixture's park airport
    TrafficClient client;
};

TEST_F(ProcessLineParkElevation, GroundRulesMeasureFromTheFieldOfTheParkingFile)
{
    // No parking file read yet: the field's height is unknown and only the speed rule finds the ground.
    expectAltitudes({{"1430 ft at 70 kt", 1430, 70, 1430}, {"1430 ft at 30 kt", 1430, 30, 0}});

    readParkingFile();
    ASSERT_TRUE(gf_loadedParkAirport());
    ASSERT_EQ(gf_loadedParkAirport()->altitude, 1400.0);
    expectAltitudes({{"30 ft above the field at 70 kt", 1430, 70, 0},
                     {"40 ft above the field at 110 kt", 1440, 110, 0},
                     {"40 ft above the field at 130 kt", 1440, 130, 1440},
                     {"100 ft above the field at 70 kt", 1500, 70, 1500},
                     {"110 ft above the field at 40 kt", 1510, 40, 0},
                     {"130 ft above the field at 40 kt", 1530, 40, 1530},
                     {"below the field at 150 kt", 1390, 150, 0}});

    // Parking there ended: that field no longer counts.
    g_parkAirportLoaded = 0;
    EXPECT_EQ(gf_loadedParkAirport(), std::nullopt);
    expectAltitudes({{"1430 ft at 70 kt after parking ended", 1430, 70, 1430}});
}

// A high park airport (Samedan, 5,600 ft): below its field height far out is the valley, not its
// ground. Entries are kept airborne there; near the field the ground rules hold as before.
TEST_F(ProcessLineParkElevation, FieldHeightTellsTheGroundOnlyNearTheParkAirport)
{
    const AirportRecord samedan{"LSZS", "SMV", 46.5341, 9.88411, 5600.0};
    const LatLon field{samedan.lat, samedan.lon};
    gf_setParkAirport(samedan);
    gf_setTrafficRange(80);
    client.setUserPosition(field);
    writeApf("airports/my_thirdparty/LSZS.xml",
             {.parameters = test::stockParameters("Samedan", "stock", "5600"), .stands = {test::fullStand("S1", field.lat, field.lon)}});
    ASSERT_EQ(gf_readApf("airports/my_thirdparty/LSZS.xml", info, quality, stands), "");
    ASSERT_TRUE(gf_loadedParkAirport());
    ASSERT_EQ(gf_loadedParkAirport()->altitude, 5600.0);

    struct Row {
        const char* name;
        double nm; // east of the field
        double altitudeFt;
        double groundSpeedKt;
        std::optional<double> expected; // 0: on the ground; none: dropped
    };
    const Row rows[] = {
        {"40 NM out, 100 ft below the field at 300 kt", 40.0, 5500, 300, 5500},
        {"40 NM out at 3,000 ft, 220 kt", 40.0, 3000, 220, 3000},
        {"60 NM out at 4,000 ft, 250 kt", 60.0, 4000, 250, 4000},
        {"40 NM out, 30 ft above the field at 70 kt", 40.0, 5630, 70, 5630},
        {"5.1 NM out, below the field at 200 kt", 5.1, 5500, 200, 5500},
        {"40 NM out at 30 kt: on the ground, far from the park airport", 40.0, 3000, 30, std::nullopt},
        {"40 NM out at altitude 0", 40.0, 0, 150, std::nullopt},
        {"4.9 NM out, below the field at 200 kt", 4.9, 5500, 200, 0.0},
        {"2 NM out, below the field at 150 kt", 2.0, 5500, 150, 0.0},
        {"2 NM out, 30 ft above the field at 70 kt", 2.0, 5630, 70, 0.0},
        {"2 NM out, 500 ft above the field at 150 kt", 2.0, 6100, 150, 6100},
    };
    for (const Row& row : rows)
        EXPECT_EQ(parsedAltitude(row.altitudeFt, row.groundSpeedKt, lf_east(field, row.nm)), row.expected) << row.name;
}

} // namespace
} // namespace zyn
