#include "platform/win32/close_signals.h"

#include "platform/win32/window_state.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <thread>

namespace zyn {
namespace {

constexpr char kSignalled = 1;
constexpr char kStop = 0;
constexpr int kSignals[] = {SIGINT, SIGTERM};

std::mutex g_watchMutex; // guards starting and stopping
int g_pipe[2] = {-1, -1};
std::atomic<int> g_signalWriteEnd{-1}; // what the handler writes to; lock-free, so signal safe
struct sigaction g_previous[2];
std::thread g_watcher;

void lf_onSignal(int)
{
    const int saved = errno;
    const char byte = kSignalled;
    const int fd = g_signalWriteEnd.load();
    if (fd >= 0 && write(fd, &byte, 1) < 0) {
        // a full pipe already holds a wake-up
    }
    errno = saved;
}

void lf_watch(int readEnd)
{
    char byte = kStop;
    for (;;) {
        const auto got = read(readEnd, &byte, 1);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0 || byte == kStop)
            return;
        window_layer::gf_closeTopLevelWindows();
    }
}

void lf_closePipe()
{
    g_signalWriteEnd = -1;
    for (int& fd : g_pipe) {
        if (fd >= 0)
            close(fd);
        fd = -1;
    }
}

} // namespace

bool gf_startCloseOnSignals()
{
    std::lock_guard lock(g_watchMutex);
    if (g_watcher.joinable())
        return true;
    if (pipe2(g_pipe, O_CLOEXEC) != 0)
        return false;
    fcntl(g_pipe[1], F_SETFL, O_NONBLOCK);
    g_signalWriteEnd = g_pipe[1];
    struct sigaction action {};
    action.sa_handler = lf_onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 2; ++i) {
        if (sigaction(kSignals[i], &action, &g_previous[i]) != 0) {
            for (int j = 0; j < i; ++j)
                sigaction(kSignals[j], &g_previous[j], nullptr);
            lf_closePipe();
            return false;
        }
    }
    g_watcher = std::thread(lf_watch, g_pipe[0]);
    return true;
}

void gf_stopCloseOnSignals()
{
    std::lock_guard lock(g_watchMutex);
    if (!g_watcher.joinable())
        return;
    for (int i = 0; i < 2; ++i)
        sigaction(kSignals[i], &g_previous[i], nullptr);
    const char byte = kStop;
    while (write(g_pipe[1], &byte, 1) < 0 && errno == EINTR) {
    }
    g_watcher.join();
    lf_closePipe();
}

} // namespace zyn
