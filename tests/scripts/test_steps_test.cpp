// The test command's steps (scripts/steps.sh): a step that fails says so with its exit code, and the
// last line lists the failed ones; and its runs under Wine (wine_run, scripts/wine-env.sh): a run that
// Wine itself ended is run once more, a failure the program reported never is. Fake steps and a fake
// program that prints what Wine or a check prints play the runs.
#include "tests/support/guard_time.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <sys/wait.h>

namespace zyn {
namespace {

namespace fs = std::filesystem;

struct ScriptRun {
    int exitCode = -1;
    std::string output;
};

// The body run in a script of the test command's kind (set -e), with the steps and Wine's helpers.
ScriptRun lf_runSteps(const test::TempDir& folder, const std::string& body)
{
    test::writeText(folder / "driver.sh", fmt::format(R"(set -euo pipefail
source '{0}/scripts/wine-env.sh'
source '{0}/scripts/steps.sh'
steps_report_aborts
{1}
)",
                                                      TARVO_SOURCE_DIR, body));
    const std::string line = fmt::format("cd '{}' && timeout {} bash driver.sh > output.txt 2>&1",
                                         folder.path().string(), test::guardTime(60));
    const int status = std::system(line.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, test::readText(folder / "output.txt")};
}

TEST(TestCommandSteps, EveryFailedStepIsNamedAndListedAtTheEnd)
{
    const struct {
        const char* what;
        const char* body;
        int exitCode;
        const char* said; // every line of the output
    } cases[] = {
        {"every step passes", "step 'fake build' true\nstep 'fake tests' true\nsteps_end done '(at 5 s)'", 0,
         "== done, status 0 (at 5 s)\n"},
        {"two steps fail, the others still run",
         "step 'fake build' bash -c 'exit 2' || true\nstep 'fake checks' true\n"
         "step 'fake tests' bash -c 'exit 8' || true\nsteps_end",
         1,
         "== FAILED: fake build (exit code 2)\n== FAILED: fake tests (exit code 8)\n"
         "== done, status 1; failed: fake build (exit code 2); fake tests (exit code 8)\n"},
        {"a step left out", "step_skipped 'fake tests' 'their build failed'\nsteps_end", 0,
         "== SKIPPED: fake tests: their build failed\n== done, status 0\n"},
        {"a command that ends the script, in a function; one that fails where the script goes on",
         "quiet=$(false; echo y)\necho \"quiet: $quiet\"\ngive() { false; }\ngive\necho not here", 1,
         "quiet: y\n== FAILED: false (exit code 1, driver.sh line 7)\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir folder;
        const ScriptRun run = lf_runSteps(folder, c.body);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_EQ(run.output, c.said);
    }
}

// Each call prints what the next word of $PLAN says and ends as that would.
constexpr const char* kFakeRun = R"(#!/usr/bin/env bash
calls=$(( $(cat calls 2>/dev/null || echo 0) + 1 ))
echo "$calls" > calls
set -- $PLAN
shift $((calls - 1))
case $1 in
  pass) echo "ok     a check"; echo "wine: 1 passed, 0 failed" ;;
  client) echo "wine client error:0: recvmsg: connection reset"; exit 1 ;;
  server) echo "wine: a wine server seems to be running, but I cannot connect to it."; exit 1 ;;
  fails) echo "FAILED a check: wrong"; echo "wine: 0 passed, 1 failed"; exit 1 ;;
  fails-then-client) echo "FAILED a check: wrong"; echo "wine client error:0: recvmsg: connection reset"; exit 1 ;;
  crash) echo "wine: Unhandled page fault on read access to 0000000000000000"; exit 1 ;;
esac
)";

TEST(TestCommandSteps, ARunThatWineItselfEndedRunsOnceMoreAFailedCheckNever)
{
    const struct {
        const char* plan;
        int exitCode;
        int calls;
        const char* onceMore; // what the log says of the second run; empty: none
    } cases[] = {
        {"pass", 0, 1, ""},
        {"client pass", 0, 2,
         "== Wine itself ended the run (wine client error:0: recvmsg: connection reset, exit code 1); once more"},
        {"server pass", 0, 2, "(wine: a wine server seems to be running, but I cannot connect to it., exit code 1)"},
        {"client client", 1, 2, "== Wine itself ended the run"},
        {"fails pass", 1, 1, ""},
        {"fails-then-client pass", 1, 1, ""},
        {"crash pass", 1, 1, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.plan);
        test::TempDir folder;
        test::writeText(folder / "fake-run", kFakeRun);
        fs::permissions(folder / "fake-run", fs::perms::owner_all, fs::perm_options::replace);
        const ScriptRun run =
            lf_runSteps(folder, fmt::format("PLAN='{}' step 'fake check' wine_run ./fake-run || true\nsteps_end", c.plan));
        EXPECT_EQ(run.exitCode, c.exitCode) << run.output;
        EXPECT_EQ(std::stoi(test::readText(folder / "calls")), c.calls);
        const bool said = run.output.find("once more") != std::string::npos;
        EXPECT_EQ(said, *c.onceMore != '\0') << run.output;
        if (*c.onceMore) {
            EXPECT_NE(run.output.find(c.onceMore), std::string::npos) << run.output;
        }
        // The runs' own output is shown; a failure is named.
        const char* last = c.exitCode == 0 ? "wine: 1 passed, 0 failed\n== done, status 0\n"
                                           : "== done, status 1; failed: fake check (exit code 1)\n";
        EXPECT_TRUE(run.output.ends_with(last)) << run.output;
    }
}

