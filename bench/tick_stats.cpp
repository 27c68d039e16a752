#include "bench/tick_stats.h"

#include <algorithm>
#include <numeric>

namespace zyn::bench {

void reportTickTimes(benchmark::State& state, std::vector<double>& micros, const std::string& prefix)
{
    if (micros.empty())
        return;
    std::sort(micros.begin(), micros.end());
    state.counters[prefix + "mean_us"] = std::accumulate(micros.begin(), micros.end(), 0.0) / double(micros.size());
    state.counters[prefix + "median_us"] = micros[micros.size() / 2];
    state.counters[prefix + "p99_us"] = micros[micros.size() * 99 / 100];
    state.counters[prefix + "max_us"] = micros.back();
}

} // namespace zyn::bench
