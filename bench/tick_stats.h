#pragma once
// Per-tick figures of the engine benchmarks as Google Benchmark counters.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace zyn::bench {

// Mean, median, 99th percentile and longest of the durations in microseconds, as "<prefix>mean_us",
// "<prefix>median_us", "<prefix>p99_us" and "<prefix>max_us"; the median is the figure that a tick
// lost to another process on a shared machine does not move. Sorts the durations; nothing when
// there are none.
void reportTickTimes(benchmark::State& state, std::vector<double>& micros, const std::string& prefix);

} // namespace zyn::bench
