// Zip archives from the download server, read as the program reads them: every file entry whole
// (the aircraft database, the registration codes, the companion package) and in blocks (the installer).
#include "base/zip_archive.h"
#include "base/zip_download.h"
#include "tests/fuzz/support/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto file = zyn::fuzz::programFolder() / "dbase.zip";
    zyn::fuzz::writeInput(file, zyn::fuzz::asText(data, size));
    (void)zyn::lf_readFileEntries(file);
    try {
        const zyn::ZipArchive archive(file);
        for (std::uint64_t i = 0; i < archive.entryCount(); ++i) {
            std::size_t bytes = 0;
            archive.copyEntry(i, [&bytes](std::string_view block) {
                bytes += block.size();
                return true;
            }, 4096);
        }
    } catch (const zyn::ZipError&) {
        // not a zip, or an entry that cannot be read
    }
    return 0;
}
