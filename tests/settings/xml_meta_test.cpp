#include "base/atomic_file.h"
#include "base/time_util.h"
#include "base/version.h"
#include "settings/xml_meta.h"
#include "tests/settings/settings_file_fixture.h"

#include <gtest/gtest.h>

namespace zyn {
namespace {

using XmlMeta = test::SettingsFolder;

std::vector<std::pair<std::string, std::string>> lf_metaItems(const pugi::xml_document& document)
{
    std::vector<std::pair<std::string, std::string>> items;
    for (auto info : document.child("meta").children("info"))
        items.emplace_back(info.attribute("name").value(), info.attribute("value").value());
    return items;
}

TEST_F(XmlMeta, WritesFiveItemsInOrderBeforeTheCallersElement)
{
    param::MSFS_2020.value = 1;
    pugi::xml_document document;
    ASSERT_TRUE(gf_writeXmlMeta(document));
    document.append_child("parkpositions");
    const std::vector<std::pair<std::string, std::string>> expected{
        {"author", "Tarvo"},
        {"version", gf_versionToString(g_programVersion)},
        {"date", "Dec 07, 2026"}, // the test clock's day
        {"copyright", param::META_COPYRIGHT.defaultValue},
        {"MSFS", "2020"}};
    EXPECT_EQ(lf_metaItems(document), expected);
    EXPECT_EQ(std::string(document.first_child().name()), "meta");
    EXPECT_EQ(std::string(document.last_child().name()), "parkpositions");
    const auto first = document.child("meta").first_child();
    EXPECT_EQ(std::string(first.first_attribute().name()), "name");
    EXPECT_EQ(std::string(first.last_attribute().name()), "value");
}

TEST_F(XmlMeta, SimulatorItemFollowsTheSetting)
{
    param::MSFS_2020.value = 0;
    pugi::xml_document document;
    gf_writeXmlMeta(document);
    EXPECT_EQ(lf_metaItems(document).back(), (std::pair<std::string, std::string>{"MSFS", "2024"}));
}

TEST_F(XmlMeta, SavedBlockPassesTheCheckAfterLoading)
{
    pugi::xml_document written;
    gf_writeXmlMeta(written);
    written.append_child("liveries");
    ASSERT_TRUE(written.save_file((dir / "data.xml").c_str()));
    pugi::xml_document loaded;
    ASSERT_TRUE(loaded.load_file((dir / "data.xml").c_str()));
    EXPECT_TRUE(gf_checkXmlMeta(loaded));
    EXPECT_EQ(param::META_AUTHOR.getValue(), "Tarvo");
    EXPECT_EQ(param::META_VERSION.getValue(), gf_versionToString(g_programVersion));
    EXPECT_EQ(errorLineCount(), 0u);
}

struct CheckCase {
    const char* name;
    const char* xml;
    bool passes;
};

TEST_F(XmlMeta, ChecksOnlyAuthorDateAndVersion)
{
    const CheckCase cases[] = {
        {"no copyright or simulator",
         "<meta><info name='author' value='x'/><info name='version' value='1.0.0'/><info name='date' value='d'/></meta>",
         true},
        {"other program and date",
         "<meta><info name='author' value='Other'/><info name='version' value='0.0.1'/>"
         "<info name='date' value='Jan 01, 1999'/><info name='MSFS' value='1998'/></meta>",
         true},
        {"no author", "<meta><info name='version' value='1'/><info name='date' value='d'/></meta>", false},
        {"no date", "<meta><info name='author' value='a'/><info name='version' value='1'/></meta>", false},
        {"no version", "<meta><info name='author' value='a'/><info name='date' value='d'/></meta>", false},
        {"no meta", "<parkpositions/>", false},
        {"meta not top-level", "<root><meta><info name='author' value='a'/><info name='version' value='1'/>"
                               "<info name='date' value='d'/></meta></root>",
         false},
    };
    std::size_t failures = 0;
    for (const auto& c : cases) {
        pugi::xml_document document;
        ASSERT_TRUE(document.load_string(c.xml)) << c.name;
        EXPECT_EQ(gf_checkXmlMeta(document), c.passes) << c.name;
        failures += c.passes ? 0 : 1;
        EXPECT_EQ(errorLineCount(), failures) << c.name; // exactly one line per failed check
    }
    EXPECT_TRUE(logHas("===> meta data incorrect?"));
}

TEST_F(XmlMeta, ItemWithoutValueIsFoundAndEmpty)
{
    pugi::xml_document document;
    document.load_string("<meta><info name='author' value='a'/><info name='date'/><info name='version' value='1'/></meta>");
    param::META_DATE.setValue("stale");
    EXPECT_TRUE(gf_checkXmlMeta(document));
    EXPECT_EQ(param::META_DATE.getValue(), "");
}

TEST_F(XmlMeta, MissingItemEmptiesTheObject)
{
    pugi::xml_document document;
    document.load_string("<meta><info name='author' value='a'/></meta>");
    param::META_VERSION.setValue("stale");
    EXPECT_FALSE(lf_readMetaItem(document, param::META_VERSION));
    EXPECT_EQ(param::META_VERSION.getValue(), "");
    EXPECT_TRUE(lf_readMetaItem(document, param::META_AUTHOR));
    EXPECT_EQ(param::META_AUTHOR.getValue(), "a");
}

// A document of the block and one stand, as written today.
std::string lf_writtenText(const char* heading)
{
    pugi::xml_document document;
    gf_writeXmlMeta(document);
    document.append_child("parkpositions").append_child("parkpos").append_attribute("heading").set_value(heading);
    return gf_xmlText(document);
}

TEST_F(XmlMeta, TextsDifferingOnlyInTheDayOfMakingAreTheSame)
{
    const std::string today = lf_writtenText("90.0");
    clock.setUtc(clock.utcNow() + 40 * 86400);
    const std::string later = lf_writtenText("90.0");
    ASSERT_NE(today, later);
    std::string otherVersion = later;
    const std::string version = gf_versionToString(g_programVersion);
    otherVersion.replace(otherVersion.find(version), version.size(), version + "1");
    const struct {
        const char* name;
        std::string a, b;
        bool same;
    } cases[] = {
        {"equal", today, today, true},
        {"another day", today, later, true},
        {"another day, either way", later, today, true},
        {"another stand", today, lf_writtenText("91.0"), false},
        {"another program version", later, otherVersion, false},
        {"a date of another length", today, std::string(later).replace(later.find("Jan"), 3, "Janu"), true},
        {"cut in the date", today, today.substr(0, today.find("Dec") + 2), false},
        {"no block, equal", "<a/>", "<a/>", true},
        {"no block, unequal", "<a/>", "<b/>", false},
        {"a date item after the block", "<meta/><info name=\"date\" value=\"x\"/>",
         "<meta/><info name=\"date\" value=\"y\"/>", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(gf_sameButMetaDate(c.a, c.b), c.same) << c.name;
}

} // namespace
} // namespace zyn
