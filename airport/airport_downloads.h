#pragma once
// Where the download server keeps the airport parking files.
#include <string>

namespace zyn {

// The download server's base followed by "MSFS/" (2020 mode or use2020) or "MSFS2024/".
std::string gf_airportDownloadUrl(bool use2020);

} // namespace zyn
