// The airports database and its names file, read as at start-up, then asked as the program asks it.
#include "airport/airports.h"
#include "base/errors.h"
#include "tests/fuzz/support/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto input = zyn::fuzz::programFolder() / "input";
    const std::string_view bytes = zyn::fuzz::asText(data, size);
    zyn::fuzz::writeInput(input / "airports_msfs.xml", bytes);
    zyn::fuzz::writeInput(input / "airports_msfs_names.xml", bytes);
    zyn::gf_resetAirports();
    try {
        (void)zyn::gf_readAirports();
    } catch (const zyn::UserErrorException&) {
        return 0; // no airports database
    }
    (void)zyn::gf_readAirportNames();
    // The nearby airports only: the closest-airport rule may fetch parking files from the server.
    for (const zyn::LatLon at : {zyn::LatLon{47.45, 8.56}, zyn::LatLon{-30.56, -7.63}, zyn::LatLon{90.0, 180.0}})
        if (const auto near = zyn::gf_nearAirports(at); near.best)
            (void)zyn::gf_displayLabel(zyn::g_airports.at(*near.best));
    (void)zyn::gf_findAirport("HNQC");
    return 0;
}
