#include "airport/apf_locations.h"

#include "airport/airport_asks.h"
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

// A server path's address: "simaddon" and "stock" files from the 2020 branch, others from the
// simulator's.
std::string lf_serverUrl(std::string_view serverPath)
{
    const bool from2020 = serverPath.find("simaddon") != std::string_view::npos ||
                          serverPath.find("stock") != std::string_view::npos;
    return gf_airportDownloadUrl(from2020) + std::string(serverPath);
}

// The stock file of the airport loaded into the document; false when it cannot be, and, once the
// server's pause began (no answer, or files too slow one after the other), without asking.
bool lf_loadStockFile(std::string_view code, pugi::xml_document& document, StockAsks& asks)
{
    if (asks.givenUp)
        return false;
    const TempFile stock(gf_uniqueTempPath(code));
    const AirportAsk ask = gf_askAirportFile(lf_stockUrl(code), stock.path(), "lf_suitableForLearning");
    if (ask.paused == Paused::Server || gf_airportServerPaused()) {
        asks.givenUp = true;
        gf_logErrorf("{}: the download server does not answer in time, no further airport is asked for",
                     "lf_suitableForLearning");
    }
    return ask.end == DownloadEnd::Done && document.load_file(stock.path().c_str());
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

// The name at the end of a file's address or path: the status line names the file and says why
// first, as its width may cut what follows; the log keeps the whole address and folder.
std::string lf_fileNameOf(std::string_view address)
{
    const std::size_t slash = address.find_last_of("/\\");
    return std::string(slash == std::string_view::npos ? address : address.substr(slash + 1));
}

std::string lf_notWritten(const fs::path& path, const std::error_code& error)
{
    std::error_code ignored; // the folder as given, then
    return fmt::format("could not write {}: {} (in \"{}\")", gf_utf8FromPath(path.filename()), gf_errorText(error),
                       gf_utf8FromPath(fs::absolute(path, ignored).parent_path()));
}

// What the user reads of a server file that did not come and waits for its pause.
std::string lf_unfetchedText(std::string_view url, const AirportAsk& ask)
{
    if (ask.end == DownloadEnd::NotWritten)
        return fmt::format("could not write {}: {}, asked again after a pause (in the Tarvo folder \"{}\")",
                           lf_fileNameOf(url), ask.why, ask.folder);
    return fmt::format("failed to download {}: {}, asked again after a pause", lf_fileNameOf(url), ask.why);
}

// A fetched file where its reader wants it; empty, or why it could not be written there (logged with
// the file's address, as a download logs it).
std::string lf_copyFetched(const std::string& url, const fs::path& fetched, const fs::path& localPath)
{
    std::error_code error;
    if (gf_copyFile(fetched, localPath, ExistingTarget::Replace, error))
        return {};
    std::string message = lf_notWritten(localPath, error);
    gf_logIndentedf("{}: could not write \"{}\": {}", url, gf_utf8FromPath(localPath), gf_errorText(error));
    return message;
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

Presence lf_downloadStockApf(std::string_view code, std::string* why)
{
    if (!gf_checkAirportCode(code, "lf_downloadStockApf"))
        return Presence::Absent;
    {
        std::lock_guard lock(g_probeMutex);
        if (const auto it = g_stockProbes.find(code); it != g_stockProbes.end())
            return it->second ? Presence::Present : Presence::Absent;
    }
    const std::string url = lf_stockUrl(code);
    const AirportAsk ask = gf_askAirportFileBeside(url, "lf_downloadStockApf");
    if (ask.underWay)
        return Presence::UnderWay;
    if (ask.paused == Paused::No && (ask.end == DownloadEnd::Done || ask.end == DownloadEnd::NotFound)) {
        std::lock_guard lock(g_probeMutex);
        g_stockProbes.emplace(std::string(code), ask.end == DownloadEnd::Done);
        return ask.end == DownloadEnd::Done ? Presence::Present : Presence::Absent;
    }
    if (why)
        *why = lf_unfetchedText(url, ask);
    return Presence::Unfetched;
}

void gf_resumeApfProbes()
{
    gf_resumeAirportAsks();
}

void gf_resetApfProbes()
{
    gf_endAirportAsks();
    {
        std::lock_guard lock(g_probeMutex);
        g_stockProbes.clear();
    }
    gf_forgetFetchedStands();
}

Presence gf_apfExists(std::string_view code, std::string* why)
{
    if (!gf_checkAirportCode(code, "gf_apfExists"))
        return Presence::Absent;
    for (const fs::path& folder : {g_myThirdpartyPath, g_mySimaddonPath})
        if (fs::exists(folder / gf_xmlPath(code)) || fs::exists(folder / lf_txtPath(code)))
            return Presence::Present;
    return lf_downloadStockApf(code, why);
}

std::optional<std::string> gf_getStockApf(std::string_view code)
{
    if (!gf_checkAirportCode(code, "gf_getStockApf"))
        return std::string();
    for (const fs::path& folder : {g_myThirdpartyPath, g_mySimaddonPath}) {
        if (auto location = lf_pointerLocation(folder, code))
            return *location;
        const fs::path file = folder / gf_xmlPath(code);
        if (fs::exists(file))
            return gf_genericUtf8FromPath(file);
    }
    switch (lf_downloadStockApf(code)) {
    case Presence::Present:
    case Presence::Unfetched: return lf_stockServerPath(code);
    case Presence::UnderWay: return std::nullopt;
    default: return std::string();
    }
}

bool gf_apfLocationPaused(std::string_view location)
{
    const bool local = location.starts_with(gf_genericUtf8FromPath(g_airportsPath));
    return !location.empty() && !local && gf_isApfLocation(location) && gf_airportFilePaused(lf_serverUrl(location));
}

std::optional<std::string> lf_downloadAddonApf(std::string_view serverPath, const fs::path& localPath)
{
    if (!gf_isApfLocation(serverPath)) {
        const std::string message = fmt::format("failed to download: \"{}\" is no airport file location", serverPath);
        gf_logError(message);
        return message;
    }
    const std::string url = lf_serverUrl(serverPath);
    const AirportAsk ask = gf_askAirportFileBeside(url, "lf_downloadAddonApf");
    if (ask.underWay)
        return std::nullopt;
    if (ask.paused == Paused::No && ask.end == DownloadEnd::Done)
        return lf_copyFetched(url, ask.file, localPath);
    if (ask.paused == Paused::No && ask.end == DownloadEnd::NotFound) {
        gf_logf("failed to download: \"{}\"", url);
        return fmt::format("failed to download {}: the server has no such file", lf_fileNameOf(url));
    }
    return lf_unfetchedText(url, ask); // logged as its pause began
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
