// The test command's steps (scripts/steps.sh): a step that fails says so with its exit code, and the
// last line lists the failed ones; and its runs under Wine (wine_run, scripts/wine-env.sh): a run that
// Wine itself ended is run once more, a failure the program reported never is. Fake steps and a fake
// program that prints what Wine or a check prints play the runs. Its stages (scripts/stages.sh): a test
// that passed only at its second try is named, a build beside the tests gives its code to its stage, and
// whatever the command started ends with it; the real ctest plays stand-in tests, stand-ins the builds.
#include "base/text_util.h"
#include "tests/support/guard_time.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <fmt/format.h>
#include <fmt/ranges.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/wait.h>

namespace zyn {
namespace {

namespace fs = std::filesystem;

struct ScriptRun {
    int exitCode = -1;
    std::string output;
};

// The body run in a script of the test command's kind (set -e), with the steps, the stages and Wine's
// helpers.
ScriptRun lf_runSteps(const test::TempDir& folder, const std::string& body)
{
    test::writeText(folder / "driver.sh", fmt::format(R"(set -euo pipefail
source '{0}/scripts/wine-env.sh'
source '{0}/scripts/steps.sh'
source '{0}/scripts/stages.sh'
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
        {"tests that passed only at their second try leave the status, but are named",
         "step_passed_at_second_try 'fake tests' 'A.one'\nstep_passed_at_second_try 'fake e2e' 'B.two'\nsteps_end", 0,
         "== PASSED ONLY AT ITS SECOND TRY: fake tests: A.one\n== PASSED ONLY AT ITS SECOND TRY: fake e2e: B.two\n"
         "== done, status 0; passed only at the second try: fake tests: A.one, fake e2e: B.two\n"},
        {"a test that passed only at its second try beside a failed step",
         "step 'fake build' bash -c 'exit 2' || true\nstep_passed_at_second_try 'fake tests' 'A.one'\nsteps_end", 1,
         "== FAILED: fake build (exit code 2)\n== PASSED ONLY AT ITS SECOND TRY: fake tests: A.one\n"
         "== done, status 1; failed: fake build (exit code 2); passed only at the second try: fake tests: A.one\n"},
        {"a command that ends the script, in a function; one that fails where the script goes on",
         "quiet=$(false; echo y)\necho \"quiet: $quiet\"\ngive() { false; }\ngive\necho not here", 1,
         "quiet: y\n== FAILED: false (exit code 1, driver.sh line 8)\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir folder;
        const ScriptRun run = lf_runSteps(folder, c.body);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_EQ(run.output, c.said);
    }
}

void lf_writeProgram(const fs::path& path, const std::string& text)
{
    test::writeText(path, text);
    fs::permissions(path, fs::perms::owner_all, fs::perm_options::replace);
}

// A stand-in command whose each call does as the next word of $PLAN says: the cases of a bash case.
std::string lf_planned(const std::string& cases)
{
    return "#!/usr/bin/env bash\n"
           "calls=$(( $(cat calls 2>/dev/null || echo 0) + 1 ))\n"
           "echo \"$calls\" > calls\n"
           "set -- $PLAN\n"
           "shift $((calls - 1))\n"
           "case $1 in\n" +
           cases + "esac\n";
}

// Each call prints what the next word of $PLAN says and ends as that would.
const std::string kFakeRun = lf_planned(R"(  pass) echo "ok     a check"; echo "wine: 1 passed, 0 failed" ;;
  client) echo "wine client error:0: recvmsg: connection reset"; exit 1 ;;
  server) echo "wine: a wine server seems to be running, but I cannot connect to it."; exit 1 ;;
  fails) echo "FAILED a check: wrong"; echo "wine: 0 passed, 1 failed"; exit 1 ;;
  fails-then-client) echo "FAILED a check: wrong"; echo "wine client error:0: recvmsg: connection reset"; exit 1 ;;
  crash) echo "wine: Unhandled page fault on read access to 0000000000000000"; exit 1 ;;
)");

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
        lf_writeProgram(folder / "fake-run", kFakeRun);
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

