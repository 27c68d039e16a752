#include "traffic/reader.h"

#include "base/log.h"
#include "base/time_util.h"
#include "platform/system/clock.h"
#include "shown/display_state.h"
#include "traffic/intake.h"
#include "traffic/json_fields.h"
#include "traffic/process_line.h"
#include "traffic/reader_status.h"
#include "traffic/service_request.h"
#include "traffic/session.h"

namespace zyn {

using nlohmann::json;

namespace {

FormFields lf_trafficForm(const TrafficClient& client)
{
    const QueryBox box = client.queryBox();
    return {{"GUID", client.guid()},
            {"top", fmt::format("{:.2f}", box.top)},
            {"bottom", fmt::format("{:.2f}", box.bottom)},
            {"left", fmt::format("{:.2f}", box.left)},
            {"right", fmt::format("{:.2f}", box.right)},
            {"querytype", "locationtraffic"},
            {"toffset", std::to_string(client.timeOffset.load())}};
}

void lf_takePeriod(TrafficClient& client, const json& reply)
{
    client.rrl.store(gf_periodFromReply(gf_jsonIntegerOf(reply, "rrl").value_or(2000)));
}

void lf_handOver(TrafficClient& client, std::int32_t delaySeconds)
{
    client.recordCount.store(static_cast<std::int64_t>(client.batch.size()));
    gf_mergeTrafficBatch(client, delaySeconds);
}

// One buffered snapshot: "buffer_4" is the oldest and plays first.
void lf_parseTrafficData(json& reply, std::int32_t& counter, TrafficClient& client, const std::string& key)
{
    json& data = reply["data"];
    if (data.is_object() && data.contains(key) && !gf_jsonEmpty(data[key])) gf_parseTrafficMembers(client, data[key]);
    lf_handOver(client, counter * kBufferSeconds);
    ++counter;
}

bool lf_stopped(const TrafficClient& client, std::int32_t& status)
{
    if (client.stop.load() == 0) return false;
    status = kStoppedStatus;
    return true;
}

// One regular poll; false with status set when a refused status ends the reader.
bool lf_pollOnce(TrafficClient& client, std::int32_t& status)
{
    const ServiceReply answer = gf_postToService("traffic", gf_formBody(lf_trafficForm(client)), &client.stop);
    if (!answer.ok()) {
        if (client.stop.load() == 0)
            gf_logErrorf("{} curl traffic code_t: {}", gf_utcTimeText(gf_timeNow()), answer.errorText);
        return true;
    }
    return gf_readTrafficReply(client, answer.body, status);
}

} // namespace

bool gf_readTrafficReply(TrafficClient& client, const std::string& body, std::int32_t& status)
{
    if (body.empty()) {
        gf_logError("traffic receive: empty content");
        return true;
    }
    json reply = json::parse(body);
    const std::int32_t code = gf_replyStatus(reply);
    if (code == 200) {
        lf_takePeriod(client, reply);
        if (const auto it = reply.find("data"); it != reply.end() && !gf_jsonEmpty(*it))
            gf_parseTrafficMembers(client, *it);
        lf_handOver(client, kLiveDelaySeconds);
        return true;
    }
    if (code == 406) {
        gf_logErrorf("curl traffic msg {}", gf_jsonTextOf(reply, "message"));
        return true;
    }
    status = code;
    return false;
}

bool gf_readBufferReply(TrafficClient& client, const std::string& body, std::int32_t& status)
{
    if (body.empty()) {
        gf_logError("buffer traffic: empty content");
        return false;
    }
    json reply = json::parse(body);
    status = gf_replyStatus(reply);
    if (status == 406)
        gf_logErrorf(" buffer traffic msg {}", gf_jsonTextOf(reply, "message"));
    if (status != 200)
        return false;
    lf_takePeriod(client, reply);
    client.ready.store(1);
    const auto it = reply.find("data");
    if (it == reply.end() || gf_jsonEmpty(*it))
        return false;
    std::int32_t counter = 0;
    for (int k = kBufferCount - 1; k >= 0; --k)
        lf_parseTrafficData(reply, counter, client, "buffer_" + std::to_string(k));
    return true;
}

void gf_parseTrafficMembers(TrafficClient& client, json& data)
{
    client.batch.reserve(client.batch.size() + data.size()); // a reply larger than usual grows it once
    for (auto& [key, value] : data.items()) {
        if ((value.is_array() || value.is_object()) && value.size() == kTrafficEntrySize) {
            // Swapped, not moved: the entry read before goes back into the tree and is freed with
            // it in one pass instead of one allocation and pass of its own per entry.
            client.reply.swap(value);
            processLine(client);
        }
    }
}

bool buffer(TrafficClient& client, std::int32_t& status)
{
    if (client.guid().empty()) return false;
    bool result = false;
    try {
        FormFields form = lf_trafficForm(client);
        form.emplace_back("buffercount", std::to_string(kBufferCount));
        form.emplace_back("buffertime", std::to_string(kBufferSeconds));
        const ServiceReply answer = gf_postToService("traffic", gf_formBody(form), &client.stop);
        if (!answer.ok()) {
            if (client.stop.load() == 0)
                gf_logErrorf("{} buffer traffic code_t: {}", gf_utcTimeText(gf_timeNow()), answer.errorText);
        } else {
            result = gf_readBufferReply(client, answer.body, status);
        }
    } catch (const std::exception& e) {
        gf_logErrorf("{}: {}", "buffer", e.what());
    }
    gf_sleepPeriod(client, client.rrl.load());
    if (lf_stopped(client, status)) return false;
    return result;
}

bool receive(TrafficClient& client, std::int32_t& status)
{
    if (client.guid().empty()) return false;
    if (!buffer(client, status) && client.stop.load() == 0) gf_logErrorf("buffer failed {}", status);
    while (true) {
        if (lf_stopped(client, status)) return false;
        try {
            if (!lf_pollOnce(client, status)) {
                lf_stopped(client, status);
                return false;
            }
        } catch (const std::exception& e) {
            gf_logErrorf("{}: {}", "receive", e.what());
        }
        if (lf_stopped(client, status)) return false;
        gf_sleepPeriod(client, client.rrl.load());
    }
}

void gf_trafficReader()
{
    gf_runReader("gf_trafficReader", "Traffic", g_trafficLight, g_weatherClient, [] {
        std::int32_t status = 0;
        receive(g_trafficClient, status);
        return status;
    });
}

} // namespace zyn
