// Version texts: the first line of a downloaded "version.json" and PROGRAM_VERSION of "parameters.xml".
#include "base/version.h"
#include "tests/fuzz/support/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const zyn::Version version = zyn::gf_parseVersion(std::string(zyn::fuzz::asText(data, size)));
    (void)zyn::gf_versionToString(version);
    return 0;
}
