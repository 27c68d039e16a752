#include "base/encoding.h"
#include "base/folders.h"
#include "base/path_text.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"
#include "tests/support/user_folders.h"

#include <gtest/gtest.h>

namespace zyn {
namespace {

using test::ScopedEnv;

TEST(Folders, DerivedNamesBuildOnTheirParents)
{
    EXPECT_EQ(g_learnedStockPath, std::filesystem::path("airports") / "learned" / "stock");
    EXPECT_EQ(g_myParkAirportsPath, std::filesystem::path("airports") / "my_park_airports.txt");
    EXPECT_EQ(g_liveriesScannedPath, std::filesystem::path("output") / "LiveriesScanned.xml");
    EXPECT_TRUE(g_docsPath.is_relative());
}

TEST(Folders, RoamingAndLocalFoldersFollowTheUserFolders)
{
    test::TempDir dir;
    const auto roaming = dir / gf_pathFromUtf8("r\xC3\xB6" "aming"); // a non-ASCII user folder survives the round trip
    test::ScopedUserFolders folders(roaming, dir / "local");
    EXPECT_EQ(gf_appDataPath(), roaming);
    EXPECT_EQ(gf_localAppDataPath(), dir / "local");
    EXPECT_EQ(gf_userDataPath(), roaming / "Tarvo");
    EXPECT_EQ(gf_parametersXmlPath(), roaming / "Tarvo" / "parameters.xml");
}

#ifndef _WIN32 // the Linux stand-in for the system's known folders
TEST(Folders, HomeFallbackWhenNoFolderIsSet)
{
    ScopedEnv config("XDG_CONFIG_HOME", std::nullopt);
    ScopedEnv data("XDG_DATA_HOME", "");
    ScopedEnv home("HOME", "/home/pilot");
    EXPECT_EQ(gf_appDataPath(), std::filesystem::path("/home/pilot/.config"));
    EXPECT_EQ(gf_localAppDataPath(), std::filesystem::path("/home/pilot/.local/share"));
}
#endif

} // namespace
} // namespace zyn
