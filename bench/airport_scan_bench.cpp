// The add-on airport scan of a Community folder (packages of four BGL files, a quarter of them with
// an airport, the rest scenery without one): the search, the staged files and their publish in place
// of the previous scan's, which stay from one run to the next as between two starts: unchanged (the
// usual rescan), or every one of them changed. Beside it one
// thread reading every file of the same tree once: the floor of any scan. At 200 and 2,000 files, to
// show how the scan grows. The tree is written once per size and stays in the page cache, as on a
// second start.
#include "airport/airport_scan.h"
#include "airport/airports.h"
#include "airport/scan_log.h"
#include "base/folders.h"
#include "base/workers.h"
#include "bench/brief_run.h"
#include "bench/raw_read.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"
#include "tools/bgl_writer.h"

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include <filesystem>
#include <map>
#include <memory>
#include <vector>

namespace {

using namespace zyn;
namespace fs = std::filesystem;

constexpr int kFilesPerPackage = 4;

struct AddonTree {
    explicit AddonTree(int files)
    {
        const fs::path community = dir / "Community";
        for (int p = 0; p < files / kFilesPerPackage; ++p) {
            const std::string folder = fmt::format("vendor-scenery-{:04}", p);
            const std::string code = fmt::format("Z{:03}", p % 1000);
            tools::gf_writeAirportPackage(community, {folder, folder, "", "", "airport.bgl"},
                                          {.airports = {tools::gf_bglAirport(code, 40.0 + p * 0.01, 10.0, 24)}});
            for (int f = 1; f < kFilesPerPackage; ++f)
                tools::gf_writeBglFile({.airportSection = false, .otherRecords = 400},
                                       community / folder / "scenery" / fmt::format("objects{}.bgl", f));
        }
    }
    test::TempDir dir;
};

const AddonTree& lf_addonTree(int files)
{
    static std::map<int, std::unique_ptr<AddonTree>> trees;
    auto& tree = trees[files];
    if (!tree)
        tree = std::make_unique<AddonTree>(files);
    return *tree;
}

int lf_files(const benchmark::State& state) { return bench::briefOr(static_cast<int>(state.range(0)), 40); }

// The files of the published thirdparty folder; the scan's log goes, as the report would take it.
std::ptrdiff_t lf_publishedFiles()
{
    gf_resetScanLog();
    return std::distance(fs::directory_iterator(g_myThirdpartyPath), fs::directory_iterator());
}

// Rescans of the generated tree, the previous scan's results in place; before each, outside the
// timing, change(run) may alter what the scan will find.
template <typename Change> void lf_rescans(benchmark::State& state, Change change)
{
    const int files = lf_files(state);
    const AddonTree& tree = lf_addonTree(files);
    const test::ScopedCwd cwd(tree.dir.path());
    // The scan's asks for stock files go to a closed loopback port: no benchmark waits for the network.
    const test::ScopedEnv noServer("TARVO_DOWNLOAD_URL", "http://127.0.0.1:1/downloads/");
    const std::vector<fs::path> community{tree.dir / "Community"};
    gf_resetWorkers();
    lf_scanAndPublish(community); // the previous scan's results
    lf_publishedFiles();
    int run = 0;
    for (auto _ : state) {
        state.PauseTiming();
        change(++run, files);
        state.ResumeTiming();
        lf_scanAndPublish(community);
        state.PauseTiming();
        const auto published = lf_publishedFiles();
        state.ResumeTiming();
        if (published != files / kFilesPerPackage) {
            state.SkipWithError("not every airport was published");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * files);
    state.counters["workers"] = g_workersMax;
}

void BM_AirportScanOfCommunity(benchmark::State& state)
{
    lf_rescans(state, [](int, int) {});
}
BENCHMARK(BM_AirportScanOfCommunity)->Arg(200)->Arg(2000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same scan with every result unlike the previous one's (the airports renamed between the runs):
// every file written anew, flushed and swapped in, the previous ones removed.
void BM_AirportScanOfChangedCommunity(benchmark::State& state)
{
    lf_rescans(state, [](int run, int files) {
        for (int p = 0; p < files / kFilesPerPackage; ++p)
            g_airportNames[fmt::format("Z{:03}", p % 1000)] = fmt::format("Field {}", run);
    });
    g_airportNames.clear();
}
BENCHMARK(BM_AirportScanOfChangedCommunity)->Arg(200)->Arg(2000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RawReadOfCommunity(benchmark::State& state)
{
    const int files = lf_files(state);
    const AddonTree& tree = lf_addonTree(files);
    std::vector<char> buffer(128 * 1024);
    for (auto _ : state) {
        const auto isBgl = [](const fs::path& path) { return path.extension() == ".bgl"; };
        const std::size_t read = bench::walkAndRead(tree.dir / "Community", isBgl, buffer);
        if (read != static_cast<std::size_t>(files)) {
            state.SkipWithError("the walk did not read every file");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * files);
}
BENCHMARK(BM_RawReadOfCommunity)->Arg(200)->Arg(2000)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
