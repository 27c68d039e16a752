#pragma once
// Loopback stand-in of the traffic service: the "auth", "deauth", "traffic", "weather" and
// "nearestmetar" endpoints under "/v4/", answered from a scripted scenario of moving aircraft and of
// aircraft parked at stands. A "traffic" request with query type "parkedtraffic" counts as an
// endpoint of its own, "parkedtraffic", for faults and recorded requests.
// Every endpoint can be told to misbehave (any status, empty or non-JSON body, a delay, a dropped
// connection) so that the client's failure paths run against real HTTP. With a certificate it
// serves HTTPS.
#include "tools/http_listen.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

namespace zyn::tools {

// A timed point of a scripted path, in seconds after the scenario's start.
struct PathPoint {
    double atSeconds = 0.0;
    double lat = 0.0;
    double lon = 0.0;
    double altitudeFt = 0.0;
    std::string callsign;           // reported from this point on
    std::optional<double> trackDeg; // track reported until the next point (standing, pushing back)
};

// One aircraft of the scenario, moving along a great circle at constant speed from its start, or,
// with a path, along great circles between its points and reported only from its first point to its last.
struct ScenarioAircraft {
    std::string hexId; // hexadecimal text, e.g. "4ca7b4"
    std::string callsign;
    std::string type;
    std::string registration;
    std::string origin;
    std::string destination;
    std::string category = "A3";      // emitter category
    std::string source = "adsb_icao"; // position source
    double lat = 0.0;                 // position at the scenario's start time
    double lon = 0.0;
    double altitudeFt = 0.0;
    double groundSpeedKt = 0.0;
    double trackDeg = 0.0;
    double verticalRateFpm = 0.0;
    double airspeedKt = -1.0; // -1: not reported
    std::vector<PathPoint> path{}; // empty: the great circle above
};

// An aircraft the service reports parked at a stand ("parkedtraffic"), reported ageSeconds ago.
struct ParkedAircraft {
    std::string hexId;
    std::string stand;
    std::string type;
    std::string registration;
    std::string callsign;
    double lat = 0.0;
    double lon = 0.0;
    double ageSeconds = 0.0;
};

struct TrafficScenario {
    double startTime = 0.0; // epoch seconds at which the aircraft stand at their start positions; 0: server start
    std::vector<ScenarioAircraft> aircraft;
    std::vector<ParkedAircraft> parked;
    std::string station = "EHAM"; // nearest METAR station
    nlohmann::json qnh = 1013;    // "QNH" as the weather reply carries it (any JSON type)
    std::int32_t rrl = 2000;
    std::int32_t wrrl = 2000;
    std::string guid = "7b1c8e2a-5d36-4f0e-9a41-3c2d5e6f7a80";
    std::string server = "loopback";
    std::vector<std::string> licenses; // accepted credentials; empty: any non-empty one
};

// Reads a scenario from a JSON file (keys as the fields above, aircraft as an array of objects).
// Throws std::runtime_error with the file name on a file that is missing or malformed.
TrafficScenario gf_loadTrafficScenario(const std::filesystem::path& file);
TrafficScenario gf_trafficScenarioFromJson(const nlohmann::json& j);
// A few aircraft around Zurich, airborne and on the ground.
TrafficScenario gf_defaultTrafficScenario();

// Where the aircraft is at reportTime; nothing while a path aircraft is not reported.
std::optional<ScenarioAircraft> gf_scenarioAircraftAt(const ScenarioAircraft& ac, double startTime, double reportTime);
// The entry of one aircraft at a time, as the 48 values of a live-traffic reply; null while it is not reported.
nlohmann::json gf_scenarioEntry(const ScenarioAircraft& ac, double startTime, double reportTime);

// The entry of one parked aircraft: latitude, longitude, stand, type, registration, report time, callsign.
nlohmann::json gf_parkedEntry(const ParkedAircraft& ac, double now);

// How an endpoint misbehaves; the defaults answer normally.
struct EndpointFault {
    enum class Body { Normal, Empty, NotJson, Custom };
    std::optional<std::int32_t> status; // service status sent instead of 200 (with a "message")
    Body body = Body::Normal;
    std::string customBody;    // sent as it is for Body::Custom
    std::int32_t delayMs = 0;  // before answering
    bool held = false;         // answered only once the faults are cleared (or the server stops)
    bool dropConnection = false; // the reply is cut off after its headers
    std::int32_t times = -1;   // how many requests it applies to; -1: all

    static EndpointFault withStatus(std::int32_t code);
    static EndpointFault reply(Body kind, std::string text = {});
    static EndpointFault delayed(std::int32_t ms);
    static EndpointFault heldUntilCleared();
    static EndpointFault dropped();
    EndpointFault& onlyFor(std::int32_t requests);
};

struct RecordedRequest {
    std::string endpoint;
    std::map<std::string, std::string> form; // decoded form fields
    std::string rawBody;
};

class TrafficServer {
public:
    // Serves HTTPS with tls; throws std::runtime_error when its files are unusable.
    explicit TrafficServer(TrafficScenario scenario = gf_defaultTrafficScenario(),
                           std::optional<TlsFiles> tls = std::nullopt);
    ~TrafficServer();
    TrafficServer(const TrafficServer&) = delete;
    TrafficServer& operator=(const TrafficServer&) = delete;

    // Listens on host and port (0: an ephemeral port) on a thread of its own; returns the port.
    // Throws std::runtime_error when the port cannot be bound.
    int start(const std::string& host = "127.0.0.1", int port = 0);
    void stop();
    std::string baseUrl() const; // "http://host:port" (https with a certificate), what TARVO_TRAFFIC_URL takes

    void setFault(const std::string& endpoint, EndpointFault fault);
    void clearFaults();
    void setQnh(nlohmann::json qnh);

    std::vector<RecordedRequest> requests(const std::string& endpoint = {}) const;
    std::size_t requestCount(const std::string& endpoint) const;

    // The replies, exposed for the program and for tests that compare shapes.
    nlohmann::json trafficReply(const std::map<std::string, std::string>& form, double now) const;
    nlohmann::json parkedReply(const std::map<std::string, std::string>& form, double now) const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// Decodes an "application/x-www-form-urlencoded" body ("+" is a blank, "%xx" a byte).
std::map<std::string, std::string> gf_decodeForm(const std::string& body);

} // namespace zyn::tools
