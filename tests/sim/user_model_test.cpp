#include "sim/data_blocks.h"
#include "sim/user_ident.h"
#include "sim/user_model.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <stdexcept>
#include <vector>

namespace zyn {
namespace {

// A small aircraft database: half wingspans in nautical miles and categories.
const std::map<std::string, double, std::less<>> kWingspans{
    {"A320", 0.0096}, {"A319", 0.0096}, {"B738", 0.0097}, {"B739", 0.0097}, {"B38M", 0.0097}, {"A359", 0.0175},
    {"772", 0.0164},  {"CRJ7", 0.0063}, {"E190", 0.0078}, {"C17", 0.0}, {"A388", 0.0215}};

AircraftTypeLookup lf_database()
{
    return {[](std::string_view type) {
                const auto it = kWingspans.find(type);
                return it == kWingspans.end() ? 0.0 : it->second;
            },
            [](std::string_view type) {
                return type == "A359" || type == "772" ? AcCategory::Heavy
                       : type == "CRJ7"                ? AcCategory::Buzjets
                                                       : AcCategory::Large;
            },
            0.0215};
}

TEST(UserAircraftModel, ModelTextGivesTheTypeDesignator)
{
    const struct {
        const char* model;
        const char* title;
        const char* type;
    } cases[] = {
        {"A350-900", "", "A359"},
        {"N738B", "", "B38M"},
        {"777", "", "772"},
        {"A330-200 (RR)", "", "A332"},
        {"TT:ATCCOM.AC_MODEL_B738.0.text", "", "B738"},   // four letters known
        {"TT:ATCCOM.AC_MODEL_A772.0.text", "", "772"},    // only three known
        {"TT:ATCCOM.AC_MODEL_XXXX.0.text", "", "TT:ATCCOM.AC_MODEL_XXXX.0.text"},
        {"$$:B738", "", "B738"},
        {"$$:C", "", "$$:C"},                             // four characters in all: kept
        {"737", "Boeing DG 737-900 Ryanair", "B739"},
        {"737", "DG 737-800 KLM", "B738"},
        {"737", "DG 737-700", "B737"},
        {"737", "DG 737-600", "B736"},
        {"737", "Boeing 737", "737"},
        {"A20N", "", "A20N"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(gf_userModelType(c.model, c.title, lf_database()), c.type) << c.model;
}

TEST(UserAircraftModel, TextSuffixAtTheStartIsRefused)
{
    EXPECT_THROW(gf_userModelType("B38.0.text", "", lf_database()), std::out_of_range);
    EXPECT_THROW(gf_userModelType(".0.text", "", lf_database()), std::out_of_range);
}

TEST(UserAircraftModel, WingspanAndCategoryOfTheType)
{
    const struct {
        const char* model;
        const char* title;
        const char* type;
        double halfWingspan;
        bool known;
        AcCategory category;
    } cases[] = {
        {"A350-900", "", "A359", 0.0175, true, AcCategory::Heavy},
        {"A20NX", "Aerosoft A320 Lufthansa", "A320", 0.0096, true, AcCategory::Large}, // five letters: by title
        {"A20NX", "Aerosoft A3", "A20NX", 0.0215, false, AcCategory::Large},           // title too short
        {"A20NX", "Fenix A320", "A20NX", 0.0215, false, AcCategory::Large},
        {"A388", "", "A388", 0.0215, false, AcCategory::Large},                        // equal to the maximum
        {"C17", "", "C17", 0.0, true, AcCategory::Large},
    };
    for (const auto& c : cases) {
        const auto a = gf_analyseUserModel(c.model, c.title, lf_database());
        EXPECT_EQ(a.type, c.type) << c.model;
        EXPECT_DOUBLE_EQ(a.halfWingspanNm, c.halfWingspan) << c.model;
        EXPECT_EQ(a.wingspanKnown, c.known) << c.model;
        EXPECT_EQ(a.category, c.category) << c.model;
        EXPECT_FALSE(a.special);
    }
}

TEST(UserAircraftModel, CameraPodAndCrewVesselTakeTheE190Wingspan)
{
    for (const char* model : {"camerapod", "Crew Vessel 2"}) {
        const auto a = gf_analyseUserModel(model, "", lf_database());
        EXPECT_TRUE(a.special);
        EXPECT_DOUBLE_EQ(a.halfWingspanNm, 0.0078);
        EXPECT_EQ(a.category, AcCategory::Light);
    }
}

TEST(UserAircraftModel, TitleIsCutOnACharacterBoundary)
{
    EXPECT_EQ(gf_utf8Prefix(std::string(60, 'a'), 48), std::string(48, 'a'));
    EXPECT_EQ(gf_utf8Prefix("abc", 48), "abc");
    // 47 letters and then two-byte letters: the 48th character is whole, the 49th is gone.
    const std::string title = std::string(47, 'a') + "\xC3\xA9\xC3\xA9";
    EXPECT_EQ(gf_utf8Prefix(title, 48), std::string(47, 'a') + "\xC3\xA9");
}

TEST(UserAircraftData, ZuluDateGivesTheUnixTime)
{
    EXPECT_EQ(gf_zuluEpoch(1970, 1, 0), 0);
    EXPECT_EQ(gf_zuluEpoch(2026, 341, 3600), 1796601600 + 3600); // 7 December 2026, 01:00
    EXPECT_EQ(gf_zuluEpoch(2024, 366, 0), 1735603200);           // 31 December of a leap year
    EXPECT_FALSE(gf_zuluEpoch(0, 1, 0));
    EXPECT_FALSE(gf_zuluEpoch(1'000'000, 1, 0));
}

// A data reply as the simulator sends it: the header, then the block from the dwData field on.
std::vector<std::byte> lf_reply(const void* block, std::size_t size)
{
    std::vector<std::byte> bytes(kDataBlockOffset + size);
    std::memcpy(bytes.data() + kDataBlockOffset, block, size);
    return bytes;
}

TEST(SimDataBlocks, ShortBlocksAreRefused)
{
    const double numbers[2] = {6.5, 0.01};
    auto bytes = lf_reply(numbers, sizeof numbers);
    const auto* message = reinterpret_cast<const SIMCONNECT_RECV_SIMOBJECT_DATA*>(bytes.data());
    const auto block = gf_dataBlock(message, bytes.size());
    ASSERT_EQ(block.size(), 16u);
    ASSERT_TRUE(gf_readStaticCog(block));
    EXPECT_DOUBLE_EQ(gf_readStaticCog(block)->cgToGround, 6.5);
    EXPECT_FALSE(gf_readUserAcData(block));
    EXPECT_FALSE(gf_readInRangeData(block));
    EXPECT_FALSE(gf_readStaticCog(block.first(15)));
    EXPECT_TRUE(gf_dataBlock(message, 8).empty());
}

TEST(SimDataBlocks, TextsStopAtTheirEndEvenWithoutTerminator)
{
    struct {
        double aboveGround = 12.0;
        double groundAltitude = 400.0;
        std::int64_t onGround = 1;
        char atcId[32];
    } inRange;
    std::memset(inRange.atcId, 'K', sizeof inRange.atcId); // no terminating NUL
    const auto bytes = lf_reply(&inRange, sizeof inRange);
    const auto data = gf_readInRangeData(gf_dataBlock(reinterpret_cast<const SIMCONNECT_RECV_SIMOBJECT_DATA*>(bytes.data()), bytes.size()));
    ASSERT_TRUE(data);
    EXPECT_EQ(data->atcId, std::string(32, 'K'));
    EXPECT_EQ(data->onGround, 1);
    const char title[] = {'A', 'B', 'C'};
    EXPECT_EQ(gf_readText(std::as_bytes(std::span(title)), 100), "ABC");
}

} // namespace
} // namespace zyn