std::size_t lf_count(const std::string& text, const std::string& what)
{
    std::size_t count = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

// A test as ctest runs it: notes each run, then passes, fails, or fails at its first run only.
constexpr const char* kFakeTest = R"sh(#!/usr/bin/env bash
echo "$1" >>runs
case $2 in
  fails) echo "$1: wrong"; exit 1 ;;
  flaky) [ "$(grep -c "^$1\$" runs)" -gt 1 ] || { echo "$1: wrong at its first run"; exit 1; } ;;
esac
)sh";

TEST(TestCommandSteps, ATestThatPassedOnlyAtItsSecondTryIsNamedAndTheLastLineListsIt)
{
    const struct {
        const char* what;
        const char* tests; // name:how ...
        const char* e2e; // the second call's filter
        const char* named; // the test said to have passed only at its second try, if one
        const char* last; // the last line after "status"
        const char* runs; // the tests run, sorted
    } cases[] = {
        {"every test passes", "A.one:pass B.two:pass E2e.run:pass", "^E2e\\.", "", " 0", "A.one B.two E2e.run"},
        {"one fails at its first try only", "A.one:pass B.two:flaky E2e.run:pass", "^E2e\\.", "tests: B.two",
         " 0; passed only at the second try: tests: B.two", "A.one B.two B.two E2e.run"},
        {"one fails both tries, another the first only", "A.one:fails B.two:flaky C.three:pass E2e.run:pass", "^E2e\\.",
         "tests: B.two", " 1; failed: tests (exit code 8); passed only at the second try: tests: B.two",
         "A.one A.one B.two B.two C.three E2e.run"},
        {"the end-to-end call fails at its first try only", "A.one:pass E2e.run:flaky", "^E2e\\.", "e2e: E2e.run",
         " 0; passed only at the second try: e2e: E2e.run", "A.one E2e.run E2e.run"},
        // ctest writes its list only when a test failed: the first call's is not the second's, which
        // failed for want of tests.
        {"a call that finds no test after one that left its list", "A.one:pass B.two:flaky E2e.run:pass", "^None\\.",
         "tests: B.two", " 1; failed: e2e (exit code 8); passed only at the second try: tests: B.two", "A.one B.two B.two"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir folder;
        lf_writeProgram(folder / "fake-test", kFakeTest);
        std::string tests;
        for (const auto& test : gf_splitString(c.tests, ' ')) {
            const auto colon = test.find(':');
            tests += fmt::format("add_test({0} \"{1}\" \"{0}\" \"{2}\")\n", test.substr(0, colon),
                                 (folder / "fake-test").string(), test.substr(colon + 1));
        }
        test::writeText(folder / "ctests" / "CTestTestfile.cmake", tests);
        const ScriptRun run = lf_runSteps(
            folder, fmt::format("step tests ctest_tries tests ctests -j 2 -E '^E2e\\.' || true\n"
                                "step e2e ctest_tries e2e ctests --no-tests=error -R '{}' || true\nsteps_end",
                                c.e2e));
        EXPECT_TRUE(run.output.ends_with(fmt::format("== done, status{}\n", c.last))) << run.output;
        EXPECT_EQ(lf_count(run.output, "\n== PASSED ONLY"), *c.named ? 1 : 0) << run.output;
        EXPECT_TRUE(!*c.named || lf_count(run.output, fmt::format("\n== PASSED ONLY AT ITS SECOND TRY: {}\n", c.named)))
            << run.output;
        std::vector<std::string> runs = test::readLines(folder / "ctests" / "runs");
        std::ranges::sort(runs);
        EXPECT_EQ(fmt::format("{}", fmt::join(runs, " ")), c.runs);
    }
}

// A test program run whole: each call does as the next word of $PLAN says, with googletest's lines.
const std::string kFakeProgram = lf_planned(R"(  pass) echo "[  PASSED  ] 3 tests." ;;
  fails) printf '%s\n' '[  FAILED  ] Suite.One (3 ms)' '[  FAILED  ] Param/Suite.Two/1, where GetParam() = 4 (1 ms)' \
           '[  FAILED  ] 2 tests, listed below:' '[  FAILED  ] Suite.One' '[  FAILED  ] Param/Suite.Two/1, where GetParam() = 4'
         exit 1 ;;
  crash) echo "[ RUN      ] Suite.Three"; exit 134 ;;
)");

