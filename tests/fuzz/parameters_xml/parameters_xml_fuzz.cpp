// "parameters.xml" in the per-user folder, loaded as every start-up loads it (and saved again).
#include "base/version.h"
#include "settings/parameter_lists.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "settings/traffic_range.h"
#include "tests/fuzz/support/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const auto file = [] {
        const auto path = zyn::fuzz::programFolder() / "user" / "parameters.xml";
        std::filesystem::create_directories(path.parent_path());
        zyn::gf_setParametersPath(path);
        return path;
    }();
    std::filesystem::remove(zyn::gf_parametersBackupPath());
    zyn::fuzz::writeInput(file, zyn::fuzz::asText(data, size));
    zyn::gf_loadParameters(zyn::gf_parameterLists());
    (void)zyn::gf_parseVersion(zyn::param::PROGRAM_VERSION.getValue());
    zyn::gf_setTrafficRange(zyn::param::LATERAL_RANGE.value);
    return 0;
}
