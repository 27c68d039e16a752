#include "tests/support/child_role.h"

#include "tests/support/guard_time.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

namespace zyn {
namespace {

// What a test's child must not take over from the test program, each a bit of the role's exit code.
enum Inherited { ParentDescriptor = 1, RoleVariables = 2, IgnoredSignal = 4, BlockedSignal = 8 };

int lf_reportInherited(const test::RoleArgs& args)
{
    int inherited = 0;
    if (fcntl(std::stoi(args.value("parent_fd")), F_GETFD) != -1)
        inherited |= ParentDescriptor;
    if (std::getenv("TARVO_TEST_ROLE") || std::getenv("TARVO_TEST_ROLE_parent_fd"))
        inherited |= RoleVariables;
    struct sigaction action {};
    sigaction(SIGUSR1, nullptr, &action);
    if (action.sa_handler == SIG_IGN)
        inherited |= IgnoredSignal;
    sigset_t blocked;
    sigprocmask(SIG_SETMASK, nullptr, &blocked);
    if (sigismember(&blocked, SIGUSR2))
        inherited |= BlockedSignal;
    return inherited;
}
const test::ChildRole g_inheritedRole{"child-role-inherited", &lf_reportInherited};

int lf_echo(const test::RoleArgs& args)
{
    const std::string& text = args.value("text");
    return write(args.fd("out"), text.data(), text.size()) == static_cast<ssize_t>(text.size()) ? 7 : 1;
}
const test::ChildRole g_echoRole{"child-role-echo", &lf_echo};

int lf_markRole(const test::RoleArgs& args)
{
    std::ofstream(args.value("marks"), std::ios::app) << "role\n";
    return 0;
}
const test::ChildRole g_markRole{"child-role-mark", &lf_markRole};

int lf_sleepForever(const test::RoleArgs&)
{
    for (;;)
        pause();
}
const test::ChildRole g_sleepRole{"child-role-sleep", &lf_sleepForever};

// Starts a sleeping child of its own, says its number and ends at once, as a test program that dies.
int lf_orphanAChild(const test::RoleArgs& args)
{
    test::RoleChild sleeper(g_sleepRole);
    const pid_t pid = sleeper.pid();
    if (write(args.fd("out"), &pid, sizeof pid) != sizeof pid)
        _exit(1);
    _exit(0);
}
const test::ChildRole g_orphanRole{"child-role-orphan", &lf_orphanAChild};

TEST(ChildRole, ChildGetsItsValuesAndDescriptorsAndGivesItsExitCode)
{
    test::Pipe out;
    test::RoleChild child(g_echoRole, test::RoleStart().value("text", "a value\twith blanks").hand("out", out.writeEnd()));
    out.closeWriteEnd();
    EXPECT_EQ(child.waitForExit(std::chrono::seconds(60)), 7);
    char text[64]{};
    EXPECT_EQ(read(out.readEnd(), text, sizeof text - 1), 19);
    EXPECT_STREQ(text, "a value\twith blanks");
}

TEST(ChildRole, ChildStartsAsAFreshProcess)
{
    int leaked[2];
    ASSERT_EQ(pipe(leaked), 0); // no close-on-exec: only the start's own closing keeps it from the child
    struct sigaction ignore {}, previous {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGUSR1, &ignore, &previous);
    sigset_t usr2, mask;
    sigemptyset(&usr2);
    sigaddset(&usr2, SIGUSR2);
    pthread_sigmask(SIG_BLOCK, &usr2, &mask);
    std::optional<int> inherited;
    {
        test::RoleChild child(g_inheritedRole, test::RoleStart().value("parent_fd", std::to_string(leaked[0])));
        inherited = child.waitForExit(std::chrono::seconds(60));
    }
    pthread_sigmask(SIG_SETMASK, &mask, nullptr);
    sigaction(SIGUSR1, &previous, nullptr);
    close(leaked[0]);
    close(leaked[1]);
    ASSERT_TRUE(inherited);
    ASSERT_LT(*inherited, 16) << "the role did not run";
    for (const auto& [bit, what] : {std::pair{ParentDescriptor, "a descriptor of the test program"},
                                    std::pair{RoleVariables, "the role's variables"},
                                    std::pair{IgnoredSignal, "an ignored signal"},
                                    std::pair{BlockedSignal, "a blocked signal"}})
        EXPECT_EQ(*inherited & bit, 0) << what;
}

// A child that ran this test's body would find the marks file named in its environment.
TEST(ChildRole, ChildRunsTheRoleAndNeverTheTest)
{
    if (const char* marks = std::getenv("TARVO_TEST_ROLE_marks")) {
        std::ofstream(marks, std::ios::app) << "test\n";
        return;
    }
    test::TempDir dir;
    test::RoleChild child(g_markRole, test::RoleStart().value("marks", (dir / "marks").string()));
    EXPECT_EQ(child.waitForExit(std::chrono::seconds(60)), 0);
    EXPECT_EQ(test::readText(dir / "marks"), "role\n");
}

// A child in which no role ran never passes for one that did.
TEST(ChildRole, ChildWithoutItsRoleOrItsTestFails)
{
    const std::string thisTest = "--gtest_filter=ChildRole.ChildWithoutItsRoleOrItsTestFails";
    const struct {
        const char* what;
        std::string filter;
        const char* role;
    } rows[] = {
        {"a role of no name known", thisTest, "child-role-none"},
        {"a test of no name known", "--gtest_filter=ChildRole.NoSuchTest", "child-role-echo"},
    };
    for (const auto& row : rows) {
        test::ChildStart start;
        start.program = "/proc/self/exe";
        start.arguments = {row.filter};
        start.environment = {{"TARVO_TEST_ROLE", row.role}};
        start.quiet = true;
        test::ChildProcess child(start);
        EXPECT_EQ(child.waitForExit(std::chrono::seconds(60)), test::kRoleNotRun) << row.what;
    }
}

// The thread that started a child ends (here its whole process): the child ends with it.
TEST(ChildRole, ChildOfAnEndedTestProgramEnds)
{
    test::Pipe out;
    test::RoleChild child(g_orphanRole, test::RoleStart().hand("out", out.writeEnd()));
    out.closeWriteEnd();
    pid_t sleeper = 0;
    ASSERT_EQ(read(out.readEnd(), &sleeper, sizeof sleeper), static_cast<ssize_t>(sizeof sleeper));
    ASSERT_EQ(child.waitForExit(std::chrono::seconds(60)), 0);
    // Gone, or a zombie not yet reaped by whoever took it over.
    const auto gone = [sleeper] {
        std::ifstream stat("/proc/" + std::to_string(sleeper) + "/stat");
        std::string pid, name, state;
        return !(stat >> pid >> name >> state) || state == "Z";
    };
    const auto guard = std::chrono::steady_clock::now() + test::guardTime(std::chrono::seconds(20));
    while (!gone() && std::chrono::steady_clock::now() < guard)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_TRUE(gone()) << "the orphaned child still runs";
    if (!gone())
        kill(sleeper, SIGKILL);
}

} // namespace
} // namespace zyn
