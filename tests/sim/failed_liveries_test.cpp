#include "base/errors.h"
#include "core/exit.h"
#include "shown/status_line.h"
#include "sim/failed_liveries.h"

#include <gtest/gtest.h>

#include <string>

namespace zyn {
namespace {

class FailedLiveries : public ::testing::Test {
protected:
    void TearDown() override
    {
        gf_resetFailedLiveries();
        g_exitRequested = 0;
    }
    static AcHead aircraft(std::string callsign, std::string type, std::string airline)
    {
        AcHead h;
        h.callsign = std::move(callsign);
        h.type = std::move(type);
        h.airline = std::move(airline);
        return h;
    }
};

TEST_F(FailedLiveries, RecordsTheTitleAndShowsTheMessage)
{
    gf_liveryCreateFailed(aircraft("SWR12", "A320", "SWR"), "Airbus A320 Swiss");
    EXPECT_EQ(gf_statusMessage(), "SWR12 \"Airbus A320 Swiss\" could not be created by your Sim!");
    EXPECT_TRUE(gf_isNotCreatableTitle("Airbus A320 Swiss"));
    EXPECT_FALSE(gf_isNotCreatableTitle("Airbus A320 Edelweiss"));
}

TEST_F(FailedLiveries, TitlesAreOwnedCopies)
{
    std::string catalogueTitle = "Boeing 737 Ryanair";
    gf_liveryCreateFailed(aircraft("RYR1", "B738", "RYR"), catalogueTitle);
    catalogueTitle.assign(40, 'x'); // the catalogue is rebuilt by a rescan
    EXPECT_TRUE(gf_isNotCreatableTitle("Boeing 737 Ryanair"));
}

TEST_F(FailedLiveries, TwentiethFailedLiveryRaisesUserError81WhateverItsRepeats)
{
    for (int i = 1; i < 20; ++i)
        for (const char* callsign : {"A", "B"}) // every livery fails twice
            ASSERT_NO_THROW(gf_liveryCreateFailed(aircraft(callsign, "B738", "RYR"), "t" + std::to_string(i)));
    try {
        gf_liveryCreateFailed(aircraft("C20", "B738", "RYR"), "t20");
        FAIL() << "no user error at the 20th livery";
    } catch (const UserErrorException& e) {
        EXPECT_STREQ(e.what(), "81: there are too many liveries that could not be created by MSFS!, see Log.txt");
    }
    EXPECT_EQ(g_notCreatableTitles.size(), 20u);
}

TEST_F(FailedLiveries, ReportIsSortedWithoutDuplicatesAndATitleIsListedOnce)
{
    gf_liveryCreateFailed(aircraft("B", "B738", "RYR"), "ryanair");
    gf_liveryCreateFailed(aircraft("A", "A320", "SWR"), "swiss");
    gf_liveryCreateFailed(aircraft("C", "A320", "EZY"), "ryanair");
    EXPECT_EQ(g_notCreatableTitles, (std::vector<std::string>{"ryanair", "swiss"}));
    const std::vector<std::string> report{"  A320 EZY", "  A320 SWR", "  B738 RYR"};
    EXPECT_EQ(gf_failedLiveries(), report);
    EXPECT_EQ(gf_failedLiveries(), report);
}

TEST_F(FailedLiveries, IgnoredDuringExit)
{
    g_exitRequested = 1;
    gf_liveryCreateFailed(aircraft("SWR12", "A320", "SWR"), "swiss");
    EXPECT_TRUE(g_notCreatableTitles.empty());
    EXPECT_TRUE(gf_failedLiveries().empty());
    EXPECT_EQ(gf_statusMessage(), "");
}

} // namespace
} // namespace zyn
