// A compiled scenery file (BGL) of an add-on: the scan's pre-test on the file, the reader of its
// airports in both simulator modes, and a scan worker's whole job on it (linking, generating) from
// what the pre-test read of it. What the read on from the pre-test gives must be the file's bytes.
#include "airport/bgl_airports.h"
#include "airport/bgl_reader.h"
#include "airport/scan_log.h"
#include "tests/fuzz/support/fuzz_support.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto folder = zyn::fuzz::programFolder();
    const auto file = folder / "Community" / "some-airport" / "scenery.bgl";
    static const bool s_folderMade = std::filesystem::create_directories(file.parent_path());
    (void)s_folderMade;
    zyn::fuzz::writeInput(file, zyn::fuzz::asText(data, size));
    const std::span<const std::uint8_t> bytes(data, size);
    for (const bool msfs2020 : {true, false}) {
        try {
            const auto list = zyn::gf_listBglAirports(bytes, msfs2020);
            for (const auto& airport : list.airports)
                (void)zyn::gf_readBglAirport(bytes, airport, "Fuzz field", file.string());
        } catch (const zyn::BglDamaged&) {
            // refused: an offset or size outside the file
        }
    }
    const auto staged = folder / "scan_new";
    zyn::FolderStaging staging(staged, {staged / "simaddon", staged / "thirdparty"}, {{staged / "TBLO", folder / "TBLO"}});
    const zyn::ScanTargets targets{staged / "simaddon", staged / "thirdparty", staged / "TBLO", &staging};
    if (auto start = zyn::gf_startAirportBgl(file)) {
        const auto whole = zyn::gf_finishBglRead(std::move(*start));
        if (!whole || !std::equal(whole->begin(), whole->end(), data, data + size))
            std::abort();
    }
    if (auto start = zyn::gf_startAirportBgl(file))
        zyn::lf_toParkingPositions(file, std::move(*start), targets);
    zyn::gf_resetScanLog();
    return 0;
}
