#include "traffic/parked_traffic.h"

#include "aircraft/aircraft_db.h"
#include "airport/park_airport_state.h"
#include "airport/park_pos.h"
#include "airport/stand_lookup.h"
#include "base/exit_flags.h"
#include "base/log.h"
#include "base/time_util.h"
#include "platform/system/clock.h"
#include "settings/settings.h"
#include "traffic/json_fields.h"
#include "traffic/query_box.h"
#include "traffic/service_request.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <future>
#include <mutex>
#include <optional>
#include <set>
#include <stdexcept>

namespace zyn {

using nlohmann::json;

namespace {

// Entry indexes.
enum : std::size_t { kPtLat = 0, kPtLon = 1, kPtStand = 2, kPtType = 3, kPtRegistration = 4, kPtReportTime = 5, kPtCallsign = 6 };

constexpr std::uint32_t kMinParkedHexId = 10001;
constexpr double kParkedBoxNm = 3.0;
constexpr std::size_t kPtMaxRegistration = 12;
constexpr std::size_t kPtMaxCallsign = 8;
// Report times beyond year 9999 are no times (and would not fit the calendar functions).
constexpr double kLatestReportTime = 253402300799.0;

// A generic designator the feed reports, and the specific one it stands for.
constexpr std::pair<std::string_view, std::string_view> kTypePairs[] = {
    {"A380", "A388"}, {"B767", "B763"}, {"B747", "B744"}, {"B757", "B752"}};

std::uint32_t lf_leadingHex(std::string_view key)
{
    std::uint32_t value = 0;
    const auto [end, ec] = std::from_chars(key.data(), key.data() + key.size(), value, 16);
    return ec == std::errc() && end != key.data() ? value : 0;
}

// The report time in whole seconds.
std::int64_t lf_reportTime(const json& e)
{
    const auto t = gf_jsonNumberAt(e, kPtReportTime);
    if (!t || *t < 0.0 || *t > kLatestReportTime) throw std::runtime_error("report time");
    return static_cast<std::int64_t>(std::trunc(*t));
}

std::string lf_parkedType(std::string_view type)
{
    if (type == "0" || type == "ZZZZ") return {};
    for (const auto& [generic, specific] : kTypePairs)
        if (type == generic) return std::string(specific);
    return std::string(type);
}

void lf_readParkedPosition(const json& e, ParkedTrafficRecord& r)
{
    const auto latitude = gf_jsonNumberAt(e, kPtLat);
    const auto longitude = gf_jsonNumberAt(e, kPtLon);
    if (!latitude || !longitude) throw std::runtime_error("lalo missing");
    const double lat = *latitude;
    const double lon = *longitude;
    if (lat < -90.0 || lat > 90.0 || lon < -180.0 || lon > 180.0 || !gf_positionKnown({lat, lon}))
        throw std::runtime_error(fmt::format("lalo:{:.6f},{:.6f}", lat, lon));
    r.lat = lat;
    r.lon = lon;
}

std::string lf_parkedCallsign(std::string_view callsign)
{
    if (callsign == "null" || callsign.find('@') != std::string_view::npos ||
        callsign.find("00000") != std::string_view::npos || callsign.size() > kPtMaxCallsign)
        return {};
    if (!callsign.empty() && callsign.front() == '.') callsign.remove_prefix(1);
    return std::string(callsign);
}

void lf_completeFromDatabase(AcHead& head)
{
    if (!head.registration.empty()) {
        if (const auto found = gf_findRegistration(head.registration)) {
            gf_takeRegistrationNames(head, *found);
            if (head.callsign.empty()) head.callsign = head.registration;
        }
    } else if (!head.callsign.empty()) {
        if (const auto found = gf_findRegistration(head.callsign)) {
            if (!found->airl.empty()) head.airline = found->airl;
            if (!found->type.empty()) head.type = found->type;
            head.registration = head.callsign;
        }
    }
}

bool lf_categoryWanted(std::string_view type)
{
    switch (gf_aircraftCategory(type)) {
    case AcCategory::Light: return param::LIGHT_AIRCRAFT.on();
    case AcCategory::HighPerf: return param::HIGH_PERF_AIRCRAFT.on();
    case AcCategory::Rotorcraft: return param::HELICOPTERS.on();
    default: return true;
    }
}

// Stands no parked aircraft may take: the user's reserved one and the one the user stands at.
struct StandsOfTheUser {
    std::string reserved = gf_reservedStand();
    std::string current = gf_closestStandName(gf_serviceUserPosition().position);
    bool leaveFree(const std::string& stand) const { return stand.empty() || stand == reserved || stand == current; }
};

void lf_logRefusal(std::int32_t status)
{
    if (status == 0) return; // transfer or reply failure, logged where it happened
    if (status == 400)
        gf_logError("RT API parameter fault");
    else if (status == 401)
        gf_logErrorf("RT Parked traffic: re-authentication to RT API is needed {}", "Tarvo");
    else
        gf_logErrorf("RT parkedtraffic error status: {}", status);
}

bool lf_readParkedEntry(TrafficClient& client, const std::string& key, const StandsOfTheUser& user)
{
    try {
        const json& e = client.parkedEntry;
        ParkedTrafficRecord r;
        r.hexId = lf_leadingHex(key);
        if (r.hexId < kMinParkedHexId) return true;
        if (!e.is_array()) throw std::runtime_error("entry is no array");
        r.reportTime = lf_reportTime(e);
        // The slot rule of now's slot, so that a report seconds old is 0 half hours old.
        r.slot = static_cast<std::int32_t>(gf_halfHourSlotOf(static_cast<std::time_t>(r.reportTime)));
        const std::string_view registration = gf_jsonTextAt(e, kPtRegistration);
        if (registration.size() <= kPtMaxRegistration && registration != "null") r.head.registration = registration;
        r.head.type = lf_parkedType(gf_jsonTextAt(e, kPtType));
        lf_readParkedPosition(e, r);
        r.head.callsign = lf_parkedCallsign(gf_jsonTextAt(e, kPtCallsign));
        lf_completeFromDatabase(r.head);
        if (!gf_isKnownAircraftType(r.head.type) || !lf_categoryWanted(r.head.type)) return true;
        if (e.size() <= kPtStand || !e[kPtStand].is_string()) throw std::runtime_error("stand is no text");
        r.stand = e[kPtStand].get<std::string>();
        if (!user.leaveFree(r.stand)) client.parkedList.push_back(std::move(r));
        return true;
    } catch (const std::runtime_error&) {
        return false; // counted by the caller, which logs them once
    } catch (const std::exception& ex) {
        gf_logErrorf("{}: {}", "processParkedTrafficLine", ex.what());
        return false;
    }
}

} // namespace

QueryBox gf_parkedBox(LatLon airport) { return gf_trafficBoxAround(airport, kParkedBoxNm); }

bool processParkedTrafficLine(TrafficClient& client, const std::string& key)
{
    return lf_readParkedEntry(client, key, StandsOfTheUser{});
}

bool gf_readParkedReply(TrafficClient& client, const std::string& body, std::int32_t& status)
{
    client.parkedList.clear();
    json reply = json::parse(body);
    const std::int32_t code = gf_replyStatus(reply);
    if (code != 200) {
        status = code;
        return false;
    }
    const auto data = reply.find("data");
    if (data == reply.end() || gf_jsonEmpty(*data)) return true;
    if (!data->is_object()) throw std::runtime_error("\"data\" is no object");
    const StandsOfTheUser user;
    std::size_t malformed = 0;
    for (auto& [key, value] : data->items()) {
        if (gf_jsonEmpty(value)) continue;
        client.parkedEntry.swap(value);
        if (!lf_readParkedEntry(client, key, user)) ++malformed;
    }
    client.parkedEntry = json();
    if (malformed > 0)
        gf_logErrorf("parkedtraffic: {} malformed entr{} dropped", malformed, malformed == 1 ? "y" : "ies");
    return true;
}

bool parkedtraffic(TrafficClient& client, std::int32_t& status, const QueryBox& box)
{
    const std::string guid = client.guid();
    if (guid.empty()) return false;
    client.parkedList.clear();
    try {
        const std::string body = gf_formBody({{"GUID", guid},
                                              {"top", fmt::format("{:.2f}", box.top)},
                                              {"bottom", fmt::format("{:.2f}", box.bottom)},
                                              {"left", fmt::format("{:.2f}", box.left)},
                                              {"right", fmt::format("{:.2f}", box.right)},
                                              {"querytype", "parkedtraffic"},
                                              {"toffset", std::to_string(client.timeOffset.load())}});
        // An exit under way ends the request at once.
        const ServiceReply answer = gf_postToService("traffic", body, &g_exitRequested, kParkedTransferLimitMs);
        if (!answer.ok()) {
            if (g_exitRequested.load() == 0)
                gf_logErrorf("{} curl parkedtraffic code_pt: {}", gf_utcTimeText(gf_timeNow()), answer.errorText);
            return false;
        }
        return gf_readParkedReply(client, answer.body, status);
    } catch (const std::exception& e) {
        client.parkedList.clear(); // half a reply is no reply
        gf_logErrorf("{}: {}", "parkedtraffic", e.what());
        return false;
    }
}

void gf_keepYoungestParked(std::vector<ParkedTrafficRecord>& list, std::uint32_t nowSlot)
{
    const auto now = static_cast<std::int32_t>(nowSlot);
    for (ParkedTrafficRecord& r : list) {
        r.slot = now - r.slot;
        if (r.slot < 0) r.slot += static_cast<std::int32_t>(kSlotsPerDay);
    }
    if (!param::RT_PARKTRAFFIC_ONLY.on()) {
        const std::int32_t maxFit = param::MAX_FIT.value.load();
        std::erase_if(list, [&](const ParkedTrafficRecord& r) { return r.slot > maxFit; });
    }
    // Ages are whole half hours: within one, the later report is the younger.
    std::stable_sort(list.begin(), list.end(), [](const ParkedTrafficRecord& a, const ParkedTrafficRecord& b) {
        return a.slot != b.slot ? a.slot < b.slot : a.reportTime > b.reportTime;
    });
    std::set<std::string, std::less<>> stands;
    std::set<std::string, std::less<>> callsigns;
    std::vector<ParkedTrafficRecord> kept;
    kept.reserve(list.size());
    for (ParkedTrafficRecord& r : list) {
        if (stands.contains(r.stand) || (!r.head.callsign.empty() && callsigns.contains(r.head.callsign))) continue;
        stands.insert(r.stand);
        if (!r.head.callsign.empty()) callsigns.insert(r.head.callsign);
        kept.push_back(std::move(r));
    }
    list = std::move(kept);
}

bool gf_requestParkedTraffic()
{
    TrafficClient& client = g_trafficClient;
    const AirportRecord airport = gf_parkAirport();
    std::int32_t status = 0;
    if (airport.icao.empty() || !parkedtraffic(client, status, gf_parkedBox({airport.lat, airport.lon}))) {
        lf_logRefusal(status);
        client.parkedList.clear();
        return false;
    }
    gf_keepYoungestParked(client.parkedList, gf_halfHourSlot());
    return true;
}

namespace {

// A request made ahead of the step that needs its answer, so that the service's time is not spent on
// the main loop's tick.
struct ParkedPrefetch {
    std::string code; // the park airport asked about
    std::future<bool> answer;
};
std::mutex g_prefetchMutex;
std::optional<ParkedPrefetch> g_prefetch;

std::optional<ParkedPrefetch> lf_takePrefetch()
{
    std::lock_guard lock(g_prefetchMutex);
    std::optional<ParkedPrefetch> taken = std::move(g_prefetch);
    g_prefetch.reset();
    return taken;
}

bool lf_answerOf(ParkedPrefetch& prefetch)
{
    try {
        return prefetch.answer.get();
    } catch (const std::exception& e) {
        gf_logErrorf("{}: {}", "parkedtraffic", e.what());
        return false;
    }
}

} // namespace

void gf_prefetchParkedTraffic()
{
    const std::string code = gf_parkAirport().icao;
    std::lock_guard lock(g_prefetchMutex);
    if (code.empty() || g_prefetch)
        return;
    g_prefetch = ParkedPrefetch{code, std::async(std::launch::async, gf_requestParkedTraffic)};
}

bool gf_takeParkedTraffic()
{
    if (auto prefetch = lf_takePrefetch()) {
        const bool answered = lf_answerOf(*prefetch);
        if (prefetch->code == gf_parkAirport().icao)
            return answered;
        g_trafficClient.parkedList.clear(); // another airport's
    }
    return gf_requestParkedTraffic();
}

bool gf_parkedTrafficAnswered()
{
    std::lock_guard lock(g_prefetchMutex);
    return !g_prefetch || g_prefetch->answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

void gf_awaitParkedPrefetch()
{
    if (auto prefetch = lf_takePrefetch())
        lf_answerOf(*prefetch);
}

} // namespace zyn
