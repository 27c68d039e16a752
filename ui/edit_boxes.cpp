#include "ui/edit_boxes.h"

#include "airport/airports.h"
#include "airport/park_airport_state.h"
#include "base/folders.h"
#include "base/log.h"
#include "base/path_case.h"
#include "base/path_text.h"
#include "base/text_util.h"
#include "requests/exit_request.h"
#include "requests/main_loop_requests.h"
#include "settings/setting_controls.h"
#include "settings/settings_file.h"
#include "settings/traffic_range.h"
#include "shown/status_line.h"
#include "ui/session_controls.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <stdexcept>

#include <fmt/format.h>

namespace zyn {

namespace {

constexpr std::size_t kShortestCallsign = 4;
constexpr std::size_t kLongestCallsign = 8;
constexpr std::size_t kAirportCodeLength = 4;

bool lf_isBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

std::string_view lf_afterBlanks(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && lf_isBlank(text[i]))
        ++i;
    return text.substr(i);
}

bool lf_isTimeShiftPart(const IntControlParameter& p)
{
    return &p == &param::TIME_SHIFT_DAYS || &p == &param::TIME_SHIFT_HOURS || &p == &param::TIME_SHIFT_MINS;
}

void lf_say(const std::string& text, bool log) { gf_setStatusMessage(text, log); }

// The text typed into the box; nothing, said on the status line, when it is not valid text: it is
// refused like any bad value, never taken for an empty box.
std::optional<std::string> lf_typedText(const ParameterControl& box)
{
    auto typed = gf_boxText(box.controlId);
    if (!typed)
        lf_say("invalid input: the text is not valid Unicode", true);
    return typed;
}

// The value the typed text asks for, before the bounds: an empty box asks for the default (0 for
// the parking percentage). Nothing when the text is no number.
std::optional<std::int64_t> lf_wantedInt(const IntControlParameter& p, const std::string& typed)
{
    if (typed.empty())
        return &p == &param::parking_percentage ? 0 : p.defaultValue;
    return gf_leadingInteger(typed);
}

// While a park airport is loaded, its learned file holds these two and the user's own values wait in
// "parameters.xml" for the end of parking.
bool lf_isAirportsValue(const IntControlParameter& p)
{
    return (&p == &param::MAX_LIVE || &p == &param::LATERAL_RANGE) && g_parkAirportLoaded.load() != 0;
}

// The bounds first, then the comparison: a value beyond a bound that is already in force changes
// nothing (30 days typed while 28 are in force must not rebuild the scene).
bool lf_applyTypedInt(IntControlParameter& p, const std::string& typed)
{
    const auto wanted = lf_wantedInt(p, typed);
    if (!wanted) {
        lf_say(fmt::format("invalid input: {}", typed), true);
        return false;
    }
    const std::int32_t value = p.clamp(*wanted);
    if (value == p.value.load()) {
        lf_say(fmt::format("Same {} value {}, no changes made", p.key, value), true);
        return false;
    }
    p.value = value;
    if (&p != &param::parking_percentage && !lf_isTimeShiftPart(p) && !lf_isAirportsValue(p))
        saveIntParameter(p); // the time shift saves its three parts itself
    if (value == *wanted)
        lf_say(fmt::format("The new {} is {}", p.key, value), false);
    else
        lf_say(fmt::format("The new {} is {}: {} lies outside {} to {}", p.key, value, *wanted, p.minimum, p.maximum),
               false);
    return true;
}

std::int32_t lf_maxFitOf(double hours)
{
    const double v = std::clamp(hours, 0.5, 24.0);
    return param::MAX_FIT.clamp(static_cast<std::int64_t>(std::round(2.0 * v)) - 1);
}

float lf_fitHoursOf(std::int32_t maxFit)
{
    const auto& fl = param::MAX_FIT_FL;
    return std::clamp(static_cast<float>(maxFit) * 0.5f + 0.5f, fl.minimum, fl.maximum);
}

bool lf_applyTypedFit(const std::string& typed)
{
    auto& fl = param::MAX_FIT_FL;
    std::int32_t maxFit = param::MAX_FIT.defaultValue;
    if (!typed.empty()) {
        const auto hours = gf_leadingNumber(typed);
        if (!hours) {
            lf_say(fmt::format("invalid input: {}", typed), true);
            return false;
        }
        maxFit = lf_maxFitOf(*hours);
    }
    const float hours = typed.empty() ? std::clamp(fl.defaultValue, fl.minimum, fl.maximum) : lf_fitHoursOf(maxFit);
    if (hours == fl.value.load() && maxFit == param::MAX_FIT.value.load()) {
        lf_say(fmt::format("Same {} value {}, no changes made", fl.key, gf_formatNumber(hours)), true);
        return false;
    }
    param::MAX_FIT.value = maxFit;
    saveIntParameter(param::MAX_FIT);
    fl.value = hours;
    lf_say(fmt::format("The new {} is {:.1F}", fl.key, hours), false);
    return true;
}

std::int32_t lf_typedShiftMinutes()
{
    using namespace param;
    return (TIME_SHIFT_DAYS.value.load() * 24 + TIME_SHIFT_HOURS.value.load()) * 60 + TIME_SHIFT_MINS.value.load();
}

void lf_afterNewInt(IntControlParameter& p, std::int32_t before)
{
    using namespace param;
    if (&p == &CUSTOM_MAX_PARK || &p == &parking_percentage) {
        lf_requestParkingRenewal();
    } else if (&p == &LATERAL_RANGE) {
        g_airportFileChanged = 1;
        gf_setTrafficRange(p.value.load());
    } else if (&p == &MAX_LIVE) {
        // The engine applies a new MAX_LIVE on its own thread at its next tick.
        if (lf_isAirportsValue(p))
            g_airportFileChanged = 1;
    } else if (&p == &MATCHING_DEPTH) {
        if (p.value.load() > before)
            g_matchDepthRequest = 1;
    } else if (lf_isTimeShiftPart(p)) {
        lf_timeShift(lf_typedShiftMinutes(), false);
    }
}

void lf_queryCallsign()
{
    auto& query = param::CALLSIGN_2_OBJECTID;
    const auto text = lf_typedText(query);
    if (!text) {
        gf_setBoxText(query);
        return;
    }
    const std::string& typed = *text;
    if (typed.empty()) {
        if (!query.empty())
            query.setValue("");
        gf_clearBox(query);
        return;
    }
    const auto callsign = gf_codeText(typed, 1, kLongestCallsign);
    if (!callsign) {
        lf_say(fmt::format("callsign \"{}\" is not valid", typed), true);
        gf_setBoxText(query);
        return;
    }
    query.setValue(*callsign);
    gf_setBoxText(query);
    g_callsignQueryRequest = 1;
}

// The code typed into the box, upper-cased, when it is valid and not the one in force; otherwise the
// status line says why and the box shows the value in force again.
std::optional<std::string> lf_newCode(StringControlParameter& box, const std::string& typed, std::size_t minLength,
                                      std::size_t maxLength, std::string_view what)
{
    const auto code = gf_codeText(typed, minLength, maxLength);
    if (!code)
        lf_say(fmt::format("{} \"{}\" is not valid", what, typed), true);
    else if (*code == box.getValue())
        lf_say(fmt::format("{} \"{}\" was already set ...", what, *code), true);
    else
        return code;
    gf_setBoxText(box);
    return std::nullopt;
}

StringParameter& lf_modeInstallPath()
{
    return param::MSFS_2020.on() ? param::MSFS_INSTALL_PATH : param::MSFS_2024_INSTALL_PATH;
}

// The folder holds a "Community" folder (in any case, as on Windows).
bool lf_holdsCommunity(const std::filesystem::path& folder)
{
    const auto community = gf_findCaseInsensitive(folder, "Community");
    std::error_code ec;
    return community && std::filesystem::is_directory(*community, ec);
}

void lf_acceptPath(StringParameter& installPath, const std::filesystem::path& folder)
{
    installPath.setValueAndSave(gf_utf8FromPath(folder));
    lf_restartForCommunityPath();
}

} // namespace

