#include "aircraft/ac_category.h"
#include "base/errors.h"
#include "base/random_util.h"
#include "base/text_util.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <algorithm>
#include <limits>
#include <random>

namespace zyn {
namespace {

using Pieces = std::vector<std::string>;

TEST(UserError, CodeNinetyNinePrintsMessageAlone)
{
    EXPECT_STREQ(UserErrorException(99, "x").what(), "x");
    EXPECT_STREQ(UserErrorException(150, "x").what(), "150: x");
}

TEST(TextSplit, KeepsEmptyPiecesAndTrimsEachOne)
{
    struct Case {
        std::string text;
        char delimiter;
        Pieces pieces;
    };
    const Case cases[] = {
        {"a, b,,c,", ',', {"a", "b", "", "c", ""}},
        {"", ',', {}},
        {"single", ',', {"single"}},
        {" \tx\r\n", ',', {"x"}},
        {"a;b c ; d", ';', {"a", "b c", "d"}},
        {",", ',', {"", ""}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(gf_splitString(c.text, c.delimiter), c.pieces) << c.text;
    EXPECT_EQ(gf_splitCommas("a, b,,c,"), (Pieces{"a", "b", "", "c", ""}));
    const auto list = gf_splitCommasToList(" x ,y");
    EXPECT_EQ(Pieces(list.begin(), list.end()), (Pieces{"x", "y"}));
}

TEST(TextTrim, RemovesOnlyBlankTabCrLf)
{
    EXPECT_EQ(gf_trim("\t x \r\n"), "x");
    EXPECT_EQ(gf_trim("   "), "");
    EXPECT_EQ(gf_trim("\va\v"), "\va\v"); // a vertical tab is not blank here
    EXPECT_EQ(gf_trim("a b"), "a b");
}

TEST(TextTrim, StripBlanksInListKeepsInnerBlanks)
{
    const std::pair<std::string, std::string> cases[] = {
        {"a , b,c d ", "a,b,c d"},
        {"a,b", "a,b"},
        {" ", ""},
        {"a,\tb,", "a,b,"},
    };
    for (auto [text, expected] : cases) {
        gf_stripBlanksInList(text);
        EXPECT_EQ(text, expected);
    }
}

TEST(TextCompare, StarAndUpperCase)
{
    EXPECT_TRUE(gf_equalsBeforeStar("ABC", "ABC*"));
    EXPECT_FALSE(gf_equalsBeforeStar("ABC", "ABC"));
    EXPECT_FALSE(gf_equalsBeforeStar("ABC", "ABD*"));
    EXPECT_FALSE(gf_equalsBeforeStar("", ""));
    EXPECT_TRUE(gf_equalsUpper("ABC", "abc"));
    EXPECT_FALSE(gf_equalsUpper("abc", "abc"));
}

TEST(TextCompare, CaseMappingLeavesBytesAboveAsciiAlone)
{
    const std::string text = "\xC3\xA9t\xC3\xA9 b738"; // "été b738" in UTF-8
    EXPECT_EQ(gf_toUpper(text), "\xC3\xA9T\xC3\xA9 B738");
    EXPECT_TRUE(gf_equalsUpper("\xFF" "A", "\xFF" "a"));
}

TEST(TextQuoted, TakesTextBetweenFirstTwoQuotes)
{
    const std::pair<std::string, std::string> cases[] = {
        {"title = \"Airbus A320 Neo\" ; comment", "Airbus A320 Neo"},
        {"no quotes at all", "no quotes at all"},
        {"only \"one quote", ""},
        {"last quote\"", ""},
        {"\"\"", ""},
        {"\"a\"b\"c\"", "a"},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(gf_quotedValue(text), expected) << text;
}

TEST(TextBanner, EvenWidthAroundTitle)
{
    EXPECT_EQ(gf_starBanner(4, 4, true, true, ""), "\n********\n");
    EXPECT_EQ(gf_starBanner(10, 9, false, false, "12345678"), "********* 12345678 *********");
    EXPECT_EQ(gf_starBanner(3, 2, false, false, ""), "******"); // odd sum made even
    EXPECT_EQ(gf_starBanner(2, 2, true, false, "too long"), "\ntoo long");
}

TEST(TextNumber, FractionOnlyWhenThereIsOne)
{
    EXPECT_EQ(gf_formatNumber(24.0f), "24");
    EXPECT_EQ(gf_formatNumber(0.5f), "0.5");
    EXPECT_EQ(gf_formatNumber(-3.75f), "-3.8");
}

// The parking files' coordinates and headings: the digits fmt writes, for every value.
TEST(TextNumber, FixedTextIsWhatFmtWrites)
{
    const double values[] = {0.0, -0.0, 52.123456789, -179.9999995, 0.05, 0.15, 0.25, 1e-7, -1e-7, 359.95,
                             89.99999949999, 2.5, 1e22, 1e300, -1e300, std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN(),
                             std::numeric_limits<double>::denorm_min()};
    for (const double value : values) {
        EXPECT_EQ(gf_fixedText(value, 6), fmt::format("{:.6f}", value)) << value;
        EXPECT_EQ(gf_fixedText(value, 1, true), fmt::format("{:.1F}", value)) << value;
    }
    std::mt19937_64 random(5);
    for (int i = 0; i < 20000; ++i) {
        const double value = std::uniform_real_distribution<double>(-400.0, 400.0)(random);
        ASSERT_EQ(gf_fixedText(value, 6), fmt::format("{:.6f}", value)) << value;
        ASSERT_EQ(gf_fixedText(value, 1, true), fmt::format("{:.1F}", value)) << value;
    }
}

TEST(TextPlural, OneAndNegativeHaveNoSuffix)
{
    EXPECT_STREQ(gf_plural(1), "");
    EXPECT_STREQ(gf_plural(-4), "");
    EXPECT_STREQ(gf_plural(0), "s");
    EXPECT_STREQ(gf_plural(std::uint64_t(2)), "s");
}

TEST(AircraftTarget, FiltersGroundAndNonAircraft)
{
    struct Case {
        const char* type;
        const char* category;
        bool aircraft;
    };
    const Case cases[] = {
        {"B738", "A3", true}, {"BALL", "A1", false}, {"B738", "C2", false}, {"B738", "B1", false},
        {"A3200", "A3", false}, {"", "A3", false}, {"GRND", "", false}, {"C172", "", true},
    };
    for (const auto& c : cases) {
        AcHead head;
        head.type = c.type;
        EXPECT_EQ(gf_isAircraftTarget(head, c.category), c.aircraft) << c.type << " " << c.category;
    }
}

TEST(RandomHelpers, PercentGoesEitherWayByTheSameAmount)
{
    bool sawUp = false, sawDown = false;
    for (int i = 0; i < 200; ++i) {
        const double v = gf_randomPercent(100.0, 10.0);
        ASSERT_TRUE(v == 90.0 || v == 110.0) << v;
        (v > 100.0 ? sawUp : sawDown) = true;
    }
    EXPECT_TRUE(sawUp && sawDown);
    EXPECT_EQ(gf_randomPercent(100.0, 0.0), 100.0);
    EXPECT_EQ(gf_randomPercent(100.0, -5.0), 100.0);
}

TEST(RandomHelpers, ShuffleKeepsTheStringsAndDrawsStayInRange)
{
    std::vector<std::string> list{"a", "b", "c", "d", "e"};
    gf_shuffleStrings(list);
    std::sort(list.begin(), list.end());
    EXPECT_EQ(list, (std::vector<std::string>{"a", "b", "c", "d", "e"}));
    for (int i = 0; i < 100; ++i) {
        const auto v = gf_randomInt(3, 5);
        ASSERT_GE(v, 3);
        ASSERT_LE(v, 5);
    }
}

} // namespace
} // namespace zyn
