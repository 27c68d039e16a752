#pragma once
// The simulator link against the emulator, on real threads: a program folder with its log, a fresh
// emulated simulator, the link reset, and SimClient started on demand and stopped at the end.
#include "base/log.h"
#include "core/exit.h"
#include "platform/simconnect/emulator.h"
#include "settings/settings.h"
#include "sim/client.h"
#include "sim/link_state.h"
#include "sim/queues.h"
#include "sim/sim_command.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace zyn::test {

class SimLinkFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The emulator without its creation delays and drift: the link's own work at the machine's pace.
    static simemu::Scenario quickScenario();
    // Starts SimClient on the scenario and waits until the simulator has been identified.
    void connect(const simemu::Scenario& scenario = quickScenario());
    void startClient(const simemu::Scenario& scenario = quickScenario());
    void stopClient();

    // Waits until a command satisfies the test; the commands seen so far stay in m_commands.
    bool waitForCommand(const std::function<bool(const SimCommand&)>& wanted);
    // Takes the queued commands into m_commands; true when one satisfies the test.
    bool collectCommands(const std::function<bool(const SimCommand&)>& wanted);
    // Sends the engine's in-range request (101) until done() holds.
    bool pollInRangeUntil(const std::function<bool()>& done);
    // Sends the engine's in-range request until a command satisfies the test.
    bool pollInRangeFor(const std::function<bool(const SimCommand&)>& wanted);
    // A creation request of the scenario's installed title near the user aircraft.
    static CreateAcRequest creation(const std::string& callsign, std::uint32_t hexId, double lat = 47.4650,
                                    double lon = 8.5495);
    // Queues a creation and waits until its object exists in the simulator.
    simemu::SimObject createdObject(const std::string& callsign, std::uint32_t hexId, double lat = 47.4650,
                            double lon = 8.5495);
    // Creates an aircraft and waits until the link reports it created (returns its object id).
    std::uint32_t createAndMatch(const std::string& callsign, std::uint32_t hexId);

    std::vector<std::string> logLines() const;
    bool logHas(const std::string& line) const;
    bool logHasPrefix(const std::string& prefix) const;
    int logCount(const std::string& line) const;

    TempDir m_dir;
    ScopedCwd m_cwd{m_dir.path()};
    std::jthread m_client;
    std::vector<SimCommand> m_commands;
    std::uint8_t m_msfs2020 = 1;
    simemu::Scenario m_scenario; // of the running client
};


} // namespace zyn::test
