#include "base/path_text.h"
#include "settings/parameter_lists.h"
#include "settings/settings_file.h"
#include "tests/settings/settings_file_fixture.h"

#include <gtest/gtest.h>

#include <thread>

namespace zyn {
namespace {

namespace fs = std::filesystem;
using test::parameterElements;
using test::parametersXml;
using test::readText;
using test::writeText;

using SettingsFile = test::SettingsFolder;

std::string lf_defaultText(const Parameter* p)
{
    if (auto* b = dynamic_cast<const BoolParameter*>(p))
        return b->defaultValue ? "true" : "false";
    if (auto* i = dynamic_cast<const IntParameter*>(p))
        return std::to_string(i->defaultValue);
    return dynamic_cast<const StringParameter*>(p)->defaultValue;
}

// The keys a new file holds: every listed one but the lfolder keys.
std::vector<const Parameter*> lf_storedInOrder(const ParameterLists& lists)
{
    auto all = test::listedInOrder(lists);
    std::erase_if(all, [](const Parameter* p) { return p->key.starts_with("lfolder"); });
    return all;
}

TEST_F(SettingsFile, FreshStartWritesEveryDefaultInListOrder)
{
    param::MAX_LIVE.value = 77; // in memory only: a fresh start must come back to the default
    const auto lists = gf_parameterLists();
    gf_loadParameters(lists);

    const auto stored = lf_storedInOrder(lists);
    const auto elements = parameterElements(path);
    ASSERT_EQ(elements.size(), stored.size());
    for (std::size_t i = 0; i < stored.size(); ++i) {
        EXPECT_EQ(elements[i].first, stored[i]->key);
        EXPECT_EQ(elements[i].second, lf_defaultText(stored[i])) << stored[i]->key;
    }
    EXPECT_EQ(elements.front().first, "SIM_TIME");
    EXPECT_EQ(elements.back().first, "BLOCK_CALLSIGN");
    EXPECT_EQ(param::MAX_LIVE.value, -1);
    EXPECT_EQ(param::CUSTOM_MAX_PARK.value, -1);

    std::vector<std::string> expected{"", std::string(34, '*') + " parameters " + std::string(34, '*'),
                                      path.string() + " not found, default values taken:"};
    for (const auto* p : stored)
        expected.push_back(p->key + "=" + lf_defaultText(p));
    expected.push_back("\"" + path.string() + "\" saved");
    expected.push_back(std::string(80, '*'));
    expected.push_back("");
    auto lines = logLines();
    lines.erase(lines.begin()); // the log's header
    EXPECT_EQ(lines, expected);
}

TEST_F(SettingsFile, FileFormatIsPugixmlDefault)
{
    gf_loadParameters({.checkBoxes = {&param::LOG}, .intBoxes = {&param::MAX_LIVE}});
    EXPECT_EQ(readText(path), parametersXml({{"LOG", "true"}, {"MAX_LIVE", "-1"}}));
}

struct ValueCase {
    std::string text;
    bool logValue;
    std::int32_t range;
};

TEST_F(SettingsFile, ParsesAndClampsValueTexts)
{
    const std::vector<ValueCase> cases{
        {"1", true, 2},           {"true", true, 2},      {"yes", true, 2},          {"Yes", true, 2},
        {"T", true, 2},           {"no", false, 2},       {"0", false, 2},           {"false", false, 2},
        {"", false, 2},           {"500", false, 100},    {"abc", false, 2},         {"0x10", false, 16},
        {"99999999999", false, 100}, {"-99999999999", false, 2}, {"  42", false, 42}, {"-7", false, 2},
        {"55km", false, 55},
    };
    for (const auto& c : cases) {
        writeText(path, parametersXml({{"LOG", c.text}, {"LATERAL_RANGE", c.text}}));
        gf_loadParameters({.checkBoxes = {&param::LOG}, .intBoxes = {&param::LATERAL_RANGE}});
        EXPECT_EQ(param::LOG.on(), c.logValue) << c.text;
        EXPECT_EQ(param::LATERAL_RANGE.value, c.range) << c.text;
    }
}

TEST_F(SettingsFile, MissingValueAttributeReadsAsEmpty)
{
    writeText(path, "<parameters><parameter name=\"LOG\"/><parameter name=\"MAX_LIVE\"/>"
                    "<parameter name=\"DESTINATION\"/></parameters>");
    param::DESTINATION.setValue("EDDF");
    gf_loadParameters({.checkBoxes = {&param::LOG}, .intBoxes = {&param::MAX_LIVE}, .texts = {&param::DESTINATION}});
    EXPECT_FALSE(param::LOG.on());
    EXPECT_EQ(param::MAX_LIVE.value, 0);
    EXPECT_EQ(param::DESTINATION.getValue(), "");
}

TEST_F(SettingsFile, MissingKeysAreAppendedAfterTheOthers)
{
    writeText(path, parametersXml({{"MAX_LIVE", "12"}, {"SOMETHING_OLD", "x"}}));
    gf_loadParameters({.checkBoxes = {&param::LOG}, .intBoxes = {&param::MAX_LIVE}});
    EXPECT_EQ(param::MAX_LIVE.value, 12);
    EXPECT_EQ(parameterElements(path),
              (std::vector<std::pair<std::string, std::string>>{{"MAX_LIVE", "12"}, {"SOMETHING_OLD", "x"}, {"LOG", "true"}}));
    EXPECT_TRUE(logHas("from \"" + path.string() + "\""));
    EXPECT_TRUE(logHas("MAX_LIVE=12"));
    EXPECT_TRUE(logHas("LOG=true"));
}

TEST_F(SettingsFile, UnknownKeysSurviveLoadAndSave)
{
    writeText(path, parametersXml({{"RETIRED_SETTING", "keep me"}, {"MAX_LIVE", "5"}}));
    gf_loadParameters({.intBoxes = {&param::MAX_LIVE}});
    param::MAX_LIVE.value = 9;
    saveIntParameter(param::MAX_LIVE);
    param::DESTINATION.setValue("KJFK");
    saveParameter(param::DESTINATION);
    EXPECT_EQ(parameterElements(path), (std::vector<std::pair<std::string, std::string>>{
                                           {"RETIRED_SETTING", "keep me"}, {"MAX_LIVE", "9"}, {"DESTINATION", "KJFK"}}));
}

TEST_F(SettingsFile, EmptyLfolderElementsAreRemoved)
{
    auto& lfolder3 = param::lfolders[3];
    auto& lfolder4 = param::lfolders[4];
    writeText(path, parametersXml({{"lfolder3", ""}, {"lfolder4", "D:/Liveries"}, {"LOG", "false"}}));
    gf_loadParameters({.checkBoxes = {&param::LOG}, .texts = {&param::lfolders[2], &lfolder3, &lfolder4}});
    EXPECT_EQ(lfolder3.getValue(), "");
    EXPECT_EQ(lfolder4.getValue(), "D:/Liveries");
    EXPECT_EQ(parameterElements(path),
              (std::vector<std::pair<std::string, std::string>>{{"lfolder4", "D:/Liveries"}, {"LOG", "false"}}));
    EXPECT_TRUE(logHas("Parameter lfolder3 removed"));
    EXPECT_TRUE(logHas("lfolder4=D:/Liveries"));
    for (const auto& line : logLines())
        EXPECT_FALSE(line.starts_with("lfolder2") || line.starts_with("lfolder3=") ||
                     line == "Parameter lfolder2 removed")
            << line;
}

TEST_F(SettingsFile, SavingOneKeyRewritesOnlyThatElement)
{
    gf_loadParameters(gf_parameterLists());
    auto before = parameterElements(path);
    param::SCAN_AIRPORTS.value = 0;
    gf_writeParametersXml(param::SCAN_AIRPORTS);
    const auto after = parameterElements(path);
    ASSERT_EQ(after.size(), before.size());
    for (auto& [name, value] : before)
        if (name == "SCAN_AIRPORTS")
            value = "false";
    EXPECT_EQ(after, before);
    EXPECT_TRUE(logHas("SCAN_AIRPORTS=false"));
}

TEST_F(SettingsFile, FirstSaveWithoutFileHoldsOnlyThatKey)
{
    param::TIME_SHIFT_HOURS.value = 5;
    saveIntParameter(param::TIME_SHIFT_HOURS);
    EXPECT_EQ(readText(path), parametersXml({{"TIME_SHIFT_HOURS", "5"}}));
}

TEST_F(SettingsFile, SaveAddsAMissingValueAttribute)
{
    writeText(path, "<parameters><parameter name=\"WEEK\"/></parameters>");
    param::WEEK.value = 1;
    gf_writeParametersXml(param::WEEK);
    EXPECT_EQ(parameterElements(path), (std::vector<std::pair<std::string, std::string>>{{"WEEK", "true"}}));
}

TEST_F(SettingsFile, TextValuesAreStoredAsTheyStand)
{
    param::MSFS_INSTALL_PATH.setValueAndSave("C:\\Users\\Zoë \"MSFS\" <Packages> & more");
    EXPECT_EQ(parameterElements(path), (std::vector<std::pair<std::string, std::string>>{
                                           {"MSFS_INSTALL_PATH", "C:\\Users\\Zoë \"MSFS\" <Packages> & more"}}));
    param::MSFS_INSTALL_PATH.setValue("");
    gf_loadParameters({.texts = {&param::MSFS_INSTALL_PATH}});
    EXPECT_EQ(param::MSFS_INSTALL_PATH.getValue(), "C:\\Users\\Zoë \"MSFS\" <Packages> & more");
}

TEST_F(SettingsFile, UserFolderWithNonAsciiLettersKeepsItsSettings)
{
    const fs::path folder = dir / gf_pathFromUtf8("Jürgen") / "Tarvo";
    fs::create_directories(folder);
    gf_setParametersPath(folder / "parameters.xml");
    param::MSFS_INSTALL_PATH.setValueAndSave(gf_utf8FromPath(dir / gf_pathFromUtf8("Ünïcødé")));
    param::MSFS_INSTALL_PATH.setValue("");
    gf_loadParameters({.texts = {&param::MSFS_INSTALL_PATH}});
    EXPECT_EQ(gf_pathFromUtf8(param::MSFS_INSTALL_PATH.getValue()), dir / gf_pathFromUtf8("Ünïcødé"));
    EXPECT_TRUE(logHas("from \"" + gf_utf8FromPath(folder / "parameters.xml") + "\""));
    EXPECT_FALSE(fs::exists(path)) << "nothing went to another folder";
    param::MSFS_INSTALL_PATH.setValue("");
}

TEST_F(SettingsFile, FirstOfTwoElementsWithOneKeyCounts)
{
    writeText(path, parametersXml({{"MAX_FIT", "10"}, {"MAX_FIT", "20"}}));
    gf_loadParameters({.intBoxes = {&param::MAX_FIT}});
    EXPECT_EQ(param::MAX_FIT.value, 10);
}

std::string lf_unusableFileName(const ::testing::TestParamInfo<std::string>& info)
{
    static const char* const names[] = {"Empty", "Truncated", "OtherRootElement", "Binary"};
    return names[info.index];
}

class UnusableFile : public SettingsFile, public ::testing::WithParamInterface<std::string> {};

TEST_P(UnusableFile, IsKeptAsBackupAndDefaultsAreUsed)
{
    const auto original = GetParam();
    writeText(path, original);
    param::MAX_LIVE.value = 50;
    gf_loadParameters({.checkBoxes = {&param::LOG}, .intBoxes = {&param::MAX_LIVE}});
    EXPECT_EQ(param::MAX_LIVE.value, -1);
    EXPECT_EQ(readText(gf_parametersBackupPath()), original);
    EXPECT_EQ(readText(path), parametersXml({{"LOG", "true"}, {"MAX_LIVE", "-1"}}));
    EXPECT_EQ(errorLineCount(), 1u);
    EXPECT_TRUE(logHas(path.string() + " not found, default values taken:"));
}

INSTANTIATE_TEST_SUITE_P(
    SettingsFile, UnusableFile,
    ::testing::Values(std::string{}, parametersXml({{"MAX_LIVE", "12"}}).substr(0, 60),
                      std::string("<?xml version=\"1.0\"?>\n<settings>\n\t<parameter name=\"MAX_LIVE\" value=\"3\" />\n</settings>\n"),
                      std::string("\x00\x01garbage", 9)),
    lf_unusableFileName);

// A file damaged again after an earlier backup is kept over that backup, and the run's settings are
// saved again.
TEST_F(SettingsFile, SecondUnusableFileReplacesTheFirstBackup)
{
    for (const std::string damaged : {"<parameters><first", "<parameters><second"}) {
        writeText(path, damaged);
        gf_loadParameters({.intBoxes = {&param::MAX_LIVE}});
        EXPECT_EQ(readText(gf_parametersBackupPath()), damaged);
        EXPECT_EQ(readText(path), parametersXml({{"MAX_LIVE", "-1"}})) << damaged;
    }
}

TEST_F(SettingsFile, UnusableFileWithoutBackupIsNeverReplaced)
{
    const std::string original = "<parameters><parameter name=\"MAX_LIVE\" value=\"12\"";
    writeText(path, original);
    fs::create_directory(gf_parametersBackupPath()); // the copy cannot take this name
    gf_loadParameters({.intBoxes = {&param::MAX_LIVE}});
    EXPECT_EQ(param::MAX_LIVE.value, -1);
    param::MAX_LIVE.value = 20;
    saveIntParameter(param::MAX_LIVE);
    EXPECT_EQ(readText(path), original);
    EXPECT_TRUE(logHas("===> saving xml did not work?"));
}

TEST_F(SettingsFile, SaverBacksUpAFileBrokenSinceStartUp)
{
    const std::string original = "<parameters><parameter name=";
    writeText(path, original);
    param::MAX_LIVE.value = 20;
    saveIntParameter(param::MAX_LIVE);
    EXPECT_EQ(readText(gf_parametersBackupPath()), original);
    EXPECT_EQ(readText(path), parametersXml({{"MAX_LIVE", "20"}}));
}

TEST_F(SettingsFile, FailedSaveKeepsTheValueInMemoryAndSaysSo)
{
    gf_setParametersPath(dir / "no such folder" / "parameters.xml");
    param::MAX_LIVE.value = 20;
    saveIntParameter(param::MAX_LIVE);
    EXPECT_EQ(param::MAX_LIVE.value, 20);
    EXPECT_TRUE(logHas("===> saving xml did not work?"));
    gf_loadParameters({.intBoxes = {&param::MAX_LIVE}});
    EXPECT_TRUE(logHas("could not save to \"" + (dir / "no such folder" / "parameters.xml").string() + "\""));
}

TEST(SettingsFileThreads, ConcurrentSavesLeaveAWellFormedFileWithEveryValue)
{
    test::TempDir dir;
    gf_setParametersPath(dir / "parameters.xml");
    std::thread window([] {
        for (int i = 0; i <= 30; ++i) {
            param::MAX_LIVE.value = i;
            saveIntParameter(param::MAX_LIVE);
        }
    });
    std::thread startup([] {
        for (int i = 0; i <= 30; ++i) {
            param::WEEK.value = static_cast<std::uint8_t>(i % 2);
            gf_writeParametersXml(param::WEEK);
            param::DESTINATION.setValue("ICAO" + std::to_string(i));
            saveParameter(param::DESTINATION);
        }
    });
    window.join();
    startup.join();
    auto elements = parameterElements(dir / "parameters.xml");
    std::sort(elements.begin(), elements.end());
    EXPECT_EQ(elements, (std::vector<std::pair<std::string, std::string>>{
                            {"DESTINATION", "ICAO30"}, {"MAX_LIVE", "30"}, {"WEEK", "false"}}));
    EXPECT_FALSE(fs::exists(gf_parametersBackupPath()));
    gf_setParametersPath({});
}

} // namespace
} // namespace zyn
