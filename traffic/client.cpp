#include "traffic/client.h"

#include "traffic/parked_traffic.h"

#include <curl/curl.h>

namespace zyn {

TrafficClient g_trafficClient;
WeatherClient g_weatherClient;
std::atomic<std::int32_t> g_qnh{1013};

namespace {
std::mutex g_userPositionMutex;
ServiceUserPosition g_userPosition;
} // namespace

TrafficClientBase::TrafficClientBase() { curl_global_init(CURL_GLOBAL_ALL); }
TrafficClientBase::~TrafficClientBase() { curl_global_cleanup(); }

std::string TrafficClientBase::guid() const
{
    std::lock_guard lock(m_guidMutex);
    return m_guid;
}

void TrafficClientBase::setGuid(std::string guid)
{
    std::lock_guard lock(m_guidMutex);
    m_guid = std::move(guid);
}

TrafficClient::TrafficClient() { batch.reserve(384); }
TrafficClient::~TrafficClient() = default;

QueryBox TrafficClient::queryBox() const { return boxState().box; }

TrafficClient::BoxState TrafficClient::boxState() const
{
    std::lock_guard lock(m_positionMutex);
    return m_box;
}

void TrafficClient::setBoxState(const BoxState& state)
{
    std::lock_guard lock(m_positionMutex);
    m_box = state;
}

LatLon TrafficClient::userPosition() const
{
    std::lock_guard lock(m_positionMutex);
    return m_userPosition;
}

void TrafficClient::setUserPosition(LatLon position)
{
    std::lock_guard lock(m_positionMutex);
    m_userPosition = position;
}

void gf_setServiceUserPosition(LatLon position, double altitudeFt)
{
    std::lock_guard lock(g_userPositionMutex);
    g_userPosition = {position, altitudeFt};
}

ServiceUserPosition gf_serviceUserPosition()
{
    std::lock_guard lock(g_userPositionMutex);
    return g_userPosition;
}

void gf_resetResponse(TrafficClientBase& client)
{
    client.setGuid({});
    client.stop.store(0);
    client.timeOffset.store(0);
    client.reply = nlohmann::json();
}

void gf_resetTrafficClients()
{
    gf_awaitParkedPrefetch(); // it writes the parked list
    TrafficClient& t = g_trafficClient;
    gf_resetResponse(t);
    t.lastReportTime.store(0.0);
    {
        std::lock_guard lock(t.identityMutex);
        t.callsigns.clear();
        t.hexIds.clear();
    }
    t.ready.store(0);
    t.batch.clear();
    t.parkedEntry = nlohmann::json();
    t.parkedList.clear();
    t.recordCount.store(0);
    t.qnh.store(1013);
    t.setBoxState({});
    t.trafficShown.store(1);
    t.blockArmed = 1;

    WeatherClient& w = g_weatherClient;
    gf_resetResponse(w);
    w.previousQnh.store(1013);
    w.weatherKnown.store(0);
    w.weatherShown.store(1);
    w.station.clear();
}

} // namespace zyn
