#pragma once
// The two traffic service clients. g_weatherClient logs in and then polls the weather;
// g_trafficClient polls live traffic and logs out. Each is used by one reader thread at a time;
// what other threads read or write (GUID, periods, stop flag, query box, user position, QNH,
// identity sets) is atomic or behind the client's own locks.
#include "aircraft/records.h"
#include "base/geo.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace zyn {

struct QueryBox {
    double top = 52.44; // latitudes, degrees
    double bottom = 52.17;
    double left = 4.54; // longitudes, degrees
    double right = 4.98;
};

class TrafficClientBase {
public:
    TrafficClientBase();
    virtual ~TrafficClientBase();
    TrafficClientBase(const TrafficClientBase&) = delete;
    TrafficClientBase& operator=(const TrafficClientBase&) = delete;

    std::string guid() const;
    void setGuid(std::string guid);

    nlohmann::json reply;                 // the entry being parsed; reader thread only
    std::atomic<std::int32_t> timeOffset{0}; // minutes, sent as "toffset"
    std::atomic<std::int32_t> rrl{2000};  // traffic period, ms, as the service dictates
    std::atomic<std::int32_t> wrrl{2000}; // weather period, ms
    std::atomic<std::uint8_t> stop{0};    // asks the reader on this client to stop

private:
    mutable std::mutex m_guidMutex;
    std::string m_guid;
};

class TrafficClient : public TrafficClientBase {
public:
    TrafficClient();
    ~TrafficClient() override;

    std::atomic<std::uint8_t> trafficShown{1}; // indicator memory of gf_refreshConnectionState

    QueryBox queryBox() const;
    // Box state of gf_updateTrafficBox: the box, its centre and its range, changed together.
    struct BoxState {
        QueryBox box;
        LatLon centre;
        double range = -1.0;
    };
    BoxState boxState() const;
    void setBoxState(const BoxState& state);

    LatLon userPosition() const; // the copy processLine measures distances from
    void setUserPosition(LatLon position);

    std::vector<TrafficRecord> batch; // reader thread only
    std::atomic<double> lastReportTime{0.0};
    std::atomic<std::int32_t> qnh{1013};
    std::atomic<std::int64_t> recordCount{0};
    std::atomic<std::uint8_t> ready{0}; // collect the identities of kept entries
    std::uint8_t blockArmed = 1;        // reader thread only

    // Parked traffic, on the static-parking thread only: the entry being parsed and the list.
    nlohmann::json parkedEntry;
    std::vector<ParkedTrafficRecord> parkedList;

    std::mutex identityMutex;
    std::set<std::string> callsigns;
    std::set<std::uint32_t> hexIds;

private:
    mutable std::mutex m_positionMutex;
    BoxState m_box;
    LatLon m_userPosition;
};

class WeatherClient : public TrafficClientBase {
public:
    std::atomic<std::uint8_t> weatherShown{1}; // indicator memory
    std::string station;                       // nearest METAR station; reader thread only
    std::atomic<std::int32_t> previousQnh{1013};
    std::atomic<std::uint8_t> weatherKnown{0};
};

extern TrafficClient g_trafficClient;
extern WeatherClient g_weatherClient;
extern std::atomic<std::int32_t> g_qnh; // the engine's copy of the QNH, hPa

// The user aircraft as the query box and the weather requests need it; the session passes the
// simulator link's once-per-second copy on.
struct ServiceUserPosition {
    LatLon position;
    double altitudeFt = 0.0;
};
void gf_setServiceUserPosition(LatLon position, double altitudeFt);
ServiceUserPosition gf_serviceUserPosition();

// Empties the GUID and the reply, clears the stop flag and the time offset.
void gf_resetResponse(TrafficClientBase& client);
// Both clients back to their start state, for a restart.
void gf_resetTrafficClients();

} // namespace zyn
