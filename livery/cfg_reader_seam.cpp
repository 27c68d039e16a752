// Stand-in until the aircraft.cfg reader is built: every file yields no livery, and the log says so.
#include "core/not_built.h"
#include "livery/cfg_reader.h"
#include "livery/ivao_liveries.h"

namespace zyn {

std::list<LiveryData> lf_searchLiveriesinFile(std::uint32_t, const std::filesystem::path&)
{
    static std::once_flag once;
    gf_logNotBuiltOnce(once, "lf_searchLiveriesinFile");
    return {};
}

std::list<LiveryData> lf_searchIvaoLiveriesinFile(std::uint32_t, const std::filesystem::path&)
{
    static std::once_flag once;
    gf_logNotBuiltOnce(once, "lf_searchIvaoLiveriesinFile");
    return {};
}

bool lf_isIvaoPath(const std::filesystem::path& path)
{
    const std::string text = path.string();
    return text.find("ivao_x-csl") != std::string::npos || text.find("IVAO_MTL") != std::string::npos;
}

} // namespace zyn