std::optional<std::int64_t> gf_leadingInteger(std::string_view text)
{
    std::string_view rest = lf_afterBlanks(text);
    bool negative = false;
    if (!rest.empty() && (rest.front() == '+' || rest.front() == '-')) {
        negative = rest.front() == '-';
        rest.remove_prefix(1);
    }
    if (rest.empty() || rest.front() < '0' || rest.front() > '9')
        return std::nullopt;
    std::int64_t value = 0;
    for (const char c : rest) {
        if (c < '0' || c > '9')
            break;
        value = value * 10 + (c - '0');
        if (value > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1)
            throw std::out_of_range("stoi argument out of range");
    }
    value = negative ? -value : value;
    if (value > std::numeric_limits<std::int32_t>::max())
        throw std::out_of_range("stoi argument out of range");
    return value;
}

std::optional<double> gf_leadingNumber(std::string_view text)
{
    const std::string copy(lf_afterBlanks(text));
    // Only plain decimal numbers: no hexadecimal, infinity or not-a-number.
    const std::size_t first = !copy.empty() && (copy[0] == '+' || copy[0] == '-') ? 1 : 0;
    const bool digitFirst = first < copy.size() && ((copy[first] >= '0' && copy[first] <= '9') ||
                                                    (copy[first] == '.' && first + 1 < copy.size() &&
                                                     copy[first + 1] >= '0' && copy[first + 1] <= '9'));
    if (!digitFirst || copy.find_first_of("xX") == first + 1)
        return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(copy.c_str(), &end);
    if (end == copy.c_str())
        return std::nullopt;
    if (errno == ERANGE || !std::isfinite(value))
        throw std::out_of_range("stof argument out of range");
    return value;
}

