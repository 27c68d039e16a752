// "AIG-regcodes.xml" from the download server, registrations scrambled.
#include "livery/regcodes.h"
#include "tests/fuzz/support/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto file = zyn::fuzz::programFolder() / "input" / "AIG-regcodes.xml";
    zyn::fuzz::writeInput(file, zyn::fuzz::asText(data, size));
    std::vector<zyn::RegcodeEntry> entries;
    (void)zyn::gf_readAigRegcodesXml(file, entries);
    return 0;
}
