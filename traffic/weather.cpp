#include "traffic/weather.h"

#include "base/log.h"
#include "base/time_util.h"
#include "platform/system/clock.h"
#include "shown/display_state.h"
#include "traffic/json_fields.h"
#include "traffic/reader_status.h"
#include "traffic/service_request.h"
#include "traffic/session.h"

#include <cmath>
#include <cstdlib>

namespace zyn {

using nlohmann::json;

namespace {

constexpr std::int32_t kQnhMin = 930;
constexpr std::int32_t kQnhMax = 1080;
constexpr double kHpaPerHundredthInch = 0.33865307;

std::optional<double> lf_numberFromText(const std::string& text)
{
    if (text.empty()) return std::nullopt;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::string lf_position(double v) { return fmt::format("{:.4f}", v); }

// True when a station code was found; false (status set) on a refused status.
bool lf_readStation(WeatherClient& client, const json& reply, std::int32_t& status)
{
    const std::int32_t code = gf_replyStatus(reply);
    if (code != 200) {
        status = code;
        if (code == 406 || code == 500)
            gf_logErrorf("{} json nearestmetar {}", code, gf_jsonTextOf(reply, "message"));
        return false;
    }
    const json& data = reply.at("data");
    if (!data.is_array()) throw json::type_error::create(302, "\"data\" is not an array", &data);
    if (!data.empty() && !gf_jsonEmpty(data[0]) && data[0].is_object() && data[0].contains("ICAO") &&
        data[0]["ICAO"].is_string()) {
        client.station = data[0]["ICAO"].get<std::string>();
        client.weatherKnown.store(1);
        return true;
    }
    client.station.clear();
    return false;
}

enum class Round { Next, End };

// One weather request; sets known when the reply had status 200.
Round lf_weatherRound(WeatherClient& client, std::int32_t& status, bool& known)
{
    const ServiceUserPosition user = gf_serviceUserPosition();
    const auto altitude = user.altitudeFt > 0.0 ? static_cast<std::int64_t>(user.altitudeFt) : 0;
    const std::string body = gf_formBody({{"GUID", client.guid()},
                                          {"querytype", "locwx"},
                                          {"toffset", std::to_string(client.timeOffset.load())},
                                          {"lat", lf_position(user.position.lat)},
                                          {"lon", lf_position(user.position.lon)},
                                          {"alt", std::to_string(altitude)},
                                          {"airports", client.station}});
    const ServiceReply answer = gf_postToService("weather", body, &client.stop);
    if (!answer.ok()) {
        if (client.stop.load() == 0)
            gf_logErrorf("{} weather code_w: {}", gf_utcTimeText(gf_timeNow()), answer.errorText);
        return Round::Next;
    }
    return gf_readWeatherReply(client, answer.body, status, known) ? Round::Next : Round::End;
}

} // namespace

bool gf_readStationReply(WeatherClient& client, const std::string& body, std::int32_t& status)
{
    if (body.empty()) {
        gf_logError("nearest metar: empty content");
        return false;
    }
    return lf_readStation(client, json::parse(body), status);
}

bool gf_readWeatherReply(WeatherClient& client, const std::string& body, std::int32_t& status, bool& known)
{
    if (body.empty()) {
        gf_logError("Empty content?, no QNH to be found");
        return true;
    }
    const json reply = json::parse(body);
    const std::int32_t code = gf_replyStatus(reply);
    if (code == 406 || code == 500) {
        status = code;
        gf_logErrorf("{} json weather {}", code, gf_jsonTextOf(reply, "message"));
        return true;
    }
    if (code != 200) {
        status = code;
        return false;
    }
    known = true;
    client.wrrl.store(gf_periodFromReply(gf_jsonIntegerOf(reply, "wrrl").value_or(2000)));
    gf_applyQnh(gf_readQnh(reply), body);
    return true;
}

QnhReading gf_readQnh(const json& reply)
{
    const auto data = reply.find("data");
    if (data == reply.end() || gf_jsonEmpty(*data) || !data->is_object()) return {};
    const auto q = data->find("QNH");
    if (q == data->end() || gf_jsonEmpty(*q)) return {};
    std::optional<double> v;
    if (q->is_number_integer()) {
        v = q->get<double>();
    } else if (q->is_number_float()) {
        v = static_cast<double>(std::lround(static_cast<float>(q->get<double>())));
    } else if (q->is_string()) {
        const auto parsed = lf_numberFromText(q->get<std::string>());
        if (!parsed) return {QnhReading::Kind::Unreadable, 0, "QNH text is not a number"};
        v = std::round(*parsed);
    } else {
        return {QnhReading::Kind::Unreadable, 0, "QNH is not a number"};
    }
    double hpa = *v;
    if (hpa > kQnhMax) hpa = std::round(hpa * kHpaPerHundredthInch);
    if (!std::isfinite(hpa) || std::fabs(hpa) > 1e6) return {QnhReading::Kind::Unreadable, 0, "QNH out of range"};
    const auto value = static_cast<std::int32_t>(hpa);
    if (value < kQnhMin || value > kQnhMax) return {QnhReading::Kind::Strange, value, {}};
    return {QnhReading::Kind::Value, value, {}};
}

bool gf_applyQnh(const QnhReading& reading, const std::string& replyText)
{
    switch (reading.kind) {
    case QnhReading::Kind::Missing:
        gf_logErrorf("No QNH found in {}", replyText);
        return false;
    case QnhReading::Kind::Unreadable:
        gf_logErrorf("{}: {}", reading.reason, replyText);
        return false;
    case QnhReading::Kind::Strange:
        gf_logErrorf("Strange QNH {} found in {}", reading.value, replyText);
        return false;
    case QnhReading::Kind::Value:
        break;
    }
    const std::int32_t v = reading.value;
    if (v == g_weatherClient.previousQnh.load() && v != 1013) return false;
    g_weatherClient.previousQnh.store(v);
    g_trafficClient.qnh.exchange(v);
    g_qnh.exchange(v);
    gf_setQnhDisplay(v);
    return true;
}

bool nearestmetar(WeatherClient& client, std::int32_t& status)
{
    if (client.guid().empty()) return false;
    bool result = false;
    try {
        const LatLon user = gf_serviceUserPosition().position;
        const std::string body = gf_formBody({{"GUID", client.guid()},
                                              {"toffset", std::to_string(client.timeOffset.load())},
                                              {"lat", lf_position(user.lat)},
                                              {"lon", lf_position(user.lon)}});
        const ServiceReply answer = gf_postToService("nearestmetar", body, &client.stop);
        if (!answer.ok()) {
            if (client.stop.load() == 0)
                gf_logErrorf("{} nearestmetar code_w: {}", gf_utcTimeText(gf_timeNow()), answer.errorText);
        } else {
            result = gf_readStationReply(client, answer.body, status);
        }
    } catch (const std::exception& e) {
        gf_logErrorf("{}: {}", "nearestmetar", e.what());
    }
    if (client.stop.load() == 0) gf_sleepPeriod(client, client.wrrl.load());
    return result;
}

bool lf_weatherLoop(WeatherClient& client, std::int32_t& status)
{
    if (client.guid().empty()) return false;
    while (true) {
        if (client.stop.load() != 0) {
            status = kStoppedStatus;
            return false;
        }
        std::int32_t stationStatus = 0;
        if (nearestmetar(client, stationStatus)) {
            bool known = false;
            Round round = Round::Next;
            try {
                round = lf_weatherRound(client, status, known);
            } catch (const std::exception& e) {
                gf_logErrorf("{}: {}", "receive", e.what());
            }
            client.weatherKnown.store(known ? 1 : 0);
            if (round == Round::End) {
                if (client.stop.load() != 0) status = kStoppedStatus;
                return false;
            }
        } else if (stationStatus == 400 || stationStatus == 401) {
            status = client.stop.load() != 0 ? kStoppedStatus : stationStatus;
            return false;
        }
        if (client.stop.load() != 0) {
            status = kStoppedStatus;
            return false;
        }
        gf_sleepPeriod(client, client.wrrl.load());
    }
}

void gf_weatherReader()
{
    gf_runReader("gf_weatherReader", "Weather", g_weatherLight, g_trafficClient, [] {
        std::int32_t status = 0;
        lf_weatherLoop(g_weatherClient, status);
        return status;
    });
}

} // namespace zyn