std::optional<std::string> gf_codeText(std::string_view typed, std::size_t minLength, std::size_t maxLength)
{
    if (typed.size() < minLength || typed.size() > maxLength)
        return std::nullopt;
    std::string code = gf_toUpper(typed);
    for (const char c : code)
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return std::nullopt;
    return code;
}

bool lf_processTbInt(IntControlParameter& parameter)
{
    const auto text = lf_typedText(parameter);
    const std::string typed = text.value_or(std::string());
    bool changed = false;
    try {
        changed = text && lf_applyTypedInt(parameter, typed);
    } catch (const std::out_of_range& e) {
        gf_logErrorf("{}: {}, h={} ", "lf_processTbInt", e.what(), typed);
        lf_say(fmt::format("invalid input: {} is too large a number", typed), false);
    }
    gf_setBoxInt(parameter);
    return changed;
}

bool lf_processTbFloat(FloatControlParameter& parameter)
{
    const auto text = lf_typedText(parameter);
    const std::string typed = text.value_or(std::string());
    bool changed = false;
    try {
        changed = text && lf_applyTypedFit(typed);
    } catch (const std::out_of_range& e) {
        gf_logf("{}: {}, h={} ", "lf_processTbFloat", e.what(), typed);
        lf_say(fmt::format("invalid input: {} is too large a number", typed), false);
    }
    gf_setBoxFloat(parameter);
    return changed;
}

void lf_numBoxEnter(IntControlParameter& parameter)
{
    gf_clearStatusMessage();
    const std::int32_t before = parameter.value.load();
    if (lf_processTbInt(parameter))
        lf_afterNewInt(parameter, before);
}

void lf_maxFitBoxEnter()
{
    gf_clearStatusMessage();
    if (g_parkAirportLoaded.load() == 0)
        return; // the typed text stays in the box
    if (lf_processTbFloat(param::MAX_FIT_FL))
        lf_requestParkingRenewal();
}

void lf_textBoxEnter(StringControlParameter& parameter)
{
    gf_clearStatusMessage();
    if (&parameter == &param::BLOCK_CALLSIGN)
        lf_blockCallsign();
    else if (&parameter == &param::DESTINATION)
        lf_processDestination();
    else if (&parameter == &param::CALLSIGN_2_OBJECTID)
        lf_queryCallsign();
    else if (&parameter == &param::ALL_INSTALL_PATH) {
        if (const auto typed = lf_typedText(parameter))
            lf_newSimPath(lf_modeInstallPath(), *typed);
    }
}

