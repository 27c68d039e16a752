#include "tests/engine/driver_fixture.h"

#include "base/log.h"
#include "base/tick.h"
#include "engine/ai_driver.h"
#include "engine/motion_math.h"
#include "engine/records.h"
#include "settings/settings.h"
#include "sim/dispatch.h"
#include "sim/failed_liveries.h"
#include "sim/link_state.h"
#include "sim/queues.h"
#include "sim/registration.h"
#include "traffic/intake.h"

#include <algorithm>
#include <map>
#include <mutex>

namespace zyn::test {

namespace {

constexpr std::int32_t kFeedAheadTicks = 3000;
constexpr double kEpochSeconds = 1796601600.0;

void lf_countingDispatch(SIMCONNECT_RECV* message, DWORD cbData, void* context)
{
    if (message->dwID == SIMCONNECT_RECV_ID_EXCEPTION &&
        reinterpret_cast<SIMCONNECT_RECV_EXCEPTION*>(message)->dwException == SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID)
        ++*static_cast<int*>(context);
    gf_dispatch(message, cbData, nullptr);
}

void lf_resetParameters()
{
    param::MSFS_2020.value = 1;
    param::LIGHT_AIRCRAFT.value = 1; // the stand-in aircraft database knows only the Light category
    param::COLLISION_USER_AIR.value = 0;
    param::COLLISION_USER_GND.value = 0;
    param::GUID_CHANGES.value = 0;
    param::MAX_LIVE.value = -1;
    param::LOG.value = 1;
    param::BLOCK_CALLSIGN.setValue("");
}

} // namespace

TrafficRecord makeRecord(const Report& report, std::uint32_t hexId, const std::string& callsign)
{
    TrafficRecord r;
    r.head.callsign = callsign;
    r.head.type = "A320";
    r.head.registration = "D-ABCD";
    r.hexId = hexId;
    r.situation = makeSituation(report);
    r.situation.track = 0.0;
    r.reportTime = kEpochSeconds + report.playTime / 100.0;
    return r;
}

simemu::Scenario DriverRun::driverScenario()
{
    simemu::Scenario scenario;
    scenario.frameRate = 100.0;
    scenario.userTrack = {simemu::TrackPoint{0.0, 47.0, 8.0, 1400.0, 0.0, 0.0, true}};
    scenario.groundAltitudeFt = 1400.0;
    return scenario;
}

void DriverRun::SetUp()
{
    gf_setClock(&m_clock);
    gf_openLog();
    lf_resetParameters();
    simemu::reset(m_scenario);
    connectLink();
    gf_reserveAcContainers();
    gf_clearAcContainers();
    g_tick = 0;
    m_liveries.emplace(genericLiveries({{"A320", kTitle}}));
}

void DriverRun::connectLink()
{
    gf_resetSimLink();
    gf_initSimConnectQueues();
    ASSERT_TRUE(SUCCEEDED(SimConnect_Open(&m_h, "Tarvo", nullptr, 0, nullptr, 0)));
    g_hSimConnect = m_h;
    gf_registerSimConnect(m_h);
}

void DriverRun::TearDown()
{
    gf_clearAcContainers();
    g_tick = 0;
    SimConnect_Close(m_h);
    simemu::reset();
    gf_resetSimLink();
    gf_resetFailedLiveries();
    m_liveries.reset();
    lf_resetParameters();
    gf_closeLog();
    gf_setClock(nullptr);
}

void DriverRun::addTrack(const std::vector<Report>& reports, std::uint32_t hexId, const std::string& callsign)
{
    m_tracks.push_back({makeRecord(reports.at(0), hexId, callsign), reports, 0});
}

void DriverRun::handOver(const TrafficRecord& record)
{
    std::lock_guard lock(g_intakeMutex);
    g_sharedBatch.insert(g_sharedBatch.begin(), record); // merged from the back: oldest first
}

void DriverRun::feedDue()
{
    for (auto& t : m_tracks)
        while (t.fed < t.reports.size() && t.reports[t.fed].playTime - kFeedAheadTicks <= g_tick) {
            TrafficRecord r = t.head;
            const Report& report = t.reports[t.fed];
            r.situation = makeSituation(report);
            if (t.fed + 1 < t.reports.size())
                r.situation.track = gf_bearing(report.at, t.reports[t.fed + 1].at) * kRadToDeg;
            else if (t.fed > 0)
                r.situation.track = gf_bearing(t.reports[t.fed - 1].at, report.at) * kRadToDeg;
            r.reportTime = kEpochSeconds + report.playTime / 100.0;
            handOver(r);
            ++t.fed;
        }
}

void DriverRun::step()
{
    feedDue();
    gf_updateAI();
    m_clock.advance(std::chrono::milliseconds(10));
    SimConnect_CallDispatch(m_h, lf_countingDispatch, &m_unknownObjectErrors);
    if (m_checkEveryStep)
        checkObjects();
}

void DriverRun::steps(int count)
{
    for (int i = 0; i < count && !HasFatalFailure(); ++i)
        step();
}

void DriverRun::checkObjects()
{
    std::map<std::uint32_t, int> owners;
    for (const auto& a : g_liveAircraft) {
        if (a.objectId != 0)
            ++owners[a.objectId];
        if (a.state != ObjectState::InSim)
            continue;
        const auto o = simemu::object(a.objectId);
        ASSERT_TRUE(o && !o->removed) << a.head.callsign << " in the simulator without object " << a.objectId
                                      << " at tick " << g_tick;
    }
    for (const auto& [id, count] : owners)
        ASSERT_EQ(count, 1) << "object " << id << " held by several aircraft at tick " << g_tick;
    ASSERT_EQ(m_unknownObjectErrors, 0) << "data sent to an unknown object by tick " << g_tick;
}

LiveAcRecord* DriverRun::live(std::uint32_t hexId)
{
    const auto it = std::find_if(g_liveAircraft.begin(), g_liveAircraft.end(),
                                 [hexId](const LiveAcRecord& a) { return a.hexId == hexId; });
    return it == g_liveAircraft.end() ? nullptr : &*it;
}

std::optional<simemu::SimObject> DriverRun::objectOf(std::uint32_t hexId)
{
    const LiveAcRecord* a = live(hexId);
    if (!a || a->objectId == 0)
        return std::nullopt;
    return simemu::object(a->objectId);
}

std::vector<std::string> DriverRun::logLines() const { return readLines(m_dir / "Log.txt"); }

int DriverRun::logCount(const std::string& text) const
{
    const auto lines = logLines();
    return static_cast<int>(
        std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(text) != std::string::npos; }));
}

} // namespace zyn::test
