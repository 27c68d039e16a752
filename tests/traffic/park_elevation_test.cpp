// The park airport's elevation, read from its parking file, decides which slow, low entries near the
// field are on the ground: a real parking file through the airport reader, then service entries
// through processLine.
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

    // The altitude processLine gives an entry the service reports 2 NM from the field; none when dropped.
    std::optional<double> parsedAltitude(double altitudeFt, double groundSpeedKt)
    {
        tools::ScenarioAircraft ac;
        ac.hexId = "4ca7b4";
        ac.callsign = "RYR4TK";
        ac.type = "B738";
        ac.registration = "EI-DCL";
        const LatLon at = gf_destinationPoint(kField, 90.0, 2.0 * 6076.11549);
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
            const auto altitude = parsedAltitude(row.altitudeFt, row.groundSpeedKt);
            ASSERT_TRUE(altitude) << row.name;
            EXPECT_EQ(*altitude, row.expected) << row.name;
        }
    }

    static constexpr LatLon kField{50.0, 10.0}; // the fixture's park airport
    TrafficClient client;
};

TEST_F(ProcessLineParkElevation, GroundRulesMeasureFromTheFieldOfTheParkingFile)
{
    // No parking file read yet: the field's height is unknown and only the speed rule finds the ground.
    expectAltitudes({{"1430 ft at 70 kt", 1430, 70, 1430}, {"1430 ft at 30 kt", 1430, 30, 0}});

    readParkingFile();
    ASSERT_EQ(gf_parkAirportElevation(), std::optional<double>(1400.0));
    expectAltitudes({{"30 ft above the field at 70 kt", 1430, 70, 0},
                     {"40 ft above the field at 110 kt", 1440, 110, 0},
                     {"40 ft above the field at 130 kt", 1440, 130, 1440},
                     {"100 ft above the field at 70 kt", 1500, 70, 1500},
                     {"110 ft above the field at 40 kt", 1510, 40, 0},
                     {"130 ft above the field at 40 kt", 1530, 40, 1530},
                     {"below the field at 150 kt", 1390, 150, 0}});

    // Parking there ended: that field no longer counts.
    g_parkAirportLoaded = 0;
    EXPECT_EQ(gf_parkAirportElevation(), std::nullopt);
    expectAltitudes({{"1430 ft at 70 kt after parking ended", 1430, 70, 1430}});
}

} // namespace
} // namespace zyn
