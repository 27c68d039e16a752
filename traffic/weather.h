#pragma once
// The "Weather" reader thread: the nearest METAR station, then the weather at the user's position,
// and from it the QNH that corrects traffic altitudes.
#include "traffic/client.h"

#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

namespace zyn {

// What a weather reply says about the QNH.
struct QnhReading {
    enum class Kind { Missing, Unreadable, Strange, Value };
    Kind kind = Kind::Missing;
    std::int32_t value = 0; // hPa, for Strange and Value
    std::string reason;     // for Unreadable
};
// Reads "data"."QNH": a number of any JSON type or a numeric text, in hPa (930..1080) or, above
// 1080, inches of mercury x 100.
QnhReading gf_readQnh(const nlohmann::json& reply);
// Applies a reading to the QNH values and the display; returns whether the QNH was stored.
bool gf_applyQnh(const QnhReading& reading, const std::string& replyText);

// A reply's body read: the nearest station's (true when it named one; false, status set, on a refused
// status) and the weather's (false, status set, when a refused status ends the reader). A body that is
// no JSON or holds a bad status throws; the reader logs it and goes on.
bool gf_readStationReply(WeatherClient& client, const std::string& body, std::int32_t& status);
bool gf_readWeatherReply(WeatherClient& client, const std::string& body, std::int32_t& status, bool& known);

void gf_weatherReader();
bool lf_weatherLoop(WeatherClient& client, std::int32_t& status);
bool nearestmetar(WeatherClient& client, std::int32_t& status);

} // namespace zyn
