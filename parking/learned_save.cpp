#include "parking/learned_save.h"

#include "airport/airport_code.h"
#include "airport/apf_format.h"
#include "airport/apf_locations.h"
#include "airport/quality_factor.h"
#include "base/folders.h"
#include "base/log.h"
#include "base/path_text.h"
#include "base/time_util.h"
#include "platform/system/error_text.h"
#include "shown/status_line.h"

#include <algorithm>
#include <system_error>

namespace zyn {

namespace fs = std::filesystem;

namespace {

// The stands a learned (not handmade) file holds, without the options read from the airport file.
std::vector<ParkPos> lf_learnedStands(std::vector<ParkPos>& stands)
{
    std::vector<ParkPos> written;
    for (ParkPos& p : stands) {
        std::erase_if(p.options, [](const ParkPosOption& o) { return o.archived == 1; });
        if (p.manual || !p.options.empty() || p.radiusChanged || p.cargoChanged) written.push_back(p);
    }
    return written;
}

fs::path lf_publisherFolder(const std::string& publisher)
{
    if (publisher == "stock") return g_learnedStockPath;
    if (publisher == "simaddon") return g_learnedSimaddonPath;
    if (publisher.empty() || !gf_isFolderName(publisher)) {
        gf_logErrorf("{}: publisher \"{}\" refused as a folder name", "gf_saveLearnedAirportFile", publisher);
        return {};
    }
    return g_learnedPath / gf_pathFromUtf8(publisher);
}

void lf_reportSaved(const fs::path& path, const LearnedState& state)
{
    gf_setStatusMessage(fmt::format("{}{} \"{}\" saved with {} update{} {}", gf_timeOfDayText(),
                                    state.handmade ? " handmade" : "", gf_genericUtf8FromPath(path), state.updates,
                                    state.updates == 1 ? "" : "s",
                                    state.parameterChanged ? "and one or more parameter changes" : ""),
                        true);
}

void lf_reportFailed(const fs::path& path)
{
    gf_setStatusMessage(fmt::format("{} saving \"{}\" did not succeed", gf_timeOfDayText(), gf_genericUtf8FromPath(path)),
                        true);
}

} // namespace

fs::path gf_learnedFilePath(const std::string& code, const ApfFileInfo& info)
{
    if (!gf_checkAirportCode(code, "gf_saveLearnedAirportFile")) return {};
    if (!info.learnedPath.empty()) return info.learnedPath;
    const fs::path folder = lf_publisherFolder(info.publisher);
    return folder.empty() ? fs::path() : folder / gf_xmlPath(code);
}

bool gf_saveLearnedAirportFile(const std::string& code, const ApfFileInfo& info, std::vector<ParkPos>& stands,
                               LearnedState& state)
{
    ApfWriteData data;
    data.icao = code;
    data.airportName = info.airportName;
    data.publisher = info.publisher;
    data.altitude = info.altitude;
    data.handmade = state.handmade;
    data.settings = state.settings;
    std::vector<ParkPos> written;
    if (state.handmade) {
        const std::uint64_t quality = gf_qualityFactor(stands);
        data.qfReal = static_cast<std::int32_t>(quality & 0xffffffffu);
        data.qfSoft = static_cast<std::int32_t>(quality >> 32);
        data.stands = stands;
    } else {
        data.qfReal = 0;
        data.qfSoft = 0;
        written = lf_learnedStands(stands);
        data.stands = written;
    }
    const fs::path path = gf_learnedFilePath(code, info);
    if (path.empty()) {
        lf_reportFailed(gf_xmlPath(code));
        return false;
    }
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    if (error) {
        // Reported, not thrown: the end of parking must finish, and the next one tries again.
        gf_logErrorf("{}: create_directory \"{}\": {}", "gf_saveLearnedAirportFile", gf_genericUtf8FromPath(path.parent_path()),
                     gf_errorText(error));
        lf_reportFailed(path);
        return false;
    }
    if (!gf_writeApf(data, path, ApfMode::Learned)) {
        lf_reportFailed(path);
        return false;
    }
    lf_reportSaved(path, state);
    state.updates = 0;
    state.parameterChanged = false;
    return true;
}

} // namespace zyn
