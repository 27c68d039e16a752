#pragma once
// Runs a program as a child process: fork, then exec at once. A forked copy of this threaded program
// may find a lock held for good by a thread that does not exist in it (the allocator's, curl's, the
// sanitizer allocator's), so everything the child needs is made before the fork and the child calls
// only what a signal handler may call until it execs. The child starts as fresh as a program a user
// starts: no descriptor of this process but those handed to it, no blocked or ignored signal; and it
// ends with the thread that started it, so that a test program that dies leaves no child running.
#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>
#include <sys/types.h>

namespace zyn::test {

struct ChildStart {
    std::filesystem::path program;
    std::vector<std::string> arguments;             // after the program's name
    std::filesystem::path folder;                   // its current folder; this process's when empty
    std::map<std::string, std::string> environment; // over this process's own
    std::vector<std::string> unset;                 // variables of this process it does not get
    std::vector<int> handed;                        // open in the child as 3, 4, ... in this order
    bool quiet = false;                             // its standard output goes to /dev/null
};

class ChildProcess {
public:
    explicit ChildProcess(const ChildStart& start); // throws std::system_error when it cannot fork
    ChildProcess(const std::filesystem::path& program, const std::filesystem::path& folder,
                 const std::map<std::string, std::string>& environment);
    ~ChildProcess(); // kills a child that still runs
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // The exit code once the child has ended (128 + the signal that ended it), nothing when it still
    // runs after the time-out (stretched under the sanitizers). 127: the program could not be run.
    std::optional<int> waitForExit(std::chrono::seconds timeout);
    // The signal that ended the child, once waitForExit saw it end by one.
    std::optional<int> endSignal() const { return m_endSignal; }
    void signal(int number);
    pid_t pid() const { return m_pid; }

private:
    pid_t m_pid = -1;
    std::optional<int> m_exitCode;
    std::optional<int> m_endSignal;
};

} // namespace zyn::test
