#pragma once
// Live traffic end to end in this process: the traffic client's reader thread polls the stand-in
// playing the demonstration scenario over loopback, the engine ticks every 10 ms of a lockstep clock and
// the simulator link sends its work to the emulator parked at the scenario's airport, which behaves as
// the real simulator does (creations take their time, unfrozen objects drift). The clock moves only
// once the reader sleeps again, so each poll happens at its own simulated time however slow the
// machine is.
#include "base/geo.h"
#include "livery/livery_data.h"
#include "platform/simconnect/emulator.h"
#include "tests/support/dbase_fixture.h"
#include "tests/support/livery_fixture.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"
#include "tools/demo_dbase.h"
#include "tools/lockstep_clock.h"
#include "tools/scenario_gen.h"
#include "tools/traffic_server.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <optional>
#include <thread>
#include <vector>

namespace zyn::test {

// The demonstration's installed liveries, those of the given airlines only (all when none is given).
std::vector<LiveryData> demoLiveries(const std::vector<std::string>& airlines = {});

class LiveTrafficThreads : public ::testing::Test {
protected:
    static constexpr std::time_t kEpoch = 1796601600;
    static constexpr int kStepsPerSecond = 100;

    void SetUp() override;
    void TearDown() override;

    // Login and the reader, on a thread of their own as in the program: both wait on the clock.
    void startReader();
    void stopReader();
    bool batchWaiting() const;
    // Starts the reader and moves the clock until the buffered fill has been handed over.
    void startTraffic();
    // Moves the clock once the reader has done what the last move woke it for.
    void advance(std::chrono::nanoseconds by);
    // Waits until the reader has done what the last move woke it for.
    void settle();
    // One engine tick, 10 ms, one dispatch of what the simulator sent.
    void step();
    void runFor(int seconds);
    // Removes every live aircraft and steps until the simulator holds none of ours any more.
    void removeAllAndWait();
    std::vector<simemu::SimObject> aiObjects() const;

    tools::LockstepClock clock{kEpoch};
    TempDir root;
    ScopedEnv config{"XDG_CONFIG_HOME", (root / "config").string()};
    ScopedCwd cwd{root.path()};
    tools::GeneratedScenario generated = tools::gf_generateScenario(7);
    tools::TrafficServer traffic{startingAtEpoch(generated.traffic)};
    ScopedEnv url{"TARVO_TRAFFIC_URL", ""};
    HANDLE handle = nullptr;
    LatLon user;
    ScopedDbase dbase{tools::gf_demoDbase()};
    std::optional<InstalledLiveries> liveries; // the test installs its own
    std::thread reader;
    std::optional<ScopedEnv> serviceUrl;

private:
    // The scenario starts at the manual clock's start.
    static tools::TrafficScenario startingAtEpoch(const nlohmann::json& traffic);
};

} // namespace zyn::test
