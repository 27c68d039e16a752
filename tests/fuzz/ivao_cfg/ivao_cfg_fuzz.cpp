// An aircraft.cfg of an IVAO model package, whose liveries need their texture folders; the same
// input is also tried as the path of such a file.
#include "livery/ivao_liveries.h"
#include "tests/fuzz/support/fuzz_support.h"

#include <filesystem>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const auto file = [] {
        zyn::fuzz::loadSmallDbase();
        const auto folder =
            zyn::fuzz::programFolder() / "Community" / "IVAO_MTL" / "SimObjects" / "Airplanes" / "IVAO_B738WLfa";
        for (const char* texture : {"texture.DLH", "texture.1", "texture.", "texture.KLM"})
            std::filesystem::create_directories(folder / texture);
        return folder / "aircraft.cfg";
    }();
    const std::string_view text = zyn::fuzz::asText(data, size);
    zyn::fuzz::writeInput(file, text);
    try {
        (void)zyn::lf_searchIvaoLiveriesinFile(1, file);
    } catch (const std::exception&) {
        // passed on to the scan worker, which drops the file
    }
    (void)zyn::lf_fixIvaoTypeDesignator(std::string(text));
    zyn::fuzz::clearScanState();
    return 0;
}
