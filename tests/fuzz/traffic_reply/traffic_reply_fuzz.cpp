// A traffic reply body read as the reader reads it: as a regular poll, then as the buffered first
// request; every entry parsed, stamped and handed over to the intake.
#include "settings/traffic_range.h"
#include "tests/fuzz/support/fuzz_support.h"
#include "traffic/client.h"
#include "traffic/intake.h"
#include "traffic/reader.h"

#include <stdexcept>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static zyn::TrafficClient& client = []() -> zyn::TrafficClient& {
        static zyn::TrafficClient c;
        c.setUserPosition({47.46, 8.55});
        zyn::g_rangeNm.store(100000.0);
        zyn::gf_setIntakeEnabled(true);
        return c;
    }();
    const std::string body(zyn::fuzz::asText(data, size));
    for (const auto read : {zyn::gf_readTrafficReply, zyn::gf_readBufferReply}) {
        std::int32_t status = 0;
        try {
            (void)read(client, body, status);
        } catch (const std::exception&) {
            // logged by the reader, which polls on
        }
        zyn::gf_clearIntake();
        client.batch.clear();
    }
    std::lock_guard lock(client.identityMutex);
    client.callsigns.clear();
    client.hexIds.clear();
    return 0;
}
