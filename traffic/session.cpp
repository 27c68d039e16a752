#include "traffic/session.h"

#include "base/errors.h"
#include "base/file_util.h"
#include "base/folders.h"
#include "base/log.h"
#include "base/path_text.h"
#include "base/text_util.h"
#include "base/time_util.h"
#include "base/version.h"
#include "platform/system/clock.h"
#include "requests/exit_request.h"
#include "shown/display_state.h"
#include "shown/display_texts.h"
#include "shown/status_line.h"
#include "traffic/json_fields.h"
#include "traffic/reader_status.h"
#include "traffic/service_request.h"

#include <fstream>

namespace zyn {

using nlohmann::json;

namespace {

// The logout runs while the program closes: a service that does not answer may hold the close up this
// long at most, not the whole transfer time-out of a poll.
constexpr std::int32_t kLogoutLimitMs = 8000;

// Login and logout read keys only when they have the expected type.
std::optional<std::int64_t> lf_integerKey(const json& reply, const char* key)
{
    const auto it = reply.find(key);
    if (it == reply.end() || !it->is_number_integer()) return std::nullopt;
    return it->get<std::int64_t>();
}

bool lf_refusedLogin(std::int64_t status) { return status != 200; }

void lf_setLoginShown(bool shown)
{
    g_loginShown.store(shown ? 1 : 0);
    gf_repaintMainWindow();
}

bool lf_readLoginReply(WeatherClient& client, const json& reply, std::int32_t& status)
{
    if (const auto s = lf_integerKey(reply, "status"); s && lf_refusedLogin(*s)) {
        status = static_cast<std::int32_t>(*s);
        gf_logErrorf("Authentication refused, status: {}", *s);
        return false;
    }
    const std::int64_t rrl = lf_integerKey(reply, "rrl").value_or(2000);
    const std::int64_t wrrl = lf_integerKey(reply, "wrrl").value_or(2000);
    client.rrl.store(gf_periodFromReply(rrl));
    client.wrrl.store(gf_periodFromReply(wrrl));
    const std::string guid = gf_jsonTextOf(reply, "GUID");
    if (guid.empty()) {
        status = kLoginWithoutSession;
        gf_logError("Authentication failed: the reply holds no session GUID");
        return false;
    }
    const std::string server = gf_jsonTextOf(reply, "server", "?");
    gf_logf("Authenticated at RT server \"{}\"", server);
    gf_showServiceLabel(server);
    client.setGuid(guid);
    lf_setLoginShown(true);
    return true;
}

} // namespace

bool gf_readLoginReply(WeatherClient& client, const std::string& body, std::int32_t& status)
{
    return lf_readLoginReply(client, json::parse(body), status);
}

std::filesystem::path gf_licenseFile() { return gf_userDataPath() / "license.txt"; }

std::optional<std::string> gf_readServiceCredential(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::string line;
    if (!in || !gf_readLine(in, line)) return std::nullopt;
    // Notepad's "UTF-8 with BOM" puts a byte-order mark before the key.
    constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
    if (line.starts_with(kUtf8Bom)) line.erase(0, kUtf8Bom.size());
    line = gf_trim(line);
    if (line.empty()) return std::nullopt;
    return line;
}

bool authenticate(WeatherClient& client, const std::string& credential, std::int32_t& status)
{
    bool ok = false;
    try {
        const std::string body = gf_formBody(
            {{"license", credential}, {"software", fmt::format("Tarvo_{}", gf_versionToString(g_programVersion))}});
        const ServiceReply reply = gf_postToService("auth", body, &client.stop);
        if (!reply.ok()) {
            gf_logf("{} Authentication code: {}", gf_utcTimeText(gf_timeNow()), reply.errorText);
        } else {
            ok = gf_readLoginReply(client, reply.body, status);
        }
    } catch (const std::exception& e) {
        gf_logErrorf("{}: {}", "authenticate", e.what());
    }
    gf_sleepPeriod(client, client.wrrl.load());
    return ok;
}

void gf_startSession()
{
    const auto licenseFile = gf_licenseFile();
    const auto credential = gf_readServiceCredential(licenseFile);
    if (!credential) {
        const std::string text = fmt::format(
            "No RealTraffic license: put your license key on the first line of {}", gf_utf8FromPath(licenseFile));
        gf_setStatusMessage(text, false);
        throw UserErrorException(99, text);
    }
    std::int32_t status = 0;
    if (!authenticate(g_weatherClient, *credential, status)) {
        if (status == 405) {
            const std::string text =
                "More than one RealTraffic session is not possible, do not run the RealTraffic app";
            gf_setStatusMessage(text, false);
            gf_sleepFor(std::chrono::seconds(10), [] { return gf_exitUnderWay(); });
            throw UserErrorException(405, text);
        }
        if (status == 500) throw std::runtime_error("No RT database connection");
        if (status == kLoginWithoutSession) {
            const std::string text = "RealTraffic accepted the login but opened no session, please try again later";
            gf_setStatusMessage(text, false);
            throw UserErrorException(99, text);
        }
        if (status == 401 || status == 403) {
            const std::string text =
                fmt::format("RealTraffic refused the license in {}, please check it", gf_utf8FromPath(licenseFile));
            gf_setStatusMessage(text, false);
            throw UserErrorException(status, text);
        }
    }
    g_trafficClient.setGuid(g_weatherClient.guid());
}

void deauthenticate()
{
    try {
        const ServiceReply reply =
            gf_postToService("deauth", gf_formBody({{"GUID", g_trafficClient.guid()}}), nullptr, kLogoutLimitMs);
        if (!reply.ok()) {
            gf_logf("{} Deauthentication code: {}", gf_utcTimeText(gf_timeNow()), reply.errorText);
            return;
        }
        const json parsed = json::parse(reply.body);
        const std::int64_t status = lf_integerKey(parsed, "status").value_or(100);
        if (status != 200) {
            gf_logErrorf("Deauthentication failed, status: {}", status);
            return;
        }
        lf_setLoginShown(false);
        g_trafficClient.setGuid({});
        gf_logf("{} RT server \"{}\"", gf_jsonTextOf(parsed, "message"), gf_jsonTextOf(parsed, "server"));
    } catch (const std::exception& e) {
        gf_logErrorf("{}: {} ", "deauthenticate", e.what());
    }
}

void gf_refreshConnectionState()
{
    if (g_loginShown.load() == 0) return;
    const auto refresh = [](bool receiving, std::atomic<std::uint8_t>& memory, std::atomic<std::uint8_t>& light) {
        if (!receiving && memory.exchange(0) != 0) {
            light.store(2);
            gf_repaintMainWindow();
        } else if (receiving && memory.exchange(1) == 0) {
            light.store(1);
            gf_repaintMainWindow();
        }
    };
    refresh(g_weatherClient.weatherKnown.load() != 0, g_weatherClient.weatherShown, g_weatherLight);
    refresh(g_trafficClient.recordCount.load() >= 1, g_trafficClient.trafficShown, g_trafficLight);
}

void gf_logConnected(const std::string& readerName) { gf_logIndentedf("{} connected", readerName); }

} // namespace zyn
