#include "tests/support/child_process.h"

#include "tests/support/guard_time.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <system_error>
#include <thread>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace zyn::test {

namespace {

constexpr int kFirstHanded = 3;

// What the child needs between the fork and the exec, made before the fork.
struct Prepared {
    std::string program;
    std::string folder;
    std::vector<std::string> argumentTexts;
    std::vector<char*> argv;
    std::vector<std::string> entries;
    std::vector<char*> envp;
    std::vector<int> handed;
    std::vector<int> moved; // the handed descriptors' copies above the slots they go to
    int devNull = -1;
    int maxDescriptor = 0;
    pid_t parent = 0;
};

// The child's part: only calls that a signal handler may make, nothing that allocates or locks.
[[noreturn]] void lf_execPrepared(Prepared& p) noexcept
{
    // Ends with the thread that forked it; a parent gone before that was set leaves it alone.
    if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != p.parent)
        _exit(127);
    struct sigaction fresh {};
    fresh.sa_handler = SIG_DFL;
    for (int number = 1; number < NSIG; ++number)
        sigaction(number, &fresh, nullptr); // an ignored signal would stay ignored across the exec
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    if (p.devNull >= 0 && dup2(p.devNull, STDOUT_FILENO) < 0)
        _exit(127);
    // Each handed descriptor is first copied above the slots, so that none overwrites another.
    const int slots = static_cast<int>(p.handed.size());
    for (int i = 0; i < slots; ++i)
        if ((p.moved[i] = fcntl(p.handed[i], F_DUPFD, kFirstHanded + slots)) < 0)
            _exit(127);
    for (int i = 0; i < slots; ++i)
        if (dup2(p.moved[i], kFirstHanded + i) < 0)
            _exit(127);
    if (close_range(kFirstHanded + slots, ~0U, 0) != 0)
        for (int fd = kFirstHanded + slots; fd < p.maxDescriptor; ++fd)
            close(fd);
    if (!p.folder.empty() && chdir(p.folder.c_str()) != 0)
        _exit(127);
    execve(p.program.c_str(), p.argv.data(), p.envp.data());
    _exit(127);
}

} // namespace

ChildProcess::ChildProcess(const ChildStart& start)
{
    Prepared p;
    p.program = start.program.string();
    p.folder = start.folder.string();
    p.argumentTexts.push_back(p.program);
    p.argumentTexts.insert(p.argumentTexts.end(), start.arguments.begin(), start.arguments.end());
    for (auto& text : p.argumentTexts)
        p.argv.push_back(text.data());
    p.argv.push_back(nullptr);

    std::map<std::string, std::string> merged;
    for (char** e = environ; *e; ++e) {
        const std::string entry(*e);
        const auto eq = entry.find('=');
        merged[entry.substr(0, eq)] = eq == std::string::npos ? "" : entry.substr(eq + 1);
    }
    for (const auto& name : start.unset)
        merged.erase(name);
    for (const auto& [name, value] : start.environment)
        merged[name] = value;
    for (const auto& [name, value] : merged)
        p.entries.push_back(name + "=" + value);
    for (auto& entry : p.entries)
        p.envp.push_back(entry.data());
    p.envp.push_back(nullptr);

    p.handed = start.handed;
    p.moved.resize(p.handed.size());
    if (start.quiet && (p.devNull = open("/dev/null", O_WRONLY | O_CLOEXEC)) < 0)
        throw std::system_error(errno, std::generic_category(), "open /dev/null");
    rlimit files{};
    p.maxDescriptor = getrlimit(RLIMIT_NOFILE, &files) == 0 ? static_cast<int>(std::min<rlim_t>(files.rlim_cur, 65536))
                                                            : 65536;
    p.parent = getpid();

    m_pid = fork();
    if (m_pid == 0)
        lf_execPrepared(p);
    const int forkError = errno;
    if (p.devNull >= 0)
        close(p.devNull);
    if (m_pid < 0)
        throw std::system_error(forkError, std::generic_category(), "fork");
}

ChildProcess::ChildProcess(const std::filesystem::path& program, const std::filesystem::path& folder,
                           const std::map<std::string, std::string>& environment)
    : ChildProcess([&] {
          ChildStart start;
          start.program = program;
          start.folder = folder;
          start.environment = environment;
          return start;
      }())
{
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
        if (done == m_pid) {
            if (WIFSIGNALED(status))
                m_endSignal = WTERMSIG(status);
            m_exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        } else if (std::chrono::steady_clock::now() > deadline)
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
