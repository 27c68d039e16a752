#include "tests/sim/sim_link_fixture.h"

#include "sim/ids.h"

#include <algorithm>
#include <mutex>

namespace zyn::test {

void SimLinkFixture::SetUp()
{
    m_msfs2020 = param::MSFS_2020.value.load();
    gf_openLog();
    gf_resetSimLink();
    gf_initSimConnectQueues();
}

void SimLinkFixture::TearDown()
{
    stopClient();
    simemu::reset();
    gf_resetSimLink();
    g_exitRequested = 0;
    g_exiting = 0;
    g_exitReason = 0;
    param::MSFS_2020.value = m_msfs2020;
    gf_closeLog();
}

simemu::Scenario SimLinkFixture::quickScenario()
{
    simemu::Scenario scenario;
    scenario.behaviour.creationDelayMinS = scenario.behaviour.creationDelayMaxS = 0.0;
    scenario.behaviour.drift = false;
    return scenario;
}

void SimLinkFixture::startClient(const simemu::Scenario& scenario)
{
    m_scenario = scenario;
    simemu::reset(scenario);
    m_client = std::jthread(SimClient);
}

void SimLinkFixture::connect(const simemu::Scenario& scenario)
{
    startClient(scenario);
    ASSERT_TRUE(simemu::waitUntil([] { return g_simConnected.load() != 0; })) << "the simulator was not identified";
}

void SimLinkFixture::stopClient()
{
    if (m_client.joinable()) {
        m_client.request_stop();
        m_client.join();
    }
}

bool SimLinkFixture::collectCommands(const std::function<bool(const SimCommand&)>& wanted)
{
    for (const auto& c : gf_takeSimCommands())
        m_commands.push_back(c);
    return std::any_of(m_commands.begin(), m_commands.end(), wanted);
}

bool SimLinkFixture::waitForCommand(const std::function<bool(const SimCommand&)>& wanted)
{
    return simemu::waitUntil([&] { return collectCommands(wanted); });
}

bool SimLinkFixture::pollInRangeUntil(const std::function<bool()>& done)
{
    return simemu::waitUntil([&] {
        {
            std::lock_guard lock(g_simMutex);
            SimConnect_RequestDataOnSimObjectType(g_hSimConnect.load(), simid::kReqInRange, simid::kDefInRange, 20000,
                                                  SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT);
        }
        return done();
    });
}

bool SimLinkFixture::pollInRangeFor(const std::function<bool(const SimCommand&)>& wanted)
{
    return pollInRangeUntil([&] { return collectCommands(wanted); });
}

CreateAcRequest SimLinkFixture::creation(const std::string& callsign, std::uint32_t hexId, double lat, double lon)
{
    CreateAcRequest request;
    request.position.Latitude = lat;
    request.position.Longitude = lon;
    request.position.Altitude = 1416.0;
    request.name = callsign;
    request.title = "Airbus A320 Neo Asobo";
    request.hexId = hexId;
    return request;
}

simemu::SimObject SimLinkFixture::createdObject(const std::string& callsign, std::uint32_t hexId, double lat,
                                                double lon)
{
    gf_queueCreateAc(creation(callsign, hexId, lat, lon));
    const std::string atcId = callsign.substr(0, m_scenario.behaviour.atcIdMaxChars); // what the simulator keeps
    EXPECT_TRUE(simemu::waitUntil([&] { return simemu::objectByAtcId(atcId).has_value(); }))
        << callsign << " was not created";
    return simemu::objectByAtcId(atcId).value_or(simemu::SimObject{});
}

std::uint32_t SimLinkFixture::createAndMatch(const std::string& callsign, std::uint32_t hexId)
{
    const auto object = createdObject(callsign, hexId);
    EXPECT_TRUE(pollInRangeFor([&](const SimCommand& c) { return c.objectId == object.id && c.value == hexId; }));
    return object.id;
}

std::vector<std::string> SimLinkFixture::logLines() const { return readLines(m_dir / "Log.txt"); }

bool SimLinkFixture::logHas(const std::string& line) const { return logCount(line) > 0; }

bool SimLinkFixture::logHasPrefix(const std::string& prefix) const
{
    const auto lines = logLines();
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.starts_with(prefix); });
}

int SimLinkFixture::logCount(const std::string& line) const
{
    const auto lines = logLines();
    return static_cast<int>(std::count(lines.begin(), lines.end(), line));
}

} // namespace zyn::test
