#pragma once
// Lock-step runs of the live aircraft engine against the simulator emulator on one thread: each
// step is one engine tick, 10 ms of emulator time and one dispatch of what the simulator sent.
// After every step each aircraft the engine holds in the simulator has exactly one object there. The
// simulator behaves as the real one does: creations take their time, unfrozen objects drift.
#include "aircraft/records.h"
#include "platform/simconnect/emulator.h"
#include "platform/system/clock.h"
#include "tests/engine/live_ac_fixture.h"
#include "tests/support/dbase_fixture.h"
#include "tests/support/livery_fixture.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zyn::test {

inline constexpr std::uint32_t kHexId = 0x4B1234;
inline constexpr std::int32_t kFirstPlay = 3200; // play time of a track's first report
inline constexpr std::int32_t kSlowestCreationTicks = 200; // the simulator completes a creation within 2 s
inline constexpr char kTitle[] = "Airbus A320 Test Livery";

// One aircraft as the traffic service reports it: its reports are handed over 30 s before their
// play time, as the traffic client does.
struct FedTrack {
    TrafficRecord head; // head, hex id; the situation is taken from each report
    std::vector<Report> reports;
    std::size_t fed = 0;
};

TrafficRecord makeRecord(const Report& report, std::uint32_t hexId = kHexId, const std::string& callsign = "TST123");

class DriverRun : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A fresh link to the simulator, registered as at a session's start.
    void connectLink();
    // One engine tick, 10 ms, one dispatch; feeds due reports first. Checks the object invariant.
    void step();
    void steps(int count);
    // Steps until done() holds or limit steps have passed; false on the limit.
    template <typename Done> bool stepUntil(Done done, int limit)
    {
        for (int i = 0; i < limit; ++i) {
            if (done())
                return true;
            step();
        }
        return done();
    }

    void addTrack(const std::vector<Report>& reports, std::uint32_t hexId = kHexId,
                  const std::string& callsign = "TST123");
    void handOver(const TrafficRecord& record);

    LiveAcRecord* live(std::uint32_t hexId = kHexId);
    std::optional<simemu::SimObject> objectOf(std::uint32_t hexId = kHexId);
    std::vector<std::string> logLines() const;
    int logCount(const std::string& text) const; // lines holding text

    // The simulator of the run (changed before SetUp: in a derived fixture's constructor).
    static simemu::Scenario driverScenario();
    simemu::Scenario m_scenario = driverScenario();
    // The check of every step; a run of hundreds of aircraft checks at its end instead.
    bool m_checkEveryStep = true;
    int m_unknownObjectErrors = 0;
    std::vector<FedTrack> m_tracks;
    HANDLE m_h = nullptr;
    ManualClock m_clock;
    TempDir m_dir;
    ScopedCwd m_cwd{m_dir.path()};
    ScopedDbase m_dbase{dbaseWith({"A320"})}; // read before the liveries, as at start-up
    std::optional<InstalledLiveries> m_liveries;

    // Each aircraft in the simulator has its object, and no object two aircraft.
    void checkObjects();

private:
    void feedDue();
};

} // namespace zyn::test
