#include "livery/cfg_lines.h"
#include "tests/livery/livery_read_fixture.h"

#include <gtest/gtest.h>

#include <functional>

namespace zyn {
namespace {

using test::lines;

// A parser that reports a match and sets a value only on some matches.
using ValueParser = std::function<bool(std::string_view, std::string&)>;

struct ValueCase {
    const char* name;
    ValueParser parse;
    std::string line;
    bool matches;
    std::string value; // what the value holds afterwards; it starts as "old"
};

TEST(CfgKeys, ValueParsersFollowTheQuotingRules)
{
    const ValueCase cases[] = {
        {"title", lf_parseTitle, "title=Airbus A320 Lufthansa", true, "Airbus A320 Lufthansa"},
        {"title", lf_parseTitle, "  TITLE =  \"Boeing 737\" // comment ", true, "Boeing 737"},
        {"title", lf_parseTitle, "title=\"unclosed", true, "old"},
        {"title", lf_parseTitle, "title=\"\"", true, "old"},
        {"title", lf_parseTitle, "title=", false, "old"},
        {"title", lf_parseTitle, "title_alt=x", false, "old"},
        {"title", lf_parseTitle, "ui_title=x", false, "old"},
        {"title", lf_parseTitle, "title=a\rb", false, "old"},
        {"texture", lf_parseTexture, "texture = DLH", true, "DLH"},
        {"texture", lf_parseTexture, "texture=\"\"", false, "old"},
        {"atc_id", lf_parseAtcId, "atc_id=D-ABCD", true, "D-ABCD"},
        {"atc_id", lf_parseAtcId, "atc_id=\"N12345\"", true, "N12345"},
        {"atc_id", lf_parseAtcId, "atc_id=ABCD", false, "old"},
        {"atc_id", lf_parseAtcId, "atc_id=N*", false, "old"},
        {"icao_airline", lf_parseIcaoAirline, "icao_airline=dlh", true, "DLH"},
        {"icao_airline", lf_parseIcaoAirline, "icao_airline=ZZZZ", true, "ZZZ"},
        {"icao_airline", lf_parseIcaoAirline, "icao_airline=zzzz", true, "ZZZZ"},
        {"icao_airline", lf_parseIcaoAirline, "icao_airline=\"\"", true, "ZZZ"},
        {"icao_airline", lf_parseIcaoAirline, "icao_airline =", false, "old"},
        {"atc_parking_types", lf_parseAtcParkingTypes, "atc_parking_types = GATE, RAMP", true, "GATE, RAMP"},
        {"atc_parking_types", lf_parseAtcParkingTypes, "atc_parking_types=\"\"", false, "old"},
    };
    for (const auto& c : cases) {
        std::string value = "old";
        EXPECT_EQ(c.parse(c.line, value), c.matches) << c.name << ": " << c.line;
        EXPECT_EQ(value, c.value) << c.name << ": " << c.line;
    }
}

TEST(CfgKeys, TypeDesignatorIsCutToFourUpperCaseCharacters)
{
    EXPECT_EQ(lf_parseIcaoTypeDesignator("icao_type_designator = \"b738x\""), "B738");
    EXPECT_EQ(lf_parseIcaoTypeDesignator("icao_type_designator=A5"), "A5");
    EXPECT_EQ(lf_parseIcaoTypeDesignator("icao_type_designator=\"\""), "");
    EXPECT_EQ(lf_parseIcaoTypeDesignator("icao_model=B738"), "");
}

TEST(CfgKeys, BaseContainerNamesAStockModelByExactFolderName)
{
    EXPECT_EQ(lf_parseBaseContainer("base_container = \"..\\Asobo_B787_10\""), "B78X");
    EXPECT_EQ(lf_parseBaseContainer("base_container=..\\FlyByWire_A320_NEO"), "A20N");
    EXPECT_EQ(lf_parseBaseContainer("base_container=..\\..\\Asobo_B787_10"), "");
    EXPECT_EQ(lf_parseBaseContainer("base_container=..\\asobo_b787_10"), "");
    // Too short to be a relative path: no stock model, and no error that would spoil the file.
    EXPECT_EQ(lf_parseBaseContainer("base_container=\"\""), "");
    EXPECT_EQ(lf_parseBaseContainer("base_container=ab"), "");
}

TEST(CfgHeaders, NumberMarkerOrNothing)
{
    const std::pair<std::string, std::string> cases[] = {
        {"[fltsim.0]", "0"},
        {"[FLTSIM.3]", "3"},
        {"  [Fltsim.3]  ", "3"},
        {"[fltsim.12]\r", "12"},
        {"[FltSim.x]", ""},
        {"[fltsim.x]", "10000"},
        {"[fltsim.]", "10000"},
        {"[FLTSIM.]", "10000"},
        {"[fltsim.0] // note", "10000"},
        {"//[fltsim.0]", ""},
        {" //[fltsim.0]", "10000"},
        {"[General]", ""},
        {"/", ""},
        {"", ""},
    };
    for (const auto& [line, result] : cases)
        EXPECT_EQ(lf_parseFltsimHeader(line), result) << line;
}

class FltsimNumbering : public test::LiveryReadTest {};

TEST_F(FltsimNumbering, HeadersMustCountFromZeroWithoutGapsInAnyOrder)
{
    struct Case {
        std::vector<std::string> lines;
        bool passes;
        std::string invalidLine; // after the path and " contains "
    };
    const Case cases[] = {
        {{"[fltsim.0]", "title=a", "[fltsim.1]"}, true, ""},
        {{"[fltsim.2]", "[fltsim.0]", "[fltsim.1]"}, true, ""},
        {{"[fltsim.0]", "[fltsim.2]"}, false, "non-consecutive [fltsim.x] numbers at .x=2"},
        {{"[fltsim.1]", "[fltsim.2]"}, false, "non-consecutive [fltsim.x] numbers at .x=1"},
        {{"[fltsim.0]", "[fltsim.0]", "[fltsim.1]"}, false, "non-consecutive [fltsim.x] numbers at .x=0"},
        {{"[fltsim.0]", "[fltsim.x]"}, false, "a [fltsim.] section without a number"},
    };
    for (const auto& c : cases) {
        g_invalidFileList.lines.clear();
        EXPECT_EQ(lf_checkFltsimNumbers(c.lines, "pkg/aircraft.cfg"), c.passes) << c.lines.at(1);
        if (c.passes)
            EXPECT_TRUE(g_invalidFileList.lines.empty());
        else
            EXPECT_EQ(lines(g_invalidFileList.lines), std::vector<std::string>{"pkg/aircraft.cfg contains " + c.invalidLine});
    }
    EXPECT_TRUE(g_noFltsimSectionList.lines.empty());
}

TEST_F(FltsimNumbering, FileWithoutHeadersPassesAndIsListedOnce)
{
    EXPECT_TRUE(lf_checkFltsimNumbers({"[General]", "icao_type_designator=B738"}, "a/aircraft.cfg"));
    EXPECT_EQ(lines(g_noFltsimSectionList.lines), std::vector<std::string>{"a/aircraft.cfg"});
    EXPECT_TRUE(g_invalidFileList.lines.empty());
}

TEST_F(FltsimNumbering, NumberBeyondThirtyTwoBitsIsLoggedAndFailsSilently)
{
    EXPECT_FALSE(lf_checkFltsimNumbers({"[fltsim.0]", "[fltsim.99999999999]"}, "a/aircraft.cfg"));
    EXPECT_EQ(logLines(), std::vector<std::string>{"===> fltsim num [fltsim.99999999999] incorrect"});
    EXPECT_TRUE(g_invalidFileList.lines.empty());
    EXPECT_TRUE(g_noFltsimSectionList.lines.empty());
}

using Sections = std::vector<CfgSection>;

TEST(CfgSections, OtherSectionsEndAFltsimSectionOnlyNearTheLineStart)
{
    const std::vector<std::string> file{
        "[General]",    "icao_type_designator=B738", "[fltsim.0]", "title=A", "texture=x [old]",
        "   [General]", "title=dropped",             "[FLTSIM.1]", "title=B", "",
    };
    EXPECT_EQ(lf_processFltSimSections(file),
              (Sections{{"[fltsim.0]", "title=A", "texture=x [old]"}, {"[FLTSIM.1]", "title=B", ""}}));
}

TEST(CfgSections, IvaoSectionsEndAtABracketAnywhere)
{
    const std::vector<std::string> file{"[fltsim.0]", "title=A", "texture = tex [new]", "atc_id=X", "[fltsim.1]",
                                        "title=B"};
    EXPECT_EQ(lf_procesIvaoSections(file), (Sections{{"[fltsim.0]", "title=A"}, {"[fltsim.1]", "title=B"}}));
}

} // namespace
} // namespace zyn
