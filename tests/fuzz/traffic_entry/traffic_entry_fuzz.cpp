// One entry of a traffic reply (an array of 48 values) to a record, then the batch's play times.
#include "settings/traffic_range.h"
#include "tests/fuzz/support/fuzz_support.h"
#include "traffic/client.h"
#include "traffic/intake.h"
#include "traffic/process_line.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static zyn::TrafficClient& client = [] () -> zyn::TrafficClient& {
        static zyn::TrafficClient c;
        c.setUserPosition({47.46, 8.55});
        c.ready.store(1);
        zyn::g_rangeNm.store(100000.0);
        return c;
    }();
    auto entry = nlohmann::json::parse(zyn::fuzz::asText(data, size), nullptr, false);
    if (entry.is_discarded())
        return 0;
    client.reply = std::move(entry);
    zyn::processLine(client);
    zyn::gf_stampBatch(client.batch, 30, 123);
    client.batch.clear();
    std::lock_guard lock(client.identityMutex);
    client.callsigns.clear();
    client.hexIds.clear();
    return 0;
}
