#include "tests/support/child_process.h"

#include "tests/support/guard_time.h"

#include <csignal>
#include <cstdlib>
#include <stdexcept>
#include <thread>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace zyn::test {

ChildProcess::ChildProcess(const std::filesystem::path& program, const std::filesystem::path& folder,
                           const std::map<std::string, std::string>& environment)
{
    // Everything the child needs is built before the fork: only chdir and exec run in it.
    std::map<std::string, std::string> merged;
    for (char** e = environ; *e; ++e) {
        const std::string entry(*e);
        const auto eq = entry.find('=');
        merged[entry.substr(0, eq)] = eq == std::string::npos ? "" : entry.substr(eq + 1);
    }
    for (const auto& [name, value] : environment)
        merged[name] = value;
    std::vector<std::string> entries;
    for (const auto& [name, value] : merged)
        entries.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (auto& entry : entries)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    const std::string path = program.string();
    const std::string dir = folder.string();
    char* argv[] = {const_cast<char*>(path.c_str()), nullptr};

    m_pid = fork();
    if (m_pid < 0)
        throw std::runtime_error("fork failed");
    if (m_pid == 0) {
        if (chdir(dir.c_str()) == 0)
            execve(path.c_str(), argv, envp.data());
        _exit(127);
    }
}

ChildProcess::~ChildProcess()
{
    if (m_exitCode || m_pid <= 0)
        return;
    kill(m_pid, SIGKILL);
    int status = 0;
    waitpid(m_pid, &status, 0);
}

std::optional<int> ChildProcess::waitForExit(std::chrono::seconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + guardTime(timeout);
    while (!m_exitCode) {
        int status = 0;
        const pid_t done = waitpid(m_pid, &status, WNOHANG);
        if (done == m_pid)
            m_exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        else if (std::chrono::steady_clock::now() > deadline)
            return std::nullopt;
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return m_exitCode;
}

void ChildProcess::signal(int number)
{
    if (!m_exitCode)
        kill(m_pid, number);
}

} // namespace zyn::test
