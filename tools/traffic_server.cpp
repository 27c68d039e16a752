#include "tools/traffic_server.h"

#include "base/geo.h"
#include "platform/system/clock.h"
#include "tools/http_listen.h"

#include <httplib.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <stdexcept>

namespace zyn::tools {

using nlohmann::json;

namespace {

constexpr std::size_t kEntrySize = 48;

int lf_hexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string lf_urlDecode(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '+') {
            out += ' ';
        } else if (c == '%' && i + 2 < text.size() && lf_hexValue(text[i + 1]) >= 0 &&
                   lf_hexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(lf_hexValue(text[i + 1]) * 16 + lf_hexValue(text[i + 2]));
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

std::optional<double> lf_formNumber(const std::map<std::string, std::string>& form, const std::string& key)
{
    const auto it = form.find(key);
    if (it == form.end()) return std::nullopt;
    try {
        std::size_t used = 0;
        const double v = std::stod(it->second, &used);
        if (used != it->second.size()) return std::nullopt;
        return v;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// Position of an aircraft after `seconds` of flight from its start.
ScenarioAircraft lf_movedAircraft(const ScenarioAircraft& ac, double seconds)
{
    ScenarioAircraft moved = ac;
    const double feet = ac.groundSpeedKt * seconds / 3600.0 * kFeetPerNm;
    const LatLon p = gf_destinationPoint({ac.lat, ac.lon}, ac.trackDeg * kDegToRad, feet);
    moved.lat = p.lat;
    moved.lon = p.lon;
    if (ac.altitudeFt > 0.0) moved.altitudeFt = std::max(0.0, ac.altitudeFt + ac.verticalRateFpm * seconds / 60.0);
    return moved;
}

// Track over the path's segment from point i: its own when given, else the direction of motion, else
// (standing still) the track of the segment before.
double lf_segmentTrack(const ScenarioAircraft& ac, std::size_t i)
{
    double track = ac.trackDeg;
    for (std::size_t k = 0; k <= i && k + 1 < ac.path.size(); ++k) {
        const PathPoint& a = ac.path[k];
        const PathPoint& b = ac.path[k + 1];
        if (a.trackDeg) track = *a.trackDeg;
        else if (gf_distanceNm({a.lat, a.lon}, {b.lat, b.lon}) > 1e-4) track = gf_bearing({a.lat, a.lon}, {b.lat, b.lon}) * kRadToDeg;
    }
    if (i + 1 >= ac.path.size() && ac.path[i].trackDeg) track = *ac.path[i].trackDeg;
    return track;
}

// Position on the great circle between the path points around `seconds`, with that leg's speed and climb.
std::optional<ScenarioAircraft> lf_pathAircraft(const ScenarioAircraft& ac, double seconds)
{
    const auto& path = ac.path;
    if (seconds < path.front().atSeconds || seconds > path.back().atSeconds) return std::nullopt;
    std::size_t i = 0;
    while (i + 2 < path.size() && path[i + 1].atSeconds <= seconds) ++i;
    const PathPoint& a = path[i];
    const PathPoint& b = path.size() > 1 ? path[i + 1] : a;
    const double span = b.atSeconds - a.atSeconds;
    const double f = span > 0.0 ? std::clamp((seconds - a.atSeconds) / span, 0.0, 1.0) : 1.0;
    const double nm = gf_distanceNm({a.lat, a.lon}, {b.lat, b.lon});
    const LatLon p = nm > 0.0 ? gf_destinationPoint({a.lat, a.lon}, gf_bearing({a.lat, a.lon}, {b.lat, b.lon}),
                                                    f * nm * kFeetPerNm)
                              : LatLon{a.lat, a.lon};
    ScenarioAircraft at = ac;
    at.lat = p.lat;
    at.lon = p.lon;
    at.altitudeFt = a.altitudeFt + (b.altitudeFt - a.altitudeFt) * f;
    at.groundSpeedKt = span > 0.0 ? nm / span * 3600.0 : 0.0;
    at.verticalRateFpm = span > 0.0 ? (b.altitudeFt - a.altitudeFt) / span * 60.0 : 0.0;
    at.trackDeg = lf_segmentTrack(ac, i);
    at.callsign = f >= 1.0 ? b.callsign : a.callsign;
    return at;
}

bool lf_inBox(const ScenarioAircraft& ac, const std::map<std::string, std::string>& form)
{
    const auto top = lf_formNumber(form, "top");
    const auto bottom = lf_formNumber(form, "bottom");
    const auto left = lf_formNumber(form, "left");
    const auto right = lf_formNumber(form, "right");
    if (!top || !bottom || !left || !right) return true;
    if (ac.lat > *top || ac.lat < *bottom) return false;
    if (*left <= *right) return ac.lon >= *left && ac.lon <= *right;
    return ac.lon >= *left || ac.lon <= *right; // box across the antimeridian
}

std::string lf_text(const json& j, const char* key, const std::string& fallback = {})
{
    const auto it = j.find(key);
    return it != j.end() && it->is_string() ? it->get<std::string>() : fallback;
}

double lf_number(const json& j, const char* key, double fallback)
{
    const auto it = j.find(key);
    return it != j.end() && it->is_number() ? it->get<double>() : fallback;
}

// Points in time order, each key defaulting to the point before (the first to the aircraft's own).
std::vector<PathPoint> lf_pathFromJson(const json& points, const ScenarioAircraft& ac)
{
    std::vector<PathPoint> path;
    PathPoint last{0.0, ac.lat, ac.lon, ac.altitudeFt, ac.callsign, std::nullopt};
    for (const auto& p : points) {
        if (!p.is_object() || !p.contains("t") || !p.at("t").is_number())
            throw std::runtime_error("path point of " + ac.hexId + " without \"t\"");
        PathPoint point{p.at("t").get<double>(), lf_number(p, "lat", last.lat), lf_number(p, "lon", last.lon),
                        lf_number(p, "altitude_ft", last.altitudeFt), lf_text(p, "callsign", last.callsign),
                        std::nullopt};
        if (p.contains("track_deg") && p.at("track_deg").is_number()) point.trackDeg = p.at("track_deg").get<double>();
        if (!path.empty() && point.atSeconds < last.atSeconds)
            throw std::runtime_error("path of " + ac.hexId + " goes back in time");
        path.push_back(point);
        last = point;
    }
    return path;
}

ParkedAircraft lf_parkedFromJson(const json& j)
{
    ParkedAircraft ac;
    ac.hexId = lf_text(j, "hex");
    ac.stand = lf_text(j, "stand");
    ac.type = lf_text(j, "type");
    ac.registration = lf_text(j, "registration");
    ac.callsign = lf_text(j, "callsign");
    ac.lat = lf_number(j, "lat", 0.0);
    ac.lon = lf_number(j, "lon", 0.0);
    ac.ageSeconds = lf_number(j, "age_s", 0.0);
    if (ac.hexId.empty()) throw std::runtime_error("parked aircraft without \"hex\"");
    return ac;
}

ScenarioAircraft lf_aircraftFromJson(const json& j)
{
    ScenarioAircraft ac;
    ac.hexId = lf_text(j, "hex");
    ac.callsign = lf_text(j, "callsign");
    ac.type = lf_text(j, "type");
    ac.registration = lf_text(j, "registration");
    ac.origin = lf_text(j, "origin");
    ac.destination = lf_text(j, "destination");
    ac.category = lf_text(j, "category", ac.category);
    ac.source = lf_text(j, "source", ac.source);
    ac.lat = lf_number(j, "lat", 0.0);
    ac.lon = lf_number(j, "lon", 0.0);
    ac.altitudeFt = lf_number(j, "altitude_ft", 0.0);
    ac.groundSpeedKt = lf_number(j, "ground_speed_kt", 0.0);
    ac.trackDeg = lf_number(j, "track_deg", 0.0);
    ac.verticalRateFpm = lf_number(j, "vertical_rate_fpm", 0.0);
    ac.airspeedKt = lf_number(j, "airspeed_kt", -1.0);
    if (ac.hexId.empty()) throw std::runtime_error("aircraft without \"hex\"");
    if (const auto it = j.find("path"); it != j.end() && it->is_array()) ac.path = lf_pathFromJson(*it, ac);
    return ac;
}

} // namespace

std::map<std::string, std::string> gf_decodeForm(const std::string& body)
{
    std::map<std::string, std::string> form;
    std::size_t start = 0;
    while (start <= body.size()) {
        const std::size_t end = std::min(body.find('&', start), body.size());
        const std::string_view pair(body.data() + start, end - start);
        if (!pair.empty()) {
            const std::size_t eq = pair.find('=');
            const std::string key = lf_urlDecode(pair.substr(0, eq));
            form[key] = eq == std::string_view::npos ? std::string() : lf_urlDecode(pair.substr(eq + 1));
        }
        start = end + 1;
    }
    return form;
}

TrafficScenario gf_trafficScenarioFromJson(const json& j)
{
    TrafficScenario s;
    s.startTime = lf_number(j, "start_time", 0.0);
    s.station = lf_text(j, "station", s.station);
    if (j.contains("qnh")) s.qnh = j.at("qnh");
    s.rrl = static_cast<std::int32_t>(lf_number(j, "rrl", s.rrl));
    s.wrrl = static_cast<std::int32_t>(lf_number(j, "wrrl", s.wrrl));
    s.guid = lf_text(j, "guid", s.guid);
    s.server = lf_text(j, "server", s.server);
    if (const auto it = j.find("licenses"); it != j.end() && it->is_array())
        for (const auto& l : *it)
            if (l.is_string()) s.licenses.push_back(l.get<std::string>());
    if (const auto it = j.find("aircraft"); it != j.end() && it->is_array())
        for (const auto& a : *it) s.aircraft.push_back(lf_aircraftFromJson(a));
    if (const auto it = j.find("parked"); it != j.end() && it->is_array())
        for (const auto& a : *it) s.parked.push_back(lf_parkedFromJson(a));
    return s;
}

TrafficScenario gf_loadTrafficScenario(const std::filesystem::path& file)
{
    std::ifstream in(file);
    if (!in) throw std::runtime_error("cannot open scenario " + file.string());
    try {
        return gf_trafficScenarioFromJson(json::parse(in));
    } catch (const std::exception& e) {
        throw std::runtime_error("scenario " + file.string() + ": " + e.what());
    }
}

TrafficScenario gf_defaultTrafficScenario()
{
    // Around Zurich, where the emulated simulator's default flight stands.
    TrafficScenario s;
    s.station = "LSZH";
    s.aircraft = {
        {"4b1a01", "SWR101", "A320", "HB-TST", "LSZH", "EGLL", "A3", "adsb_icao", 47.50, 8.45, 6000, 250, 300, 1500, 270},
        {"4b1a02", "SWR202", "A333", "HB-TSU", "KJFK", "LSZH", "A5", "adsb_icao", 47.70, 8.70, 9000, 280, 200, -1200, 290},
        {"3c1a03", "DLH303", "A320", "D-ATST", "EDDF", "LSZH", "A3", "mlat", 47.30, 8.30, 4000, 220, 60, -800, 230},
        {"4b1a04", "EZS404", "A319", "HB-TSV", "LSZH", "LEPA", "A3", "adsb_icao", 47.458, 8.556, 0, 12, 160, 0, -1},
        {"4b1a05", "SWR505", "BCS3", "HB-TSW", "LSZH", "LEBL", "A3", "adsb_icao", 47.452, 8.562, 0, 0, 340, 0, -1},
    };
    return s;
}

std::optional<ScenarioAircraft> gf_scenarioAircraftAt(const ScenarioAircraft& ac, double startTime, double reportTime)
{
    if (!ac.path.empty()) return lf_pathAircraft(ac, reportTime - startTime);
    return lf_movedAircraft(ac, reportTime - startTime);
}

json gf_scenarioEntry(const ScenarioAircraft& start, double startTime, double reportTime)
{
    const auto at = gf_scenarioAircraftAt(start, startTime, reportTime);
    if (!at) return nullptr;
    const ScenarioAircraft& ac = *at;
    json e = json::array();
    for (std::size_t i = 0; i < kEntrySize; ++i) e.push_back(nullptr);
    e[0] = ac.hexId;
    e[1] = ac.lat;
    e[2] = ac.lon;
    e[3] = ac.trackDeg;
    e[4] = std::round(ac.altitudeFt);
    e[5] = ac.groundSpeedKt;
    e[6] = "1000";
    e[7] = "A";
    e[8] = ac.type.empty() ? "ZZZZ" : ac.type;
    e[9] = ac.registration.empty() ? "null" : ac.registration;
    e[10] = reportTime;
    e[11] = ac.origin.empty() ? "null" : ac.origin;
    e[12] = ac.destination.empty() ? "null" : ac.destination;
    e[13] = ac.callsign.empty() ? "null" : ac.callsign;
    e[14] = 0;
    e[15] = ac.altitudeFt > 0.0 ? ac.verticalRateFpm : 0.0;
    e[17] = ac.source;
    e[18] = std::round(ac.altitudeFt);
    e[20] = ac.airspeedKt;
    e[23] = 0.0;
    e[25] = ac.trackDeg;
    e[28] = ac.category;
    return e;
}

json gf_parkedEntry(const ParkedAircraft& ac, double now)
{
    return json::array({ac.lat, ac.lon, ac.stand, ac.type.empty() ? "ZZZZ" : ac.type,
                        ac.registration.empty() ? "null" : ac.registration, now - ac.ageSeconds,
                        ac.callsign.empty() ? "null" : ac.callsign});
}

EndpointFault EndpointFault::withStatus(std::int32_t code)
{
    EndpointFault f;
    f.status = code;
    return f;
}

EndpointFault EndpointFault::reply(Body kind, std::string text)
{
    EndpointFault f;
    f.body = kind;
    f.customBody = std::move(text);
    return f;
}

EndpointFault EndpointFault::delayed(std::int32_t ms)
{
    EndpointFault f;
    f.delayMs = ms;
    return f;
}

EndpointFault EndpointFault::heldUntilCleared()
{
    EndpointFault f;
    f.held = true;
    return f;
}

EndpointFault EndpointFault::dropped()
{
    EndpointFault f;
    f.dropConnection = true;
    return f;
}

EndpointFault& EndpointFault::onlyFor(std::int32_t requests)
{
    times = requests;
    return *this;
}

struct TrafficServer::Impl {
    TrafficScenario scenario;
    TrafficServer* owner = nullptr;
    std::optional<TlsFiles> tls;
    std::unique_ptr<httplib::Server> server;
    std::thread thread;
    std::string host;
    int port = 0;
    double startTime = 0.0;

    mutable std::mutex mutex; // faults, records, QNH
    std::map<std::string, EndpointFault> faults;
    std::vector<RecordedRequest> records;
    std::condition_variable stopping;
    bool stopped = false;
    std::uint64_t clearings = 0; // of the faults: a held reply goes

    json answer(const std::string& endpoint, const std::map<std::string, std::string>& form);
    json snapshot(const std::map<std::string, std::string>& form, double reportTime) const;
    // The endpoint's fault, and the count of clearings when it was taken (a held reply waits for the next).
    std::optional<EndpointFault> recordAndTakeFault(RecordedRequest request, std::uint64_t& clearedAt);
    void handle(const std::string& endpoint, const httplib::Request& req, httplib::Response& res);
    bool pause(std::int32_t ms);
    bool holdUntilCleared(std::uint64_t clearedAt);
};

json TrafficServer::Impl::snapshot(const std::map<std::string, std::string>& form, double reportTime) const
{
    json data = json::object();
    for (const auto& ac : scenario.aircraft) {
        json entry = gf_scenarioEntry(ac, startTime, reportTime);
        if (entry.is_null()) continue;
        ScenarioAircraft at = ac;
        at.lat = entry[1].get<double>();
        at.lon = entry[2].get<double>();
        if (lf_inBox(at, form)) data[ac.hexId] = std::move(entry);
    }
    return data;
}

json TrafficServer::Impl::answer(const std::string& endpoint, const std::map<std::string, std::string>& form)
{
    if (endpoint == "auth") {
        const auto license = form.find("license");
        const bool known = license != form.end() && !license->second.empty() &&
                           (scenario.licenses.empty() ||
                            std::ranges::find(scenario.licenses, license->second) != scenario.licenses.end());
        if (!known) return {{"status", 401}, {"message", "unknown license"}};
        return {{"status", 200}, {"GUID", scenario.guid}, {"rrl", scenario.rrl},
                {"wrrl", scenario.wrrl}, {"server", scenario.server}};
    }
    if (endpoint == "deauth") return {{"status", 200}, {"message", "session closed"}, {"server", scenario.server}};
    if (endpoint == "nearestmetar")
        return {{"status", 200}, {"data", json::array({{{"ICAO", scenario.station}, {"Dist", 4.2}}})}};
    if (endpoint == "weather") {
        std::lock_guard lock(mutex);
        return {{"status", 200}, {"wrrl", scenario.wrrl},
                {"data", {{"QNH", scenario.qnh}, {"METAR", scenario.station + " 071220Z 24012KT CAVOK"}}}};
    }
    return {}; // traffic: see trafficReply
}

json TrafficServer::trafficReply(const std::map<std::string, std::string>& form, double now) const
{
    json reply = {{"status", 200}, {"rrl", m_impl->scenario.rrl}, {"dataepoch", now}};
    const auto count = lf_formNumber(form, "buffercount");
    if (!count || *count < 1) {
        reply["data"] = m_impl->snapshot(form, now);
        return reply;
    }
    const double step = lf_formNumber(form, "buffertime").value_or(6.0);
    json data = json::object();
    const int n = static_cast<int>(std::min(*count, 60.0));
    for (int k = 0; k < n; ++k) data["buffer_" + std::to_string(k)] = m_impl->snapshot(form, now - k * step);
    reply["data"] = std::move(data);
    return reply;
}

json TrafficServer::parkedReply(const std::map<std::string, std::string>& form, double now) const
{
    json data = json::object();
    for (const auto& ac : m_impl->scenario.parked) {
        ScenarioAircraft at;
        at.lat = ac.lat;
        at.lon = ac.lon;
        if (lf_inBox(at, form)) data[ac.hexId] = gf_parkedEntry(ac, now);
    }
    return {{"status", 200}, {"dataepoch", now}, {"data", std::move(data)}};
}

// In one step: a request counted before a fault was set is never that fault's, so that a test that
// counts the requests after setting a fault waits for one the fault holds.
std::optional<EndpointFault> TrafficServer::Impl::recordAndTakeFault(RecordedRequest request, std::uint64_t& clearedAt)
{
    std::lock_guard lock(mutex);
    const std::string endpoint = request.endpoint;
    records.push_back(std::move(request));
    clearedAt = clearings;
    const auto it = faults.find(endpoint);
    if (it == faults.end()) return std::nullopt;
    EndpointFault fault = it->second;
    if (it->second.times > 0 && --it->second.times == 0) faults.erase(it);
    return fault;
}

bool TrafficServer::Impl::pause(std::int32_t ms)
{
    std::unique_lock lock(mutex);
    return !stopping.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stopped; });
}

bool TrafficServer::Impl::holdUntilCleared(std::uint64_t clearedAt)
{
    std::unique_lock lock(mutex);
    stopping.wait(lock, [&] { return stopped || clearings != clearedAt; });
    return !stopped;
}

void TrafficServer::Impl::handle(const std::string& path, const httplib::Request& req, httplib::Response& res)
{
    auto form = gf_decodeForm(req.body);
    const auto query = form.find("querytype");
    const bool parked = path == "traffic" && query != form.end() && query->second == "parkedtraffic";
    const std::string endpoint = parked ? "parkedtraffic" : path;
    std::uint64_t clearedAt = 0;
    const auto fault = recordAndTakeFault({endpoint, form, req.body}, clearedAt);
    if (fault && fault->delayMs > 0 && !pause(fault->delayMs)) return;
    if (fault && fault->held && !holdUntilCleared(clearedAt)) return;
    if (fault && fault->dropConnection) {
        res.set_content_provider(
            1000, "application/json", [](std::size_t, std::size_t, httplib::DataSink&) { return false; });
        return;
    }
    std::string body;
    const auto kind = fault ? fault->body : EndpointFault::Body::Normal;
    if (kind == EndpointFault::Body::Empty) {
        body.clear();
    } else if (kind == EndpointFault::Body::NotJson) {
        body = "<html><body>502 Bad Gateway</body></html>";
    } else if (kind == EndpointFault::Body::Custom) {
        body = fault->customBody;
    } else if (fault && fault->status) {
        body = json{{"status", *fault->status}, {"message", "status " + std::to_string(*fault->status)}}.dump();
    } else if (path == "traffic") {
        const double offsetMinutes = lf_formNumber(form, "toffset").value_or(0.0);
        const double now = static_cast<double>(gf_timeNow()) - offsetMinutes * 60.0;
        body = (parked ? owner->parkedReply(form, now) : owner->trafficReply(form, now)).dump();
    } else {
        body = answer(endpoint, form).dump();
    }
    res.set_content(body, "application/json");
}

TrafficServer::TrafficServer(TrafficScenario scenario, std::optional<TlsFiles> tls) : m_impl(std::make_unique<Impl>())
{
    m_impl->scenario = std::move(scenario);
    m_impl->tls = std::move(tls);
    m_impl->server = gf_makeServer(m_impl->tls, "traffic stand-in");
    m_impl->owner = this;
    m_impl->startTime = m_impl->scenario.startTime > 0.0 ? m_impl->scenario.startTime
                                                          : static_cast<double>(gf_timeNow());
    m_impl->server->set_keep_alive_timeout(1);
    for (const char* endpoint : {"auth", "deauth", "traffic", "weather", "nearestmetar"}) {
        const std::string name = endpoint;
        m_impl->server->Post("/v4/" + name, [this, name](const httplib::Request& req, httplib::Response& res) {
            m_impl->handle(name, req, res);
        });
    }
}

TrafficServer::~TrafficServer() { stop(); }

int TrafficServer::start(const std::string& host, int port)
{
    m_impl->host = host;
    if (port == 0) {
        m_impl->port = m_impl->server->bind_to_any_port(host);
    } else {
        m_impl->port = m_impl->server->bind_to_port(host, port) ? port : -1;
    }
    if (m_impl->port <= 0) throw std::runtime_error("traffic stand-in cannot listen on " + host);
    m_impl->thread = gf_listenInBackground(*m_impl->server, "traffic stand-in");
    return m_impl->port;
}

void TrafficServer::stop()
{
    {
        std::lock_guard lock(m_impl->mutex);
        m_impl->stopped = true;
    }
    m_impl->stopping.notify_all();
    m_impl->server->stop();
    if (m_impl->thread.joinable()) m_impl->thread.join();
}

std::string TrafficServer::baseUrl() const
{
    return gf_scheme(m_impl->tls) + "://" + m_impl->host + ":" + std::to_string(m_impl->port);
}

void TrafficServer::setFault(const std::string& endpoint, EndpointFault fault)
{
    std::lock_guard lock(m_impl->mutex);
    m_impl->faults[endpoint] = std::move(fault);
}

void TrafficServer::clearFaults()
{
    {
        std::lock_guard lock(m_impl->mutex);
        m_impl->faults.clear();
        ++m_impl->clearings;
    }
    m_impl->stopping.notify_all();
}

void TrafficServer::setQnh(json qnh)
{
    std::lock_guard lock(m_impl->mutex);
    m_impl->scenario.qnh = std::move(qnh);
}

std::vector<RecordedRequest> TrafficServer::requests(const std::string& endpoint) const
{
    std::lock_guard lock(m_impl->mutex);
    std::vector<RecordedRequest> out;
    for (const auto& r : m_impl->records)
        if (endpoint.empty() || r.endpoint == endpoint) out.push_back(r);
    return out;
}

std::size_t TrafficServer::requestCount(const std::string& endpoint) const { return requests(endpoint).size(); }

} // namespace zyn::tools
