// Stored codes of the server's data files turned back into plain codes.
#include "aircraft/descramble.h"
#include "base/log.h"
#include "tests/support/temp_dir.h"
#include "tools/dbase_writer.h"

#include <gtest/gtest.h>

namespace zyn {
namespace {

TEST(ShiftChar, WrapsAtBothEndsOfTheRange)
{
    EXPECT_EQ(lf_shiftChar('-', 1), 'Z');
    EXPECT_EQ(lf_shiftChar('Z', -1), '-');
    EXPECT_EQ(lf_shiftChar('M', 3), 'J');
    for (int c : {0, int{'a'}, int{'z'}, 200}) { // bytes outside the range still give a character inside it
        const int out = lf_shiftChar(c, 7);
        EXPECT_GE(out, kCodeCharFirst) << c;
        EXPECT_LE(out, kCodeCharLast) << c;
    }
}

TEST(Descramble, ScrambledCodesComeBackPlain)
{
    for (const char* airline : {"ZYN", "DLH", "A1-"})
        EXPECT_EQ(lf_decryptAirline(tools::gf_scrambleAirline(airline)), airline);
    for (const char* type : {"A320", "B77W", "E75", "H2", "C"})
        EXPECT_EQ(lf_descrambleType(tools::gf_scrambleType(type)), type);
    for (const char* reg : {"HB-JCA", "N123AB", "G+BCDE", "", "ABCDEFGHIJKLMNOPQRSTUVWX"})
        EXPECT_EQ(lf_descrambleCode(tools::gf_scrambleCode(reg)), reg);
    std::vector<std::string> list{tools::gf_scrambleType("A320"), "", tools::gf_scrambleType("B738")};
    lf_descrambleTypeList(list);
    EXPECT_EQ(list, (std::vector<std::string>{"A320", "", "B738"}));
}

TEST(Descramble, StoredTextsLookScrambled)
{
    EXPECT_NE(tools::gf_scrambleType("A320"), "A320");
    EXPECT_EQ(tools::gf_scrambleAirline("ZYN").size(), 6u);
    EXPECT_NE(tools::gf_scrambleCode("HB-JCA"), "HB-JCA");
}

class DescrambleLog : public ::testing::Test {
protected:
    test::TempDir dir;
    test::ScopedCwd cwd{dir.path()};
    void SetUp() override { gf_openLog(); }
    void TearDown() override { gf_closeLog(); }
    std::vector<std::string> log() const { return test::readLines(dir / "Log.txt"); }
};

TEST_F(DescrambleLog, AirlineCodeOfThreeIsTakenAsItStandsWithAnErrorLine)
{
    EXPECT_EQ(lf_decryptAirline("DLH"), "DLH");
    EXPECT_EQ(log().back(), "===> Unencrypted airline DLH in decrypt airl?");
    EXPECT_EQ(lf_decryptAirline(""), "");
}

TEST(Descramble, AirlineCodeOfAnyOtherLengthThrowsWithTheCode)
{
    try {
        lf_decryptAirline("ABCDE");
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "decrypt airl \"ABCDE\" error");
    }
}

TEST(Descramble, LongerTypesGiveTwoCharacters)
{
    const std::string stored = tools::gf_scrambleType("XY");
    EXPECT_EQ(lf_descrambleType(stored + "QQQ"), "XY");
    EXPECT_EQ(lf_descrambleType(""), "");
}

TEST(Descramble, RegistrationBeyondTheKeyTableThrowsUnlessItIsAPlus)
{
    const std::string stored = tools::gf_scrambleCode("ABCDEFGHIJKLMNOPQRSTUVWX");
    EXPECT_EQ(lf_descrambleCode(stored + "+"), "ABCDEFGHIJKLMNOPQRSTUVWX+");
    EXPECT_THROW(lf_descrambleCode(stored + "A"), std::out_of_range);
    const std::string plus = lf_descrambleCode(tools::gf_scrambleCode("AB+CD"));
    EXPECT_EQ(plus.find('+'), 2u);
}

TEST(Scramble, RefusesCodesTheFormatCannotCarry)
{
    EXPECT_THROW(tools::gf_scrambleAirline("ZY"), std::invalid_argument);
    EXPECT_THROW(tools::gf_scrambleType("A320X"), std::invalid_argument);
    EXPECT_THROW(tools::gf_scrambleType("a320"), std::invalid_argument);
    EXPECT_THROW(tools::gf_scrambleCode(std::string(25, 'A')), std::invalid_argument);
}

} // namespace
} // namespace zyn
