#pragma once
// On Windows another program may hold a file open for a moment right after it was written (a virus
// scanner, the search indexer, a cloud sync), and a rename or replace that touches it, or the folder
// holding it, then fails although nothing is wrong. Such a step is tried again with growing waits
// before its failure is taken as real.
#include <chrono>
#include <functional>

namespace zyn {

// The waits between the tries of one step add up to at most this much.
inline constexpr std::chrono::milliseconds kLockPatience{3000};

// How a wait is spent; tests put their own in (nullptr: the thread sleeps).
using LockWait = void (*)(std::chrono::milliseconds);
void gf_setLockWait(LockWait wait);

// Runs step, which returns 0 on success or its error code, until it succeeds, fails with an error
// that locked() does not take for a lock, or the waits have reached kLockPatience. Returns the last
// result.
unsigned long gf_retryWhileLocked(const std::function<unsigned long()>& step, bool (*locked)(unsigned long));

} // namespace zyn
