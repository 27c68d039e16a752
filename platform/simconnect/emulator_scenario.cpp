#include "platform/simconnect/emulator_scenario.h"

#include "platform/system/environment.h"
#include "platform/system/path_text.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <type_traits>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

namespace zyn::simemu {

namespace {

using nlohmann::json;

// A whole number that fits the key's type; a float or a number out of range names its key.
template <typename T> T lf_integer(const json& value, const std::string& path, const char* key)
{
    constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<T>::max());
    const bool fits = (value.is_number_unsigned() && value.get<std::uint64_t>() <= kMax) ||
                      (value.is_number_integer() && !value.is_number_unsigned() &&
                       value.get<std::int64_t>() >= std::numeric_limits<T>::min() &&
                       value.get<std::int64_t>() <= std::numeric_limits<T>::max());
    if (!fits)
        throw std::runtime_error(fmt::format("scenario key \"{}{}\": {} is no whole number from {} to {}", path, key,
                                             value.dump().substr(0, 40), std::numeric_limits<T>::min(),
                                             std::numeric_limits<T>::max()));
    return static_cast<T>(value.get<std::int64_t>());
}

// The value of an optional key, or the fallback; a value of the wrong type names its key.
template <typename T> T lf_get(const json& object, const std::string& path, const char* key, T fallback)
{
    auto it = object.find(key);
    if (it == object.end() || it->is_null())
        return fallback;
    if constexpr (std::is_integral_v<T> && !std::is_same_v<T, bool>)
        return lf_integer<T>(*it, path, key);
    try {
        return it->get<T>();
    } catch (const json::exception& e) {
        throw std::runtime_error(fmt::format("scenario key \"{}{}\": {}", path, key, e.what()));
    }
}

// A key the block cannot do without.
template <typename T> T lf_required(const json& object, const std::string& path, const char* key)
{
    if (!object.contains(key) || object[key].is_null())
        throw std::runtime_error(fmt::format("scenario key \"{}{}\": missing", path, key));
    return lf_get(object, path, key, T{});
}

const json& lf_object(const json& parent, const std::string& path, const char* key)
{
    static const json empty = json::object();
    auto it = parent.find(key);
    if (it == parent.end())
        return empty;
    if (!it->is_object())
        throw std::runtime_error(fmt::format("scenario key \"{}{}\": not an object", path, key));
    return *it;
}

const json& lf_array(const json& parent, const std::string& path, const char* key)
{
    static const json empty = json::array();
    auto it = parent.find(key);
    if (it == parent.end())
        return empty;
    if (!it->is_array())
        throw std::runtime_error(fmt::format("scenario key \"{}{}\": not an array", path, key));
    return *it;
}

void lf_checkPosition(double lat, double lon, const std::string& path)
{
    if (!std::isfinite(lat) || !std::isfinite(lon) || std::fabs(lat) > 90.0 || std::fabs(lon) > 180.0)
        throw std::runtime_error(fmt::format("scenario key \"{}\": position {} {} out of range", path, lat, lon));
}

// The placement keys shared by track points and foreign objects; missing keys keep what `into` holds.
template <typename Placed> void lf_readPlacement(const json& j, const std::string& path, Placed& into)
{
    into.lat = lf_get(j, path, "lat", into.lat);
    into.lon = lf_get(j, path, "lon", into.lon);
    into.altitudeFt = lf_get(j, path, "altitude_ft", into.altitudeFt);
    into.headingDeg = lf_get(j, path, "heading_deg", into.headingDeg);
    into.onGround = lf_get(j, path, "on_ground", into.onGround);
    lf_checkPosition(into.lat, into.lon, path);
}

// A point of the user's track; missing keys take the values of `base`.
TrackPoint lf_trackPoint(const json& j, const std::string& path, const TrackPoint& base)
{
    TrackPoint p = base;
    p.atSeconds = lf_get(j, path, "t", base.atSeconds);
    p.groundSpeedKt = lf_get(j, path, "ground_speed_kt", base.groundSpeedKt);
    lf_readPlacement(j, path, p);
    return p;
}

void lf_readUser(const json& user, Scenario& s)
{
    const TrackPoint start = lf_trackPoint(user, "user.", s.userTrack.front());
    s.userTitle = lf_get(user, "user.", "title", s.userTitle);
    s.userAtcModel = lf_get(user, "user.", "atc_model", s.userAtcModel);
    s.groundAltitudeFt = lf_get(user, "user.", "ground_altitude_ft", s.groundAltitudeFt);
    s.userTrack = {start};
    const json& track = lf_array(user, "user.", "track");
    if (track.empty())
        return;
    s.userTrack.clear();
    for (std::size_t i = 0; i < track.size(); ++i) {
        const std::string path = fmt::format("user.track[{}].", i);
        if (!track[i].is_object())
            throw std::runtime_error(fmt::format("scenario key \"{}\": not an object", path));
        TrackPoint p = lf_trackPoint(track[i], path, i == 0 ? start : s.userTrack.back());
        if (!s.userTrack.empty() && p.atSeconds < s.userTrack.back().atSeconds)
            throw std::runtime_error(fmt::format("scenario key \"{}t\": time goes backwards", path));
        s.userTrack.push_back(p);
    }
}

ForeignObjectSpec lf_foreignObject(const json& j, const std::string& path)
{
    if (!j.is_object())
        throw std::runtime_error(fmt::format("scenario key \"{}\": not an object", path));
    ForeignObjectSpec f;
    f.title = lf_get(j, path, "title", f.title);
    f.atcId = lf_get(j, path, "atc_id", f.atcId);
    f.appearAfterSeconds = lf_get(j, path, "appear_after_s", f.appearAfterSeconds);
    lf_readPlacement(j, path, f);
    return f;
}

// A place of the scenery: "lat" and "lon", both required.
LatLon lf_place(const json& j, const std::string& path)
{
    if (!j.is_object())
        throw std::runtime_error(fmt::format("scenario key \"{}\": not an object", path));
    const LatLon at{lf_required<double>(j, path, "lat"), lf_required<double>(j, path, "lon")};
    lf_checkPosition(at.lat, at.lon, path);
    return at;
}

AirportRunway lf_runway(const json& j, const std::string& path)
{
    if (!j.is_object())
        throw std::runtime_error(fmt::format("scenario key \"{}\": not an object", path));
    const json& ends = lf_array(j, path, "ends");
    if (ends.size() != 2)
        throw std::runtime_error(fmt::format("scenario key \"{}ends\": needs two ends, has {}", path, ends.size()));
    return {{lf_place(ends[0], path + "ends[0]."), lf_place(ends[1], path + "ends[1].")}};
}

void lf_readAirport(const json& airport, Scenario& s)
{
    const json& stands = lf_array(airport, "airport.", "stands");
    for (std::size_t i = 0; i < stands.size(); ++i) {
        const std::string path = fmt::format("airport.stands[{}].", i);
        const LatLon at = lf_place(stands[i], path);
        s.airport.stands.push_back({lf_required<std::string>(stands[i], path, "name"), at});
    }
    const json& runways = lf_array(airport, "airport.", "runways");
    for (std::size_t i = 0; i < runways.size(); ++i)
        s.airport.runways.push_back(lf_runway(runways[i], fmt::format("airport.runways[{}].", i)));
}

double lf_boundedNumber(const json& root, const char* key, double value, double low, double high)
{
    value = lf_get(root, "", key, value);
    if (!(value >= low && value <= high))
        throw std::runtime_error(fmt::format("scenario key \"{}\": must lie between {} and {}", key, low, high));
    return value;
}

// "creation_delay_s": one number, or [shortest, longest].
void lf_readCreationDelay(const json& root, SimBehaviour& b)
{
    const auto it = root.find("creation_delay_s");
    if (it == root.end() || it->is_null())
        return;
    if (it->is_number()) {
        b.creationDelayMinS = b.creationDelayMaxS = lf_boundedNumber(root, "creation_delay_s", 0.0, 0.0, 600.0);
        return;
    }
    const auto pair = lf_get(root, "", "creation_delay_s", std::vector<double>{});
    if (pair.size() != 2 || !(pair[0] >= 0.0 && pair[0] <= pair[1] && pair[1] <= 600.0))
        throw std::runtime_error("scenario key \"creation_delay_s\": a number or [shortest, longest], 0 to 600");
    b.creationDelayMinS = pair[0];
    b.creationDelayMaxS = pair[1];
}

CreationReplyOrder lf_replyOrder(const std::string& text)
{
    if (text == "random")
        return CreationReplyOrder::Random;
    if (text == "object_id_first")
        return CreationReplyOrder::ObjectIdFirst;
    if (text == "object_added_first")
        return CreationReplyOrder::ObjectAddedFirst;
    throw std::runtime_error(fmt::format(
        "scenario key \"creation_reply_order\": \"{}\" is not random, object_id_first or object_added_first", text));
}

void lf_readBehaviour(const json& root, SimBehaviour& b)
{
    lf_readCreationDelay(root, b);
    if (root.contains("creation_reply_order"))
        b.creationReplyOrder = lf_replyOrder(lf_get(root, "", "creation_reply_order", std::string{}));
    b.creationFailureRate = lf_boundedNumber(root, "creation_failure_rate", b.creationFailureRate, 0.0, 1.0);
    b.atcIdMaxChars = static_cast<std::size_t>(
        lf_boundedNumber(root, "atc_id_max_chars", static_cast<double>(b.atcIdMaxChars), 1.0, 31.0));
    b.maxRadiusMetres = static_cast<std::uint32_t>(
        lf_boundedNumber(root, "max_radius_m", static_cast<double>(b.maxRadiusMetres), 0.0, 4.0e9));
    b.drift = lf_get(root, "", "drift", b.drift);
    if (root.contains("quit_after_s") && !root["quit_after_s"].is_null())
        b.quitAfterS = lf_boundedNumber(root, "quit_after_s", 0.0, 0.0, 1.0e9);
    b.randomSeed = static_cast<std::uint32_t>(
        lf_boundedNumber(root, "random_seed", static_cast<double>(b.randomSeed), 0.0, 4294967295.0));
}

} // namespace

