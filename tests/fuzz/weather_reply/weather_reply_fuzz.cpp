// A weather service reply body read as the weather reader reads it: as the nearest station's reply,
// then as the weather's (QNH and period).
#include "tests/fuzz/support/fuzz_support.h"
#include "traffic/client.h"
#include "traffic/weather.h"

#include <stdexcept>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static zyn::WeatherClient client;
    const std::string body(zyn::fuzz::asText(data, size));
    std::int32_t status = 0;
    try {
        (void)zyn::gf_readStationReply(client, body, status);
    } catch (const std::exception&) {
        // logged by the reader, which asks again
    }
    bool known = false;
    try {
        (void)zyn::gf_readWeatherReply(client, body, status, known);
    } catch (const std::exception&) {
        // logged by the reader, which asks again
    }
    return 0;
}
