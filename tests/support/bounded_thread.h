#pragma once
// A thread of the program run by a test. Joining it is bounded: a thread that has not ended within
// the bound fails the test, naming what it ran, and ends the test process at once, so that a hang
// shows as a clear failure instead of holding the test run until ctest's time-out. Leaving the
// scope (an ASSERT that failed included) raises the thread's stop flag and joins it.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

namespace zyn::test {

class BoundedThread {
public:
    static constexpr auto kJoinBound = std::chrono::seconds(30);

    // stop, when given, is raised by the destructor before it joins.
    BoundedThread(std::string what, std::function<void()> body, std::atomic<std::uint8_t>* stop = nullptr,
                  std::chrono::milliseconds joinBound = kJoinBound);
    ~BoundedThread();
    BoundedThread(const BoundedThread&) = delete;
    BoundedThread& operator=(const BoundedThread&) = delete;

    void join();
    bool ended() const { return m_ended.load(); }

private:
    std::string m_what;
    std::atomic<std::uint8_t>* m_stop;
    std::chrono::milliseconds m_joinBound;
    std::atomic<bool> m_ended{false};
    std::thread m_thread;
};

} // namespace zyn::test
