#include "core/encoding.h"
#include "core/folders.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace zyn {
namespace {

// Sets an environment variable for the test and restores it afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedEnv() { m_old ? setenv(m_name, m_old->c_str(), 1) : unsetenv(m_name); }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

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
    const auto roaming = (dir / "r\xC3\xB6" "aming").string(); // a non-ASCII user folder survives the round trip
    ScopedEnv config("XDG_CONFIG_HOME", roaming.c_str());
    ScopedEnv data("XDG_DATA_HOME", (dir / "local").c_str());
    EXPECT_EQ(gf_appDataPath(), std::filesystem::path(roaming));
    EXPECT_EQ(gf_localAppDataPath(), dir / "local");
    EXPECT_EQ(gf_userDataPath(), std::filesystem::path(roaming) / "Tarvo");
    EXPECT_EQ(gf_parametersXmlPath(), std::filesystem::path(roaming) / "Tarvo" / "parameters.xml");
}

TEST(Folders, HomeFallbackWhenNoFolderIsSet)
{
    ScopedEnv config("XDG_CONFIG_HOME", nullptr);
    ScopedEnv data("XDG_DATA_HOME", "");
    ScopedEnv home("HOME", "/home/pilot");
    EXPECT_EQ(gf_appDataPath(), std::filesystem::path("/home/pilot/.config"));
    EXPECT_EQ(gf_localAppDataPath(), std::filesystem::path("/home/pilot/.local/share"));
}

TEST(Folders, NoRoamingFolderPutsTheDataFolderInTheProgramFolder)
{
    ScopedEnv config("XDG_CONFIG_HOME", nullptr);
    ScopedEnv home("HOME", nullptr);
    EXPECT_EQ(gf_appDataPath(), std::filesystem::path());
    EXPECT_EQ(gf_userDataPath(), std::filesystem::path("Tarvo"));
}

TEST(Folders, InvalidUtf8FolderNameThrowsConversionError)
{
    ScopedEnv config("XDG_CONFIG_HOME", "/tmp/\xC3\x28");
    EXPECT_THROW(gf_appDataPath(), win32::Utf8ConversionException);
}

} // namespace
} // namespace zyn