// A machine's locales as glibc answers for them: the system's are listed in "system", and while
// LOCPATH is set only its folder counts (not one whose making was cut short). localedef notes each call and makes the locale's folder,
// unless it is told to fail.
constexpr const char* kFakeLocale = R"(#!/usr/bin/env bash
known() {
  if [ -n "${LOCPATH:-}" ]; then [ -d "$LOCPATH/$1" ] && [ ! -e "$LOCPATH/$1/cut-short" ]
  else grep -qix "${1/UTF-8/utf8}" "$FAKE/system"; fi
}
case $1 in
  -a) cat "$FAKE/system" ;;
  charmap) if known "${LC_ALL:-C}"; then echo UTF-8; else echo ANSI_X3.4-1968; fi ;;
esac
)";
constexpr const char* kFakeLocaledef = R"(#!/usr/bin/env bash
echo "$*" >>"$FAKE/localedef-calls"
[ -z "${LOCALEDEF_FAILS:-}" ] || exit 4
mkdir -p "${@: -1}"
)";

TEST(TestCommandSteps, TheSpanishLocaleIsTheSystemsWhereItHasOneElseOneGeneratedOnce)
{
    const struct {
        const char* what;
        const char* system; // the system's locales
        int generatedBefore; // 0: none, 1: whole, 2: cut short
        bool localedefFails;
        int localedefCalls;
        bool ownFolder; // LOCPATH names the generated one
        bool takes;
    } cases[] = {
        {"the system has it", "C\nC.utf8\nPOSIX\nes_ES.utf8\n", 0, false, 0, false, true},
        {"the system has it, and an earlier run generated one", "C\nes_ES.utf8\n", 1, false, 0, false, true},
        {"the system has none", "C\nC.utf8\nPOSIX\n", 0, false, 1, true, true},
        {"the system has none, an earlier run generated it", "C\nC.utf8\n", 1, false, 0, true, true},
        {"the system has none, an earlier run was cut short making it", "C\nC.utf8\n", 2, false, 1, true, true},
        {"the system has none and it cannot be generated", "C\n", 0, true, 1, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir folder;
        const fs::path fake = folder / "fake";
        fs::create_directories(fake);
        test::writeText(fake / "locale", kFakeLocale);
        test::writeText(fake / "localedef", kFakeLocaledef);
        for (const char* program : {"locale", "localedef"})
            fs::permissions(fake / program, fs::perms::owner_all, fs::perm_options::replace);
        test::writeText(folder / "system", c.system);
        if (c.generatedBefore != 0)
            fs::create_directories(folder / "locales" / "es_ES.UTF-8");
        if (c.generatedBefore == 2)
            test::writeText(folder / "locales" / "es_ES.UTF-8" / "cut-short", "");
        const ScriptRun run = lf_runSteps(
            folder, fmt::format("apt_install_missing() {{ :; }}\nexport FAKE=$PWD PATH=$PWD/fake:$PATH{}\n"
                                "if spanish_locale \"$PWD/locales\"; then echo \"env: ${{spanish_env[*]}}\"; fi",
                                c.localedefFails ? " LOCALEDEF_FAILS=1" : ""));
        EXPECT_EQ(run.exitCode, 0) << run.output;
        const std::string calls =
            fs::exists(folder / "localedef-calls") ? test::readText(folder / "localedef-calls") : std::string();
        EXPECT_EQ(std::count(calls.begin(), calls.end(), '\n'), c.localedefCalls) << calls;
        const std::string locpath = c.ownFolder ? "LOCPATH=" + (folder / "locales").string() + " " : "";
        if (c.takes) {
            EXPECT_EQ(run.output, "env: " + locpath + "LANG=es_ES.UTF-8 LC_ALL=es_ES.UTF-8\n");
        } else {
            EXPECT_NE(run.output.find("the Spanish locale does not take (" + locpath), std::string::npos) << run.output;
            EXPECT_EQ(run.output.find("env: "), std::string::npos) << run.output;
        }
    }
}

} // namespace
} // namespace zyn
