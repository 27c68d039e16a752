#include "platform/system/lock_retry.h"

#include <gtest/gtest.h>

#include <chrono>
#include <numeric>
#include <vector>

namespace zyn {
namespace {

using std::chrono::milliseconds;

constexpr unsigned long kLocked = 32;
constexpr unsigned long kDenied = 5;

std::vector<milliseconds> g_waits;

void lf_recordWait(milliseconds wait) { g_waits.push_back(wait); }

bool lf_isLocked(unsigned long error) { return error == kLocked; }

// The results of a step's tries in turn (the last one repeats): what is reported and how long it
// waited in all. A lock that passes costs little; one that stays is reported after the patience.
TEST(LockRetry, StepsAreTriedAgainOnlyWhileLocked)
{
    gf_setLockWait(&lf_recordWait);
    const struct {
        const char* what;
        std::vector<unsigned long> results;
        unsigned long reported;
        milliseconds waited;
    } cases[] = {
        {"done at once", {0}, 0, milliseconds{0}},
        {"a lock that passes", {kLocked, kLocked, 0}, 0, milliseconds{15}},
        {"another error is reported at once", {kDenied}, kDenied, milliseconds{0}},
        {"a lock, then another error", {kLocked, kDenied}, kDenied, milliseconds{5}},
        {"a lock that stays", {kLocked}, kLocked, kLockPatience},
    };
    for (const auto& c : cases) {
        g_waits.clear();
        std::size_t tries = 0;
        const unsigned long reported = gf_retryWhileLocked(
            [&] { return c.results[std::min(tries++, c.results.size() - 1)]; }, &lf_isLocked);
        EXPECT_EQ(reported, c.reported) << c.what;
        EXPECT_EQ(std::accumulate(g_waits.begin(), g_waits.end(), milliseconds{0}), c.waited) << c.what;
        EXPECT_EQ(tries, g_waits.size() + 1) << c.what; // a try after every wait, the last one included
    }
    gf_setLockWait(nullptr);
}

} // namespace
} // namespace zyn
