#include "airport/airport_downloads.h"

#include "base/download.h"
#include "settings/settings.h"

namespace zyn {

std::string gf_airportDownloadUrl(bool use2020)
{
    return gf_downloadBaseUrl() + (param::MSFS_2020.on() || use2020 ? "MSFS/" : "MSFS2024/");
}

} // namespace zyn
