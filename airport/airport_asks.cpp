#include "airport/airport_asks.h"

#include "base/download_beside.h"
#include "base/log.h"
#include "platform/system/clock.h"
#include "platform/system/files.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace zyn {

namespace fs = std::filesystem;

namespace {

constexpr std::chrono::minutes kFirstPause{2};
constexpr std::chrono::minutes kLongestPause{60};
struct AskPause {
    std::chrono::minutes last{0}; // zero while the asks are answered
    SteadyTime until{};
};

std::mutex g_asksMutex;
// The server's: every airport file waits for it.
AskPause g_serverPause; // under g_asksMutex
// A file's own, by its path on the server. Few files are asked for in a session; the bound keeps a
// long one small.
constexpr std::size_t kMostPausedFiles = 64;
std::map<std::string, AskPause, std::less<>> g_filePauses; // under g_asksMutex
// The file that came too slowly last, until a clear answer: another one after it blames the server.
std::string g_lastSlowPath; // under g_asksMutex

// The transfers started beside the main loop, by url, and the whole files they brought.
struct BesideAsk {
    std::shared_ptr<DownloadBeside> transfer;
    std::uint64_t order = 0; // of starting: the oldest kept file goes first
};
constexpr std::size_t kMostKeptFiles = 8;
std::map<std::string, BesideAsk, std::less<>> g_besideAsks; // under g_asksMutex
std::uint64_t g_besideAsksStarted = 0;                      // under g_asksMutex
using Transfers = std::vector<std::shared_ptr<DownloadBeside>>;

// Under g_asksMutex.
std::chrono::minutes lf_lengthen(AskPause& pause)
{
    pause.last = pause.last.count() == 0 ? kFirstPause : std::min(2 * pause.last, kLongestPause);
    pause.until = gf_steadyNow() + pause.last;
    return pause.last;
}

bool lf_lasts(const AskPause& pause)
{
    return pause.last.count() != 0 && gf_steadyNow() < pause.until;
}

// Under g_asksMutex. Room for a file's pause: when full, the pause that ended first goes.
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

// Under g_asksMutex.
Paused lf_pausedFor(std::string_view url)
{
    if (lf_lasts(g_serverPause))
        return Paused::Server;
    const auto it = g_filePauses.find(lf_pathOnServer(url));
    return it != g_filePauses.end() && lf_lasts(it->second) ? Paused::File : Paused::No;
}

struct NewPauses {
    std::chrono::minutes server{0};
    std::chrono::minutes file{0};
    bool slowInARow = false; // the server's for files too slow one after the other
};

// Under g_asksMutex. A clear answer ends the server's pause and the file's; no answer lengthens the
// server's, a body too slow the file's, and the server's too when the last slow file was another.
NewPauses lf_notePauses(DownloadEnd end, const std::string& path)
{
    NewPauses paused;
    if (end == DownloadEnd::Done || end == DownloadEnd::NotFound) {
        g_serverPause = {};
        g_filePauses.erase(path);
        g_lastSlowPath.clear();
    } else if (end == DownloadEnd::TooSlow) {
        paused.slowInARow = !g_lastSlowPath.empty() && g_lastSlowPath != path;
        if (paused.slowInARow)
            paused.server = lf_lengthen(g_serverPause);
        else
            g_serverPause = {};
        paused.file = lf_lengthen(lf_filePause(path));
        g_lastSlowPath = path;
    } else if (end == DownloadEnd::Unreachable) {
        paused.server = lf_lengthen(g_serverPause);
    }
    return paused;
}

// What an ask's end tells of the server and of the file, each pause logged once as it begins.
void lf_noteAnswer(DownloadEnd end, const std::string& url, std::string_view asker)
{
    NewPauses paused;
    {
        std::lock_guard lock(g_asksMutex);
        paused = lf_notePauses(end, lf_pathOnServer(url));
    }
    if (paused.file.count() != 0)
        gf_logf("{}: \"{}\" came too slowly, it is asked for again in {} minutes or after \"Re-read\"", asker, url,
                paused.file.count());
    if (paused.server.count() != 0)
        gf_logf("{}: the download server {}, airport files are asked for again in {} minutes or after \"Re-read\"",
                asker, paused.slowInARow ? "sent two files in a row too slowly" : "did not answer",
                paused.server.count());
}

// Ends the transfers and removes what they brought; never under g_asksMutex, which their end takes.
void lf_discard(Transfers transfers)
{
    for (const auto& transfer : transfers) {
        transfer->stop();
        std::error_code ignored; // a temporary of its own, swept at the next start
        gf_removeFile(transfer->path(), ignored);
    }
}

// Under g_asksMutex. The oldest kept files beyond the bound, but the one just taken.
Transfers lf_takeOldestKept(std::string_view taken)
{
    std::vector<std::pair<std::uint64_t, std::string>> kept;
    for (const auto& [url, ask] : g_besideAsks)
        if (url != taken && ask.transfer->endWithin(std::chrono::milliseconds(0)) == DownloadEnd::Done)
            kept.emplace_back(ask.order, url);
    std::ranges::sort(kept);
    Transfers gone;
    for (std::size_t i = 0; i + kMostKeptFiles <= kept.size(); ++i) {
        const auto it = g_besideAsks.find(kept[i].second);
        gone.push_back(std::move(it->second.transfer));
        g_besideAsks.erase(it);
    }
    return gone;
}

// Under g_asksMutex. An ended transfer that brought no file goes: the next ask asks again.
Transfers lf_takeEnded(const std::string& url, const std::shared_ptr<DownloadBeside>& transfer)
{
    Transfers gone;
    if (const auto it = g_besideAsks.find(url); it != g_besideAsks.end() && it->second.transfer == transfer) {
        gone.push_back(std::move(it->second.transfer));
        g_besideAsks.erase(it);
    }
    return gone;
}

} // namespace