void lf_requestParkingRenewal()
{
    if (g_parkAirportLoaded.load() == 0)
        return;
    g_airportFileChanged = 1;
    if (param::INITIAL_LOAD_ONLY.on()) {
        gf_clearStatusMessage();
        return;
    }
    const std::int32_t c = g_secondsCounter.load();
    const std::int32_t s = 15 * (c / 15 + 1) - c;
    lf_say(fmt::format("{} will respond in {} second{} ...", kProductName, s, gf_plural(s)), false);
    g_renewParkingRequest = 1;
}

void lf_blockCallsign()
{
    auto& blocked = param::BLOCK_CALLSIGN;
    gf_clearStatusMessage();
    const auto text = lf_typedText(blocked);
    if (!text) {
        gf_setBoxText(blocked);
        return;
    }
    const std::string& typed = *text;
    if (typed.empty()) {
        if (!blocked.empty())
            lf_unblockCallsign();
        return;
    }
    const auto callsign = lf_newCode(blocked, typed, kShortestCallsign, kLongestCallsign, "callsign");
    if (!callsign)
        return;
    blocked.setValueAndSave(*callsign);
    gf_setBoxText(blocked);
    gf_enableControl(param::UNBLOCK_BUTTON, true);
    lf_say(fmt::format("live aircraft with callsign \"{}\" will be blocked", *callsign), true);
    g_blockChangedRequest = 1;
}

void lf_unblockCallsign()
{
    auto& blocked = param::BLOCK_CALLSIGN;
    const std::string old = blocked.getValue();
    if (old.empty())
        return;
    blocked.setValueAndSave("");
    gf_setBoxText(blocked);
    gf_enableControl(param::UNBLOCK_BUTTON, false);
    lf_say(fmt::format("no more blocking of live aircraft \"{}\"", old), true);
    g_blockChangedRequest = 1;
}

void lf_processDestination()
{
    auto& destination = param::DESTINATION;
    gf_clearStatusMessage();
    const auto text = lf_typedText(destination);
    if (!text) {
        gf_setBoxText(destination);
        return;
    }
    const std::string& typed = *text;
    if (typed.empty()) {
        destination.setValue(""); // in memory only
        gf_enableControl(param::REREAD_BUTTON, true);
        lf_say("destination set to empty", true);
        return;
    }
    const auto code = lf_newCode(destination, typed, kAirportCodeLength, kAirportCodeLength, "destination");
    if (!code)
        return;
    if (const auto airport = gf_findAirport(*code)) {
        lf_setDestination(*code, LatLon{airport->lat, airport->lon});
        return;
    }
    lf_say(fmt::format("destination \"{}\" is unknown ...", *code), true);
    gf_setBoxText(destination);
}

void lf_newSimPath(StringParameter& installPath, const std::string& text)
{
    gf_clearErrorMessage(); // the start-up's prompt for a path goes
    gf_clearStatusMessage();
    if (text.empty()) {
        if (!installPath.empty())
            installPath.setValueAndSave("");
        return;
    }
    const std::filesystem::path typed = gf_pathFromUtf8(text);
    std::error_code ec;
    const auto status = std::filesystem::status(typed, ec);
    if (status.type() == std::filesystem::file_type::not_found) {
        lf_say(fmt::format("This install path does not exist: {}", text), true);
        return;
    }
    if (ec) {
        lf_say(fmt::format("This install path cannot be read: {}", text), true);
        return;
    }
    // "...\Community" names the folder inside the packages folder: the packages folder is stored. In
    // any letter case, as Windows finds it so and the program looks for that folder so.
    const std::filesystem::path folder = typed.has_filename() ? typed : typed.parent_path();
    const bool community = gf_toUpper(gf_utf8FileName(folder)) == "COMMUNITY";
    const std::filesystem::path packages = community ? folder.parent_path() : folder;
    if (!packages.empty() && lf_holdsCommunity(packages)) {
        lf_acceptPath(installPath, packages);
        return;
    }
    lf_say("This path exists but is not a path to Community ...", true);
}

void lf_restartForCommunityPath()
{
    lf_say(fmt::format("Community path found, {} will restart ...", kProductName), true);
    gf_requestExit(static_cast<std::int32_t>(ExitReason::NewSettings), 3);
}

} // namespace zyn