TEST(TestCommandSteps, AWholeProgramRunThatPassedOnlyTheSecondTimeNamesWhatFailedTheFirst)
{
    const struct {
        const char* plan;
        int calls;
        const char* last; // the last line
    } cases[] = {
        {"pass", 1, "== done, status 0\n"},
        {"fails pass", 2,
         "== PASSED ONLY AT ITS SECOND TRY: whole: Param/Suite.Two/1\n== PASSED ONLY AT ITS SECOND TRY: whole: Suite.One\n"
         "== done, status 0; passed only at the second try: whole: Param/Suite.Two/1, whole: Suite.One\n"},
        {"crash pass", 2, "== done, status 0; passed only at the second try: whole: the whole run (exit code 134)\n"},
        {"fails fails", 2, "== FAILED: whole (exit code 1)\n== done, status 1; failed: whole (exit code 1)\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.plan);
        test::TempDir folder;
        lf_writeProgram(folder / "fake-program", kFakeProgram);
        const ScriptRun run =
            lf_runSteps(folder, fmt::format("PLAN='{}' step whole whole_tries whole ./fake-program || true\nsteps_end", c.plan));
        EXPECT_EQ(std::stoi(test::readText(folder / "calls")), c.calls);
        EXPECT_TRUE(run.output.ends_with(c.last)) << run.output;
    }
}

// A build beside the tests: says what it was asked to, how nice it runs, and fails, passes, or
// passes after a while.
constexpr const char* kFakeBuild = R"sh(#!/usr/bin/env bash
echo "building ($1)"
[ "$(nice)" = "$GIVE_WAY" ] && echo "gives way" || echo "niceness $(nice), not $GIVE_WAY"
case $1 in
  fails) exit 3 ;;
  slow) sleep 1 ;;
esac
echo "$1" >built
)sh";

