#pragma once
// How airport files are asked of the download server, shared by every asker: the server's pause and
// each file's, and the transfers that the main loop starts beside it and takes at a later check.
//
// An ask that brought no file is not made again before a pause of two minutes, then twice the last
// one up to an hour, until a clear answer (the file, or the server's "not found") or
// gf_resumeAirportAsks. A server that gave no answer at all (not reached, or not even a status)
// pauses every airport file; so do two different files in a row that came too slowly, or two that
// the server answered with an error, with no clear answer between them: then the server or the line
// is at fault. One file that came too slowly, that the server answered with an error, or that the
// program folder could not take (a full disk) pauses only itself, by its path on the server, so that
// the server's other files, the park airport's among them, are fetched meanwhile. A transfer that an
// exit or a restart ended tells nothing and pauses nothing.
#include "base/download.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>

namespace zyn {

enum class Paused : std::uint8_t { No, Server, File };

struct AirportAsk {
    Paused paused = Paused::No; // not No: no ask was made, a pause keeps the file from the server
    bool underWay = false;      // asked beside the caller: the transfer still lasts
    DownloadEnd end = DownloadEnd::Failed; // paused: the end that began the pause
    std::filesystem::path file; // where the file came: whole when Done (NotWritten: where it could not be written)
    std::string why;            // no file: why, as the user reads it (the server's error, the disk's word)
    std::string folder;         // NotWritten: the folder here that refused it, whole
    std::shared_ptr<const void> hold; // beside: the file stays while this is held, whatever ends meanwhile
};

// One ask on the caller's thread, which may wait as long as the line takes (the start-up's scan):
// the file goes into localPath.
AirportAsk gf_askAirportFile(const std::string& url, const std::filesystem::path& localPath, std::string_view asker);

// One ask beside the caller (the main loop, which must never wait on the line): the first ask of a
// url starts its transfer on a thread of its own and waits for it at most
// g_downloadLimits.callerWaitMilliseconds; later asks look without waiting and take its end. A whole
// file is kept in the program folder until the session ends (the eight latest to come or to be taken
// by an ask, taken or not), so that a probe and the read of one file fetch it once; the ask that takes
// it holds it (hold) until its reader is done. Any other end goes to one ask, and the next asks again
// once its pause is over. A transfer that an exit or a restart ended is underWay: nothing is decided.
AirportAsk gf_askAirportFileBeside(const std::string& url, std::string_view asker);

// Whether the server's pause lasts: no airport file is asked for.
bool gf_airportServerPaused();
// Whether a pause keeps this file from the server: the server's or the file's own.
bool gf_airportFilePaused(std::string_view url);
// Ends the pauses: the next ask goes to the server (the user's "Re-read").
void gf_resumeAirportAsks();
// The session is over (an exit, a restart): ends the transfers under way (each within about a
// second, leaving no partial file), removes the kept files and ends the pauses.
void gf_endAirportAsks();

} // namespace zyn
