// How long the main loop waits on the line while the park airport's file comes: the longest of its
// park-airport checks on a slow line (the download stand-in's 16 KiB a second) beside the same on a
// fast one (loopback at full speed), and when the stands were read. The checks run as the main loop
// runs them, one after the other (here every 100 ms of real time) until the stands are read.
#include "airport/airports.h"
#include "airport/apf_locations.h"
#include "airport/park_airport_state.h"
#include "airport/park_pos.h"
#include "bench/brief_run.h"
#include "parking/park_airport.h"
#include "parking/session_calls.h"
#include "sim/user_aircraft.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"
#include "tools/airport_gen.h"
#include "tools/download_server.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

namespace {

using namespace zyn;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr char kCode[] = "BNCH";
constexpr char kServed[] = "MSFS/archive/stock/BNCH.xml";
constexpr LatLon kField{47.0, 8.0};

double lf_attribute(const tools::Attributes& attributes, const char* key)
{
    return std::stod(std::ranges::find(attributes, key, &tools::Attributes::value_type::first)->second);
}

void lf_userStandsAt(LatLon at)
{
    UserAcData user;
    user.lat = at.lat;
    user.lon = at.lon;
    g_userAc.set(user);
    g_userAcSim.set(user);
    g_userOnGround = 1;
    g_userDataValid = 1;
}

void BM_MainLoopWaitWhileTheParkAirportFileComes(benchmark::State& state)
{
    const bool slowLine = state.range(0) != 0;
    const test::TempDir program;
    const test::TempDir served;
    const test::ScopedCwd cwd(program.path());
    const test::ScopedEnv config("XDG_CONFIG_HOME", (program.path() / "config").string());
    tools::DownloadServer server(served.path());
    server.start();
    const test::ScopedEnv url("TARVO_DOWNLOAD_URL", server.baseUrl());
    fs::create_directories("input");
    test::writeText("input/airports_msfs.xml",
                    tools::gf_airportsXml({{kCode, "", "Bench field", kField.lat, kField.lon, 1400.0}}));
    gf_resetAirports();
    gf_readAirports();
    tools::StandLayout layout;
    layout.gates = static_cast<std::size_t>(bench::briefOr(400, 60));
    layout.rampStands = layout.cargoStands = layout.helipads = 0;
    const tools::ApfSpec spec = tools::gf_stockApf(kCode, "stock", kField, 1400, layout);
    tools::gf_writeApfSpec(spec, served.path() / kServed);
    if (slowLine)
        server.setFault(kServed, tools::DownloadFault::Slow);
    const LatLon stand{lf_attribute(spec.stands.front().attributes, "latitude"),
                       lf_attribute(spec.stands.front().attributes, "longitude")};
    Clock::duration longest{};
    Clock::duration arrived{};
    for (auto _ : state) {
        gf_resetApfProbes();
        gf_resetParkAirports();
        lf_userStandsAt(stand);
        longest = {};
        const auto start = Clock::now();
        for (bool first = true; g_stands.empty() && Clock::now() - start < std::chrono::minutes(10); first = false) {
            const auto checked = Clock::now();
            gf_checkForParkAirportUpdates(first);
            longest = std::max(longest, Clock::now() - checked);
            if (g_stands.empty())
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        arrived = Clock::now() - start;
    }
    const std::size_t stands = g_stands.size();
    gf_endParking();
    gf_resetParkAirports();
    gf_resetApfProbes();
    gf_resetAirports();
    gf_resetUserAircraft();
    if (stands != spec.stands.size()) {
        state.SkipWithError("the park airport's stands were not read");
        return;
    }
    using Ms = std::chrono::duration<double, std::milli>;
    state.counters["longest_check_ms"] = Ms(longest).count();
    state.counters["stands_read_after_ms"] = Ms(arrived).count();
    state.counters["file_kb"] = static_cast<double>(fs::file_size(served.path() / kServed)) / 1024.0;
}
// 0: a fast line, 1: a slow one.
BENCHMARK(BM_MainLoopWaitWhileTheParkAirportFileComes)->Arg(0)->Arg(1)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace
