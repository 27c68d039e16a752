#include "airport/learned_merge.h"
#include "base/units.h"
#include "parking/learned_save.h"
#include "shown/status_line.h"
#include "tests/airport/airport_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <fmt/format.h>

namespace zyn {
namespace {

namespace fs = std::filesystem;

constexpr char kThirdparty[] = "airports/my_thirdparty/EDDT.xml";

class LearnedSave : public test::AirportFixture {
protected:
    LearnedSave()
    {
        tools::ApfSpec file{.parameters = test::stockParameters("Test field", "Maker")};
        for (int i = 1; i <= 3; ++i)
            file.stands.push_back(test::fullStand(fmt::format("A{}", i), 50.0, 10.0 + i * 0.001, {},
                                                  {{{"reg", "TV-OLD"}, {"airl", "ZYN"}, {"type", "A320"}, {"day", "2"},
                                                    {"hh", "10,11"}}}));
        writeApf(kThirdparty, file);
        read();
    }
    void read()
    {
        stands.clear();
        info = {};
        EXPECT_EQ(gf_readApf(kThirdparty, info, quality, stands), "");
    }
    ParkPos& stand(const std::string& id)
    {
        auto it = std::ranges::find(stands, id, &ParkPos::id);
        EXPECT_NE(it, stands.end()) << id;
        return *it;
    }
    // A use of stand A2 learned at run time.
    void learn()
    {
        ParkPosOption o = test::makeOption("TV-NEW", "KLM", "B738", 5, {20, 21});
        o.number = static_cast<std::uint32_t>(stand("A2").options.size() + 1);
        o.callsign = "KLM77";
        o.callsign2 = "KLM78"; // the coupled flight out
        o.archived = 0; // learned now
        stand("A2").options.push_back(o);
        state.updates = 1;
    }
    LearnedState state;
};

TEST_F(LearnedSave, WhatWasLearnedIsReadBackAfterARestart)
{
    learn();
    stand("A3").radius = 45.0 * kNmPerMetre;
    stand("A3").radiusChanged = true;
    ASSERT_TRUE(gf_saveLearnedAirportFile(kCode, info, stands, state));
    const fs::path learned = "airports/learned/thirdparty/Maker/EDDT.xml";
    ASSERT_TRUE(fs::exists(learned));
    EXPECT_EQ(state.updates, 0);
    EXPECT_EQ(stand("A2").options.size(), 1u) << "the file's own options are dropped from memory";
    EXPECT_NE(gf_statusMessage().find(fmt::format("\"{}\" saved with 1 update ", learned.generic_string())),
              std::string::npos)
        << gf_statusMessage();
    const std::string text = test::readText(learned);
    EXPECT_EQ(text.find("A1"), std::string::npos) << "an unchanged stand is not written";
    EXPECT_EQ(text.find("TV-OLD"), std::string::npos) << "nor the file's own options";

    read(); // the next start at this airport
    ASSERT_EQ(stand("A2").options.size(), 2u);
    EXPECT_EQ(stand("A2").options[1].registration, "TV-NEW");
    EXPECT_EQ(stand("A2").options[1].callsign, "KLM77");
    EXPECT_EQ(stand("A2").options[1].callsign2, "KLM78");
    EXPECT_EQ(stand("A2").options[1].archived, 0u);
    EXPECT_NEAR(stand("A3").radius / kNmPerMetre, 45.0, 0.01);
    EXPECT_EQ(stand("A1").options.size(), 1u);
}

// A learned file the meta check refuses is not taken, so the next save would hold only what was
// learned since: a copy of it is kept first.
TEST_F(LearnedSave, ARefusedLearnedFileIsKeptBeforeASaveWritesOverIt)
{
    state.handmade = true;
    state.updates = 1;
    ASSERT_TRUE(gf_saveLearnedAirportFile(kCode, info, stands, state));
    std::string handmade = test::readText(info.learnedPath);
    const std::size_t date = handmade.find("<info name=\"date\"");
    ASSERT_NE(date, std::string::npos);
    handmade.erase(date, handmade.find("/>", date) + 2 - date);
    test::writeText(info.learnedPath, handmade);

    read(); // refused: the stock stands, not handmade
    EXPECT_TRUE(logHas("===> meta data incorrect?"));
    EXPECT_FALSE(g_handmade);
    const fs::path copy = "airports/learned/thirdparty/Maker/EDDT0.xml";
    EXPECT_TRUE(logContains("EDDT.xml refused, kept as"));
    state = {};
    learn();
    ASSERT_TRUE(gf_saveLearnedAirportFile(kCode, info, stands, state));
    EXPECT_EQ(test::readText(copy), handmade);
    EXPECT_NE(test::readText(info.learnedPath), handmade);
}

TEST_F(LearnedSave, ReportsUpdatesAndParameterChanges)
{
    learn();
    state.updates = 2;
    state.parameterChanged = true;
    ASSERT_TRUE(gf_saveLearnedAirportFile(kCode, info, stands, state));
    EXPECT_TRUE(gf_statusMessage().ends_with("saved with 2 updates and one or more parameter changes"))
        << gf_statusMessage();
    EXPECT_FALSE(state.parameterChanged);
}

TEST_F(LearnedSave, FolderFromThePublisherWhenTheFileIsNotKnown)
{
    learn();
    info.learnedPath.clear();
    info.publisher = "stock";
    ASSERT_TRUE(gf_saveLearnedAirportFile(kCode, info, stands, state));
    EXPECT_TRUE(fs::exists("airports/learned/stock/EDDT.xml"));
    info.publisher = "Other Maker";
    EXPECT_EQ(gf_learnedFilePath(kCode, info), fs::path("airports/learned/Other Maker/EDDT.xml"));
    for (const char* bad : {"../up", "a/b", "..", ""}) {
        info.publisher = bad;
        EXPECT_TRUE(gf_learnedFilePath(kCode, info).empty()) << bad;
    }
    info.publisher = "stock";
    EXPECT_TRUE(gf_learnedFilePath("../EDDT", info).empty());
}

TEST_F(LearnedSave, FailedSaveKeepsTheCountAndTheFile)
{
    learn();
    ASSERT_TRUE(gf_saveLearnedAirportFile(kCode, info, stands, state));
    const std::string before = test::readText(info.learnedPath);
    learn();
    state.updates = 3;
    // The publisher's folder cannot be made: a file stands where it would be.
    info.learnedPath = "airports/learned/blocked/sub/EDDT.xml";
    test::writeText("airports/learned/blocked", "x");
    bool saved = true;
    EXPECT_NO_THROW(saved = gf_saveLearnedAirportFile(kCode, info, stands, state));
    EXPECT_FALSE(saved);
    EXPECT_EQ(state.updates, 3);
    EXPECT_TRUE(gf_statusMessage().ends_with("did not succeed")) << gf_statusMessage();
    EXPECT_TRUE(logContains("create_directory"));
    EXPECT_EQ(test::readText("airports/learned/thirdparty/Maker/EDDT.xml"), before);
}

TEST_F(LearnedSave, HandmadeWritesEveryStandWithItsQuality)
{
    state.handmade = true;
    state.updates = 1;
    ASSERT_TRUE(gf_saveLearnedAirportFile(kCode, info, stands, state));
    EXPECT_TRUE(gf_statusMessage().find(" handmade \"") != std::string::npos) << gf_statusMessage();
    std::vector<ParkPos> back;
    bool handmade = false;
    lf_readLearned(info.learnedPath, info.airportName, back, handmade);
    EXPECT_TRUE(handmade);
    EXPECT_EQ(back.size(), 3u);
}

} // namespace
} // namespace zyn
