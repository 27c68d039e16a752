#pragma once
// A test's child process: the test program started anew (fork, then exec: child_process.h), running
// only the test that starts it, in a role of that test's. The role takes the place of the test: it
// runs when the test starts, before its fixture is made, and the process ends with it (_exit: no
// test result, no leak check, nothing of a fixture left behind); the parent test judges what the
// child did. The role's name and what it is handed travel in the child's environment only, never in
// this process's, so no other test sees them.
//
//   int lf_saveForever(const test::RoleArgs& args) { ... write(args.fd("report"), ...) ... }
//   const test::ChildRole g_saveRole{"learned-save", &lf_saveForever};
//   ...
//   test::Pipe report;
//   test::RoleChild child(g_saveRole, test::RoleStart().value("rounds", "3").hand("report", report.writeEnd()));
//   report.closeWriteEnd(); // a child that ends is then seen at the read end
//
// Start a child from the test's own thread: it is killed when the thread that started it ends.
#include "tests/support/child_process.h"

#include <chrono>
#include <map>
#include <optional>
#include <string>

namespace zyn::test {

// The exit code of a child in which no role ran: none of that name, or no test of that name.
inline constexpr int kRoleNotRun = 125;
// The exit code of a child whose role threw (its message goes to standard error).
inline constexpr int kRoleThrew = 124;

// What a role is given: its test's values and handed descriptors, by name.
class RoleArgs {
public:
    explicit RoleArgs(std::map<std::string, std::string> values) : m_values(std::move(values)) {}
    const std::string& value(const std::string& name) const; // throws std::out_of_range naming it
    int fd(const std::string& name) const;

private:
    std::map<std::string, std::string> m_values;
};

using RoleRun = int (*)(const RoleArgs&); // returns the child's exit code

// A role, known to every copy of the test program by its name (unique: a second one ends the program).
// Define it at namespace scope, so that it is known before any test runs.
class ChildRole {
public:
    ChildRole(std::string name, RoleRun run);
    const std::string& name() const { return m_name; }

private:
    std::string m_name;
};

// What a child is given: RoleStart().value("folder", ...).hand("report", fd).
struct RoleStart {
    RoleStart& value(const std::string& name, const std::string& text);
    RoleStart& hand(const std::string& name, int fd); // the child holds it open under that name

    std::map<std::string, std::string> values;
    std::map<std::string, int> handed;
};

// The test program running the current test's role. Its standard output (GoogleTest's lines) goes to
// /dev/null; standard error is this process's.
class RoleChild : public ChildProcess {
public:
    explicit RoleChild(const ChildRole& role, const RoleStart& start = RoleStart());
};

// A pipe between a test and its child. Both ends close on exec: only a child it is handed to gets
// one. Close the handed end here once the child runs, so that the other end sees the child end.
class Pipe {
public:
    Pipe(); // throws std::system_error
    ~Pipe();
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    int readEnd() const { return m_ends[0]; }
    int writeEnd() const { return m_ends[1]; }
    void closeReadEnd();
    void closeWriteEnd();
    // A byte from the read end; nothing once the other end closed or after the time-out (stretched
    // under the sanitizers).
    std::optional<char> readByte(std::chrono::seconds timeout);

private:
    int m_ends[2]{-1, -1};
};

} // namespace zyn::test
