// The set-up scripts' package manager calls (scripts/apt.sh): while another process holds the package
// manager's lock, apt-get is tried again, with a message, up to the limit; any other failure ends at
// once. A stand-in apt-get and sleep on PATH play the busy machine, so no test waits.
#include "tests/support/guard_time.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <sys/wait.h>

namespace zyn {
namespace {

namespace fs = std::filesystem;

// Busy for the first $BUSY calls (the lock message apt prints, exit 100), then $THEN: "ok" or "other".
constexpr const char* kFakeAptGet = R"sh(#!/usr/bin/env bash
calls=$(( $(cat "$FAKE/calls" 2>/dev/null || echo 0) + 1 ))
echo "$calls" > "$FAKE/calls"
echo "apt-get $*" >> "$FAKE/arguments"
if [ "$calls" -le "$BUSY" ]; then
  echo "E: Could not get lock /var/lib/apt/lists/lock. It is held by process 4242 (unattended-upgr)"
  exit 100
fi
if [ "$THEN" = other ]; then echo "E: Unable to locate package nothing-such"; exit 100; fi
echo "Reading package lists... Done"
)sh";
constexpr const char* kFakeSleep = "#!/usr/bin/env bash\necho \"$1\" >> \"$FAKE/sleeps\"\n";

struct AptRun {
    int exitCode = -1;
    int calls = 0;
    std::string sleeps; // one line per wait, in seconds
    std::string output;
};

AptRun lf_runAptGet(const test::TempDir& folder, int busyCalls, const char* then, int limitSeconds)
{
    const fs::path bin = folder / "bin";
    test::writeText(bin / "apt-get", kFakeAptGet);
    test::writeText(bin / "sleep", kFakeSleep);
    for (const char* tool : {"apt-get", "sleep"})
        fs::permissions(bin / tool, fs::perms::owner_all, fs::perm_options::replace);
    const std::string line = fmt::format(
        "cd '{0}' && FAKE='{0}' BUSY={1} THEN={2} TARVO_APT_WAIT={3} PATH='{4}':\"$PATH\" timeout {5} bash -c "
        "'set -euo pipefail; source \"{6}/scripts/apt.sh\"; apt_get update' > output.txt 2>&1",
        folder.path().string(), busyCalls, then, limitSeconds, bin.string(), test::guardTime(60), TARVO_SOURCE_DIR);
    const int status = std::system(line.c_str());
    AptRun run;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (fs::exists(folder / "calls"))
        run.calls = std::stoi(test::readText(folder / "calls"));
    if (fs::exists(folder / "sleeps"))
        run.sleeps = test::readText(folder / "sleeps");
    run.output = test::readText(folder / "output.txt");
    return run;
}

struct AptCase {
    const char* what;
    int busyCalls;
    const char* then;
    int limitSeconds;
    int exitCode;
    int calls;
    const char* sleeps;
    const char* message; // part of the output; empty: no word of waiting
};

TEST(SetUpScripts, WaitForABusyPackageManagerUpToTheLimit)
{
    const AptCase cases[] = {
        {"a free package manager", 0, "ok", 600, 0, 1, "", ""},
        {"busy for two tries", 2, "ok", 600, 0, 3, "5\n5\n",
         "Waiting for the package manager, which another process is using (Could not get lock "
         "/var/lib/apt/lists/lock. It is held by process 4242 (unattended-upgr)): up to 600 s"},
        {"busy past the limit", 99, "ok", 10, 100, 3, "5\n5\n",
         "The package manager is still busy after 10 s (Could not get lock"},
        {"busy for long, then free", 13, "ok", 600, 0, 14, "5\n5\n5\n5\n5\n5\n5\n5\n5\n5\n5\n5\n5\n",
         "Still waiting for the package manager (60 s)"},
        {"another failure", 0, "other", 600, 100, 1, "", ""},
        {"another failure after the lock", 1, "other", 600, 100, 2, "5\n", "Waiting for the package manager"},
    };
    for (const AptCase& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir folder;
        const AptRun run = lf_runAptGet(folder, c.busyCalls, c.then, c.limitSeconds);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.output;
        EXPECT_EQ(run.calls, c.calls);
        EXPECT_EQ(run.sleeps, c.sleeps);
        if (*c.message)
            EXPECT_NE(run.output.find(c.message), std::string::npos) << run.output;
        else
            EXPECT_EQ(run.output.find("package manager"), std::string::npos) << run.output;
    }
}

} // namespace
} // namespace zyn
