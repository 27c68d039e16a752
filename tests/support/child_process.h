#pragma once
// Runs a program as a child process in a folder of its own, with extra environment variables.
#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <sys/types.h>

namespace zyn::test {

class ChildProcess {
public:
    ChildProcess(const std::filesystem::path& program, const std::filesystem::path& folder,
                 const std::map<std::string, std::string>& environment);
    ~ChildProcess(); // kills a child that still runs
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // The exit code once the child has ended, nothing when it still runs after the time-out.
    std::optional<int> waitForExit(std::chrono::seconds timeout); // stretched under the sanitizers
    void signal(int number);

private:
    pid_t m_pid = -1;
    std::optional<int> m_exitCode;
};

} // namespace zyn::test