Scenario gf_parseScenario(std::string_view text)
{
    json root;
    try {
        root = json::parse(text);
    } catch (const json::exception& e) { // syntax, or a number beyond any double (out_of_range)
        throw std::runtime_error(fmt::format("scenario is not JSON: {}", e.what()));
    }
    if (!root.is_object())
        throw std::runtime_error("scenario is not a JSON object");
    Scenario s;
    s.simulator = lf_get(root, "", "simulator", s.simulator);
    if (s.simulator != 2020 && s.simulator != 2024)
        throw std::runtime_error(fmt::format("scenario key \"simulator\": {} is neither 2020 nor 2024", s.simulator));
    s.applicationName = lf_get(root, "", "application_name", s.applicationName);
    s.frameRate = lf_get(root, "", "frame_rate", s.frameRate);
    if (!(s.frameRate >= 1.0 && s.frameRate <= 1000.0))
        throw std::runtime_error("scenario key \"frame_rate\": must lie between 1 and 1000");
    s.simRunning = lf_get(root, "", "sim_running", s.simRunning);
    s.maxObjects = lf_get(root, "", "max_objects", s.maxObjects);
    lf_readUser(lf_object(root, "", "user"), s);
    if (root.contains("installed_titles"))
        s.installedTitles = lf_get(root, "", "installed_titles", std::vector<std::string>{});
    const json& foreign = lf_array(root, "", "foreign_objects");
    for (std::size_t i = 0; i < foreign.size(); ++i)
        s.foreignObjects.push_back(lf_foreignObject(foreign[i], fmt::format("foreign_objects[{}].", i)));
    lf_readAirport(lf_object(root, "", "airport"), s);
    lf_readBehaviour(root, s.behaviour);
    return s;
}

Scenario gf_loadScenarioFile(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw std::runtime_error(fmt::format("cannot read scenario file {}", gf_utf8FromPath(path)));
    std::ostringstream text;
    text << file.rdbuf();
    try {
        return gf_parseScenario(text.str());
    } catch (const std::exception& e) {
        throw std::runtime_error(fmt::format("{}: {}", gf_utf8FromPath(path), e.what()));
    }
}

Scenario gf_scenarioFromEnvironment()
{
    const auto file = gf_environmentValue("TARVO_SIM_SCENARIO");
    if (!file)
        return Scenario{};
    return gf_loadScenarioFile(gf_pathFromUtf8(*file));
}

std::optional<std::filesystem::path> gf_reportFolderFromEnvironment()
{
    const auto folder = gf_environmentValue("TARVO_SIM_REPORT");
    if (!folder)
        return std::nullopt;
    return gf_pathFromUtf8(*folder);
}

} // namespace zyn::simemu
