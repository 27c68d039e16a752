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

} // namespace
} // namespace zyn
