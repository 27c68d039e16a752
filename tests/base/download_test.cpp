#include "airport/airport_downloads.h"
#include "base/download.h"
#include "base/path_text.h"
#include "core/exit.h"
#include "platform/system/full_disk.h"
#include "settings/settings.h"
#include "tests/support/download_fixture.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <atomic>
#include <optional>
#include <ranges>
#include <system_error>
#include <thread>

namespace zyn {
namespace {

namespace fs = std::filesystem;
using test::readText;
using tools::DownloadFault;

class DownloadFile : public test::DownloadFixture {
protected:
    bool download(const std::string& path, const fs::path& out, const StopTest& stop = gf_downloadShouldStop)
    {
        CurlHandle handle;
        return gf_downloadFile(handle.get(), gf_downloadBaseUrl() + path, out, true, stop);
    }
    const std::string body = std::string(200000, 'b') + "end";
};

TEST_F(DownloadFile, WritesTheWholeBodyAndIdentifiesItself)
{
    serve("dbase.zip", body);
    ASSERT_TRUE(download("dbase.zip", "dbase.zip"));
    EXPECT_EQ(readText("dbase.zip"), body);
    EXPECT_FALSE(fs::exists("dbase.zip.part"));
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].userAgent, "Tarvo");
    EXPECT_NE(requests[0].acceptEncoding.find("gzip"), std::string::npos);
    EXPECT_NE(requests[0].acceptEncoding.find("deflate"), std::string::npos);
    server.setFault("dbase.zip", DownloadFault::Moved); // followed as a browser follows it
    ASSERT_TRUE(download("dbase.zip", "moved.zip"));
    EXPECT_EQ(readText("moved.zip"), body);
}

// A failed download leaves the existing file as it was, and the log says why: a full disk by name,
// not only as libcurl's "Failure writing output to destination".
TEST_F(DownloadFile, FailureLeavesTheExistingFileUntouched)
{
    const std::string full = std::make_error_code(std::errc::no_space_on_device).message();
    const std::string whole = gf_utf8FromPath(fs::absolute("dbase.zip")); // the file named whole
    const struct {
        const char* name;
        std::optional<DownloadFault> fault;
        std::optional<std::uint64_t> diskLeft; // a full disk in the program folder, with so many bytes left
        std::string logged;
    } rows[] = {
        {"not found", DownloadFault::NotFound, {}, "404"},
        {"cut short", DownloadFault::Truncate, {}, ""},
        {"a redirect that leads nowhere", DownloadFault::MovedNowhere, {}, "the server answered 302 without the file"},
        {"redirects in circles", DownloadFault::MovedInCircles, {}, "redirects followed"},
        {"a full disk", {}, 0, fmt::format("could not open output file: {}\n          filesystem error: open: {}", whole, full)},
        {"a disk that fills", {}, 1000, fmt::format("/dbase.zip: could not write \"{}\": {}", whole, full)},
    };
    serve("dbase.zip", body);
    for (const auto& row : rows) {
        test::writeText("dbase.zip", "good old file");
        server.clearFaults();
        if (row.fault)
            server.setFault("dbase.zip", *row.fault);
        if (row.diskLeft)
            gf_setFullDisk(FullDisk{{}, *row.diskLeft});
        const std::size_t before = logLines().size();
        EXPECT_FALSE(download("dbase.zip", "dbase.zip")) << row.name;
        gf_setFullDisk(std::nullopt);
        std::string logged;
        for (const auto& line : logLines() | std::views::drop(before))
            logged += line + "\n";
        EXPECT_NE(logged.find(row.logged), std::string::npos) << row.name << ":\n" << logged;
        EXPECT_EQ(readText("dbase.zip"), "good old file") << row.name;
        EXPECT_FALSE(fs::exists("dbase.zip.part")) << row.name;
    }
    EXPECT_FALSE(download("missing.zip", "missing.zip"));
    EXPECT_FALSE(fs::exists("missing.zip"));
}

TEST_F(DownloadFile, StalledServerFailsAfterTheLowSpeedTime)
{
    g_downloadLimits.lowSpeedSeconds = 1;
    serve("dbase.zip", body);
    server.setFault("dbase.zip", DownloadFault::Stall);
    EXPECT_FALSE(download("dbase.zip", "dbase.zip"));
    EXPECT_FALSE(fs::exists("dbase.zip"));
}

TEST_F(DownloadFile, UnreachableServerFails)
{
    const std::string url = server.baseUrl() + "dbase.zip";
    server.stop();
    CurlHandle handle;
    EXPECT_FALSE(gf_downloadFile(handle.get(), url, "dbase.zip", true));
    EXPECT_FALSE(fs::exists("dbase.zip"));
}

