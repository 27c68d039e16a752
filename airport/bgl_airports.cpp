#include "airport/bgl_airports.h"

#include "aircraft/aircraft_db.h"
#include "airport/airport_code.h"
#include "airport/airports.h"
#include "airport/bgl_reader.h"
#include "airport/publisher.h"
#include "airport/scan_log.h"
#include "base/atomic_file.h"
#include "base/folders.h"
#include "base/log.h"
#include "base/path_text.h"
#include "base/text_util.h"
#include "platform/system/error_text.h"
#include "settings/settings.h"
#include "settings/xml_meta.h"

#include <fmt/format.h>

#include <algorithm>

namespace zyn {

namespace fs = std::filesystem;

std::atomic<bool> g_airportsLinkedOrGenerated{false};
std::atomic<std::uint32_t> g_tbloEntries{0};

namespace {

constexpr std::string_view kSimaddonPublisher = "simaddon";
constexpr std::string_view kUnknownPublisher = "unknown";
constexpr std::size_t kCodeChars = 4;

// The link file; false (reported) when the location or the file could not be written.
bool lf_writeLinkFile(const fs::path& folder, std::string_view code, const std::string& archivePath,
                      FolderStaging& staging)
{
    if (!gf_checkAirportCode(code, "lf_writeLinkFile") || !gf_isApfLocation(archivePath)) {
        gf_addScanLogLine(fmt::format("===> {}: \"{}\" is no archive location, not linked", code, archivePath));
        return false;
    }
    try {
        staging.put(folder / gf_pathFromUtf8(std::string(code) + ".txt"), archivePath + "\n");
        return true;
    } catch (const std::exception& e) {
        gf_addScanLogLine(fmt::format("===> link file of {} not written: {}", code, gf_exceptionText(e)));
        return false;
    }
}

bool lf_linkSimaddonAirport(const ApfWriteData& file, const ScanTargets& targets)
{
    if (!g_simAddonAirports.contains(file.icao)) {
        gf_addScanLogLine(fmt::format("{} does not exist as simaddon", file.icao));
        return false;
    }
    const std::string archivePath = lf_simaddonArchivePath(file.icao);
    if (!lf_writeLinkFile(targets.simaddon, file.icao, archivePath, *targets.staging))
        return false;
    gf_addScanLogLine(fmt::format("{} airport {} linked to {}", kSimaddonPublisher, file.icao, archivePath));
    return true;
}

// The archived stand count of the publisher's entry for the code; nothing when it has none.
std::optional<std::int32_t> lf_archivedCount(std::string_view publisher, std::string_view code)
{
    const auto& lists = param::MSFS_2020.on() ? g_publisherAirports2020 : g_publisherAirports2024;
    for (const PublisherAirports& list : lists) {
        if (list.pub != publisher)
            continue;
        for (const std::string& entry : list.arpts) {
            if (!entry.starts_with(code))
                continue;
            std::int32_t count = 0;
            if (entry.size() >= kCodeChars)
                gf_parsePrefixedNumber(publisher, entry.substr(0, kCodeChars), count, entry);
            return count;
        }
    }
    return std::nullopt;
}

bool lf_linkThirdpartyAirport(const ApfWriteData& file, std::int32_t& archived, const ScanTargets& targets)
{
    const auto count = lf_archivedCount(file.publisher, file.icao);
    if (!count) {
        gf_addScanLogLine(fmt::format("thirdparty {} {} does not exist", file.publisher, file.icao));
        return false;
    }
    const std::string archivePath = lf_thirdpartyArchivePath(file.publisher, file.icao);
    if (!lf_writeLinkFile(targets.thirdparty, file.icao, archivePath, *targets.staging))
        return false;
    archived = *count;
    gf_addScanLogLine(fmt::format("thirdparty airport {} linked to {}", file.icao, archivePath));
    return true;
}

// False, with a log line, when the file could not be built or written.
bool lf_stageApf(const ApfWriteData& file, const fs::path& path, FolderStaging& staging)
{
    try {
        const std::optional<std::string> text = gf_apfText(file, ApfMode::Generated, path);
        if (text)
            staging.put(path, *text, gf_sameButMetaDate); // made again on another day: the same file
        return text.has_value();
    } catch (const std::exception& e) {
        gf_logErrorf("{}: {}", "gf_writeApf", gf_exceptionText(e));
        return false;
    }
}

std::size_t lf_helipadCount(const std::vector<ParkPos>& stands)
{
    return static_cast<std::size_t>(std::count_if(stands.begin(), stands.end(), [](const ParkPos& s) { return s.heli; }));
}

std::string lf_airportName(std::string_view code)
{
    const auto it = g_airportNames.find(std::string(code));
    return it == g_airportNames.end() ? std::string() : it->second;
}

void lf_processAirportRecord(std::span<const std::uint8_t> bytes, const BglAirportRecord& record,
                             std::string_view bglPath, const PublisherInfo& publisher, const ScanTargets& targets)
{
    ApfWriteData file;
    file.icao = record.code;
    std::int32_t archived = 0;
    const bool linked = lf_linkAirport(file, archived, bglPath, publisher, targets);
    if (linked && !param::MSFS_2020.on())
        return;
    file.airportName = lf_airportName(record.code);
    BglAirportStands read = gf_readBglAirport(bytes, record, file.airportName, bglPath);
    file.altitude = read.altitudeFt;
    file.qfReal = 0;
    file.qfSoft = 0;
    const auto n = static_cast<std::int64_t>(read.stands.size());
    const bool more = n > archived && file.publisher != kSimaddonPublisher;
    if (more)
        gf_addScanLogLine(fmt::format("===> {} has {} parkpos while archived one has {}", file.icao, n, archived));
    if (!linked || more)
        lf_generateAirportFile(file, read.stands, targets);
}

// The code of a not recognised airport, as the log tells; empty when none is found.
std::string lf_notRecognisedCode(std::string_view bglPath)
{
    const std::string stem = gf_toUpper(gf_utf8FromPath(gf_pathFromUtf8(bglPath).stem()));
    if (stem.size() == kCodeChars && gf_findAirport(stem)) {
        gf_addScanLogLine(fmt::format("Not recognised airport has ICAO code \"{}\" as BGL stem", stem));
        return stem;
    }
    const ManifestInfo manifest = lf_searchManifest(bglPath);
    if (!manifest.valid)
        return {};
    for (const AirportRecord& airport : g_airports)
        if (!airport.icao.empty() && manifest.title.starts_with(airport.icao)) {
            gf_addScanLogLine(fmt::format("Not recognised airport has ICAO \"{}\" in title \"{}\" of manifest",
                                          airport.icao, manifest.title));
            return airport.icao;
        }
    for (const AirportRecord& airport : g_airports)
        if (lf_containsDashedWord(bglPath, airport)) {
            gf_addScanLogLine(fmt::format("Not recognised airport has ICAO \"{}\" in BGL path \"{}\"", airport.icao, bglPath));
            return airport.icao;
        }
    gf_addScanLogLine(fmt::format("==================> Not recognised airport lost ... \"{}\"", bglPath));
    return {};
}

} // namespace

std::string lf_simaddonArchivePath(std::string_view code)
{
    return fmt::format("archive/{}/{}.xml", kSimaddonPublisher, code);
}

std::string lf_thirdpartyArchivePath(std::string_view publisher, std::string_view code)
{
    std::string folder;
    for (const char c : publisher)
        folder += c == ' ' ? std::string("%20") : std::string(1, c);
    return fmt::format("archive/thirdparty/{}/{}.xml", folder, code);
}

bool lf_linkAirport(ApfWriteData& file, std::int32_t& archived, std::string_view bglPath,
                    const PublisherInfo& publisher, const ScanTargets& targets)
{
    archived = 0;
    file.bglPath = bglPath;
    file.publisher = publisher.publisher;
    file.manufacturer = publisher.manufacturer;
    file.creator = publisher.creator;
    file.title = publisher.title;
    if (file.publisher == kUnknownPublisher)
        return false;
    const bool linked = file.publisher == kSimaddonPublisher ? lf_linkSimaddonAirport(file, targets)
                                                             : lf_linkThirdpartyAirport(file, archived, targets);
    if (linked)
        g_airportsLinkedOrGenerated.store(true);
    return linked;
}

void lf_cutAtCommunity(std::string& path)
{
    if (const std::size_t at = path.find(kCommunityName); at != std::string::npos)
        path.erase(0, at);
}

bool lf_generateAirportFile(ApfWriteData& file, std::vector<ParkPos>& stands, const ScanTargets& targets)
{
    if (stands.empty() || !gf_checkAirportCode(file.icao, "lf_generateAirportFile"))
        return false;
    if (file.publisher != kUnknownPublisher)
        lf_cutAtCommunity(file.bglPath);
    const fs::path& folder = file.publisher == kSimaddonPublisher ? targets.simaddon : targets.thirdparty;
    const std::size_t helipads = lf_helipadCount(stands);
    std::string line = fmt::format("Generated {}.xml: {} position{}", file.icao, stands.size(),
                                   gf_plural(static_cast<std::int64_t>(stands.size())));
    if (helipads > 0)
        line += fmt::format(", of which {} helipad{}", helipads, gf_plural(static_cast<std::int64_t>(helipads)));
    gf_addScanLogLine(line);
    std::sort(stands.begin(), stands.end(), [](const ParkPos& a, const ParkPos& b) { return a.id < b.id; });
    file.stands = stands;
    const fs::path path = folder / gf_pathFromUtf8(file.icao + ".xml");
    if (!lf_stageApf(file, path, *targets.staging)) {
        gf_addScanLogLine(fmt::format("===> Generating {} did not succeed", gf_utf8FromPath(path)));
        return false;
    }
    g_airportsLinkedOrGenerated.store(true);
    return true;
}

void lf_notRecognisedAirport(std::string_view bglPath, const ScanTargets& targets)
{
    gf_addScanLogLine(fmt::format("\n==> Not recognised airport {}", bglPath));
    const std::string code = lf_notRecognisedCode(bglPath);
    if (code.empty() || !gf_checkAirportCode(code, "lf_notRecognisedAirport"))
        return;
    ApfWriteData file;
    file.icao = code;
    std::int32_t archived = 0;
    const bool linked = lf_linkAirport(file, archived, bglPath, gf_findPublisher(bglPath), targets);
    if (linked || file.publisher == kSimaddonPublisher)
        return;
    const fs::path entry = targets.tblo / (code + ".xml");
    targets.staging->put(entry, fmt::format("{}\n{} by {}, title: {} crea: {} manu: {}\n", bglPath, code, file.publisher,
                                            file.title, file.creator, file.manufacturer));
    gf_addScanLogLine(fmt::format("==> TBLO entry {} created ", gf_utf8FromPath(g_tbloPath / (code + ".xml"))));
    g_tbloEntries.fetch_add(1);
}

namespace {

void lf_reportUnreadRest(const std::string& path, std::string_view why)
{
    gf_addScanLogLine(fmt::format("===> {} not read to its end: {}", path, why));
    gf_logErrorf("Exception in lf_toParkingPositions: {} {}", why, path);
}

} // namespace

void lf_toParkingPositions(const fs::path& bglPath, BglFileStart start, const ScanTargets& targets)
{
    const std::string path = gf_utf8FromPath(bglPath);
    const ScanLogBatch batch; // the file's lines stay together in the report
    try {
        const auto bytes = gf_finishBglRead(std::move(start));
        if (!bytes) {
            lf_reportUnreadRest(path, "the file could not be read");
            return;
        }
        const BglAirportList list = gf_listBglAirports(*bytes, param::MSFS_2020.on());
        std::optional<PublisherInfo> publisher; // the file's, searched once at its first airport
        for (const BglAirportRecord& record : list.airports) {
            if (!publisher)
                publisher = gf_findPublisher(path);
            lf_processAirportRecord(*bytes, record, path, *publisher, targets);
        }
        if (!list.damage.empty())
            lf_reportUnreadRest(path, list.damage);
        else if (list.unrecognised)
            lf_notRecognisedAirport(path, targets);
    } catch (const std::exception& e) {
        lf_reportUnreadRest(path, gf_exceptionText(e));
    }
}

} // namespace zyn
