#include "platform/system/lock_retry.h"

#include <algorithm>
#include <atomic>
#include <thread>

namespace zyn {

namespace {

constexpr std::chrono::milliseconds kFirstWait{5};
constexpr std::chrono::milliseconds kLongestWait{500};

std::atomic<LockWait> g_lockWait{nullptr};

void lf_wait(std::chrono::milliseconds wait)
{
    if (const LockWait own = g_lockWait.load())
        own(wait);
    else
        std::this_thread::sleep_for(wait);
}

} // namespace

void gf_setLockWait(LockWait wait) { g_lockWait = wait; }

unsigned long gf_retryWhileLocked(const std::function<unsigned long()>& step, bool (*locked)(unsigned long))
{
    std::chrono::milliseconds waited{0};
    std::chrono::milliseconds next = kFirstWait;
    for (;;) {
        const unsigned long result = step();
        if (result == 0 || !locked(result) || waited >= kLockPatience)
            return result;
        const std::chrono::milliseconds wait = std::min(next, kLockPatience - waited);
        lf_wait(wait);
        waited += wait;
        next = std::min(2 * next, kLongestWait);
    }
}

} // namespace zyn