TEST_F(DownloadFile, StopTestEndsTheTransfer)
{
    serve("dbase.zip", body);
    EXPECT_FALSE(download("dbase.zip", "dbase.zip", [] { return true; }));
    EXPECT_FALSE(fs::exists("dbase.zip"));
}

TEST_F(DownloadFile, RefusesANullHandleAndAnUnwritableFile)
{
    serve("dbase.zip", body);
    EXPECT_FALSE(gf_downloadFile(nullptr, gf_downloadBaseUrl() + "dbase.zip", "dbase.zip", true));
    EXPECT_FALSE(download("dbase.zip", "no/such/folder/dbase.zip"));
    const auto lines = logLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2],
              "could not open output file: " + gf_utf8FromPath(fs::absolute("no/such/folder/dbase.zip")));
}

TEST_F(DownloadFile, AirportAddressFollowsTheSimulator)
{
    const bool was2020 = param::MSFS_2020.on();
    param::MSFS_2020.value = 0;
    EXPECT_EQ(gf_airportDownloadUrl(false), server.baseUrl() + "MSFS2024/");
    EXPECT_EQ(gf_airportDownloadUrl(true), server.baseUrl() + "MSFS/");
    param::MSFS_2020.value = 1;
    EXPECT_EQ(gf_airportDownloadUrl(false), server.baseUrl() + "MSFS/");
    param::MSFS_2020.value = was2020;
}

class DownloadVersion : public test::DownloadFixture {
protected:
    Version fetch(const std::string& path)
    {
        CurlHandle handle;
        return gf_downloadVersion(handle.get(), gf_downloadBaseUrl() + path);
    }
};

TEST_F(DownloadVersion, ReadsTheFirstLineOfEitherForm)
{
    const std::pair<std::string, Version> cases[] = {
        {"10.11.2\n", {10, 11, 2}},
        {"10.11.2\r\nsecond line\r\n", {10, 11, 2}},
        {"{\"major\": 12, \"minor\": 0, \"patch\": 1}\n", {12, 0, 1}},
        {"\n10.11.2\n", {}},
        {"", {}},
        {"10.11\n", {}},
    };
    for (const auto& [content, expected] : cases) {
        serve("release/version.json", content);
        EXPECT_EQ(fetch("release/version.json"), expected) << content;
        EXPECT_FALSE(fs::exists("version.json"));
    }
}

TEST_F(DownloadVersion, MissingFileGivesUnknownAndAnErrorLine)
{
    EXPECT_EQ(fetch("release/version.json"), Version{});
    const auto lines = logLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "===> downloading \"" + server.baseUrl() + "release/version.json\" failed");
}

TEST(DownloadAddress, DefaultsToTheMakersServerAndIsOverridden)
{
    {
        test::ScopedEnv unset("TARVO_DOWNLOAD_URL", std::nullopt);
        EXPECT_TRUE(gf_downloadBaseUrl().starts_with("https://"));
        EXPECT_TRUE(gf_downloadBaseUrl().ends_with("downloads/"));
        const std::string makers = gf_downloadBaseUrl();
        test::ScopedEnv empty("TARVO_DOWNLOAD_URL", "");
        EXPECT_EQ(gf_downloadBaseUrl(), makers); // set but empty: as if unset
    }
    test::ScopedEnv local("TARVO_DOWNLOAD_URL", "http://127.0.0.1:9/downloads/");
    EXPECT_EQ(gf_downloadBaseUrl(), "http://127.0.0.1:9/downloads/");
}

class DownloadThreads : public test::DownloadFixture {};

// The exit ends a stalled download, which is no failure of the line: nothing is logged of it.
TEST_F(DownloadThreads, ExitEndsAStalledDownload)
{
    serve("dbase.zip", std::string(1000, 'x'));
    server.setFault("dbase.zip", DownloadFault::Stall);
    std::atomic<bool> result{true};
    std::thread downloader([&] {
        CurlHandle handle;
        result = gf_downloadFile(handle.get(), gf_downloadBaseUrl() + "dbase.zip", "dbase.zip", true);
    });
    while (server.requests().empty())
        std::this_thread::yield();
    const std::size_t logged = logLines().size();
    g_exitRequested = 1;
    downloader.join(); // returns although the server never sends the body
    g_exitRequested = 0;
    EXPECT_FALSE(result);
    const auto lines = logLines();
    EXPECT_EQ(lines.size(), logged) << "no failure logged: " << lines.back();
    EXPECT_FALSE(fs::exists("dbase.zip"));
}

} // namespace
} // namespace zyn
