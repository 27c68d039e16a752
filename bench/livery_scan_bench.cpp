// The search of one large AI traffic package (20,000 liveries in 2,000 aircraft.cfg files among
// some 90,000 folder entries) beside a plain walk of the same tree that reads every aircraft.cfg on
// one thread, what `find -name aircraft.cfg | xargs cat` does: the floor of any scan. The tree is
// written once into a temporary folder and stays in the page cache, as on a second start.
#include "base/workers.h"
#include "bench/brief_run.h"
#include "bench/raw_read.h"
#include "livery/folder_search.h"
#include "livery/scan_reports.h"
#include "tests/support/dbase_fixture.h"
#include "tests/support/temp_dir.h"
#include "tools/livery_tree.h"

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace zyn;
namespace fs = std::filesystem;

constexpr int kTreeLiveries = 20000;
constexpr int kBriefTreeLiveries = 500;

struct LiveryTree {
    LiveryTree() : shape{bench::briefOr(kTreeLiveries, kBriefTreeLiveries)}, package(tools::gf_writeLiveryTree(dir.path(), shape)) {}
    int files() const { return (shape.liveries + shape.liveriesPerModel - 1) / shape.liveriesPerModel; }

    test::TempDir dir;
    tools::LiveryTreeShape shape;
    fs::path package;
};

// Written at its first use, so that a run without these benchmarks does not pay for it.
const LiveryTree& lf_tree()
{
    static const LiveryTree tree;
    return tree;
}

void BM_LiveryScanOfLargePackage(benchmark::State& state)
{
    const LiveryTree& tree = lf_tree();
    const test::ScopedDbase dbase{test::dbaseWith(tools::gf_liveryTreeTypes(), tools::gf_liveryTreeAirlines())};
    gf_resetWorkers();
    std::string failed; // outlives the loop: the library may keep the text's address
    for (auto _ : state) {
        lf_searchLiveriesInFolder(1, tree.package);
        state.PauseTiming();
        const std::size_t found = g_scannedLiveries.size();
        g_scannedLiveries.clear();
        gf_clearLiveryLists();
        state.ResumeTiming();
        if (found != static_cast<std::size_t>(tree.shape.liveries)) {
            failed = fmt::format("{} of {} liveries found", found, tree.shape.liveries);
            state.SkipWithError(failed.c_str());
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * tree.shape.liveries);
    state.counters["workers"] = g_workersMax;
}
BENCHMARK(BM_LiveryScanOfLargePackage)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RawReadOfLargePackage(benchmark::State& state)
{
    const LiveryTree& tree = lf_tree();
    std::vector<char> buffer(128 * 1024);
    for (auto _ : state) {
        const auto isCfg = [](const fs::path& path) { return path.filename() == "aircraft.cfg"; };
        if (bench::walkAndRead(tree.package, isCfg, buffer) != static_cast<std::size_t>(tree.files())) {
            state.SkipWithError("the walk did not read every aircraft.cfg");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * tree.shape.liveries);
}
BENCHMARK(BM_RawReadOfLargePackage)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
