#pragma once
// Time-outs that guard a test against a hang. The sanitizers slow the program several times over,
// and a loaded two-core machine slows it further, so the guards stretch with the build; no test
// waits for them to pass.
#include <chrono>

namespace zyn::test {

#if defined(__SANITIZE_THREAD__)
inline constexpr int kGuardScale = 6;
#elif defined(__SANITIZE_ADDRESS__)
inline constexpr int kGuardScale = 4;
#else
inline constexpr int kGuardScale = 1;
#endif

template <typename Duration> constexpr Duration guardTime(Duration d) { return d * kGuardScale; }

} // namespace zyn::test