TEST(TestCommandSteps, ABuildBesideTheTestsGivesItsOwnCodeToItsStage)
{
    const struct {
        const char* build;
        int exitCode;
        const char* said; // every line of the output
    } cases[] = {
        {"passes", 0, "building (passes)\ngives way\n== the next stage builds on: passes\n== done, status 0\n"},
        // The next stage must not run on the build an earlier run left.
        {"fails", 1,
         "building (fails)\ngives way\n== FAILED: fake build (exit code 3)\n== SKIPPED: fake tests: their build failed\n"
         "== done, status 1; failed: fake build (exit code 3)\n"},
        {"slow", 0, "building (slow)\ngives way\n== the next stage builds on: slow\n== done, status 0\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.build);
        test::TempDir folder;
        lf_writeProgram(folder / "fake-build", kFakeBuild);
        test::writeText(folder / "built", "an earlier run's\n");
        const ScriptRun run = lf_runSteps(
            folder, fmt::format("export GIVE_WAY=$(( $(nice) + 10 > 19 ? 19 : $(nice) + 10 ))\n"
                                "build_ahead build ./fake-build {}\nahead_running build\n"
                                "if step 'fake build' ahead_done build; then echo \"== the next stage builds on: $(cat built)\"\n"
                                "else step_skipped 'fake tests' 'their build failed'; fi\n"
                                "! ahead_running build\nsteps_end",
                                c.build));
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_EQ(run.output, c.said);
    }
}

// A build or a run under Wine that would go on for minutes: notes its pid and its child's, which runs
// in a process group of its own (as scripts/windows runs Wine under timeout), and would write a file at
// the end.
constexpr const char* kSlowJob = R"(#!/usr/bin/env bash
echo $$ >"$1.pid"
timeout 300 sleep 300 &
echo $! >"$1.child.pid"
wait
echo "$1" >"$1.done"
)";
// The test command, cut short while its builds and runs beside are busy: its step in the foreground
// (as ctest does) ends by itself on a Ctrl-C with a code of its own.
constexpr const char* kCommand = R"(set -euo pipefail
source '{0}/scripts/steps.sh'
source '{0}/scripts/stages.sh'
steps_report_aborts
stages_end_with_command
build_ahead build ./slow-job build
beside runs ./slow-job runs
until [ -s build.child.pid ] && [ -s runs.child.pid ]; do sleep 0.05; done
{1}
step 'fake tests' bash -c 'echo $$ >tests.pid; trap "exit 8" INT; while :; do sleep 0.2; done' || true
echo "went on"
)";
// Starts the command in a process group of its own, as a terminal does, and cuts it short once what
// it started runs; then says how it ended and which of those processes still run after it (waiting
// for them only as a guard against a hang), and ends them with their groups.
constexpr const char* kCutShort = R"sh(export LC_ALL=C
set -m
bash command.sh >command.out 2>&1 &
command=$!
until [ -s "$READY" ]; do sleep 0.05; done
[ -z "$SIGNAL" ] || kill -s "$SIGNAL" -- "$TO$command"
code=0
wait "$command" || code=$?
echo "code $code"
ended() {{
  local line
  IFS= read -r line 2>/dev/null <"/proc/$1/stat" || return 0
  line=${{line##*) }}
  [ "${{line%% *}}" = Z ]
}}
deadline=$((SECONDS + {0}))
for file in *.pid; do
  read -r pid <"$file"
  while ! ended "$pid" && [ $SECONDS -lt $deadline ]; do sleep 0.1; done
  if ended "$pid"; then echo "${{file%.pid}} ended"; else echo "${{file%.pid}} runs on"; kill -KILL -- "-$pid" "$pid" 2>/dev/null; fi
done
for file in *.done; do [ ! -e "$file" ] || echo "written: $file"; done
exit 0
)sh";

TEST(TestCommandSteps, TheBuildsAndRunsBesideEndWithTheCommand)
{
    const struct {
        const char* what;
        const char* signal; // none: the command ends by itself
        bool toGroup;
        const char* before; // what the command does before its step in the foreground
        int exitCode;
    } cases[] = {
        {"SIGTERM to the command alone", "TERM", false, "", 143},
        {"SIGTERM to its process group, as timeout sends it", "TERM", true, "", 143},
        {"SIGINT to its process group, as Ctrl-C sends it", "INT", true, "", 130},
        {"SIGHUP to the command alone", "HUP", false, "", 129},
        {"a command that failed under set -e", "", false, "false", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir folder;
        lf_writeProgram(folder / "slow-job", kSlowJob);
        test::writeText(folder / "command.sh", fmt::format(kCommand, TARVO_SOURCE_DIR, c.before));
        test::writeText(folder / "cut-short.sh", fmt::format(kCutShort, test::guardTime(20)));
        const bool foreground = *c.before == '\0';
        const std::string line = fmt::format(
            "cd '{}' && READY={} SIGNAL={} TO={} timeout {} bash cut-short.sh > output.txt 2>/dev/null",
            folder.path().string(), foreground ? "tests.pid" : "runs.child.pid", c.signal, c.toGroup ? "-" : "",
            test::guardTime(120));
        const int status = std::system(line.c_str());
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        const std::string said = test::readText(folder / "output.txt");
        const std::string processes = std::string("build.child ended\nbuild ended\nruns.child ended\nruns ended\n") +
                                      (foreground ? "tests ended\n" : "");
        EXPECT_EQ(said, fmt::format("code {}\n{}", c.exitCode, processes)) << test::readText(folder / "command.out");
        const std::string output = test::readText(folder / "command.out");
        EXPECT_EQ(output.find("went on"), std::string::npos) << output;
        EXPECT_NE(output.find("== the command ends; so did the "), std::string::npos) << output;
    }
}

} // namespace
} // namespace zyn
