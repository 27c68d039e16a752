// The run command's start of a stand-in (scripts/start-helper.sh): the address comes from the
// stand-in's own fresh announcement, never from a previous run's file or a half-written line, and a
// stand-in that ends or stays silent stops the run with an error.
#include "tests/support/guard_time.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>

#include <sys/wait.h>

namespace zyn {
namespace {

namespace fs = std::filesystem;

constexpr const char* kTrafficPattern = "^(http://[^ ]+)$";
constexpr const char* kDownloadPattern = "^serving .* at (http://[^ ]+)$";

// Sources the script's function in a shell of its own, as scripts/run does, and ends the stand-in after.
constexpr const char* kDriver = R"(set -euo pipefail
source "$1"
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done' EXIT
start_helper "fake stand-in" out.txt "$2" bash -c "$3"
printf '%s\n' "$helper_address" > address.txt
)";

struct HelperRun {
    int exitCode = -1;
    std::string address;
    std::string errors;
};

HelperRun lf_startHelper(const test::TempDir& folder, const std::string& pattern, const std::string& command,
                         int timeoutSeconds)
{
    test::writeText(folder / "driver.sh", kDriver);
    test::writeText(folder / "command.txt", command);
    fs::remove(folder / "address.txt");
    const std::string line = fmt::format(
        "cd '{}' && TARVO_HELPER_TIMEOUT={} timeout {} bash driver.sh '{}/scripts/start-helper.sh' '{}' "
        "\"$(cat command.txt)\" 2> errors.txt",
        folder.path().string(), timeoutSeconds, test::guardTime(60), TARVO_SOURCE_DIR, pattern);
    const int status = std::system(line.c_str());
    HelperRun run;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (fs::exists(folder / "address.txt"))
        run.address = test::readText(folder / "address.txt");
    run.errors = test::readText(folder / "errors.txt");
    return run;
}

struct HelperCase {
    const char* what;
    std::optional<std::string> previousFile; // left by an earlier run
    const char* pattern;
    const char* command;
    int timeoutSeconds;
    int exitCode;
    const char* address; // with its line break
    const char* error;   // part of the message; empty when none
};

TEST(RunCommandHelpers, TakeTheAddressFromTheStandInsOwnAnnouncement)
{
    const HelperCase cases[] = {
        {"a previous run's file", "http://127.0.0.1:1\n", kTrafficPattern,
         "echo http://127.0.0.1:2; exec sleep 60", 30, 0, "http://127.0.0.1:2\n", ""},
        {"an empty file of a previous run", "", kTrafficPattern, "echo http://127.0.0.1:3; exec sleep 60", 30, 0,
         "http://127.0.0.1:3\n", ""},
        {"a line still being written", std::nullopt, kTrafficPattern,
         "printf http://127.0.0.1:; sleep 0.3; echo 4242; exec sleep 60", 30, 0, "http://127.0.0.1:4242\n", ""},
        {"the download stand-in's line", "serving old at http://127.0.0.1:1/\n", kDownloadPattern,
         "echo serving run-downloads at http://127.0.0.1:5/; exec sleep 60", 30, 0, "http://127.0.0.1:5/\n", ""},
        {"a stand-in that ends first", "http://127.0.0.1:1\n", kTrafficPattern, "printf 'no port'; exit 3", 30, 1,
         "", "fake stand-in did not start:\nno port"},
        {"a stand-in that says something else", std::nullopt, kTrafficPattern, "echo cannot listen; exit 3", 30, 1,
         "", "fake stand-in announced no address: cannot listen"},
        {"a silent stand-in", "http://127.0.0.1:1\n", kTrafficPattern, "exec sleep 60", 1, 1, "",
         "fake stand-in announced no address within 1 s"},
    };
    for (const HelperCase& c : cases) {
        SCOPED_TRACE(c.what);
        // The stale file passed the old check only when the look came before the stand-in's
        // redirection emptied it, so each case runs several times.
        for (int round = 0; round < 8; ++round) {
            test::TempDir folder;
            if (c.previousFile)
                test::writeText(folder / "out.txt", *c.previousFile);
            const HelperRun run = lf_startHelper(folder, c.pattern, c.command, c.timeoutSeconds);
            ASSERT_EQ(run.exitCode, c.exitCode) << run.errors;
            EXPECT_EQ(run.address, c.address);
            if (*c.error) {
                EXPECT_NE(run.errors.find(c.error), std::string::npos) << run.errors;
            }
            if (c.exitCode != 0)
                break; // the failures do not race
        }
    }
}

// The demonstration's stand-ins serving HTTPS from a folder under a path with a blank: stand-ins that
// write down their arguments, where the run command starts them, get the certificate and key whole.
TEST(RunCommandHelpers, StandInsGetTheCertificateAndKeyWhole)
{
    test::TempDir root;
    const fs::path folder = root / "program folder";
    for (const auto& [name, line] : {std::pair{"traffic_server", "http://127.0.0.1:1"},
                                     std::pair{"download_server", "serving downloads at http://127.0.0.1:2/"}}) {
        const fs::path tool = folder / "build/tools" / name;
        test::writeText(tool, fmt::format("#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.args\"\necho {}\nexec sleep 60\n", line));
        fs::permissions(tool, fs::perms::owner_all);
    }
    test::writeText(folder / "CMakeLists.txt", "project(tarvo VERSION 1.0.0)\n");
    test::writeText(folder / "scenario/dbase.zip", "");
    test::writeText(folder / "driver.sh", R"(set -euo pipefail
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done' EXIT
source "$1/scripts/start-helper.sh"
source "$1/scripts/demo-setup.sh"
unset TARVO_TRAFFIC_URL TARVO_DOWNLOAD_URL
export TARVO_STAND_IN_CERT="$PWD/tls dir/server.pem" TARVO_STAND_IN_KEY="$PWD/tls dir/server.key"
demo_start_stand_ins "$PWD" "$PWD/scenario" "$PWD/downloads" "$PWD/license.txt"
)");
    const std::string command = fmt::format("cd '{}' && timeout {} bash driver.sh '{}' 2> errors.txt",
                                            folder.string(), test::guardTime(60), TARVO_SOURCE_DIR);
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << test::readText(folder / "errors.txt");
    const std::string tls = fmt::format("--tls\n{0}/tls dir/server.pem\n{0}/tls dir/server.key\n", folder.string());
    for (const char* name : {"traffic_server", "download_server"})
        EXPECT_NE(test::readText(folder / "build/tools" / (std::string(name) + ".args")).find(tls), std::string::npos)
            << name;
}

} // namespace
} // namespace zyn
