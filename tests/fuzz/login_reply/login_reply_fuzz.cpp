// The traffic service's login reply body read into the session (GUID, periods).
#include "tests/fuzz/support/fuzz_support.h"
#include "traffic/client.h"
#include "traffic/session.h"

#include <stdexcept>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static zyn::WeatherClient client;
    std::int32_t status = 0;
    try {
        (void)zyn::gf_readLoginReply(client, std::string(zyn::fuzz::asText(data, size)), status);
    } catch (const std::exception&) {
        // the login logs it and fails
    }
    client.setGuid({});
    return 0;
}
