// One tick of position sets through the link: the main loop fills the buffer without a lock and swaps
// it, the frame drain sends it. The tick side must not allocate once the buffers have grown, and the
// whole pass must stay a small part of the 10 ms tick.
#include "bench/allocation_counter.h"
#include "bench/emulated_link.h"
#include "platform/simconnect/emulator.h"
#include "sim/frame_drain.h"
#include "sim/link_state.h"
#include "sim/queues.h"
#include "sim/registration.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

using namespace zyn;

std::vector<std::uint32_t> lf_createObjects(HANDLE h, int count)
{
    for (int i = 0; i < count; ++i) {
        SIMCONNECT_DATA_INITPOSITION at{47.4 + i * 1e-4, 8.5, 3000, 0, 0, 0, 0, 200};
        SimConnect_AICreateNonATCAircraft(h, "Title", "BENCH", at, 104);
    }
    std::vector<std::uint32_t> ids;
    for (const auto& o : simemu::objects())
        if (!o.isUser)
            ids.push_back(o.id);
    return ids;
}

void lf_fillTick(const std::vector<std::uint32_t>& ids)
{
    for (const auto id : ids) {
        PositionSetRequest set;
        set.objectId = id;
        set.block = {47.4, 8.5, 0, 0, 0, 3000, 0, 200};
        gf_updateAircraft(set);
    }
}

void BM_TickOfPositionSets(benchmark::State& state)
{
    const HANDLE h = bench::openEmulatedLink();
    const auto ids = lf_createObjects(h, static_cast<int>(state.range(0)));
    if (ids.size() != static_cast<std::size_t>(state.range(0)))
        state.SkipWithError("the emulator did not create every object");
    std::uint64_t tickAllocations = 0;
    for (auto _ : state) {
        const auto before = bench::allocationCount();
        lf_fillTick(ids);
        gf_swapPositionSets();
        tickAllocations += bench::allocationCount() - before;
        gf_onFrame();
    }
    if (!ids.empty() && simemu::object(ids.back())->dataSets.empty())
        state.SkipWithError("no position set reached the emulator");
    state.counters["tick_allocations"] =
        benchmark::Counter(static_cast<double>(tickAllocations), benchmark::Counter::kAvgIterations);
    SimConnect_Close(h);
    gf_resetSimLink();
}
BENCHMARK(BM_TickOfPositionSets)->Arg(50)->Arg(300)->Unit(benchmark::kMicrosecond);

} // namespace
