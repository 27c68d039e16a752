#include "tests/support/bounded_thread.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace zyn::test {

BoundedThread::BoundedThread(std::string what, std::function<void()> body, std::atomic<std::uint8_t>* stop,
                             std::chrono::milliseconds joinBound)
    : m_what(std::move(what)), m_stop(stop), m_joinBound(joinBound)
{
    m_thread = std::thread([this, body = std::move(body)] {
        body();
        m_ended.store(true);
    });
}

BoundedThread::~BoundedThread()
{
    if (!m_thread.joinable()) return;
    if (m_stop) m_stop->store(1);
    join();
}

void BoundedThread::join()
{
    // Real time on purpose: the test's clock may be stopped or replaced.
    const auto end = std::chrono::steady_clock::now() + m_joinBound;
    while (!m_ended.load() && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (!m_ended.load()) {
        const std::string text = m_what + " did not end within " + std::to_string(m_joinBound.count()) + " ms";
        ADD_FAILURE() << text;
        std::fprintf(stderr, "%s\n", text.c_str());
        std::fflush(stdout);
        std::fflush(stderr);
        std::_Exit(EXIT_FAILURE); // the thread still uses the test's objects: no orderly exit is safe
    }
    m_thread.join();
}

} // namespace zyn::test
