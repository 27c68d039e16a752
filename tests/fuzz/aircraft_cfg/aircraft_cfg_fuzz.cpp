// An ordinary aircraft.cfg of an installed livery package, in any encoding.
#include "livery/cfg_reader.h"
#include "tests/fuzz/support/fuzz_support.h"

#include <filesystem>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const auto file = [] {
        zyn::fuzz::loadSmallDbase();
        const auto folder = zyn::fuzz::programFolder() / "Community" / "pkg" / "SimObjects" / "Airplanes" / "a";
        std::filesystem::create_directories(folder);
        return folder / "aircraft.cfg";
    }();
    zyn::fuzz::writeInput(file, zyn::fuzz::asText(data, size));
    try {
        (void)zyn::lf_searchLiveriesinFile(1, file);
    } catch (const std::exception&) {
        // an error while reading is logged and passed on to the scan worker, which drops the file
    }
    zyn::fuzz::clearScanState();
    return 0;
}
