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

class LockRetry : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_waits.clear();
        gf_setLockWait(&lf_recordWait);
    }
    void TearDown() override { gf_setLockWait(nullptr); }
};

TEST_F(LockRetry, StepsAreTriedAgainOnlyWhileLocked)
{
    struct Case {
        const char* what;
        std::vector<unsigned long> results; // of the tries in turn; the last one repeats
        unsigned long expected;
        std::size_t tries;
    };
    const Case cases[] = {
        {"done at once", {0}, 0, 1},
        {"a lock that passes", {kLocked, kLocked, 0}, 0, 3},
        {"another error is reported at once", {kDenied}, kDenied, 1},
        {"a lock, then another error", {kLocked, kDenied}, kDenied, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        g_waits.clear();
        std::size_t tries = 0;
        const unsigned long result = gf_retryWhileLocked(
            [&] { return c.results[std::min(tries++, c.results.size() - 1)]; }, &lf_isLocked);
        EXPECT_EQ(result, c.expected);
        EXPECT_EQ(tries, c.tries);
        EXPECT_EQ(g_waits.size(), c.tries - 1);
    }
}

TEST_F(LockRetry, ALockThatStaysIsReportedAfterThePatience)
{
    std::size_t tries = 0;
    EXPECT_EQ(gf_retryWhileLocked([&] { return ++tries, kLocked; }, &lf_isLocked), kLocked);
    ASSERT_FALSE(g_waits.empty());
    EXPECT_EQ(std::accumulate(g_waits.begin(), g_waits.end(), milliseconds{0}), kLockPatience);
    EXPECT_EQ(tries, g_waits.size() + 1); // a last try after the last wait
    // The waits grow from short ones, for the usual lock of a few milliseconds, and stay bounded.
    EXPECT_LT(g_waits.front(), milliseconds{20});
    EXPECT_LE(*std::max_element(g_waits.begin(), g_waits.end()), milliseconds{500});
}

} // namespace
} // namespace zyn
