#include "base/errors.h"
#include "base/folders.h"
#include "base/zip_download.h"
#include "core/update.h"
#include "settings/settings.h"
#include "shown/status_line.h"
#include "tests/support/download_fixture.h"
#include "tests/support/zip_fixture.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <functional>

namespace zyn {
namespace {

namespace fs = std::filesystem;
using test::readText;
using tools::DownloadFault;

std::size_t lf_entryCount(const fs::path& folder)
{
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

class DownloadAndUnzip : public test::DownloadFixture {
protected:
    void serveZip(const test::ZipEntries& entries)
    {
        test::writeZip(serverDir / "dbase.zip", entries);
    }
    const fs::path out = fs::path("input") / "temp2.xml";
    void SetUp() override
    {
        fs::create_directory("input");
        test::writeText(out, "older database");
    }
};

TEST_F(DownloadAndUnzip, WritesTheFileEntryAndDeletesTheArchive)
{
    serveZip({{"folder/", ""}, {"folder/dbase.xml", "<dbase/>\r\n"}});
    EXPECT_TRUE(gf_downloadDbaseZip(out));
    EXPECT_EQ(readText(out), "<dbase/>\r\n");
    EXPECT_FALSE(fs::exists("dbase.zip"));
}

TEST_F(DownloadAndUnzip, LastOfSeveralEntriesRemains)
{
    serveZip({{"a.xml", "first"}, {"b.xml", "second"}});
    EXPECT_TRUE(gf_downloadAndUnzip("dbase.zip", out));
    EXPECT_EQ(readText(out), "second");
}

TEST_F(DownloadAndUnzip, UnusableArchiveRemovesTheOutputAndFails)
{
    for (const auto& content : {std::string("<html>not a zip</html>"), std::string()}) {
        test::writeText(out, "older database");
        serve("dbase.zip", content);
        EXPECT_FALSE(gf_downloadAndUnzip("dbase.zip", out)) << content;
        EXPECT_FALSE(fs::exists(out));
        EXPECT_FALSE(fs::exists("dbase.zip"));
        EXPECT_TRUE(logHas("===> unzipping dbase.zip failed?"));
    }
}

TEST_F(DownloadAndUnzip, ArchiveWithoutFilesFails)
{
    for (const test::ZipEntries& entries : {test::ZipEntries{}, test::ZipEntries{{"only-a-folder/", ""}}}) {
        test::writeText(out, "older database");
        serveZip(entries);
        EXPECT_FALSE(gf_downloadAndUnzip("dbase.zip", out));
        EXPECT_FALSE(fs::exists(out));
    }
}

TEST_F(DownloadAndUnzip, FailedDownloadLeavesTheOutputUntouched)
{
    serveZip({{"dbase.xml", "new"}});
    for (const DownloadFault fault : {DownloadFault::NotFound, DownloadFault::Truncate}) {
        server.setFault("dbase.zip", fault);
        EXPECT_FALSE(gf_downloadAndUnzip("dbase.zip", out));
        EXPECT_EQ(readText(out), "older database");
        EXPECT_FALSE(fs::exists("dbase.zip"));
    }
    EXPECT_TRUE(logHas("===> downloading dbase.zip failed?"));
}

class ProgramUpdate : public test::DownloadFixture {
protected:
    void TearDown() override { gf_resetStatusLine(); } // the notices of one case are not the next's
    const Version newer{g_programVersion.major, g_programVersion.minor, g_programVersion.patch + 1};
    const std::string newerText = gf_versionToString(newer);
    const std::string zipName = fmt::format("setup_Tarvo_d_v{}.zip", newerText);
    const std::string failedNotice =
        "The downloading/unzipping of the new version failed? Try manually via Velmora website";
    void offer(const test::ZipEntries& entries)
    {
        serve("release/version.json", newerText + "\r\n");
        fs::create_directories(serverDir / "release");
        test::writeZip(serverDir / "release" / zipName, entries);
    }
};

TEST_F(ProgramUpdate, NewerVersionEndsTheStartUpWithTheInstallerReady)
{
    offer({{"notes.txt", "read me"}, {"install_new_version.exe", "MZ installer"}, {"later.txt", "later"}});
    try {
        gf_checkProgramVersion();
        FAIL() << "no notice";
    } catch (const UserErrorException& e) {
        EXPECT_EQ(std::string(e.what()),
                  fmt::format("New version {} available. Exit here, and run as administrator:   \"{}\"", newerText,
                              (programDir.path() / "install_new_version.exe").string()));
    }
    EXPECT_EQ(readText(g_newVersionInstallerPath), "MZ installer"); // from its own entry only
    EXPECT_FALSE(fs::exists(zipName));
    EXPECT_TRUE(logHas("downloaded " + zipName));
}

TEST_F(ProgramUpdate, CurrentVersionDoesNothing)
{
    for (const Version& server : {g_programVersion, Version{g_programVersion.major - 1, 99, 99}}) {
        serve("release/version.json", gf_versionToString(server));
        EXPECT_NO_THROW(gf_checkProgramVersion());
    }
    EXPECT_EQ(server.requests().size(), 2u); // only the version files
    EXPECT_EQ(gf_statusMessage(), "");
    EXPECT_FALSE(fs::exists(g_newVersionInstallerPath));
}

TEST_F(ProgramUpdate, UnreachableServerLogsAndGoesOn)
{
    server.stop();
    EXPECT_NO_THROW(gf_checkProgramVersion());
    EXPECT_TRUE(logHas("===> Program Version file not found?"));
    EXPECT_FALSE(fs::exists(g_versionJsonPath));
}

// The installer is the archive's file, whatever the maker named it.
TEST_F(ProgramUpdate, InstallerIsTheArchivesFileWhateverItsName)
{
    struct Row {
        const char* name;
        test::ZipEntries entries;
        const char* installer;
    };
    const Row rows[] = {
        {"another name", {{"setup.exe", "MZ setup"}}, "MZ setup"},
        {"in a folder", {{"bin/", ""}, {"bin/Tarvo Setup 10.exe", "MZ in bin"}}, "MZ in bin"},
        {"of several, the last", {{"old.exe", "MZ old"}, {"new.exe", "MZ new"}}, "MZ new"},
    };
    for (const Row& row : rows) {
        offer(row.entries);
        EXPECT_THROW(gf_checkProgramVersion(), UserErrorException) << row.name;
        EXPECT_EQ(readText(g_newVersionInstallerPath), row.installer) << row.name;
        EXPECT_TRUE(logHas(fmt::format("{} unzipped to install_new_version.exe", zipName))) << row.name;
        fs::remove(g_newVersionInstallerPath);
    }
}

TEST_F(ProgramUpdate, ArchiveThatCannotBeOpenedIsLogged)
{
    serve("release/version.json", newerText + "\r\n");
    serve("release/" + zipName, "<html>not a zip</html>");
    EXPECT_NO_THROW(gf_checkProgramVersion());
    EXPECT_TRUE(logHas("===> could not open " + zipName));
    EXPECT_EQ(gf_statusMessage(), failedNotice);
    EXPECT_FALSE(fs::exists(zipName));
}

TEST_F(ProgramUpdate, ArchiveWithoutTheInstallerShowsTheFailedNotice)
{
    for (const test::ZipEntries& entries :
         {test::ZipEntries{}, test::ZipEntries{{"tools/", ""}}, test::ZipEntries{{"setup.exe", ""}}}) {
        offer(entries);
        EXPECT_NO_THROW(gf_checkProgramVersion());
        EXPECT_EQ(gf_statusMessage(), failedNotice);
        EXPECT_FALSE(fs::exists(g_newVersionInstallerPath));
        EXPECT_FALSE(fs::exists(zipName));
    }
}

TEST_F(ProgramUpdate, FailedInstallerDownloadShowsBothNotices)
{
    offer({{"install_new_version.exe", "MZ"}});
    server.setFault("release/" + zipName, DownloadFault::Truncate);
    EXPECT_NO_THROW(gf_checkProgramVersion());
    EXPECT_TRUE(logHas(fmt::format("Downloading program installer file version {} failed", newerText)));
    EXPECT_EQ(gf_statusMessage(), failedNotice);
    EXPECT_FALSE(fs::exists(g_newVersionInstallerPath));
    EXPECT_FALSE(fs::exists(zipName));
}

TEST_F(ProgramUpdate, CorruptInstallerNeverLeavesAHalfFile)
{
    offer({});
    test::writeDamagedZip(serverDir / "release" / zipName, "install_new_version.exe", std::string(100000, 'M'));
    EXPECT_NO_THROW(gf_checkProgramVersion());
    EXPECT_EQ(gf_statusMessage(), failedNotice);
    EXPECT_FALSE(fs::exists(g_newVersionInstallerPath));
    EXPECT_FALSE(fs::exists("install_new_version.exe.part"));
}

class SimAddonUpdate : public test::DownloadFixture {
protected:
    void SetUp() override { fs::create_directory(g_airportsPath); }
    void offer(const std::string& version, const test::ZipEntries& entries)
    {
        serve("vozevurazo24/version.json", version + "\n");
        fs::create_directories(serverDir / "vozevurazo24");
        test::writeZip(serverDir / "vozevurazo24" / "my_simaddon2024.zip", entries);
    }
    void installOld()
    {
        param::VOZEVURAZO24_VERSION.setValue("1.0.0");
        test::writeText(g_mySimaddonPath / "OLD1.txt", "old");
        fs::create_directory(g_mySimaddonPath / "empty-folder");
    }
    std::size_t zipRequests() const
    {
        std::size_t n = 0;
        for (const auto& request : server.requests())
            n += request.path.ends_with(".zip") ? 1 : 0;
        return n;
    }
};

TEST_F(SimAddonUpdate, FirstStartInstallsThePackage)
{
    offer("1.2.3", {{"airports/", ""}, {"airports/EGLL.xml", "<egll/>"}, {"EDDF.apf.xml", "<eddf/>"}});
    ASSERT_TRUE(lf_simAddonMissing());
    EXPECT_TRUE(gf_updateSimAddon());
    EXPECT_EQ(readText(g_mySimaddonPath / "EGLL.txt"), "<egll/>");
    EXPECT_EQ(readText(g_mySimaddonPath / "EDDF.apf.txt"), "<eddf/>");
    EXPECT_EQ(lf_entryCount(g_mySimaddonPath), 2u);
    EXPECT_EQ(param::VOZEVURAZO24_VERSION.getValue(), "1.2.3");
    EXPECT_EQ(savedValue("VOZEVURAZO24_VERSION"), "1.2.3");
    EXPECT_TRUE(logHas("my_simaddon2024.zip unzipped 2 files"));
    EXPECT_EQ(gf_statusMessage(), "vozevurazo has been updated to version 1.2.3");
    EXPECT_FALSE(fs::exists(g_simAddonZipPath));
}

TEST_F(SimAddonUpdate, NewerPackageReplacesTheOldFiles)
{
    installOld();
    offer("1.1.0", {{"KJFK.xml", "<kjfk/>"}});
    EXPECT_TRUE(gf_updateSimAddon());
    EXPECT_FALSE(fs::exists(g_mySimaddonPath / "OLD1.txt"));
    EXPECT_FALSE(fs::exists(g_mySimaddonPath / "empty-folder"));
    EXPECT_EQ(readText(g_mySimaddonPath / "KJFK.txt"), "<kjfk/>");
}

TEST_F(SimAddonUpdate, CurrentPackageIsLeftAlone)
{
    installOld();
    offer("1.0.0", {{"KJFK.xml", "<kjfk/>"}});
    EXPECT_FALSE(gf_updateSimAddon());
    EXPECT_EQ(zipRequests(), 0u);
    EXPECT_TRUE(fs::exists(g_mySimaddonPath / "OLD1.txt"));
}

TEST_F(SimAddonUpdate, DeletedFolderIsFetchedAgainAtTheSameVersion)
{
    param::VOZEVURAZO24_VERSION.setValue("1.0.0");
    offer("1.0.0", {{"KJFK.xml", "<kjfk/>"}});
    EXPECT_TRUE(gf_updateSimAddon());
    EXPECT_EQ(readText(g_mySimaddonPath / "KJFK.txt"), "<kjfk/>");
}

TEST_F(SimAddonUpdate, UnusableArchiveKeepsTheInstalledPackage)
{
    installOld();
    const fs::path zip = serverDir / "vozevurazo24" / "my_simaddon2024.zip";
    const std::function<void()> archives[] = {
        [&] { test::writeText(zip, "not a zip"); },
        [&] { test::writeZip(zip, {}); },
        [&] { test::writeZip(zip, {{"only-a-folder/", ""}}); },
        [&] { test::writeDamagedZip(zip, "EGLL.xml", std::string(5000, 'e')); },
    };
    for (const auto& writeArchive : archives) {
        offer("1.1.0", {{"KJFK.xml", "<kjfk/>"}});
        writeArchive();
        EXPECT_FALSE(gf_updateSimAddon());
        EXPECT_EQ(readText(g_mySimaddonPath / "OLD1.txt"), "old");
        EXPECT_EQ(param::VOZEVURAZO24_VERSION.getValue(), "1.0.0");
        EXPECT_FALSE(fs::exists(g_simAddonZipPath));
    }
}

TEST_F(SimAddonUpdate, FailedDownloadKeepsTheInstalledPackage)
{
    installOld();
    offer("1.1.0", {{"KJFK.xml", "<kjfk/>"}});
    server.setFault("vozevurazo24/my_simaddon2024.zip", DownloadFault::Truncate);
    EXPECT_FALSE(gf_updateSimAddon());
    EXPECT_EQ(readText(g_mySimaddonPath / "OLD1.txt"), "old");
    EXPECT_EQ(param::VOZEVURAZO24_VERSION.getValue(), "1.0.0");
}

TEST_F(SimAddonUpdate, MissingVersionFileLogsAndDoesNothing)
{
    EXPECT_FALSE(gf_updateSimAddon());
    EXPECT_TRUE(logHas("===> No vozevurazo version info found at the Tarvo server?"));
    EXPECT_TRUE(lf_simAddonMissing());
}

} // namespace
} // namespace zyn
