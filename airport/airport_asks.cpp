#include "airport/airport_asks.h"

#include "base/download_beside.h"
#include "base/log.h"
#include "base/path_text.h"
#include "platform/system/clock.h"
#include "platform/system/error_text.h"
#include "platform/system/files.h"

#include <fmt/format.h>

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
// Why an end brought no file, as the user reads it: the server's error or the disk's word, and for a
// file the program folder could not take, that folder named whole (the transfer's temporary name
// alone says nothing of where it lies).
struct NoFile {
    std::string why;
    std::string folder;
};

struct AskPause {
    std::chrono::minutes last{0}; // zero while the asks are answered
    SteadyTime until{};
    DownloadEnd cause = DownloadEnd::Unreachable; // of its latest beginning
    NoFile told;                                  // the same, as the user reads it
};

std::mutex g_asksMutex;
// The server's: every airport file waits for it.
AskPause g_serverPause; // under g_asksMutex
// A file's own, by its path on the server. Few files are asked for in a session; the bound keeps a
// long one small.
constexpr std::size_t kMostPausedFiles = 64;
std::map<std::string, AskPause, std::less<>> g_filePauses; // under g_asksMutex
// The file that came too slowly last, and the one the server answered with an error last, until a
// clear answer: another one after it blames the server.
std::string g_lastSlowPath;  // under g_asksMutex
std::string g_lastErrorPath; // under g_asksMutex

// The transfers started beside the main loop, by url, and the whole files they brought. A transfer's
// file goes with the last holder of the transfer: the map, or an ask that handed it to its reader.
struct BesideAsk {
    std::shared_ptr<DownloadBeside> transfer;
    std::uint64_t id = 0;      // of this transfer: a later one of the same url is another
    bool whole = false;        // it brought its file: set as its end is noted, under the lock
    std::uint64_t lastUse = 0; // its end or the latest ask that took it: the least recent goes first
};
constexpr std::size_t kMostKeptFiles = 8;
std::map<std::string, BesideAsk, std::less<>> g_besideAsks; // under g_asksMutex
std::uint64_t g_besideAskUses = 0;                          // under g_asksMutex
using Transfers = std::vector<std::shared_ptr<DownloadBeside>>;

