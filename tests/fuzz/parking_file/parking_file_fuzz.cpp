// An airport parking file: read as the park airport's own file, then merged into its own stands as
// the airport's learned file, then rated.
#include "airport/apf_read.h"
#include "airport/learned_merge.h"
#include "airport/quality_factor.h"
#include "base/errors.h"
#include "tests/fuzz/support/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    (void)zyn::fuzz::programFolder();
    const std::string_view bytes = zyn::fuzz::asText(data, size);
    zyn::ApfFileInfo info;
    std::uint64_t quality = 0;
    std::vector<zyn::ParkPos> stands;
    try {
        if (!zyn::gf_readApfBytes(bytes, "fuzz.xml", info, quality, stands))
            return 0;
    } catch (const zyn::UserErrorException&) {
        return 0; // a file without its altitude
    }
    bool handmade = false;
    zyn::gf_mergeLearnedBytes(bytes, "fuzz-learned.xml", info.airportName, stands, handmade);
    (void)zyn::gf_qualityFactor(stands);
    return 0;
}
