#include "base/log.h"
#include "settings/msfs_install.h"
#include "settings/settings.h"
#include "tests/support/temp_dir.h"
#include "tests/support/user_folders.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace zyn {
namespace {

namespace fs = std::filesystem;

// Roaming and local application data of their own, where the tests lay out the simulator's trees.
class MsfsInstall : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(roaming);
        fs::create_directories(local);
        gf_openLog();
    }
    void TearDown() override
    {
        gf_closeLog();
        param::MSFS_2020.value = param::MSFS_2020.defaultValue;
    }
    void use2020(bool on) { param::MSFS_2020.value = on ? 1 : 0; }
    // A packages folder holding the given subfolders.
    fs::path packages(const fs::path& folder, std::initializer_list<const char*> subfolders)
    {
        for (const char* sub : subfolders)
            fs::create_directories(folder / sub);
        return folder;
    }
    void userCfg(const fs::path& file, const std::string& packagesLine)
    {
        test::writeText(file, "Version 1\r\nGraphics\r\n{\r\n}\r\n" + packagesLine + "\r\n");
    }
    std::vector<std::string> logLines() const
    {
        auto lines = test::readLines(dir / "Log.txt");
        lines.erase(lines.begin());
        return lines;
    }
    bool logHasPrefix(const std::string& prefix) const
    {
        const auto lines = logLines();
        return std::any_of(lines.begin(), lines.end(), [&](const auto& l) { return l.starts_with(prefix); });
    }
    fs::path storeCfg2020() const
    {
        return local / "Packages" / "Microsoft.FlightSimulator_8wekyb3d8bbwe" / "LocalCache" / "UserCfg.opt";
    }

    test::TempDir dir;
    test::ScopedCwd cwd{dir.path()};
    const fs::path roaming = dir / "roaming";
    const fs::path local = dir / "local";
    test::ScopedUserFolders userFolders{roaming, local};
};

TEST_F(MsfsInstall, SteamPackagesAreFoundWithoutUserCfg)
{
    for (const bool is2020 : {true, false}) {
        use2020(is2020);
        const char* simFolder = is2020 ? "Microsoft Flight Simulator" : "Microsoft Flight Simulator 2024";
        const fs::path expected =
            packages(roaming / simFolder / "Packages", {"Community", is2020 ? "Official" : "Official2024"});
        EXPECT_EQ(gf_detectMsfsInstall(), expected);
    }
    EXPECT_FALSE(logHasPrefix("MSFS detection"));
    EXPECT_TRUE(logHasPrefix("Steam packages:"));
}

TEST_F(MsfsInstall, StoreUserCfgNamesThePackagesFolder)
{
    use2020(true);
    const fs::path elsewhere = packages(dir / "drive-d/MSFS", {"Community", "Official"});
    userCfg(storeCfg2020(), "InstalledPackagesPath \"" + elsewhere.string() + "\"");
    EXPECT_EQ(gf_detectMsfsInstall(), elsewhere);
    EXPECT_FALSE(logHasPrefix("MSFS detection, no Store:"));
    const auto lines = logLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "UserCfg.opt: InstalledPackagesPath=" + elsewhere.string()),
              lines.end());
}

TEST_F(MsfsInstall, StoreEdition2024NeedsOfficial2024)
{
    use2020(false);
    const fs::path folder = packages(dir / "drive-e/Packages", {"Community", "Official"});
    userCfg(local / "Packages/Microsoft.Limitless_8wekyb3d8bbwe/LocalCache/UserCfg.opt",
            "InstalledPackagesPath \"" + folder.string() + "\"");
    EXPECT_EQ(gf_detectMsfsInstall(), fs::path());
    fs::create_directory(folder / "Official2024");
    EXPECT_EQ(gf_detectMsfsInstall(), folder);
}

