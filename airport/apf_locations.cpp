#include "airport/apf_locations.h"

#include "airport/airport_code.h"
#include "airport/airport_downloads.h"
#include "airport/airports.h"
#include "airport/apf_format.h"
#include "base/atomic_file.h"
#include "base/download.h"
#include "base/file_util.h"
#include "base/folders.h"
#include "base/log.h"
#include "base/path_text.h"
#include "platform/system/clock.h"
#include "platform/system/error_text.h"
#include "platform/system/files.h"

#include <fmt/format.h>
#include <pugixml.hpp>

#include <algorithm>
#include <chrono>
#include <map>
#include <optional>
#include <mutex>
#include <system_error>

namespace zyn {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kArchive = "archive";
constexpr std::string_view kStockFolder = "archive/stock/";
constexpr std::int32_t kLearningWeek = 20;

std::mutex g_probeMutex;
std::map<std::string, bool, std::less<>> g_stockProbes; // under g_probeMutex: code -> on the server (clear answers only)

// An ask that held the asker (the main loop) for a whole time-out is not made again before a pause
// that doubles with each such ask, up to an hour: a session of hours waits on it a few times, not at
// every check, and what is back after a long outage is found within the hour.
constexpr std::chrono::minutes kFirstProbePause{2};
constexpr std::chrono::minutes kLongestProbePause{60};
struct AskPause {
    std::chrono::minutes last{0}; // zero while the asks are answered
    SteadyTime until{};
};
// The server's, after an ask that got no answer at all: every airport file waits for it (the stock
// probe, the closest stand's files, the park airport's file).
AskPause g_serverPause; // under g_probeMutex
// A file's own, by its path on the server, after it came too slowly: the server's other files are
// asked for meanwhile. Few files are asked for in a session; the bound keeps a long one small.
constexpr std::size_t kMostPausedFiles = 64;
std::map<std::string, AskPause, std::less<>> g_filePauses; // under g_probeMutex

// Under g_probeMutex.
std::chrono::minutes lf_lengthen(AskPause& pause)
{
    pause.last = pause.last.count() == 0 ? kFirstProbePause : std::min(2 * pause.last, kLongestProbePause);
    pause.until = gf_steadyNow() + pause.last;
    return pause.last;
}

bool lf_lasts(const AskPause& pause)
{
    return pause.last.count() != 0 && gf_steadyNow() < pause.until;
}

// Under g_probeMutex. Room for a file's pause: when full, the pause that ended first goes.
AskPause& lf_filePause(const std::string& path)
{
    if (g_filePauses.size() >= kMostPausedFiles && !g_filePauses.contains(path))
        g_filePauses.erase(std::ranges::min_element(g_filePauses, {}, [](const auto& entry) { return entry.second.until; }));
    return g_filePauses[path];
}

// A file's address below the download server's base, the same for the whole session.
std::string lf_pathOnServer(std::string_view url)
{
    const std::string base = gf_downloadBaseUrl();
    return std::string(url.starts_with(base) ? url.substr(base.size()) : url);
}

enum class Paused : std::uint8_t { No, Server, File };

Paused lf_pausedFor(std::string_view url)
{
    const std::string path = lf_pathOnServer(url);
    std::lock_guard lock(g_probeMutex);
    if (lf_lasts(g_serverPause))
        return Paused::Server;
    const auto it = g_filePauses.find(path);
    return it != g_filePauses.end() && lf_lasts(it->second) ? Paused::File : Paused::No;
}

// What an ask's end tells of the server and of the file. An answer ends the server's pause, a clear
// one the file's too; no answer lengthens the server's, a body too slow the file's (each logged once
// per ask). A server that failed or cut the transfer short may answer the next ask.
void lf_noteAnswer(DownloadEnd end, const std::string& url, std::string_view asker)
{
    const std::string path = lf_pathOnServer(url);
    std::chrono::minutes serverPause{0};
    std::chrono::minutes filePause{0};
    {
        std::lock_guard lock(g_probeMutex);
        if (end == DownloadEnd::Done || end == DownloadEnd::NotFound) {
            g_serverPause = {};
            g_filePauses.erase(path);
        } else if (end == DownloadEnd::TooSlow) {
            g_serverPause = {};
            filePause = lf_lengthen(lf_filePause(path));
        } else if (end == DownloadEnd::Unreachable) {
            serverPause = lf_lengthen(g_serverPause);
        }
    }
    if (serverPause.count() != 0)
        gf_logf("{}: the download server did not answer, airport files are asked for again in {} minutes or after "
                "\"Re-read\"",
                asker, serverPause.count());
    if (filePause.count() != 0)
        gf_logf("{}: \"{}\" came too slowly, it is asked for again in {} minutes or after \"Re-read\"", asker, url,
                filePause.count());
}

// One ask of an airport file, or none while a pause keeps it from the server.
struct AirportAsk {
    Paused paused = Paused::No;
    DownloadEnd end = DownloadEnd::Failed;
    std::error_code writeError; // why the file here refused the bytes (NotWritten)
};

DownloadEnd lf_fetchAirportFile(const std::string& url, const fs::path& localPath, std::error_code& writeError)
{
    CurlHandle handle;
    return gf_fetchFile(handle.get(), url, localPath, false, writeError);
}

AirportAsk lf_askForAirportFile(const std::string& url, const fs::path& localPath, std::string_view asker)
{
    AirportAsk ask;
    ask.paused = lf_pausedFor(url);
    if (ask.paused != Paused::No)
        return ask;
    ask.end = lf_fetchAirportFile(url, localPath, ask.writeError);
    lf_noteAnswer(ask.end, url, asker);
    return ask;
}

// Removes a temporary file when the operation that downloaded it ends, whatever happened.
class TempFile {
public:
    explicit TempFile(fs::path path) : m_path(std::move(path)) {}
    ~TempFile()
    {
        std::error_code ignored; // a temporary file of its own, swept at the next start
        gf_removeFile(m_path, ignored);
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    const fs::path& path() const { return m_path; }

private:
    fs::path m_path;
};

std::string lf_stockServerPath(std::string_view code)
{
    return fmt::format("{}{}", kStockFolder, lf_xmlName(code));
}

std::string lf_stockUrl(std::string_view code)
{
    return gf_airportDownloadUrl(true) + lf_stockServerPath(code);
}

// The stock file of the airport loaded into the document; false when it cannot be, and from the
// first ask that finds the server unreachable on, without asking.
bool lf_loadStockFile(std::string_view code, pugi::xml_document& document, StockAsks& asks)
{
    if (asks.unreachable)
        return false;
    const TempFile stock(gf_uniqueTempPath(code));
    std::error_code logged;
    const DownloadEnd end = lf_fetchAirportFile(lf_stockUrl(code), stock.path(), logged);
    if (end == DownloadEnd::Unreachable) {
        asks.unreachable = true;
        gf_logErrorf("{}: the download server cannot be reached, no further airport is asked for", "lf_suitableForLearning");
    }
    return end == DownloadEnd::Done && document.load_file(stock.path().c_str());
}

// A pointer to a location: backslashes of a file written on Windows become slashes, blanks "%20".
std::string lf_normalisedLocation(std::string text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        if (c == '\\')
            out += '/';
        else if (c == ' ')
            out += "%20";
        else
            out += c;
    }
    return out;
}

// Steps 1 and 3 of the search: a pointer file of a user folder. Nothing when there is none.
std::optional<std::string> lf_pointerLocation(const fs::path& folder, std::string_view code)
{
    const fs::path pointer = folder / lf_txtPath(code);
    if (!fs::exists(pointer))
        return std::nullopt;
    std::string location;
    if (!lf_readApfPointer(pointer, location))
        return std::nullopt;
    location = lf_normalisedLocation(std::move(location));
    if (!location.empty() && !gf_isApfLocation(location)) {
        gf_logErrorf("{}: \"{}\" in {} refused: not the location of an airport file", "gf_getStockApf", location,
                     gf_genericUtf8FromPath(pointer));
        return std::string();
    }
    return location;
}

// Built anew rather than replaced in place, which g++ 12 takes for an overlapping copy (-Wrestrict).
std::string lf_replaceAll(std::string_view text, std::string_view from, std::string_view to)
{
    std::string result;
    std::size_t start = 0;
    for (std::size_t at = text.find(from); at != std::string_view::npos; at = text.find(from, start)) {
        result.append(text.substr(start, at - start)).append(to);
        start = at + from.size();
    }
    return result.append(text.substr(start));
}

std::string lf_replaceFirst(std::string text, std::string_view from, std::string_view to)
{
    if (const std::size_t at = text.find(from); at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

// A "/"-separated text below the program folder as a path (empty parts dropped); empty when a part
// could leave it.
fs::path lf_pathOfParts(std::string_view text)
{
    fs::path path;
    std::size_t start = 0;
    while (true) {
        const std::size_t slash = text.find('/', start);
        const std::string_view part = text.substr(start, slash == std::string_view::npos ? text.npos : slash - start);
        if (!gf_isFolderName(part))
            return {};
        if (!part.empty())
            path /= gf_pathFromUtf8(part);
        if (slash == std::string_view::npos)
            return path;
        start = slash + 1;
    }
}

} // namespace

std::string lf_xmlName(std::string_view name) { return std::string(name) + ".xml"; }
fs::path gf_xmlPath(std::string_view name) { return gf_pathFromUtf8(lf_xmlName(name)); }
fs::path lf_txtPath(std::string_view name) { return gf_pathFromUtf8(std::string(name) + ".txt"); }

fs::path gf_uniqueTempPath(std::string_view stem)
{
    return gf_temporaryPath(gf_xmlPath(stem)); // what a kill leaves goes at the next start
}

bool lf_readApfPointer(const fs::path& path, std::string& out)
{
    const auto lines = gf_readFile(path, 1);
    if (!lines)
        return false;
    std::string line = lines->front();
    const std::size_t lastL = line.rfind('l');
    line.resize(lastL == std::string::npos ? 0 : lastL + 1);
    out = std::move(line);
    return true;
}

bool lf_downloadStockApf(std::string_view code)
{
    if (!gf_checkAirportCode(code, "lf_downloadStockApf"))
        return false;
    {
        std::lock_guard lock(g_probeMutex);
        if (const auto it = g_stockProbes.find(code); it != g_stockProbes.end())
            return it->second;
    }
    const TempFile probe(gf_uniqueTempPath(code));
    const DownloadEnd end = lf_askForAirportFile(lf_stockUrl(code), probe.path(), "lf_downloadStockApf").end;
    if (end == DownloadEnd::Done || end == DownloadEnd::NotFound) {
        std::lock_guard lock(g_probeMutex);
        g_stockProbes.emplace(std::string(code), end == DownloadEnd::Done);
    }
    return end == DownloadEnd::Done;
}

void gf_resumeApfProbes()
{
    std::lock_guard lock(g_probeMutex);
    g_serverPause = {};
    g_filePauses.clear();
}

void gf_resetApfProbes()
{
    gf_resumeApfProbes();
    {
        std::lock_guard lock(g_probeMutex);
        g_stockProbes.clear();
    }
    gf_forgetFetchedStands();
}

bool gf_apfExists(std::string_view code)
{
    if (!gf_checkAirportCode(code, "gf_apfExists"))
        return false;
    for (const fs::path& folder : {g_myThirdpartyPath, g_mySimaddonPath})
        if (fs::exists(folder / gf_xmlPath(code)) || fs::exists(folder / lf_txtPath(code)))
            return true;
    return lf_downloadStockApf(code);
}

std::string gf_getStockApf(std::string_view code)
{
    if (!gf_checkAirportCode(code, "gf_getStockApf"))
        return {};
    for (const fs::path& folder : {g_myThirdpartyPath, g_mySimaddonPath}) {
        if (auto location = lf_pointerLocation(folder, code))
            return *location;
        const fs::path file = folder / gf_xmlPath(code);
        if (fs::exists(file))
            return gf_genericUtf8FromPath(file);
    }
    return lf_downloadStockApf(code) ? lf_stockServerPath(code) : std::string();
}

std::string lf_downloadAddonApf(std::string_view serverPath, const fs::path& localPath)
{
    if (!gf_isApfLocation(serverPath)) {
        const std::string message = fmt::format("failed to download: \"{}\" is no airport file location", serverPath);
        gf_logError(message);
        return message;
    }
    const bool from2020 = serverPath.find("simaddon") != std::string_view::npos ||
                          serverPath.find("stock") != std::string_view::npos;
    const std::string url = gf_airportDownloadUrl(from2020) + std::string(serverPath);
    const AirportAsk ask = lf_askForAirportFile(url, localPath, "lf_downloadAddonApf");
    if (ask.paused != Paused::No) // logged when the pause began
        return fmt::format("failed to download: \"{}\": {}, asked again after a pause", url,
                           ask.paused == Paused::Server ? "the download server did not answer" : "it came too slowly");
    if (ask.end == DownloadEnd::Done)
        return {};
    if (ask.end == DownloadEnd::NotWritten) // logged with the URL by the download
        return fmt::format("could not write \"{}\": {}", gf_utf8FromPath(localPath), gf_errorText(ask.writeError));
    std::string message = fmt::format("failed to download: \"{}\"", url);
    gf_log(message);
    return message;
}

fs::path lf_learnedApfPath(std::string_view path, std::string_view subFolder)
{
    if (path.empty())
        return {};
    const std::string learned = gf_genericUtf8FromPath(g_learnedPath);
    std::string text;
    if (path.find(kArchive) != std::string_view::npos) {
        text = lf_replaceAll(lf_replaceFirst(std::string(path), kArchive, learned), "%20", " ");
    } else if (path.starts_with(gf_genericUtf8FromPath(g_airportsPath))) {
        text = lf_replaceFirst(std::string(path), gf_genericUtf8FromPath(g_airportsPath), learned);
        const std::string_view branch =
            text.find("my_thirdparty2024") != std::string::npos ? "my_thirdparty2024" : "my_thirdparty";
        if (text.find(branch) != std::string::npos) {
            if (!gf_isFolderName(subFolder)) {
                gf_logErrorf("{}: publisher \"{}\" refused as a folder name", "lf_learnedApfPath", subFolder);
                return {};
            }
            text = lf_replaceFirst(std::move(text), branch, fmt::format("thirdparty/{}", subFolder));
        }
    } else {
        return gf_isApfLocation(path) ? gf_pathFromUtf8(path) : fs::path();
    }
    text = lf_replaceAll(std::move(text), "\\", "/");
    fs::path learnedPath = text.starts_with(learned + "/") ? lf_pathOfParts(text) : fs::path();
    if (learnedPath.empty())
        gf_logErrorf("{}: \"{}\" refused: it leads outside {}", "lf_learnedApfPath", path, learned);
    return learnedPath;
}

std::string lf_readApfPublisher(const fs::path& path)
{
    pugi::xml_document document;
    if (!document.load_file(path.c_str()))
        return {};
    return lf_readParameterText(document, "publisher").value_or("");
}

std::string lf_detectPublisher(const fs::path& path)
{
    pugi::xml_document document;
    if (!document.load_file(path.c_str()))
        return fmt::format("\"{}\" not found", gf_utf8FromPath(path));
    if (lf_readParameterText(document, "publisher") != "unknown")
        return {};
    const auto manufacturer = lf_readParameterText(document, "manufacturer");
    const auto creator = lf_readParameterText(document, "creator");
    if ((manufacturer && manufacturer->size() >= 4) || (creator && creator->size() >= 4))
        return {};
    return fmt::format("{}={}, {}={}", "manufacturer", manufacturer.value_or(""), "creator", creator.value_or(""));
}

bool lf_suitableForLearning(std::string_view code, StockAsks& asks)
{
    if (!gf_checkAirportCode(code, "lf_suitableForLearning"))
        return false;
    pugi::xml_document document;
    if (!lf_loadStockFile(code, document, asks)) {
        gf_logErrorf("{} Not suitable for offline learning", code);
        return false;
    }
    if (lf_readParameterInt(document, "Qf_real").value_or(-1) < 0 &&
        lf_readParameterInt(document, "Qf_soft").value_or(-1) < 0)
        return false;
    const auto week = lf_readParameterInt(document, "WEEK");
    return week && *week >= kLearningWeek;
}

} // namespace zyn