// Under g_asksMutex.
std::chrono::minutes lf_lengthen(AskPause& pause, DownloadEnd cause, NoFile told)
{
    pause.last = pause.last.count() == 0 ? kFirstPause : std::min(2 * pause.last, kLongestPause);
    pause.until = gf_steadyNow() + pause.last;
    pause.cause = cause;
    pause.told = std::move(told);
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

// Under g_asksMutex. The pause that keeps the url from the server, if one lasts: the server's first.
const AskPause* lf_pauseFor(std::string_view url)
{
    if (lf_lasts(g_serverPause))
        return &g_serverPause;
    const auto it = g_filePauses.find(lf_pathOnServer(url));
    return it != g_filePauses.end() && lf_lasts(it->second) ? &it->second : nullptr;
}

// Under g_asksMutex. An ask kept from the server: which pause, and what began it.
void lf_notePaused(std::string_view url, AirportAsk& ask)
{
    const AskPause* pause = lf_pauseFor(url);
    if (!pause)
        return;
    ask.paused = pause == &g_serverPause ? Paused::Server : Paused::File;
    ask.end = pause->cause;
    ask.why = pause->told.why;
    ask.folder = pause->told.folder;
}

constexpr std::string_view kServerSilent = "the download server did not answer in time";

NoFile lf_whyNoFile(DownloadEnd end, const DownloadDetail& detail, const fs::path& file)
{
    switch (end) {
    case DownloadEnd::Unreachable: return {std::string(kServerSilent), {}};
    case DownloadEnd::TooSlow: return {"it came too slowly", {}};
    case DownloadEnd::NotWritten: {
        std::error_code ignored; // the folder as given, then
        return {gf_errorText(detail.writeError), gf_utf8FromPath(fs::absolute(file, ignored).parent_path())};
    }
    case DownloadEnd::Failed:
        return {detail.status >= 300 ? fmt::format("the server answered {}", detail.status)
                                     : std::string("the transfer broke off"),
                {}};
    default: return {};
    }
}

// The log's words for a file that did not come: the folder here comes first, as its reason names it.
std::string lf_loggedWhy(const NoFile& told)
{
    return told.folder.empty() ? told.why
                               : fmt::format("could not write in the Tarvo folder \"{}\": {}", told.folder, told.why);
}

struct NewPauses {
    std::chrono::minutes server{0};
    std::chrono::minutes file{0};
    std::string serverWhy;
};

// Under g_asksMutex. A file's pause, and the server's once a second file in a row ends as the last
// one of that kind did (too slow, or a server error); one that is not the server's fault ends the
// server's pause, as its answer came.
void lf_pauseFile(DownloadEnd end, const std::string& path, NoFile told, std::string* lastOfItsKind,
                  std::string_view inARow, NewPauses& paused)
{
    if (lastOfItsKind) {
        if (!lastOfItsKind->empty() && *lastOfItsKind != path) {
            paused.serverWhy = fmt::format("the download server {}", inARow);
            paused.server = lf_lengthen(g_serverPause, end, {paused.serverWhy, {}});
        } else {
            g_serverPause = {};
        }
        *lastOfItsKind = path;
    }
    paused.file = lf_lengthen(lf_filePause(path), end, std::move(told));
}

// Under g_asksMutex. A clear answer ends the server's pause and the file's; no answer lengthens the
// server's, any other end the file's (and the server's, see lf_pauseFile). A stopped transfer tells
// nothing.
NewPauses lf_notePauses(DownloadEnd end, const std::string& path, NoFile told)
{
    NewPauses paused;
    switch (end) {
    case DownloadEnd::Done:
    case DownloadEnd::NotFound:
        g_serverPause = {};
        g_filePauses.erase(path);
        g_lastSlowPath.clear();
        g_lastErrorPath.clear();
        break;
    case DownloadEnd::TooSlow:
        lf_pauseFile(end, path, std::move(told), &g_lastSlowPath, "sent two files in a row too slowly", paused);
        break;
    case DownloadEnd::Failed:
        lf_pauseFile(end, path, std::move(told), &g_lastErrorPath, "answered two files in a row with an error", paused);
        break;
    case DownloadEnd::NotWritten: // the disk here: the server is not to blame
        lf_pauseFile(end, path, std::move(told), nullptr, {}, paused);
        break;
    case DownloadEnd::Unreachable:
        paused.serverWhy = std::string(kServerSilent);
        paused.server = lf_lengthen(g_serverPause, end, {paused.serverWhy, {}});
        break;
    case DownloadEnd::Stopped:
        break;
    }
    return paused;
}

// What an ask's end tells of the server and of the file, each pause logged once as it begins.
void lf_noteAnswer(DownloadEnd end, const DownloadDetail& detail, const std::string& url, const fs::path& file,
                   std::string_view asker)
{
    NoFile told = lf_whyNoFile(end, detail, file);
    const std::string logged = lf_loggedWhy(told);
    NewPauses paused;
    {
        std::lock_guard lock(g_asksMutex);
        paused = lf_notePauses(end, lf_pathOnServer(url), std::move(told));
    }
    if (paused.file.count() != 0)
        gf_logf("{}: \"{}\": {}, it is asked for again in {} minutes or after \"Re-read\"", asker, url, logged,
                paused.file.count());
    if (paused.server.count() != 0)
        gf_logf("{}: {}, airport files are asked for again in {} minutes or after \"Re-read\"", asker,
                paused.serverWhy, paused.server.count());
}

// Lets the transfers go: each ends, and its file goes with its last holder (an ask's reader may hold
// one a little longer). Never under g_asksMutex, which their end takes.
void lf_discard(Transfers transfers)
{
    transfers.clear();
}

// A transfer beside the asker whose file goes with it: ended (within about a second), then removed.
std::shared_ptr<DownloadBeside> lf_startBeside(const std::string& url, const fs::path& file,
                                               DownloadBeside::EndNote onEnd)
{
    return {new DownloadBeside(url, file, false, std::move(onEnd)), [](DownloadBeside* transfer) {
                transfer->stop();
                std::error_code ignored; // a temporary of its own, swept at the next start
                gf_removeFile(transfer->path(), ignored);
                delete transfer;
            }};
}

// Under g_asksMutex. The least recently used whole files beyond the bound.
Transfers lf_takeOldestKept()
{
    std::vector<std::pair<std::uint64_t, std::string>> kept;
    for (const auto& [url, ask] : g_besideAsks)
        if (ask.whole)
            kept.emplace_back(ask.lastUse, url);
    std::ranges::sort(kept);
    Transfers gone;
    for (std::size_t i = 0; i + kMostKeptFiles < kept.size(); ++i) {
        const auto it = g_besideAsks.find(kept[i].second);
        gone.push_back(std::move(it->second.transfer));
        g_besideAsks.erase(it);
    }
    return gone;
}

// A transfer ended beside its asker: what it tells, and, when it brought a file, room for it among the
// kept ones. On the transfer's own thread; its file counts as whole here, under the lock, so that two
// transfers that end together each see the other's. The files trimmed ended before it.
void lf_noteEndBeside(DownloadEnd end, const DownloadDetail& detail, const std::string& url, std::uint64_t id,
                      const fs::path& file, std::string_view asker)
{
    lf_noteAnswer(end, detail, url, file, asker);
    if (end != DownloadEnd::Done)
        return;
    Transfers gone;
    {
        std::lock_guard lock(g_asksMutex);
        const auto it = g_besideAsks.find(url);
        if (it == g_besideAsks.end() || it->second.id != id)
            return; // the session that asked for it has ended
        it->second.whole = true;
        it->second.lastUse = ++g_besideAskUses;
        gone = lf_takeOldestKept();
    }
    lf_discard(std::move(gone));
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

// Under g_asksMutex. A kept file an ask takes is used again: the latest files stay.
void lf_renewKept(const std::string& url, const std::shared_ptr<DownloadBeside>& transfer)
{
    if (const auto it = g_besideAsks.find(url); it != g_besideAsks.end() && it->second.transfer == transfer)
        it->second.lastUse = ++g_besideAskUses;
}

} // namespace

AirportAsk gf_askAirportFile(const std::string& url, const fs::path& localPath, std::string_view asker)
{
    AirportAsk ask;
    {
        std::lock_guard lock(g_asksMutex);
        lf_notePaused(url, ask);
    }
    if (ask.paused != Paused::No)
        return ask;
    CurlHandle handle;
    DownloadDetail detail;
    ask.end = gf_fetchFile(handle.get(), url, localPath, false, detail);
    lf_noteAnswer(ask.end, detail, url, localPath, asker);
    ask.file = localPath;
    NoFile told = lf_whyNoFile(ask.end, detail, localPath);
    ask.why = std::move(told.why);
    ask.folder = std::move(told.folder);
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
            lf_notePaused(url, ask);
            if (ask.paused != Paused::No)
                return ask;
            const fs::path file = gf_temporaryPath(fs::path("airport.xml"));
            const std::uint64_t id = ++g_besideAskUses;
            transfer = lf_startBeside(url, file, [url, id, file, asker = std::string(asker)](DownloadEnd end,
                                                                                            const DownloadDetail& detail) {
                lf_noteEndBeside(end, detail, url, id, file, asker);
            });
            g_besideAsks.emplace(url, BesideAsk{.transfer = transfer, .id = id});
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
    ask.file = transfer->path(); // where it came, or could not be written
    NoFile told = lf_whyNoFile(ask.end, transfer->detail(), ask.file);
    ask.why = std::move(told.why);
    ask.folder = std::move(told.folder);
    Transfers gone;
    {
        std::lock_guard lock(g_asksMutex);
        if (ask.end == DownloadEnd::Done)
            lf_renewKept(url, transfer);
        else
            gone = lf_takeEnded(url, transfer);
    }
    lf_discard(std::move(gone));
    // The file stays while its reader holds it, even when later files take its room meanwhile.
    if (ask.end == DownloadEnd::Done)
        ask.hold = std::move(transfer);
    // Nothing decided: the exit or a restart ended it.
    ask.underWay = ask.end == DownloadEnd::Stopped;
    return ask;
}

bool gf_airportServerPaused()
{
    std::lock_guard lock(g_asksMutex);
    return lf_lasts(g_serverPause);
}

bool gf_airportFilePaused(std::string_view url)
{
    std::lock_guard lock(g_asksMutex);
    return lf_pauseFor(url) != nullptr;
}

void gf_resumeAirportAsks()
{
    std::lock_guard lock(g_asksMutex);
    g_serverPause = {};
    g_filePauses.clear();
    g_lastSlowPath.clear();
    g_lastErrorPath.clear();
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
