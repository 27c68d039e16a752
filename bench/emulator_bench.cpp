// The emulated simulator must not be what slows a test or a run down: one frame's position sets for
// every AI aircraft plus a dispatch should take a small part of the 33 ms of a frame.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench/emulated_link.h"
#include "platform/simconnect/emulator.h"

namespace {

namespace emu = zyn::simemu;

void BM_FrameOfPositionSets(benchmark::State& state)
{
    emu::reset(zyn::bench::instantScenario());
    HANDLE h = nullptr;
    SimConnect_Open(&h, "Bench", nullptr, 0, nullptr, 0);
    for (const char* v : {"Plane Latitude", "Plane Longitude", "Plane Pitch degrees", "Plane Bank degrees",
                          "Plane Heading degrees true", "Plane Altitude", "Vertical Speed", "Airspeed True"})
        SimConnect_AddToDataDefinition(h, 402, v, "degree");
    SimConnect_SubscribeToSystemEvent(h, 204, "Frame");
    std::vector<DWORD> ids;
    for (int i = 0; i < state.range(0); ++i) {
        SIMCONNECT_DATA_INITPOSITION at{47.4 + i * 1e-4, 8.5, 3000, 0, 0, 0, 0, 200};
        SimConnect_AICreateNonATCAircraft(h, "Title", "BENCH", at, 104);
    }
    for (const auto& o : emu::objects())
        if (!o.isUser)
            ids.push_back(o.id);
    if (ids.size() != static_cast<std::size_t>(state.range(0)))
        state.SkipWithError("the emulator did not create every object");
    double block[8] = {47.4, 8.5, 0, 0, 0, 3000, 0, 200};
    const auto ignore = [](SIMCONNECT_RECV*, DWORD, void*) {};
    for (auto _ : state) {
        for (DWORD id : ids) {
            block[1] += 1e-6;
            SimConnect_SetDataOnSimObject(h, 402, id, 0, 0, sizeof(block), block);
        }
        SimConnect_CallDispatch(h, ignore, nullptr);
    }
    if (!ids.empty() && emu::object(ids.back())->dataSets.empty())
        state.SkipWithError("the emulator refused the position sets");
    state.SetItemsProcessed(state.iterations() * state.range(0));
    SimConnect_Close(h);
}
BENCHMARK(BM_FrameOfPositionSets)->Arg(50)->Arg(300)->Arg(1000)->Unit(benchmark::kMicrosecond);

} // namespace
