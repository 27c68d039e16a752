// A user's registration file ("input/my_regcodes/*.txt").
#include "livery/regcodes.h"
#include "tests/fuzz/support/fuzz_support.h"

#include <filesystem>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const auto folder = [] {
        const auto path = zyn::fuzz::programFolder() / "input" / "my_regcodes";
        std::filesystem::create_directories(path);
        return path;
    }();
    zyn::fuzz::writeInput(folder / "mine.txt", zyn::fuzz::asText(data, size));
    std::vector<zyn::RegcodeEntry> entries;
    (void)zyn::gf_readRegcodeFiles(folder, entries);
    return 0;
}