AirportAsk gf_askAirportFile(const std::string& url, const fs::path& localPath, std::string_view asker)
{
    AirportAsk ask;
    {
        std::lock_guard lock(g_asksMutex);
        ask.paused = lf_pausedFor(url);
    }
    if (ask.paused != Paused::No)
        return ask;
    CurlHandle handle;
    ask.end = gf_fetchFile(handle.get(), url, localPath, false, ask.writeError);
    lf_noteAnswer(ask.end, url, asker);
    ask.file = localPath;
    return ask;
}

AirportAsk gf_askAirportFileBeside(const std::string& url, std::string_view asker)
{
    AirportAsk ask;
    std::shared_ptr<DownloadBeside> transfer;
    bool started = false;
    {
        std::lock_guard lock(g_asksMutex);
        if (const auto it = g_besideAsks.find(url); it != g_besideAsks.end()) {
            transfer = it->second.transfer;
        } else if (gf_downloadShouldStop()) {
            // The session is ending: its transfers were ended, and none starts again (the exit's end
            // of them took this lock after the exit began). Nothing decided.
            ask.underWay = true;
            return ask;
        } else {
            ask.paused = lf_pausedFor(url);
            if (ask.paused != Paused::No)
                return ask;
            transfer = std::make_shared<DownloadBeside>(
                url, gf_temporaryPath(fs::path("airport.xml")), false,
                [url, asker = std::string(asker)](DownloadEnd end) { lf_noteAnswer(end, url, asker); });
            g_besideAsks.emplace(url, BesideAsk{transfer, ++g_besideAsksStarted});
            started = true;
        }
    }
    const auto wait = std::chrono::milliseconds(started ? g_downloadLimits.callerWaitMilliseconds.load() : 0);
    const std::optional<DownloadEnd> end = transfer->endWithin(wait);
    if (!end) {
        if (started)
            gf_logf("{}: \"{}\" is on its way, it is taken at a later check", asker, url);
        ask.underWay = true;
        return ask;
    }
    ask.end = *end;
    ask.writeError = transfer->writeError();
    Transfers gone;
    {
        std::lock_guard lock(g_asksMutex);
        gone = ask.end == DownloadEnd::Done ? lf_takeOldestKept(url) : lf_takeEnded(url, transfer);
    }
    ask.file = transfer->path(); // where it came, or could not be written
    lf_discard(std::move(gone));
    return ask;
}

bool gf_airportServerPaused()
{
    std::lock_guard lock(g_asksMutex);
    return lf_lasts(g_serverPause);
}

void gf_resumeAirportAsks()
{
    std::lock_guard lock(g_asksMutex);
    g_serverPause = {};
    g_filePauses.clear();
    g_lastSlowPath.clear();
}

void gf_endAirportAsks()
{
    Transfers gone;
    {
        std::lock_guard lock(g_asksMutex);
        for (auto& [url, ask] : g_besideAsks)
            gone.push_back(std::move(ask.transfer));
        g_besideAsks.clear();
    }
    lf_discard(std::move(gone));
    gf_resumeAirportAsks();
}

} // namespace zyn
