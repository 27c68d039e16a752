#include "core/work_folders.h"
#include "settings/parameter_lists.h"
#include "settings/traffic_range.h"
#include "tests/settings/settings_file_fixture.h"

#include <gtest/gtest.h>

#include <set>

namespace zyn {
namespace {

using test::parametersXml;
using test::writeText;

TEST(ParameterLists, HoldEachLoadedSettingOnce)
{
    const auto lists = gf_parameterLists();
    EXPECT_TRUE(lists.bools.empty());
    EXPECT_EQ(lists.checkBoxes.size(), 27u);
    EXPECT_EQ(lists.ints.size(), 6u);
    EXPECT_EQ(lists.intBoxes.size(), 12u);
    EXPECT_EQ(lists.texts.size(), 16u);
    EXPECT_EQ(lists.textBoxes.size(), 1u);
    const auto all = test::listedInOrder(lists);
    std::set<std::string> keys;
    for (const auto* p : all)
        EXPECT_TRUE(keys.insert(p->key).second) << p->key;
    for (const char* notLoaded : {"parking_percentage", "MAX_FIT_FL", "ALL_INSTALL_PATH", "CALLSIGN_2_OBJECTID"})
        EXPECT_FALSE(keys.contains(notLoaded)) << notLoaded;
    EXPECT_EQ(lists.texts.back(), &param::DESTINATION);
}

using ParameterListsFile = test::SettingsFolder;

TEST_F(ParameterListsFile, KeysThatAreNotLoadedKeepTheirValues)
{
    writeText(path, parametersXml({{"parking_percentage", "90"},
                                   {"MAX_FIT_FL", "1.5"},
                                   {"ALL_INSTALL_PATH", "X:/elsewhere"},
                                   {"CALLSIGN_2_OBJECTID", "DLH1"}}));
    lf_buildParameterLists();
    EXPECT_EQ(param::parking_percentage.value, 30);
    EXPECT_EQ(param::MAX_FIT_FL.value, 24.0f);
    EXPECT_EQ(param::ALL_INSTALL_PATH.getValue(), "");
    EXPECT_EQ(param::CALLSIGN_2_OBJECTID.getValue(), "");
}

TEST_F(ParameterListsFile, LoadedRangeSetsTheTrafficRange)
{
    const std::pair<const char*, double> cases[] = {{"40", 40.0}, {"150", 100.0}, {"7", 7.0}};
    for (const auto& [text, nm] : cases) {
        writeText(path, parametersXml({{"LATERAL_RANGE", text}}));
        lf_buildParameterLists();
        EXPECT_EQ(g_rangeNm, nm) << text;
        EXPECT_EQ(g_rangeMetres, static_cast<std::uint32_t>(nm) * 1852 + 10000) << text;
    }
}

} // namespace
} // namespace zyn
