// The simulator's "UserCfg.opt", read line by line for its packages folder.
#include "base/file_util.h"
#include "settings/msfs_install.h"
#include "tests/fuzz/support/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto file = zyn::fuzz::programFolder() / "UserCfg.opt";
    zyn::fuzz::writeInput(file, zyn::fuzz::asText(data, size));
    std::filesystem::path result;
    if (const auto lines = zyn::gf_readFile(file, 32))
        for (const std::string& line : *lines)
            if (zyn::lf_parseInstalledPackagesPath(result, line))
                break;
    (void)zyn::lf_packagesFolderValid(result);
    return 0;
}
