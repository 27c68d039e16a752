// "LiveriesScanned.xml", from which every start-up builds its livery index.
#include "base/errors.h"
#include "livery/scanned_file.h"
#include "tests/fuzz/support/fuzz_support.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto file = zyn::fuzz::programFolder() / "output" / "LiveriesScanned.xml";
    zyn::fuzz::writeInput(file, zyn::fuzz::asText(data, size));
    try {
        auto liveries = zyn::gf_readLiveriesFile(file);
        std::sort(liveries.begin(), liveries.end(), zyn::gf_liveryOrder);
    } catch (const zyn::UserErrorException&) {
        // missing, damaged or empty: the start-up rescans
    }
    return 0;
}
