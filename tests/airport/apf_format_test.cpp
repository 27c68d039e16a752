#include "airport/apf_format.h"
#include "airport/apf_read.h"
#include "airport/learned_merge.h"
#include "airport/quality_factor.h"
#include "base/units.h"
#include "settings/settings.h"
#include "tests/airport/airport_fixture.h"
#include "tests/support/dbase_fixture.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <charconv>
#include <cmath>
#include <optional>
#include <random>

namespace zyn {
namespace {

namespace fs = std::filesystem;
using test::makeOption;
using test::makeStand;

class ApfFormat : public test::AirportFixture {
protected:
    // The attribute names of each "parkpos" of a written file, in order.
    std::vector<std::vector<std::string>> writtenForms(const std::vector<ParkPos>& written, ApfMode mode, bool handmade)
    {
        ApfWriteData data{.stands = written, .handmade = handmade};
        EXPECT_TRUE(gf_writeApf(data, "out.xml", mode));
        pugi::xml_document document;
        EXPECT_TRUE(document.load_file("out.xml"));
        std::vector<std::vector<std::string>> forms;
        for (auto parkpos : document.child("parkpositions").children("parkpos")) {
            forms.emplace_back();
            for (auto attribute : parkpos.attributes())
                forms.back().push_back(attribute.name());
        }
        return forms;
    }
    std::vector<ParkPos> readBack(const fs::path& file)
    {
        std::vector<ParkPos> read;
        EXPECT_TRUE(gf_readApfBytes(test::readText(file), file.string(), info, quality, read));
        return read;
    }
    // Stands of every kind, with real and soft options of registrations the database does not know.
    std::vector<ParkPos> standsOfEveryKind()
    {
        std::vector<ParkPos> list;
        list.push_back(makeStand("A1", 47.458123, 8.551234, 40.0,
                                 {makeOption("TV-ABC", "ZYN", "A320", 3, {16, 17, 40}),
                                  makeOption("", "TVO", "B738", 7, {0, 47}, false)}));
        list.back().heading = 90.0 * kDegToRad;
        list.push_back(ParkPos("R 2", {}, -33.9, 151.2, 1.0, 14.0, 1, 0, 1));   // ramp
        list.push_back(ParkPos("C3", {}, 61.2, -149.9, 3.0, 36.5, 0, 1, 1));    // cargo
        list.push_back(ParkPos("H4", {}, 0.5, -0.5, 6.0, 9.0, 1, 1, 0));        // helipad
        list.push_back(makeStand("M5", 10.0, 20.0, 15.0, {makeOption("D-EFGH", "ABC", "E190", 1, {5})}));
        list.back().manual = true;
        return list;
    }
};

void lf_expectSameStand(const ParkPos& read, const ParkPos& written)
{
    SCOPED_TRACE(written.id);
    EXPECT_EQ(read.id, written.id);
    EXPECT_NEAR(read.latitude, written.latitude, 5e-7);
    EXPECT_NEAR(read.longitude, written.longitude, 5e-7);
    EXPECT_NEAR(read.heading, written.heading, 0.05 * kDegToRad);
    EXPECT_NEAR(read.radius * kMetresPerNm, written.radius * kMetresPerNm, 0.05);
    EXPECT_EQ(read.heli, written.heli);
    EXPECT_EQ(read.cargo, written.cargo);
    EXPECT_EQ(read.ramp, written.ramp);
}

void lf_expectSameOptions(const ParkPos& read, const ParkPos& written)
{
    ASSERT_EQ(read.options.size(), written.options.size()) << written.id;
    for (std::size_t i = 0; i < read.options.size(); ++i) {
        const auto& r = read.options[i];
        const auto& w = written.options[i];
        EXPECT_EQ(std::tie(r.registration, r.airline, r.type, r.day, r.halfHours, r.real, r.number),
                  std::tie(w.registration, w.airline, w.type, w.day, w.halfHours, w.real, w.number))
            << written.id << " option " << i;
    }
}

TEST_F(ApfFormat, GeneratedFileReadsBackEveryStandInFull)
{
    const auto written = standsOfEveryKind();
    ASSERT_TRUE(gf_writeApf({.airportName = "Field", .publisher = "simaddon", .altitude = 1416, .stands = written},
                            "gen.xml", ApfMode::Generated));
    const auto read = readBack("gen.xml");
    ASSERT_EQ(read.size(), written.size());
    for (std::size_t i = 0; i < read.size(); ++i) {
        lf_expectSameStand(read[i], written[i]);
        EXPECT_TRUE(read[i].options.empty()); // generated files carry no options
    }
    EXPECT_EQ(info.airportName, "Field");
    EXPECT_EQ(info.publisher, "simaddon");
    EXPECT_EQ(info.altitude, 1416);
    EXPECT_EQ(quality, gf_qualityPair(-1, -1)); // not written for generated files
    const auto text = test::readText("gen.xml");
    EXPECT_NE(text.find("heading=\"90.0\" radius=\"40.0\""), std::string::npos);
}

TEST_F(ApfFormat, HandmadeFileReadsBackStandsOptionsAndParameters)
{
    auto written = standsOfEveryKind();
    const AirportSettings settings{.lateralRange = 33, .parkingPercentage = 55, .maxFit = 12, .week = true, .maxLive = 0};
    ASSERT_TRUE(gf_writeApf({.airportName = "Field", .publisher = "Some Maker", .qfReal = 61, .qfSoft = 7,
                             .altitude = -12, .stands = written, .handmade = true, .settings = settings},
                            "hand.xml", ApfMode::Learned));
    const auto read = readBack("hand.xml");
    ASSERT_EQ(read.size(), written.size());
    for (std::size_t i = 0; i < read.size(); ++i) {
        lf_expectSameStand(read[i], written[i]);
        lf_expectSameOptions(read[i], written[i]);
    }
    EXPECT_EQ(quality, gf_qualityPair(61, 7));
    EXPECT_EQ(info.altitude, -12);
    pugi::xml_document document;
    ASSERT_TRUE(document.load_file("hand.xml"));
    EXPECT_EQ(lf_readParameterText(document, "handmade"), "true");
    EXPECT_EQ(lf_readParameterInt(document, "num_parkpos"), 5);
    EXPECT_EQ(lf_readParameterInt(document, "LATERAL_RANGE"), 33);
    EXPECT_EQ(lf_readParameterInt(document, "MAX_LIVE"), 0); // 0 is written, only -1 is left out
    EXPECT_EQ(lf_readParameterBool(document, "WEEK"), true);
    EXPECT_EQ(lf_readParameterInt(document, "parking_percentage"), 55);
    EXPECT_EQ(lf_readParameterInt(document, "MAX_FIT"), 12);
    EXPECT_FALSE(lf_readParameterText(document, "BGLpath")); // the publisher is not "unknown"
}

TEST_F(ApfFormat, ParametersFollowModePublisherAndHandmade)
{
    const struct {
        const char* name;
        ApfMode mode;
        const char* publisher;
        bool handmade;
        std::int32_t maxLive;
        std::vector<std::string> names;
    } rows[] = {
        {"generated", ApfMode::Generated, "stock", false, 5, {"airport_name", "publisher", "altitude", "num_parkpos"}},
        {"unknown publisher",
         ApfMode::Generated,
         "unknown",
         false,
         5,
         {"airport_name", "publisher", "altitude", "num_parkpos", "BGLpath", "manufacturer", "creator"}},
        {"learned, MAX_LIVE -1 left out",
         ApfMode::Learned,
         "stock",
         false,
         -1,
         {"airport_name", "publisher", "num_parkpos", "LATERAL_RANGE", "AUTO_RANGE", "WEEK", "PARK_FAKE", "PARK_SOFT",
          "parking_percentage", "INITIAL_LOAD_ONLY", "MAX_FIT", "RT_PARKTRAFFIC_ONLY", "LEARN_SOFT"}},
        {"learned handmade",
         ApfMode::Learned,
         "stock",
         true,
         0,
         {"airport_name", "publisher", "handmade", "altitude", "num_parkpos", "Qf_real", "Qf_soft", "LATERAL_RANGE",
          "AUTO_RANGE", "WEEK", "PARK_FAKE", "PARK_SOFT", "parking_percentage", "INITIAL_LOAD_ONLY", "MAX_FIT",
          "RT_PARKTRAFFIC_ONLY", "MAX_LIVE", "LEARN_SOFT"}},
    };
    for (const auto& row : rows) {
        const AirportSettings settings{.maxLive = row.maxLive};
        ASSERT_TRUE(gf_writeApf({.publisher = row.publisher, .handmade = row.handmade, .settings = settings}, "p.xml",
                                row.mode));
        pugi::xml_document document;
        ASSERT_TRUE(document.load_file("p.xml"));
        std::vector<std::string> names;
        for (auto parameter : document.child("parameters").children("parameter"))
            names.push_back(parameter.attribute("name").value());
        EXPECT_EQ(names, row.names) << row.name;
        EXPECT_EQ(document.first_child().name(), std::string("meta")) << row.name;
    }
}

TEST_F(ApfFormat, StandFormFollowsItsChangesAndTheMode)
{
    auto stand = [](bool manual, bool radiusChanged, bool cargoChanged, bool heli = false) {
        ParkPos s("S", {}, 47.0, 8.0, 0.0, 20.0, 1, 1, heli ? 0 : 1);
        s.manual = manual;
        s.radiusChanged = radiusChanged;
        s.cargoChanged = cargoChanged;
        return s;
    };
    using Names = std::vector<std::string>;
    const Names full{"id", "latitude", "longitude", "heading", "radius", "cargo", "ramp"};
    const struct {
        const char* name;
        ParkPos stand;
        ApfMode mode;
        bool handmade;
        Names form;
    } rows[] = {
        {"learned, unchanged: bare", stand(false, false, false), ApfMode::Learned, false, {"id"}},
        {"learned, radius changed: delta", stand(false, true, false), ApfMode::Learned, false, {"id", "radius_change", "radius"}},
        {"learned, cargo changed: delta", stand(false, false, true), ApfMode::Learned, false, {"id", "cargo_change", "cargo"}},
        {"learned, both changed: delta",
         stand(false, true, true),
         ApfMode::Learned,
         false,
         {"id", "radius_change", "radius", "cargo_change", "cargo"}},
        {"learned, manual and changed: full",
         stand(true, true, false),
         ApfMode::Learned,
         false,
         {"id", "latitude", "longitude", "heading", "radius", "cargo", "ramp", "manual"}},
        {"handmade, unchanged: full", stand(false, false, false), ApfMode::Learned, true, full},
        {"handmade, radius changed: full, so that it is read again", stand(false, true, false), ApfMode::Learned, true, full},
        {"generated: full", stand(false, true, true), ApfMode::Generated, false, full},
        {"helipad: heli, no cargo",
         stand(false, false, false, true),
         ApfMode::Generated,
         false,
         {"id", "latitude", "longitude", "heading", "radius", "heli", "ramp"}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(writtenForms({row.stand}, row.mode, row.handmade), std::vector<Names>{row.form}) << row.name;
}

TEST_F(ApfFormat, OptionsAreWrittenWithAirlineAndTypeAndWithoutInvalidOnes)
{
    const test::ScopedDbase dbase(test::dbaseWith({"A320"}, {"ZYN"}, {{"TV-ABC", {"ZYN", "A320", "", false}}}));
    ParkPos stand = makeStand("A1", 47.0, 8.0, 20.0,
                              {makeOption("TV-ABC", "ZYN", "A320", 2, {3}), makeOption("TV-XYZ", "QKX", "B738", 4, {5}, false),
                               makeOption("TV-NUL", "QKX", "B738", 4, {6}), makeOption("TV-COL", "QKX", "B738", 5, {7})});
    stand.options[0].callsign = "ZYN1";
    stand.options[0].callsign2 = "ZYN2";
    stand.options[1].callsign = "QKX5";
    stand.options[2].number = 0;
    stand.options[3].callsign = "QKX:6"; // would read back as two callsigns
    ASSERT_TRUE(gf_writeApf({.stands = std::vector<ParkPos>{stand}}, "o.xml", ApfMode::Learned));
    pugi::xml_document document;
    ASSERT_TRUE(document.load_file("o.xml"));
    std::vector<std::vector<std::string>> options;
    for (auto opt : document.child("parkpositions").child("parkpos").children("opt")) {
        options.emplace_back();
        for (auto attribute : opt.attributes())
            options.back().push_back(fmt::format("{}={}", attribute.name(), attribute.value()));
    }
    const std::vector<std::vector<std::string>> expected{
        // airline and type even for a known registration
        {"reg=TV-ABC", "airl=ZYN", "type=A320", "cs=ZYN1:ZYN2", "day=2", "hh=3"},
        {"reg=TV-XYZ", "airl=QKX", "type=B738", "cs=QKX5", "soft=true", "day=4", "hh=5"},
        {"reg=TV-COL", "airl=QKX", "type=B738", "day=5", "hh=7"},
    };
    EXPECT_EQ(options, expected);
    EXPECT_TRUE(logHas("===> gf_writeApf: callsigns \"QKX:6\" \"\" hold a colon, not written"));
}

TEST_F(ApfFormat, OptionTextsComeFromCallsignAndDatabase)
{
    const test::ScopedDbase dbase(test::dbaseWith(
        {"A320", "B738"}, {"ZYN", "OPR"},
        {{"D-ABCD", {"ZYN", "A320", "OPR", false}}, {"G-EFGH", {"ZYN", "B738", "", false}}}));
    const struct {
        const char* cs;
        const char* reg;
        const char* callsign;
        const char* callsign2;
        const char* airline;
        const char* type;
    } rows[] = {
        {"AB12:X", "", "AB12", "X", "FIL", "E190"},
        {"A:B:C", "", "A", "", "FIL", "E190"},
        {"", "DABCD", "", "", "OPR", "A320"}, // a spelling without the dash; the operator flies it
        {"", "G-EFGH", "", "", "ZYN", "B738"},
        {"", "N12345", "", "", "FIL", "E190"},
    };
    for (const auto& row : rows) {
        pugi::xml_document document;
        auto opt = document.append_child("opt");
        opt.append_attribute("cs").set_value(row.cs);
        opt.append_attribute("reg").set_value(row.reg);
        opt.append_attribute("airl").set_value("FIL");
        opt.append_attribute("type").set_value("E190");
        const OptionTexts texts = lf_readAirlTypeLists(opt);
        EXPECT_EQ(texts.callsign, row.callsign) << row.cs << row.reg;
        EXPECT_EQ(texts.callsign2, row.callsign2) << row.cs << row.reg;
        EXPECT_EQ(texts.airline, row.airline) << row.cs << row.reg;
        EXPECT_EQ(texts.type, row.type) << row.cs << row.reg;
    }
}

TEST(ApfValues, FlagsAreTrueForTheirFirstCharacterOnly)
{
    pugi::xml_document document;
    auto node = document.append_child("x");
    for (const auto& [text, expected] : std::vector<std::pair<const char*, bool>>{
             {"true", true}, {"True", true}, {"1", true}, {"yes", true}, {"Y", true}, {"false", false}, {"0", false},
             {"", false}, {" true", false}, {"on", false}}) {
        node.remove_attribute("flag");
        node.append_attribute("flag").set_value(text);
        EXPECT_EQ(gf_apfBool(node.attribute("flag")), expected) << text;
    }
    EXPECT_FALSE(gf_apfBool(node.attribute("absent")));
}

TEST(ApfValues, NumbersReadAsStrtodWouldWithoutTheLocale)
{
    const std::vector<std::pair<std::string, std::optional<double>>> rows{
        {"47.123456", 47.123456}, {" -8.5x", -8.5}, {"+3", 3.0}, {".5", 0.5}, {"5.", 5.0}, {"1.2.3", 1.2},
        {"1e3", 1000.0}, {"2E-2,", 0.02}, {"1234567890123456.5", 1234567890123456.5},
        {"0.1000000000000000055511151231257827", 0.1}, {"nan", std::nullopt}, {"1e999", std::nullopt},
        {"", std::nullopt}, {"-", std::nullopt}, {"x1", std::nullopt}};
    for (const auto& [text, expected] : rows)
        EXPECT_EQ(gf_fileNumber(text), expected) << text;
    EXPECT_TRUE(std::signbit(gf_fileNumber("-0").value_or(1.0)));
    // Coordinates, headings and radii as files write them: the same double as the general reading.
    std::mt19937_64 random(11);
    for (int i = 0; i < 2000; ++i) {
        const double x = std::uniform_real_distribution<double>(-180.0, 180.0)(random);
        for (const std::string& text : {fmt::format("{:.6f}", x), fmt::format("{:.1f}", x), fmt::format("{}", x)}) {
            double general = 0.0;
            std::from_chars(text.data(), text.data() + text.size(), general);
            EXPECT_EQ(gf_fileNumber(text), general) << text;
        }
    }
}

TEST_F(ApfFormat, BrokenStandsAndOptionsAreReportedAndSkipped)
{
    using A = tools::Attributes;
    const struct {
        const char* name;
        A attributes;
        std::vector<A> options;
        std::size_t stands;
        std::size_t options0;
        const char* logged; // empty: nothing logged
    } rows[] = {
        {"good", {}, {{{"day", "3"}, {"hh", "4"}}}, 1, 1, ""},
        {"bare (no position)", {{"latitude", ""}}, {}, 0, 0, ""},
        {"at 0, 0", {{"latitude", "0"}, {"longitude", "0.0"}}, {}, 0, 0, ""},
        {"latitude nan", {{"latitude", "nan"}}, {}, 0, 0, "latitude \"nan\" is no number, skipped"},
        {"longitude inf", {{"longitude", "-inf"}}, {}, 0, 0, "longitude \"-inf\" is no number, skipped"},
        {"latitude beyond the pole", {{"latitude", "91"}}, {}, 0, 0, "latitude 91 out of range, skipped"},
        {"radius negative", {{"radius", "-3"}}, {}, 0, 0, "radius \"-3\" is no radius in metres, skipped"},
        {"radius of a kilometre and more", {{"radius", "1000.5"}}, {}, 0, 0, "radius \"1000.5\" is no radius in metres"},
        // No number: read as 0, as the format has it, and the stand is kept.
        {"radius infinite", {{"radius", "1e999"}}, {}, 1, 0, "radius \"1e999\" is no number, read as 0"},
        {"radius letters", {{"radius", "wide"}}, {}, 1, 0, "radius \"wide\" is no number, read as 0"},
        {"heading nan", {{"heading", "NaN"}}, {}, 1, 0, "heading \"NaN\" is no number, read as 0"},
        {"day 9", {}, {{{"day", "9"}}, {{"day", "2"}}}, 1, 1, "opt 1: day \"9\" is no day of the week, skipped"},
        {"day -1", {}, {{{"day", "-1"}}}, 1, 0, "day \"-1\" is no day of the week, skipped"},
        {"day x", {}, {{{"day", "x"}}}, 1, 0, "day \"x\" is no day of the week, skipped"},
    };
    for (const auto& row : rows) {
        tools::ApfSpec spec{.parameters = test::stockParameters()};
        auto stand = test::fullStand("S1", 47.0, 8.0, row.attributes, row.options);
        std::erase_if(stand.attributes, [](const auto& a) { return a.second.empty(); }); // "" removes it
        if (std::string(row.name).starts_with("bare"))
            std::erase_if(stand.attributes, [](const auto& a) { return a.first == "longitude"; });
        spec.stands.push_back(stand);
        std::vector<ParkPos> read;
        const std::size_t linesBefore = logLines().size();
        ASSERT_TRUE(gf_readApfBytes(tools::gf_apfXml(spec), "f.xml", info, quality, read)) << row.name;
        ASSERT_EQ(read.size(), row.stands) << row.name;
        if (!read.empty()) {
            EXPECT_EQ(read[0].options.size(), row.options0) << row.name;
        }
        if (std::string_view(row.logged).ends_with("read as 0")) {
            EXPECT_TRUE(read.at(0).radius == 0.0 || read.at(0).heading == 0.0) << row.name;
        }
        const auto lines = logLines();
        const std::vector<std::string> added(lines.begin() + static_cast<std::ptrdiff_t>(linesBefore), lines.end());
        if (*row.logged == '\0') {
            EXPECT_TRUE(added.empty()) << row.name << ": " << (added.empty() ? "" : added[0]);
        } else {
            ASSERT_FALSE(added.empty()) << row.name;
            EXPECT_TRUE(added[0].starts_with("===> f.xml: parkpos \"S1\"")) << added[0];
            EXPECT_NE(added[0].find(row.logged), std::string::npos) << added[0];
        }
    }
}

// A stand made by hand with a radius that one decimal shows as 0.0 keeps its radius when saved, and
// is not refused as a stand without one when read again.
TEST_F(ApfFormat, TinyRadiusOfAManualStandSurvivesSaving)
{
    for (const double metres : {0.04, 0.001}) {
        std::vector<ParkPos> written{makeStand("M1", 47.0, 8.0, metres)};
        written[0].manual = true;
        ASSERT_TRUE(gf_writeApf({.airportName = "Test field", .stands = written}, "learned.xml", ApfMode::Learned));
        std::vector<ParkPos> read;
        bool handmade = false;
        lf_readLearned("learned.xml", "Test field", read, handmade);
        ASSERT_EQ(read.size(), 1u) << metres;
        EXPECT_NEAR(read[0].radius * kMetresPerNm, metres, 1e-9) << metres;
    }
    EXPECT_FALSE(logContains("misses correct attributes"));
}

TEST_F(ApfFormat, WritingReplacesTheFileWholeOrLeavesIt)
{
    const std::vector<ParkPos> one{makeStand("A1", 47.0, 8.0, 20.0)};
    test::writeText("learned.xml", "the previous file");
    ASSERT_TRUE(gf_writeApf({.stands = one}, "learned.xml", ApfMode::Learned));
    EXPECT_NE(test::readText("learned.xml").find("<parkpos id=\"A1\""), std::string::npos);
    for (const auto& entry : fs::directory_iterator(programDir.path()))
        EXPECT_FALSE(entry.path().filename().string().ends_with(".tmp")) << entry.path();
    EXPECT_FALSE(gf_writeApf({.stands = one}, "no_such_folder/EDDT.xml", ApfMode::Learned));
    EXPECT_TRUE(logContains("===> gf_writeApf: "));
    EXPECT_FALSE(fs::exists("no_such_folder"));
}

} // namespace
} // namespace zyn
