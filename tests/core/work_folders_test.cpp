#include "base/folders.h"
#include "base/version.h"
#include "core/work_folders.h"
#include "settings/settings.h"
#include "tests/settings/settings_file_fixture.h"

#include <gtest/gtest.h>

namespace zyn {
namespace {

namespace fs = std::filesystem;

class WorkFolders : public test::SettingsFolder {
protected:
    std::string savedValue(const std::string& key) const
    {
        pugi::xml_document document;
        document.load_file(path.c_str());
        return gf_findParameterNode(document, key).attribute("value").as_string();
    }
};

TEST_F(WorkFolders, CreatesEveryFolderOnceAndKeepsThem)
{
    fs::create_directory(g_inputPath);
    lf_createFolders();
    for (const fs::path& folder :
         {g_outputPath, g_outputInfoPath, g_outputErrorsPath, g_airportsPath, g_learnedPath, g_learnedStockPath,
          g_learnedSimaddonPath, g_learnedThirdpartyPath, g_mySimaddonPath, g_myThirdpartyPath, g_myRegcodesPath})
        EXPECT_TRUE(fs::is_directory(folder)) << folder;
    test::writeText(g_outputInfoPath / "report.txt", "kept");
    test::writeText(g_mySimaddonPath / "EGLL.txt", "kept");
    lf_createFolders();
    EXPECT_EQ(test::readText(g_outputInfoPath / "report.txt"), "kept");
    EXPECT_EQ(test::readText(g_mySimaddonPath / "EGLL.txt"), "kept");
}

TEST_F(WorkFolders, MissingInputFolderFails)
{
    EXPECT_THROW(lf_createFolders(), fs::filesystem_error);
    EXPECT_FALSE(fs::exists(g_myRegcodesPath));
}

TEST_F(WorkFolders, FileInPlaceOfAFolderFails)
{
    fs::create_directory(g_inputPath);
    test::writeText(g_myThirdpartyPath, "a file, not a folder");
    EXPECT_THROW(lf_createFolders(), fs::filesystem_error);
}

TEST_F(WorkFolders, CommunityEndingIsRemovedAndSaved)
{
    const std::pair<std::string, std::string> cases[] = {
        {R"(D:\MSFS\Packages\Community)", R"(D:\MSFS\Packages)"},
        {"/games/msfs/Packages/Community", "/games/msfs/Packages"},
        {R"(E:\Community\Packages\Community)", R"(E:\Community\Packages)"}, // only at the end
        {R"(E:\Packages\community)", R"(E:\Packages)"},
    };
    for (const auto& [stored, expected] : cases) {
        param::MSFS_INSTALL_PATH.setValue(stored);
        lf_checkCommunityPath(param::MSFS_INSTALL_PATH);
        EXPECT_EQ(param::MSFS_INSTALL_PATH.getValue(), expected) << stored;
        EXPECT_EQ(savedValue("MSFS_INSTALL_PATH"), expected) << stored;
    }
}

TEST_F(WorkFolders, OtherPathsStayAndAreNotSaved)
{
    for (const std::string stored :
         {R"(E:\Community\Packages)", R"(E:\MyCommunity)", "Community", ""}) {
        param::MSFS_2024_INSTALL_PATH.setValue(stored);
        lf_checkCommunityPath(param::MSFS_2024_INSTALL_PATH);
        EXPECT_EQ(param::MSFS_2024_INSTALL_PATH.getValue(), stored);
    }
    EXPECT_FALSE(fs::exists(path));
}

class VersionUpdate : public WorkFolders {
protected:
    void SetUp() override
    {
        WorkFolders::SetUp();
        param::SCAN_LIVERIES.value = 0;
        param::SCAN_AIRPORTS.value = 0;
    }
    const std::string running = gf_versionToString(g_programVersion);
};

TEST_F(VersionUpdate, FirstStartStoresTheVersionWithoutRescan)
{
    param::PROGRAM_VERSION.setValue("");
    lf_versionUpdate();
    EXPECT_EQ(savedValue("PROGRAM_VERSION"), running);
    EXPECT_FALSE(param::SCAN_LIVERIES.on());
    EXPECT_FALSE(param::SCAN_AIRPORTS.on());
}

TEST_F(VersionUpdate, UpdateRescansAndRemovesTheInstaller)
{
    param::PROGRAM_VERSION.setValue("1.0.0");
    test::writeText(g_newVersionInstallerPath, "MZ");
    lf_versionUpdate();
    EXPECT_EQ(savedValue("PROGRAM_VERSION"), running);
    EXPECT_TRUE(logHas("This is a version update from 1.0.0 -> " + running));
    EXPECT_FALSE(fs::exists(g_newVersionInstallerPath));
    EXPECT_TRUE(param::SCAN_LIVERIES.on());
    EXPECT_TRUE(param::SCAN_AIRPORTS.on());
    EXPECT_EQ(savedValue("SCAN_LIVERIES"), "true");
    EXPECT_EQ(savedValue("SCAN_AIRPORTS"), "true");
}

TEST_F(VersionUpdate, GoingBackStoresTheOlderVersionWithoutRescan)
{
    const std::string later = gf_versionToString({g_programVersion.major + 1, 0, 0});
    for (const std::string& stored : {later, running}) {
        param::PROGRAM_VERSION.setValue(stored);
        lf_versionUpdate();
        EXPECT_EQ(param::PROGRAM_VERSION.getValue(), running);
        EXPECT_FALSE(param::SCAN_LIVERIES.on());
    }
    EXPECT_EQ(savedValue("PROGRAM_VERSION"), running);
}

class RemoveFolderFiles : public test::SettingsFolder {};

TEST_F(RemoveFolderFiles, RemovesFilesAndEmptyFolders)
{
    test::writeText("pack/a.txt", "a");
    test::writeText("pack/b.txt", "b");
    fs::create_directory("pack/empty");
    gf_removeFolderFiles("pack");
    EXPECT_TRUE(fs::is_directory("pack"));
    EXPECT_TRUE(fs::is_empty("pack"));
}

TEST_F(RemoveFolderFiles, GoesOnPastWhatItCannotRemove)
{
    test::writeText("pack/a.txt", "a");
    test::writeText("pack/full/inner.txt", "inner");
    test::writeText("pack/z.txt", "z");
    gf_removeFolderFiles("pack");
    EXPECT_TRUE(fs::exists("pack/full/inner.txt"));
    EXPECT_FALSE(fs::exists("pack/a.txt"));
    EXPECT_FALSE(fs::exists("pack/z.txt"));
    EXPECT_TRUE(logHas((fs::path("pack") / "full").string() + " could not be removed"));
}

TEST_F(RemoveFolderFiles, MissingFolderOrFileIsLeftAlone)
{
    EXPECT_NO_THROW(gf_removeFolderFiles("missing"));
    test::writeText("plain.txt", "x");
    EXPECT_NO_THROW(gf_removeFolderFiles("plain.txt"));
    EXPECT_TRUE(fs::exists("plain.txt"));
}

} // namespace
} // namespace zyn
