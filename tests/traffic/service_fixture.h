#pragma once
// A traffic service session against the loopback stand-in: a temporary program folder with its
// log, a per-user folder holding "license.txt", TARVO_TRAFFIC_URL pointing at the stand-in, and a
// clock that runs fast so that the service's periods pass quickly.
#include "base/geo.h"
#include "platform/system/clock.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"
#include "tests/support/user_folders.h"
#include "tools/traffic_server.h"
#include "traffic/client.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace zyn::test {

// A ManualClock installed for the test: its steady time moves 50 ms every real millisecond, so
// that the service's periods pass quickly, while its calendar time follows real time, so that
// the stand-in's aircraft fly at their own speed and a test slowed down by a loaded machine does
// not see them leave the query area.
class RunningClock {
public:
    RunningClock();
    ~RunningClock();
    ManualClock clock;

private:
    std::atomic<bool> m_done{false};
    std::thread m_thread;
};

// Waits (real time, bounded generously) until test() holds; false when it never did.
bool waitUntil(const std::function<bool()>& test);

tools::TrafficScenario gf_testScenario();
// Sets the user aircraft position the service requests use.
void setUserAircraft(LatLon position, double altitudeFt = 0.0);

class TrafficServiceTest : public ::testing::Test {
protected:
    explicit TrafficServiceTest(tools::TrafficScenario scenario = gf_testScenario());
    void SetUp() override;
    void TearDown() override;

    std::vector<std::string> logLines() const;
    bool logHas(const std::string& text) const;
    void writeLicense(const std::string& text);
    // Clears what a refused status leaves behind: the core's reader error and exit request, both
    // stop flags and the stand-in's faults.
    void resetReaderOutcome();
    // What a reader stopped by a refused status leaves: its failure line, and either the other
    // reader told to stop with the core's reader error, or (401) the restart that the core ran.
    void expectRefusal(const std::string& logged, const TrafficClientBase& other, bool restart) const;

    TempDir dir;
    ScopedCwd cwd{dir.path()};
    RunningClock running;
    tools::TrafficServer server;
    std::optional<ScopedEnv> url;
    std::optional<ScopedUserFolders> userFolders;
};

} // namespace zyn::test
