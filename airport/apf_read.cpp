#include "airport/apf_read.h"

#include "airport/airport_code.h"
#include "airport/apf_format.h"
#include "airport/apf_locations.h"
#include "airport/learned_merge.h"
#include "airport/park_airport_state.h"
#include "airport/quality_factor.h"
#include "airport/read_report.h"
#include "base/errors.h"
#include "base/folders.h"
#include "base/log.h"
#include "base/path_text.h"
#include "platform/system/error_text.h"
#include "settings/setting_controls.h"
#include "settings/settings.h"
#include "settings/xml_meta.h"
#include "shown/display_texts.h"

#include <fmt/format.h>
#include <pugixml.hpp>


namespace zyn {

namespace fs = std::filesystem;

std::int32_t g_rtTrafficWeek = 0;

namespace {

constexpr std::int32_t kParameterMissingError = 65;

void lf_readApfParameters(const pugi::xml_document& document, ApfFileInfo& info)
{
    g_rtTrafficWeek = lf_readParameterInt(document, "RT_traffic_week").value_or(0);
    info.publisher = lf_readParameterText(document, "publisher").value_or("");
    const auto altitudeText = lf_readParameterText(document, "altitude");
    if (!altitudeText)
        throw UserErrorException(kParameterMissingError, "Parameter altitude not found");
    const auto altitude = gf_fileInt(*altitudeText);
    if (!altitude)
        throw UserErrorException(kParameterMissingError, fmt::format("Parameter altitude \"{}\" is no number", *altitudeText));
    if (*altitude < kLowestAirportFt || *altitude > kHighestAirportFt)
        throw UserErrorException(kParameterMissingError, fmt::format("Parameter altitude {} out of range", *altitude));
    info.altitude = *altitude;
    info.airportName = lf_readParameterText(document, "airport_name").value_or("");
}

std::uint64_t lf_fileQualityPair(const pugi::xml_document& document)
{
    return gf_qualityPair(lf_readParameterInt(document, "Qf_real").value_or(-1),
                          lf_readParameterInt(document, "Qf_soft").value_or(-1));
}

// The file's part of the read: meta block, parameters, stands and its own quality pair.
bool lf_readApfDocument(const pugi::xml_document& document, ReadReport& report, ApfFileInfo& info,
                        std::uint64_t& quality, std::vector<ParkPos>& stands)
{
    if (!gf_checkXmlMeta(document))
        return false;
    lf_readApfParameters(document, info);
    gf_readFullStands(document.child("parkpositions"), stands, report);
    quality = lf_fileQualityPair(document);
    return true;
}

void lf_updateParkAirportAltitude(std::int32_t altitude)
{
    AirportRecord park = gf_parkAirport();
    if (park.icao.empty())
        return;
    park.altitude = static_cast<double>(altitude);
    gf_setParkAirport(park);
}

// No learned file: the share of stands to fill is the default, and its box is not the user's.
void lf_defaultParkingPercentage()
{
    param::parking_percentage.value = kDefaultParkingPercentage;
    gf_enableControl(param::parking_percentage, false);
    gf_setBoxInt(param::parking_percentage);
    gf_logIndentedf("{:24}: {}%", param::parking_percentage.key, kDefaultParkingPercentage);
}

void lf_logSummary(const std::string& shownPath, const ApfFileInfo& info, std::size_t count, std::uint64_t quality)
{
    gf_logf("Airport file read from \"{}\" for {}", shownPath, info.airportName);
    gf_logIndentedf("{:24}: {}", "publisher", info.publisher);
    gf_logIndentedf("{:24}: {} ft", "altitude", info.altitude);
    gf_logIndentedf("{:24}: {}", "num_parkpos", count);
    gf_logIndentedf("{:24}: {}", "quality factor", lf_qualityPairText(quality));
    gf_logIndentedf("{:24}: {}", "RT traffic week", g_rtTrafficWeek);
}

// Where the file to read is: the local file itself, or the server file fetched into the per-user
// folder. An error text when there is nothing to read; nothing while the server file is on its way.
std::optional<std::string> lf_fileToRead(const std::string& fileName, fs::path& file)
{
    if (fileName.starts_with(gf_genericUtf8FromPath(g_airportsPath))) {
        if (!gf_isApfLocation(fileName))
            return fmt::format("{} \"{}\" refused: not the location of an airport file", "gf_readApf", fileName);
        file = gf_pathFromUtf8(fileName);
        return std::string();
    }
    fs::create_directories(gf_userDataPath());
    file = gf_userDataPath() / g_fetchedApfName;
    return lf_downloadAddonApf(fileName, file);
}

// The learned file over the stands, or the defaults without one; the quality pair is then the one
// computed from the merged stands.
void lf_mergeLearnedFile(const std::string& fileName, ApfFileInfo& info, std::uint64_t& quality,
                         std::vector<ParkPos>& stands)
{
    info.learnedPath = lf_learnedApfPath(fileName, info.publisher);
    if (info.learnedPath.empty() || !fs::exists(info.learnedPath)) {
        lf_defaultParkingPercentage();
        return;
    }
    lf_readLearned(info.learnedPath, info.airportName, stands, g_handmade);
    quality = gf_qualityFactor(stands);
    if (g_handmade)
        gf_log("A handmade airport file overruled the archived file!");
}

// The airport's own file read; its document is gone before the learned file is loaded, which then
// reuses the memory just freed. An error text when nothing was read.
std::string lf_readApfFile(const fs::path& file, const std::string& fileName, ApfFileInfo& info,
                           std::uint64_t& quality, std::vector<ParkPos>& stands)
{
    pugi::xml_document document;
    if (const pugi::xml_parse_result loaded = document.load_file(file.c_str()); !loaded)
        return fmt::format("{} could not be loaded: {}", fileName, loaded.description());
    ReadReport report(fileName);
    if (!lf_readApfDocument(document, report, info, quality, stands))
        return fmt::format("{} but refused to load, copyright problem", fileName);
    report.finish();
    return {};
}

void lf_finishStands(std::vector<ParkPos>& stands)
{
    gf_numberStands(stands);
    gf_linkOverlappingStands(stands);
}

} // namespace

bool gf_readApfBytes(std::string_view bytes, const std::string& label, ApfFileInfo& info, std::uint64_t& quality,
                     std::vector<ParkPos>& stands)
{
    pugi::xml_document document;
    if (const pugi::xml_parse_result loaded = document.load_buffer(bytes.data(), bytes.size()); !loaded) {
        gf_logErrorf("{} could not be loaded: {}", label, loaded.description());
        return false;
    }
    ReadReport report(label);
    const bool read = lf_readApfDocument(document, report, info, quality, stands);
    report.finish();
    return read;
}

namespace {
// The statistics band's airport strip: what the file says of itself and what was read from it.
void lf_showFile(const ApfFileInfo& info, std::size_t standCount, std::uint64_t quality)
{
    gf_showParking([&](ParkingDisplay& shown) {
        shown.parkFileRead = true;
        shown.fileText1 = info.publisher;
        shown.fileText2 = info.airportName;
        shown.handmade = g_handmade;
        shown.trafficWeek = g_rtTrafficWeek;
        shown.qualityText = lf_qualityPairText(quality);
        shown.stands = standCount;
    });
}
} // namespace

std::optional<std::string> gf_readApf(const std::string& fileName, ApfFileInfo& info, std::uint64_t& quality,
                                      std::vector<ParkPos>& stands)
{
    if (fileName.empty())
        return fmt::format("{} xml is empty...", "gf_readApf");
    if (gf_parkAirport().icao.empty())
        return fmt::format("{} no park airport set", "gf_readApf");
    try {
        fs::path file;
        if (std::optional<std::string> message = lf_fileToRead(fileName, file); !message || !message->empty())
            return message;
        g_handmade = false;
        if (std::string message = lf_readApfFile(file, fileName, info, quality, stands); !message.empty())
            return message;
        lf_updateParkAirportAltitude(info.altitude);
        lf_mergeLearnedFile(fileName, info, quality, stands);
        lf_finishStands(stands);
        lf_logSummary(g_handmade ? gf_genericUtf8FromPath(info.learnedPath) : fileName, info, stands.size(), quality);
        lf_showFile(info, stands.size(), quality);
        g_parkAirportLoaded = 1;
        gf_enableControl(param::FLUSH_STATIC_BUTTON, true);
        return std::string(stands.empty() ? "no stands found" : "");
    } catch (const UserErrorException&) {
        lf_finishStands(stands);
        throw;
    } catch (const std::exception& e) {
        lf_finishStands(stands);
        return fmt::format("{}: {}", "gf_readApf", gf_exceptionText(e));
    }
}

} // namespace zyn
