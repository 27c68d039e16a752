// The "manifest.json" of an add-on package, as the airport scan's publisher search reads it: the
// manifest's fields, and the publisher found from them.
#include "airport/publisher.h"
#include "airport/scan_log.h"
#include "tests/fuzz/support/fuzz_support.h"

#include <filesystem>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto folder = zyn::fuzz::programFolder();
    const auto package = folder / "Community" / "some-package";
    static const bool s_folderMade = std::filesystem::create_directories(package / "scenery");
    (void)s_folderMade;
    zyn::fuzz::writeInput(package / "manifest.json", zyn::fuzz::asText(data, size));
    const std::string bgl = (package / "scenery" / "airport.bgl").string();
    (void)zyn::lf_searchManifest(bgl);
    (void)zyn::gf_findPublisher(bgl);
    zyn::gf_resetScanLog();
    return 0;
}
