// The questions the other subsystems ask of the aircraft database.
#include "aircraft/aircraft_db.h"
#include "livery/livery_index.h"
#include "livery/similar_types.h"
#include "tests/support/dbase_fixture.h"
#include "tests/support/download_fixture.h"
#include "tests/support/livery_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace zyn::test {
namespace {

tools::DbaseContent lf_classedTypes()
{
    auto c = dbaseWith({"A320", "B77W", "C25C", "EC35", "F16", "C172"}, {"ZYN"});
    c.large = {"A320", "B77W"};
    c.heavy = {"B77W"};
    c.buzjet = {"C25C"};
    c.rotorcraft = {"EC35"};
    c.highPerf = {"F16"};
    return c;
}

TEST(DbaseQueries, SizeClassExistenceAndAirlines)
{
    ScopedDbase db{lf_classedTypes()};
    EXPECT_EQ(gf_aircraftCategory("B77W"), AcCategory::Large); // large is asked first
    EXPECT_EQ(gf_aircraftCategory("C25C"), AcCategory::Buzjets);
    EXPECT_EQ(gf_aircraftCategory("EC35"), AcCategory::Rotorcraft);
    EXPECT_EQ(gf_aircraftCategory("F16"), AcCategory::HighPerf);
    EXPECT_EQ(gf_aircraftCategory("C172"), AcCategory::Light);
    EXPECT_EQ(gf_aircraftCategory("a320"), AcCategory::Light);
    EXPECT_TRUE(gf_isKnownAircraftType("C172"));
    EXPECT_FALSE(gf_isKnownAircraftType(""));
    EXPECT_FALSE(gf_isKnownAircraftType("XXXX"));
    EXPECT_TRUE(gf_isIcaoAirline("ZYN"));
    EXPECT_FALSE(gf_isIcaoAirline(""));
    EXPECT_TRUE(gf_containsChar("A-B", '-'));
    EXPECT_FALSE(gf_containsChar("", '-'));
}

TEST(DbaseQueries, RegistrationSpellings)
{
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases{
        {"PQRST", {"PQ-RST", "P-QRST", "PQRST"}},
        {"A-BCDE", {"A-BCDE"}},
        {"N12345", {"N12345"}},
        {"ABCD", {"ABCD"}},
        {"", {""}},
    };
    for (const auto& [reg, spellings] : cases)
        EXPECT_EQ(gf_registrationVariants(reg), spellings) << reg;
}

TEST(DbaseQueries, RegistrationsAreFoundThroughTheirSpellings)
{
    ScopedDbase db{dbaseWith({"A320"}, {"ZYN", "QKX"},
                             {{"A-BCDE", {"ZYN", "A320", "QKX", true}}, {"FGHIJ", {"QKX", "", "", false}},
                              {"N7", {"PVT", "", "", false}}, {"ZZ9", {"PVT", "", "", false}}, {"ZZ98765", {"PVT", "", "", false}}})};
    EXPECT_EQ(gf_regAirline("ABCDE"), "ZYN");
    EXPECT_EQ(gf_regOperator("ABCDE"), "QKX");
    EXPECT_EQ(gf_regType("ABCDE"), "A320");
    EXPECT_EQ(gf_regAirline("FGHIJ"), "QKX");
    EXPECT_EQ(gf_regAirline("F-GHIJ"), "");
    EXPECT_FALSE(gf_findRegistration(""));
    EXPECT_FALSE(gf_lookupRegistration("ABCDE")); // one spelling only
    std::optional<RegistrationRecord> record = RegistrationRecord{"old", "", "", false};
    EXPECT_FALSE(gf_lookupRegistration("nothing", record));
    EXPECT_EQ(record->airl, "old");
    EXPECT_TRUE(gf_lookupRegistration("A-BCDE", record));
    EXPECT_TRUE(record->cargo);
    EXPECT_EQ(gf_findPrivateRegPrefix("Cessna ZZ9 private"), "ZZ9");
    EXPECT_EQ(gf_findPrivateRegPrefix("Cessna ZZ98765"), "ZZ9"); // the long one is no prefix
    EXPECT_EQ(gf_findPrivateRegPrefix("Airbus ZYN"), "");
}

class DbasePublishers : public DownloadFixture {
protected:
    ~DbasePublishers() override { gf_clearDbase(); }
};

TEST_F(DbasePublishers, FirstEntryInNameOrderWithAMatchingPatternGivesThePublisher)
{
    g_publishers = {{"Aerosoft", "aerosoft-", "aero[0-9]+sim"}, {"Broken", "x[y"}, {"Orbx", "orbx"}};
    EXPECT_EQ(gf_publisherOfPath("Community/aerosoft-lowi"), "Aerosoft");
    EXPECT_EQ(gf_publisherOfPath("Community/AERO24SIM-eddf"), "Aerosoft"); // a case-blind expression
    EXPECT_EQ(gf_publisherOfPath("Community/orbx-egll"), "Orbx");
    EXPECT_EQ(gf_publisherOfPath("Community/x[y-airport"), "Broken"); // invalid expression, plain text
    EXPECT_EQ(gf_publisherOfPath("Community/unmatched"), "unknown");
    EXPECT_FALSE(gf_matchPublisherPattern("x[y", "x[y"));
    g_publishers.insert(g_publishers.begin() + 1, {"Any", ""});
    EXPECT_EQ(gf_publisherOfPath("Community/orbx-egll"), "Any");
}

TEST_F(DbasePublishers, PatternsMatchAsCaseBlindExpressionsAnywhereInThePath)
{
    struct Case {
        std::string path;
        std::string pattern;
        bool matches;
    };
    const std::string longPath(40000, 'a');
    const Case cases[] = {
        {"Community/fsdt-kclt", "fs-?dt", true},
        {"Community/FS-DT-kclt", "fs-?dt", true},
        {"Community/aerosim-lowi", "aero(soft|sim)-l", true},
        {"Community/aero-lowi", "aero(?:soft|sim)", false},
        {"Community/b.c", "b\\.c", true},
        {"Community/bxc", "b\\.c", false},
        {"Community/x12y", "x\\d{1,2}y", true},
        {"Community/x123y", "x\\d{1,2}y", false},
        {"Community/x", "^community", true},
        {"Community/x", "^x", false},
        {"Community/x_1", "[^a-z]1$", true},
        {"Community/Q1", "[^q]1", false}, // a case-blind class refuses either case
        {"Community/ab", "a\\b", false},
        {"Community/a b", "a\\b", true},
        {"Community/a.b", "a.*?b", true},
        {"line\nbreak", "break", false}, // "." stops at a line break, as the whole path must match
        {"line\rbreak", "line", false},
        {"Community/MICROSOFT-Airport-lowi", "microsoft-airport", true},
        {"Community/microsoft-airpor", "microsoft-airport", false},
        {"Community/x", "", true},
        {"Community/abc", "a(b", false},
        {"Community/abc", "*a", false},
        {"Community/aa", "(a)\\1", false}, // back-references are not supported
        {"Community/abc", "(?=a)", false},
        {longPath, "(a*)*b", false},
        {longPath + "b", "(a*)*b", true},
        {longPath, std::string(50000, '(') + "a" + std::string(50000, ')'), false},
        {longPath, "a{1000}a{1000}a{1000}a{1000}a{1000}a{1000}a{1000}a{1000}a{1000}a{1000}a{1000}a{1000}"
                   "a{1000}a{1000}a{1000}a{1000}a{1000}a{1000}a{1000}a{1000}a{1000}", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(gf_matchPublisherPattern(c.path, c.pattern), c.matches) << c.pattern.substr(0, 40) << " " << c.path.substr(0, 40);
}

TEST_F(DbasePublishers, PrefixedNumberOfAnAirportEntry)
{
    std::int32_t stands = -1;
    EXPECT_TRUE(gf_parsePrefixedNumber("Orbx", "ABCD", stands, "ABCD12"));
    EXPECT_EQ(stands, 12);
    EXPECT_TRUE(gf_parsePrefixedNumber("Orbx", "ABCD", stands, "ABCDX"));
    EXPECT_EQ(stands, 12);
    EXPECT_TRUE(gf_parsePrefixedNumber("Orbx", "ABC", stands, "ABC"));
    EXPECT_FALSE(gf_parsePrefixedNumber("Orbx", "ABCD", stands, "WXYZ3"));
    EXPECT_EQ(stands, 12);
    // The number follows the prefix, whatever its length.
    EXPECT_TRUE(gf_parsePrefixedNumber("Orbx", "LD", stands, "LD7"));
    EXPECT_EQ(stands, 7);
    EXPECT_TRUE(gf_parsePrefixedNumber("Orbx", "STANDS", stands, "STANDS45"));
    EXPECT_EQ(stands, 45);
    const auto lines = logLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind("===> Orbx ABCD ABCDX ", 0), 0u);
    EXPECT_EQ(lines[1].rfind("===> Orbx ABC ABC ", 0), 0u);
}

// The similar-type tables are built by the livery index from the installed liveries.
class SimilarTypes : public ::testing::Test {
protected:
    static tools::DbaseContent content()
    {
        auto c = dbaseWith({"AAA", "BBB", "CCC", "L1", "L2", "BIG"}, {"ZYN"});
        c.similar = {{"AAA", "BBB", "CCC"}};
        c.large = {"BIG"};
        return c;
    }
    ScopedDbase m_dbase{content()};
};

TEST_F(SimilarTypes, MembersWithAGenericLiveryStandInForTheirGroup)
{
    InstalledLiveries liveries{genericLiveries({{"CCC", "C generic"}})};
    EXPECT_EQ(g_similarTypesWithLivery.at("AAA"), TypeList{"CCC"});
    EXPECT_EQ(g_similarTypesWithLivery.at("BBB"), TypeList{"CCC"});
    EXPECT_FALSE(g_similarTypesWithLivery.contains("CCC"));
    EXPECT_EQ(gf_substituteTypes("AAA"), TypeList{"CCC"});
    EXPECT_TRUE(gf_substituteTypes("BIG").empty()); // Large draws from no pool
}

TEST_F(SimilarTypes, AirlinesGetTheSimilarTypesTheyFly)
{
    std::vector<LiveryData> installed = genericLiveries({{"BBB", "B generic"}, {"CCC", "C generic"}});
    installed.push_back({"ZYN", "CCC", "C Zyn", "", 1, false});
    installed.push_back({"ABCD", "CCC", "C Abcd", "", 1, false});
    InstalledLiveries liveries{installed};
    EXPECT_EQ(gf_lookupAirlineTypeList("ZYN", "AAA"), TypeList{"CCC"});
    EXPECT_EQ(gf_lookupAirlineTypeList("ABCD", "AAA"), TypeList{"CCC"}) << "a longer code is kept whole";
    EXPECT_EQ(gf_lookupAirlineTypeList("ZYN", "BBB"), TypeList{"CCC"});
    EXPECT_TRUE(gf_lookupAirlineTypeList("ZYN", "CCC").empty()); // it has its own
    EXPECT_TRUE(gf_lookupAirlineTypeList("QKX", "AAA").empty());
    const auto both = gf_substituteTypes("AAA");
    EXPECT_EQ(std::set<std::string>(both.begin(), both.end()), (std::set<std::string>{"BBB", "CCC"}));
}

TEST_F(SimilarTypes, LightTypesWithoutSimilarOnesDrawFromTheLightPool)
{
    {
        InstalledLiveries none{{}};
        EXPECT_TRUE(gf_substituteTypes("L1").empty());
    }
    InstalledLiveries liveries{genericLiveries({{"L2", "Light two"}})};
    const TypeList& first = gf_substituteTypes("L1");
    EXPECT_EQ(first, TypeList{"L2"});
    EXPECT_EQ(&gf_substituteTypes("XXXX"), &first); // unknown is Light too: the one list holds the latest draw
}

} // namespace
} // namespace zyn::test
