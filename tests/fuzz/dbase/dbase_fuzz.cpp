// The aircraft database ("dbase.xml" from the download server) read into its tables.
#include "aircraft/dbase_read.h"
#include "base/errors.h"
#include "tests/fuzz/support/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto file = zyn::fuzz::programFolder() / "input" / "dbase.xml";
    zyn::fuzz::writeInput(file, zyn::fuzz::asText(data, size));
    try {
        zyn::gf_readDbaseFile(file);
        (void)zyn::gf_publisherOfPath("Community/orbx-lszh-zurich");
        (void)zyn::gf_wingspan("A320");
    } catch (const zyn::UserErrorException&) {
        // a file that does not parse or lacks a required section
    }
    return 0;
}
