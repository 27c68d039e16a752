#include "base/log.h"
#include "sim/flight_plan.h"
#include "tests/support/temp_dir.h"
#include "tests/support/user_folders.h"

#include <gtest/gtest.h>

namespace zyn {
namespace {

using test::readLines;
using test::readText;

// The per-user data folder lies in a temporary roaming folder; the log in the program folder.
class FlightPlanFiles : public ::testing::Test {
protected:
    void SetUp() override { gf_openLog(); }
    void TearDown() override
    {
        gf_closeLog();
        g_flightPlanFolder.clear();
    }
    static AcHead head(std::string origin, std::string destination)
    {
        AcHead h;
        h.origin = std::move(origin);
        h.destination = std::move(destination);
        return h;
    }
    test::TempDir dir;
    test::ScopedCwd cwd{dir.path()};
    test::ScopedUserFolders userFolders{dir / "roaming"};
};

TEST_F(FlightPlanFiles, FolderIsCreatedInTheUserDataFolderAndKept)
{
    ASSERT_TRUE(gf_createFlightPlanFolder());
    EXPECT_EQ(g_flightPlanFolder, dir / "roaming" / "Tarvo" / "orig_dest");
    test::writeText(g_flightPlanFolder / "7.pln", "left by a crash");
    ASSERT_TRUE(gf_createFlightPlanFolder()); // a second start keeps what is there
    EXPECT_EQ(readText(g_flightPlanFolder / "7.pln"), "left by a crash");
}

TEST_F(FlightPlanFiles, FileNameIsTheObjectId)
{
    EXPECT_EQ(gf_flightPlanFileName(1234), std::filesystem::path("1234.pln"));
    EXPECT_EQ(gf_flightPlanFileName(0), std::filesystem::path("0.pln"));
}

TEST_F(FlightPlanFiles, WritesTheEightLinesOfThePlan)
{
    ASSERT_TRUE(gf_createFlightPlanFolder());
    const auto path = g_flightPlanFolder / gf_flightPlanFileName(1234);
    ASSERT_TRUE(gf_writeFlightPlan(path, head("EDDF", "LSZH"), AcCategory::Large));
    const std::vector<std::string> expected{"<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
                                            "<SimBase.Document Type=\"AceXML\" version=\"4,3\">",
                                            "<FlightPlan.FlightPlan>",
                                            "<FPType>IFR</FPType>",
                                            "<DepartureID>EDDF</DepartureID>",
                                            "<DestinationID>LSZH</DestinationID>",
                                            "</FlightPlan.FlightPlan>",
                                            "</SimBase.Document>"};
    EXPECT_EQ(readLines(path), expected);
}

TEST_F(FlightPlanFiles, FlightPlanTypeFollowsTheCategory)
{
    const struct {
        AcCategory category;
        const char* type;
    } cases[] = {{AcCategory::Light, "VFR"},   {AcCategory::Buzjets, "IFR"},  {AcCategory::Large, "IFR"},
                 {AcCategory::Heavy, "IFR"},   {AcCategory::HighPerf, "VFR"}, {AcCategory::Rotorcraft, "VFR"}};
    for (const auto& c : cases) {
        const auto path = dir / "plan.pln";
        ASSERT_TRUE(gf_writeFlightPlan(path, head("A", "B"), c.category));
        EXPECT_EQ(readLines(path).at(3), std::string("<FPType>") + c.type + "</FPType>") << c.type;
    }
}

TEST_F(FlightPlanFiles, AirportCodesAreEscaped)
{
    const auto path = dir / "odd.pln";
    ASSERT_TRUE(gf_writeFlightPlan(path, head("A<B&", "\"X'>"), AcCategory::Light));
    const auto lines = readLines(path);
    EXPECT_EQ(lines.at(4), "<DepartureID>A&lt;B&amp;</DepartureID>");
    EXPECT_EQ(lines.at(5), "<DestinationID>&quot;X&apos;&gt;</DestinationID>");
}

TEST_F(FlightPlanFiles, UnopenableFileReportsFailure)
{
    EXPECT_FALSE(gf_writeFlightPlan(dir / "missing" / "1.pln", head("A", "B"), AcCategory::Light));
    EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
}

TEST_F(FlightPlanFiles, RemovalTakesTheFolderAndIsQuietWhenItIsGone)
{
    ASSERT_TRUE(gf_createFlightPlanFolder());
    ASSERT_TRUE(gf_writeFlightPlan(g_flightPlanFolder / gf_flightPlanFileName(5), head("A", "B"), AcCategory::Light));
    gf_removeFlightPlanFolder();
    EXPECT_FALSE(std::filesystem::exists(g_flightPlanFolder));
    gf_removeFlightPlanFolder();
    EXPECT_EQ(readLines("Log.txt").size(), 1u); // the header only
}

} // namespace
} // namespace zyn