TEST_F(MsfsInstall, LaterCandidatesAreTriedInOrder)
{
    use2020(true);
    const fs::path folder = packages(dir / "games/Packages", {"Community", "Official"});
    const std::string line = "InstalledPackagesPath \"" + folder.string() + "\"";
    const std::pair<fs::path, const char*> cases[] = {
        {roaming / "Microsoft Flight Simulator/UserCfg.opt", "MSFS detection, no Steam1:"},
        {local / "Packages/Microsoft.FlightDashboard_8wekyb3d8bbwe/LocalCache/UserCfg.opt",
         "MSFS detection, no Steam2:"},
        {local / "MSFSPackages/UserCfg.opt", "MSFS detection, no Boxed:"},
    };
    for (const auto& [file, missingLabel] : cases) {
        fs::remove_all(roaming / "Microsoft Flight Simulator");
        fs::remove_all(local);
        userCfg(file, line);
        EXPECT_EQ(lf_findUserCfgOpt(), file);
        EXPECT_EQ(gf_detectMsfsInstall(), folder) << file;
        EXPECT_FALSE(logHasPrefix(missingLabel)) << missingLabel;
    }
    EXPECT_TRUE(logHasPrefix("MSFS detection, no Store:" + storeCfg2020().string()));
}

TEST_F(MsfsInstall, NamesAreMatchedWhateverTheirCase)
{
    use2020(true);
    const fs::path folder = packages(dir / "drive-d/MSFS", {"community", "OFFICIAL"});
    userCfg(local / "packages/microsoft.flightsimulator_8wekyb3d8bbwe/localcache/usercfg.opt",
            "InstalledPackagesPath \"" + folder.string() + "\"");
    EXPECT_EQ(gf_detectMsfsInstall(), folder);
    param::MSFS_INSTALL_PATH.setValue(folder.string());
    EXPECT_EQ(test::nameKey(gf_msfsContentFolder("Community")), test::nameKey(folder / "community"));
}

TEST_F(MsfsInstall, VanishedPackagesFolderGivesNothing)
{
    use2020(true);
    userCfg(storeCfg2020(), "InstalledPackagesPath \"" + (dir / "gone").string() + "\"");
    EXPECT_EQ(gf_detectMsfsInstall(), fs::path());
    const auto lines = logLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "UserCfg.opt: InstalledPackagesPath=???"), lines.end());
}

TEST_F(MsfsInstall, NothingInstalledLogsEveryPlaceTried)
{
    use2020(false);
    EXPECT_EQ(gf_detectMsfsInstall(), fs::path());
    for (const char* label : {"MSFS detection, no Store:", "MSFS detection, no Steam1:", "MSFS detection, no Steam2:",
                              "MSFS detection, no Boxed:", "No UserCfg.opt found?"})
        EXPECT_TRUE(logHasPrefix(label)) << label;
}

TEST(UserCfgLine, FirstPackagesLineDecides)
{
    test::TempDir dir;
    struct Case {
        std::string line;
        bool decides;
        fs::path result;
    };
    const Case cases[] = {
        {"Version 1", false, {}},
        {"InstalledPackagesPath \"" + dir.path().string() + "\"", true, dir.path()},
        {"InstalledPackagesPath \"" + (dir / "missing").string() + "\"", true, {}},
        {"InstalledPackagesPath \"" + dir.path().string(), true, {}}, // no closing quote
        {"InstalledPackagesPath", true, {}},
        {"InstalledPackagesPath \"" + std::string(300, 'x') + "\"", true, {}}, // a name no file system takes
    };
    for (const auto& [line, decides, expected] : cases) {
        fs::path result = "untouched";
        EXPECT_EQ(lf_parseInstalledPackagesPath(result, line), decides) << line;
        EXPECT_EQ(result, decides ? expected : fs::path("untouched")) << line;
    }
}

TEST(MsfsContentFolder, FollowsTheSelectedSimulator)
{
    param::MSFS_INSTALL_PATH.setValue("/sim2020/Packages");
    param::MSFS_2024_INSTALL_PATH.setValue("/sim2024/Packages");
    param::MSFS_2020.value = 1;
    EXPECT_EQ(gf_msfsContentFolder("Community"), fs::path("/sim2020/Packages/Community"));
    param::MSFS_2020.value = 0;
    EXPECT_EQ(gf_msfsContentFolder("Official2024"), fs::path("/sim2024/Packages/Official2024"));
    param::MSFS_2024_INSTALL_PATH.setValue("");
    EXPECT_EQ(gf_msfsContentFolder("Community"), fs::path());
    param::MSFS_2020.value = param::MSFS_2020.defaultValue;
}

} // namespace
} // namespace zyn
