// A parked-traffic reply body read as the parking request reads it: every entry parsed, then the
// list aged, sorted and cut to one entry per stand and callsign.
#include "tests/fuzz/support/fuzz_support.h"
#include "traffic/client.h"
#include "traffic/parked_traffic.h"

#include <stdexcept>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static zyn::TrafficClient& client = []() -> zyn::TrafficClient& {
        static zyn::TrafficClient c;
        zyn::fuzz::programFolder();
        zyn::fuzz::loadSmallDbase();
        return c;
    }();
    const std::string body(zyn::fuzz::asText(data, size));
    std::int32_t status = 0;
    try {
        if (zyn::gf_readParkedReply(client, body, status)) zyn::gf_keepYoungestParked(client.parkedList, 17);
    } catch (const std::exception&) {
        // logged by the request, which leaves no entries
    }
    client.parkedList.clear();
    return 0;
}
