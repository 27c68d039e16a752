// Reading "dbase.xml": every table filled from the server's scrambled format, and what a broken
// or incomplete file does.
#include "aircraft/dbase_read.h"
#include "base/errors.h"
#include "livery/livery_startup.h"
#include "platform/system/full_disk.h"
#include "tests/support/dbase_fixture.h"
#include "tests/support/download_fixture.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <system_error>

namespace zyn::test {
namespace {

namespace fs = std::filesystem;
using tools::DbaseContent;

class DbaseRead : public DownloadFixture {
protected:
    ~DbaseRead() override { gf_clearDbase(); }
    void read(const std::string& xml)
    {
        writeText("dbase.xml", xml);
        gf_readDbaseFile("dbase.xml");
    }
    void read(const DbaseContent& content) { read(tools::gf_dbaseXmlText(content)); }
    template <typename E> std::string failureOf(const std::string& xml)
    {
        try {
            read(xml);
        } catch (const E& e) {
            return e.what();
        }
        return "no exception";
    }
};

TEST_F(DbaseRead, FillsEveryTableWithPlainCodes)
{
    DbaseContent c = dbaseWith({"A320", "B738", "B737", "B77W", "C172"}, {"ZYN", "QKX"},
                               {{"HB-JCA", {"ZYN", "A320", "QKX", false}}, {"N123AB", {"", "", "", false}}});
    c.large = {"A320", "B738"};
    c.heavy = {"B77W"};
    c.similar = {{"B738", "A320", "B737"}};
    c.wingspans = {{"A320", 36.0}};
    c.fixes = {{"A-320", "A320"}};
    c.simAddonAirports = {"LSZH", "EDDF"};
    c.thirdParties2020 = {{"Orbx", {"EGLL12", "EGKK8"}}};
    c.thirdParties2024 = {{"Aerosoft", {"LOWW30"}}};
    read(c);
    EXPECT_EQ(g_aircraftTypes, (TypeSet{"A320", "B737", "B738", "B77W", "C172"}));
    EXPECT_EQ(g_largeTypes, (TypeSet{"A320", "B738"}));
    EXPECT_EQ(g_heavyTypes, TypeSet{"B77W"});
    EXPECT_EQ(g_similarTypeGroups, (std::vector<TypeList>{{"A320", "B737", "B738"}}));
    EXPECT_EQ(g_icaoAirlines, (TypeSet{"QKX", "ZYN"}));
    EXPECT_DOUBLE_EQ(g_wingspans.at("A320"), 18.0 / 1852.0);
    EXPECT_EQ(g_modelFixes.at("A-320"), "A320");
    EXPECT_EQ(g_simAddonAirports, (TypeSet{"EDDF", "LSZH"}));
    ASSERT_EQ(g_publisherAirports2020.size(), 1u);
    EXPECT_EQ(g_publisherAirports2020[0].arpts, (std::vector<std::string>{"EGLL12", "EGKK8"}));
    EXPECT_EQ(g_publisherAirports2024[0].pub, "Aerosoft");
    const auto& record = g_registrations.at("HB-JCA");
    EXPECT_EQ(record.airl, "ZYN");
    EXPECT_EQ(record.type, "A320");
    EXPECT_EQ(record.opr, "QKX");
    EXPECT_TRUE(g_registrations.contains("N123AB"));
    EXPECT_TRUE(logHas("aircraft database read: 5 types, 2 airline codes, 2 registrations"));
}

TEST_F(DbaseRead, OptionalSectionsMayBeMissing)
{
    read(dbaseWith({"A320"}));
    EXPECT_TRUE(g_similarTypeGroups.empty());
    EXPECT_TRUE(g_publishers.empty());
    EXPECT_TRUE(g_wingspans.empty());
    EXPECT_TRUE(g_modelFixes.empty());
    EXPECT_TRUE(g_publisherAirports2020.empty());
    EXPECT_TRUE(g_registrations.empty());
    EXPECT_EQ(logLines().size(), 1u); // the summary, no complaint
}

TEST_F(DbaseRead, RequiredSectionWithoutPiecesStopsAfterTheEarlierTables)
{
    DbaseContent c = dbaseWith({"A320"});
    c.simAddonAirports.clear();
    EXPECT_EQ(failureOf<UserErrorException>(tools::gf_dbaseXmlText(c)),
              "61: In an xml file section simaddons20 simaddon20 arpts is empty ");
    EXPECT_TRUE(g_aircraftTypes.contains("A320"));
    // Empty pieces name nothing, so a list of commas counts as empty.
    std::string xml = tools::gf_dbaseXmlText(dbaseWith({"A320"}));
    xml.replace(xml.find("arpts=\"ZZZZ\""), 12, "arpts=\" , ,\"");
    EXPECT_EQ(failureOf<UserErrorException>(xml), "61: In an xml file section simaddons20 simaddon20 arpts is empty ");
}

TEST_F(DbaseRead, BrokenFileStopsTheRead)
{
    EXPECT_EQ(failureOf<UserErrorException>("<aircrafts><aircraft types=\"x\"></aircrafts>").rfind("60: \"dbase.xml\" not read because of ", 0), 0u);
}

TEST_F(DbaseRead, BadStoredCodeCostsItsEntryOnly)
{
    const std::string stored = tools::gf_scrambleAirline("ZYN");
    const std::string longReg(25, 'A'); // longer than any stored registration can be
    std::string xml = tools::gf_dbaseXmlText(dbaseWith({"A320"}, {"ZYN", "QKX"},
                                                       {{"HB-AAA", {"ZYN", "A320", "", false}},
                                                        {"HB-BBB", {"ZYN", "A320", "", false}},
                                                        {"HB-CCC", {"QKX", "A320", "", false}}}));
    xml.replace(xml.find(stored), 6, "ABCDE"); // in the airline list
    xml.replace(xml.find(stored), 6, "ABCDE"); // the airline of HB-AAA
    const std::string hbc = tools::gf_scrambleCode("HB-CCC");
    xml.replace(xml.find(hbc), hbc.size(), longReg);
    read(xml);
    EXPECT_EQ(g_icaoAirlines, TypeSet{"QKX"});
    EXPECT_EQ(g_registrations.size(), 1u);
    EXPECT_TRUE(g_registrations.contains("HB-BBB"));
    for (const std::string& line : std::vector<std::string>{"===> dbase.xml: ICAO_airlines code \"ABCDE\" skipped: decrypt airl \"ABCDE\" error",
                                   "===> dbase.xml: dbase db 1 skipped: decrypt airl \"ABCDE\" error",
                                   "===> dbase.xml: dbase db 3 skipped: registration \"" + longReg + "\" is longer than 24"})
        EXPECT_TRUE(logHas(line)) << line;
}

TEST_F(DbaseRead, EveryElementOfARepeatedSectionIsRead)
{
    DbaseContent c = dbaseWith({"A320"});
    for (int i = 0; i < 600; ++i)
        c.thirdParties2020.push_back({fmt::format("Publisher{}", i), {fmt::format("EA{:02}", i % 100)}});
    std::string xml = tools::gf_dbaseXmlText(c);
    const std::string one = "<simaddon20 arpts=\"ZZZZ\" />";
    xml.replace(xml.find(one), one.size(),
                "<simaddon20 arpts=\"LSZH\" /><simaddon20 arpts=\"EDDF,EGLL\" /><simaddon20 arpts=\"LOWW\" />");
    read(xml);
    EXPECT_EQ(g_simAddonAirports, (TypeSet{"EDDF", "EGLL", "LOWW", "LSZH"}));
    ASSERT_EQ(g_publisherAirports2020.size(), 600u);
    EXPECT_EQ(g_publisherAirports2020[599].pub, "Publisher599");
}

TEST_F(DbaseRead, DuplicatesKeepTheFirstAndInvalidEntriesAreSkippedWithErrorLines)
{
    DbaseContent c = dbaseWith({"A320", "B738"}, {}, {{"HB-AAA", {"", "A320", "", false}}, {"HB-AAA", {"", "B738", "", false}}});
    c.wingspans = {{"A320", 30.0}, {"A320", 40.0}, {"XXXX", 50.0}};
    c.fixes = {{"A32", "A320"}, {"A32", "B738"}, {"B73", "NONE"}, {"B7", ""}};
    read(c);
    EXPECT_DOUBLE_EQ(g_wingspans.at("A320"), 15.0 / 1852.0);
    EXPECT_DOUBLE_EQ(g_maxHalfWingspan.load(), 20.0 / 1852.0);
    EXPECT_EQ(g_registrations.at("HB-AAA").type, "A320");
    EXPECT_EQ(g_modelFixes.at("A32"), "A320");
    EXPECT_EQ(g_modelFixes.size(), 1u);
    for (const char* line : {"===> wingspan model XXXX is no valid model, skipped", "===> regcode HB-AAA already exists",
                             "===> wrong part of fix: \"A32\", already exists, skipped",
                             "===> wrong fix B73->NONE, the latter is not a valid model", "===> wrong fix B7->, the latter is not a valid model"})
        EXPECT_TRUE(logHas(line)) << line;
}

TEST_F(DbaseRead, CargoFlagAndPublishers)
{
    DbaseContent c = dbaseWith({"A320"}, {}, {{"HB-AAA", {}}, {"HB-BBB", {}}, {"HB-CCC", {}}, {"HB-DDD", {}}});
    c.publishers = {"Orbx,orbx-", "Aerosoft,aerosoft", "Orbx,orbx-"};
    std::string xml = tools::gf_dbaseXmlText(c);
    // One "db" element each, in order: yes, True, false and none.
    for (const char* text : {"cargo=\"yes\"", "cargo=\"True\"", "cargo=\"false\"", ""})
        xml.replace(xml.find("cargo=\"0\""), 9, text);
    read(xml);
    EXPECT_TRUE(g_registrations.at("HB-AAA").cargo);
    EXPECT_TRUE(g_registrations.at("HB-BBB").cargo);
    EXPECT_FALSE(g_registrations.at("HB-CCC").cargo);
    EXPECT_FALSE(g_registrations.at("HB-DDD").cargo);
    EXPECT_EQ(g_publishers, (std::vector<std::vector<std::string>>{{"Aerosoft", "aerosoft"}, {"Orbx", "orbx-"}}));
}

TEST_F(DbaseRead, DefaultWingspanIsTheMeanOfTheCategoryOrElseOfAll)
{
    DbaseContent c = dbaseWith({"B77W", "A359", "C172", "C152"});
    c.heavy = {"B77W", "A359", "B744"};
    c.wingspans = {{"B77W", 60.0}, {"A359", 70.0}, {"C172", 10.0}};
    read(c);
    const double heavy = (30.0 + 35.0) / 2.0 / 1852.0;
    EXPECT_DOUBLE_EQ(g_defaultWingspans[static_cast<std::size_t>(AcCategory::Heavy)], heavy);
    EXPECT_DOUBLE_EQ(gf_wingspan("B744"), heavy);
    EXPECT_DOUBLE_EQ(gf_wingspan("C152"), 5.0 / 1852.0);
    EXPECT_DOUBLE_EQ(gf_wingspan("ZBZJ"), (30.0 + 35.0 + 5.0) / 3.0 / 1852.0); // no buzjet has a span
}

TEST_F(DbaseRead, SecondReadReplacesTheTablesInsteadOfAddingToThem)
{
    DbaseContent c = dbaseWith({"A320"});
    c.similar = {{"A320", "A20N"}};
    c.publishers = {"Orbx"};
    read(c);
    read(c);
    EXPECT_EQ(g_similarTypeGroups.size(), 1u);
    EXPECT_EQ(g_publishers.size(), 1u);
}

TEST_F(DbaseRead, StartupReadDownloadsTheDatabaseAndDeletesTheUnpackedFile)
{
    fs::create_directory("input");
    EXPECT_THROW(gf_readDbase(), std::runtime_error);
    tools::gf_writeDbaseZip(dbaseWith({"A320"}), serverDir / "dbase.zip");
    EXPECT_TRUE(gf_readDbase());
    EXPECT_TRUE(gf_isKnownAircraftType("A320"));
    EXPECT_FALSE(fs::exists(g_dbaseXmlPath));
    EXPECT_FALSE(fs::exists("dbase.zip"));
    // On a full disk the start ends as it does without the server, and the log says which it was.
    gf_setFullDisk(FullDisk{{}, 10});
    try {
        gf_readDbase();
        ADD_FAILURE() << "read on a full disk";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "data base could not be read from on-line?");
    }
    gf_setFullDisk(std::nullopt);
    const std::string full = std::make_error_code(std::errc::no_space_on_device).message();
    EXPECT_TRUE(std::ranges::any_of(logLines(), [&](const std::string& l) { return l.ends_with(full); }));
}

} // namespace
} // namespace zyn::test
