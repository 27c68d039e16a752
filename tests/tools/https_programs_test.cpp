// What a script does for an HTTPS session: test_cert makes an authority and a certificate for
// 127.0.0.1, the stand-in programs serve HTTPS with "--tls CERT KEY", and the program's requests
// trust them through TARVO_CA_BUNDLE.
#include "base/download.h"
#include "tests/support/guard_time.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"
#include "traffic/service_request.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <regex>
#include <thread>

namespace zyn {
namespace {

namespace fs = std::filesystem;

struct ProgramCase {
    const char* program;
    const char* arguments; // after "--tls server.pem server.key"
    std::function<bool(const std::string& url)> request;
};

// The address the program printed, once it did (bounded by the program's own guard).
std::string lf_printedUrl(const fs::path& output)
{
    const std::regex address(R"(https://127\.0\.0\.1:\d+\S*)");
    const auto end = std::chrono::steady_clock::now() + test::guardTime(std::chrono::seconds(20));
    std::smatch found;
    std::string text;
    while (std::chrono::steady_clock::now() < end) {
        text = fs::exists(output) ? test::readText(output) : "";
        if (std::regex_search(text, found, address)) return found.str();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return text;
}

TEST(HttpsPrograms, ServeWithTheCertificateThatTestCertMade)
{
    const fs::path tools = fs::path(TARVO_BINARY_DIR) / "tools";
    test::TempDir dir;
    test::TempDir programDir;
    test::ScopedCwd cwd(programDir.path());
    test::writeText(dir / "files" / "version.json", "10.10.4");
    const std::string made = fmt::format("'{}' '{}' > /dev/null", (tools / "test_cert").string(), dir.path().string());
    ASSERT_EQ(std::system(made.c_str()), 0);
    test::ScopedEnv bundle("TARVO_CA_BUNDLE", (dir / "ca.pem").string());
    const ProgramCase cases[] = {
        {"traffic_server", "", [](const std::string& url) {
             test::ScopedEnv service("TARVO_TRAFFIC_URL", url);
             return gf_postToService("auth", gf_formBody({{"license", "any"}}), nullptr).ok();
         }},
        {"download_server", "files", [](const std::string& url) {
             CurlHandle handle;
             return gf_downloadFile(handle.get(), url + "version.json", "version.json", false);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.program);
        const fs::path output = dir / (std::string(c.program) + ".out");
        const std::string start = fmt::format(
            "cd '{}' && {{ timeout {} '{}' --tls server.pem server.key {} > '{}' 2>&1 & echo $! > '{}'; }}",
            dir.path().string(), test::guardTime(30), (tools / c.program).string(), c.arguments, output.string(),
            (dir / "pid").string());
        ASSERT_EQ(std::system(start.c_str()), 0);
        const std::string url = lf_printedUrl(output);
        EXPECT_TRUE(c.request(url)) << url;
        kill(std::stoi(test::readText(dir / "pid")), SIGTERM);
    }
}

} // namespace
} // namespace zyn
