// The airport data's hot paths: the closest-airport query over a full database, and reading a large
// airport's parking file with its learned file, side by side with pugixml's own parse of the same
// two files and with that parse plus one walk over every element and attribute: the floor of any
// reader built on the document.
#include "airport/airports.h"
#include "airport/apf_read.h"
#include "airport/park_airport_state.h"
#include "base/path_text.h"
#include "tests/support/temp_dir.h"
#include "tools/airport_gen.h"

#include <benchmark/benchmark.h>
#include <pugixml.hpp>

#include <random>

namespace {

using namespace zyn;
namespace fs = std::filesystem;

constexpr std::size_t kAirports = 40000;
constexpr std::size_t kStands = 1000;
constexpr std::size_t kLearnedOptions = 5000;
constexpr char kStockFile[] = "airports/my_thirdparty/BNCH.xml";
constexpr char kLearnedFile[] = "airports/learned/thirdparty/Bench Maker/BNCH.xml";

// A program folder with a full airports database and one large airport's files, made once.
class AirportData {
public:
    AirportData()
    {
        const fs::path previous = fs::current_path();
        fs::current_path(m_dir.path());
        m_airports = tools::gf_generateAirports(kAirports, 11);
        fs::create_directories("input");
        test::writeText("input/airports_msfs.xml", tools::gf_airportsXml(m_airports));
        install();
        const tools::StandLayout layout{.gates = kStands, .rampStands = 0, .cargoStands = 0, .helipads = 0,
                                        .optionsPerStand = 2, .seed = 3};
        const auto stock = tools::gf_stockApf("Bench field", "Bench Maker", {47.0, 8.0}, 1400, layout);
        tools::gf_writeApfSpec(stock, kStockFile);
        tools::gf_writeApfSpec(tools::gf_learnedApf(stock, kLearnedOptions, 0, 4), kLearnedFile);
        fs::current_path(previous);
    }
    const fs::path& folder() const { return m_dir.path(); }
    const std::vector<tools::GeneratedAirport>& airports() const { return m_airports; }
    // Reads its database in again (another benchmark may have read another one).
    void install() const
    {
        const test::ScopedCwd cwd(m_dir.path());
        gf_resetAirports();
        gf_readAirports();
    }

private:
    test::TempDir m_dir;
    std::vector<tools::GeneratedAirport> m_airports;
};

const AirportData& lf_airportData()
{
    static const AirportData data;
    return data;
}

void BM_ClosestAirportOf40000(benchmark::State& state)
{
    const auto& data = lf_airportData();
    if (g_airports.size() != kAirports)
        data.install();
    if (g_airports.size() != kAirports) {
        state.SkipWithError("the airports database was not read");
        return;
    }
    // Positions around airports, where the question is asked: on the ground or on approach.
    std::mt19937 random(5);
    std::vector<LatLon> positions;
    for (int i = 0; i < 4096; ++i) {
        const auto& a = data.airports()[random() % data.airports().size()];
        positions.push_back({a.lat + std::uniform_real_distribution<double>(-0.1, 0.1)(random),
                             a.lon + std::uniform_real_distribution<double>(-0.1, 0.1)(random)});
    }
    std::size_t i = 0, found = 0;
    for (auto _ : state) {
        const NearAirports near = gf_nearAirports(positions[i++ % positions.size()]);
        found += near.best.has_value();
        benchmark::DoNotOptimize(near);
    }
    state.counters["found_share"] = static_cast<double>(found) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ClosestAirportOf40000);

// gf_readApf of the large airport: parse, stands, learned merge, numbering, overlaps, quality factor.
void BM_ReadApf1000StandsWith5000LearnedOptions(benchmark::State& state)
{
    const auto& data = lf_airportData();
    const test::ScopedCwd cwd(data.folder());
    gf_setParkAirport({"BNCH", "", 47.0, 8.0, 1400.0});
    std::vector<ParkPos> stands;
    stands.reserve(2 * kStands);
    std::size_t options = 0;
    for (auto _ : state) {
        stands.clear();
        ApfFileInfo info;
        std::uint64_t quality = 0;
        if (gf_readApf(kStockFile, info, quality, stands) != "" || stands.size() != kStands) {
            state.SkipWithError("the parking file was not read whole");
            return;
        }
        options = 0;
        for (const auto& s : stands)
            options += s.options.size();
    }
    state.counters["stands"] = static_cast<double>(stands.size());
    state.counters["options"] = static_cast<double>(options);
    gf_setParkAirport({});
}
BENCHMARK(BM_ReadApf1000StandsWith5000LearnedOptions)->Unit(benchmark::kMillisecond);

// Loads the two files with pugixml for every iteration and hands both documents to use.
template <typename Use> void lf_loadBothFiles(benchmark::State& state, Use use)
{
    const auto& data = lf_airportData();
    const test::ScopedCwd cwd(data.folder());
    for (auto _ : state) {
        pugi::xml_document stock;
        pugi::xml_document learned;
        if (!stock.load_file(kStockFile) || !learned.load_file(kLearnedFile)) {
            state.SkipWithError("the files could not be loaded");
            return;
        }
        use(stock, learned);
    }
}

// pugixml alone, loading the same two files: what the reading above is measured against.
void BM_PugixmlLoadOfTheSameTwoFiles(benchmark::State& state)
{
    lf_loadBothFiles(state, [](const pugi::xml_document& stock, const pugi::xml_document& learned) {
        benchmark::DoNotOptimize(stock.first_child());
        benchmark::DoNotOptimize(learned.first_child());
    });
}
BENCHMARK(BM_PugixmlLoadOfTheSameTwoFiles)->Unit(benchmark::kMillisecond);

// The program folder's shipped airports database in a folder of its own, as the start-up reads it.
class ShippedDatabase {
public:
    ShippedDatabase()
    {
        fs::create_directories(m_dir.path() / "input");
        fs::copy_file(gf_pathFromUtf8(TARVO_SOURCE_DIR) / "dist/input/airports_msfs.xml",
                      m_dir.path() / "input/airports_msfs.xml", fs::copy_options::overwrite_existing);
    }
    const fs::path& folder() const { return m_dir.path(); }

private:
    test::TempDir m_dir;
};

const ShippedDatabase& lf_shippedDatabase()
{
    static const ShippedDatabase database;
    return database;
}

// The start-up's read of the shipped database: load, every entry checked, sorted by code, indexed.
void BM_StartupReadOfShippedAirports(benchmark::State& state)
{
    const test::ScopedCwd cwd(lf_shippedDatabase().folder());
    try {
        for (auto _ : state) {
            gf_resetAirports();
            if (!gf_readAirports()) {
                state.SkipWithError("the shipped airports database is empty");
                break;
            }
        }
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
    }
    state.counters["airports"] = static_cast<double>(g_airports.size());
    gf_resetAirports();
}
BENCHMARK(BM_StartupReadOfShippedAirports)->Unit(benchmark::kMillisecond);

// pugixml alone, loading the same file: what the read above is measured against.
void BM_PugixmlLoadOfShippedAirports(benchmark::State& state)
{
    const test::ScopedCwd cwd(lf_shippedDatabase().folder());
    for (auto _ : state) {
        pugi::xml_document document;
        if (!document.load_file("input/airports_msfs.xml")) {
            state.SkipWithError("the shipped airports database could not be loaded");
            return;
        }
        benchmark::DoNotOptimize(document.first_child());
    }
}
BENCHMARK(BM_PugixmlLoadOfShippedAirports)->Unit(benchmark::kMillisecond);

// Every element's name and every attribute's name and value looked at once, depth first.
std::size_t lf_walkEveryAttribute(pugi::xml_node node)
{
    std::size_t seen = 0;
    for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
        seen += static_cast<unsigned char>(child.name()[0]);
        for (pugi::xml_attribute a = child.first_attribute(); a; a = a.next_attribute())
            seen += static_cast<unsigned char>(a.name()[0]) + static_cast<unsigned char>(a.value()[0]);
        seen += lf_walkEveryAttribute(child);
    }
    return seen;
}

// The same load and one walk over what was loaded: what the reading above is held to.
void BM_PugixmlLoadAndWalkOfTheSameTwoFiles(benchmark::State& state)
{
    lf_loadBothFiles(state, [](const pugi::xml_document& stock, const pugi::xml_document& learned) {
        benchmark::DoNotOptimize(lf_walkEveryAttribute(stock));
        benchmark::DoNotOptimize(lf_walkEveryAttribute(learned));
    });
}
BENCHMARK(BM_PugixmlLoadAndWalkOfTheSameTwoFiles)->Unit(benchmark::kMillisecond);

} // namespace
