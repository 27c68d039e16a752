#pragma once
// The one download routine that every fetch from the download server goes through, and the
// server's addresses.
#include "base/version.h"
#include "platform/system/clock.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>

using CURL = void;

namespace zyn {

// The download server's base address, ending in "downloads/".
std::string gf_downloadBaseUrl();

// Limits that keep a dead or stalled server from holding up the start-up, the main loop or the exit.
// The low-speed floor lies far below any slow line, so a large file still arrives whole however long
// it takes, while a trickle is cut within about lowSpeedSeconds. No bound on the whole transfer: it
// would cut a large file on a slow line as surely as a trickle.
struct DownloadLimits {
    std::atomic<long> connectSeconds{15};
    std::atomic<long> lowSpeedBytesPerSecond{1024};
    std::atomic<long> lowSpeedSeconds{30}; // below the low speed this long: the transfer fails
    // How long a caller that must not be held (the main loop) waits for a transfer it starts beside
    // it (DownloadBeside) before it takes the result at a later look.
    std::atomic<long> callerWaitMilliseconds{500};
};
// Redirects followed, as a browser follows them; more fail the transfer.
inline constexpr long kMostRedirects = 5;
extern DownloadLimits g_downloadLimits;

// One libcurl easy handle, owned by the operation that created it.
class CurlHandle {
public:
    CurlHandle();
    ~CurlHandle();
    CurlHandle(const CurlHandle&) = delete;
    CurlHandle& operator=(const CurlHandle&) = delete;
    CURL* get() const { return m_handle; }

private:
    CURL* m_handle;
};

// True once the program is exiting; the default stop test of every download.
bool gf_downloadShouldStop();

// How a download ended. NotFound: the server answered that it has no such file (HTTP 404 or 410), an
// answer that holds until its files change. Unreachable: no answer at all (its name did not resolve,
// the connection was refused or timed out, or not even a status came before the low-speed time ran
// out): asking it again now would cost the same wait. TooSlow: the server answered, but the body came
// slower than the low-speed floor (a trickle, or a stall after the headers): the file's own failure,
// which says nothing of the server's other files. NotWritten: the file here could not take the bytes
// (a full disk, a refused folder); the server is not to blame. Failed: anything else (a server error,
// a transfer cut short), which a later ask may not meet. Stopped: the caller's stop test ended it (an
// exit, a restart): it tells nothing of the server or the file, and is not logged.
enum class DownloadEnd : std::uint8_t { Done, Failed, Unreachable, TooSlow, NotFound, NotWritten, Stopped };

// What a download that brought no file tells besides its end.
struct DownloadDetail {
    std::error_code writeError; // NotWritten: why the file here refused the bytes
    long status = 0;            // the server's last HTTP status; 0 when none came
};

// Downloads one URL into one file. The body goes to a file beside path that replaces path only when
// the transfer ended well, so a failed or cut-short download leaves an existing file untouched.
// Redirects are followed (at most kMostRedirects, over HTTP and HTTPS only); any final status other
// than 2xx fails, a redirect that leads nowhere included. Done when path now holds the whole body. Why it ended
// NotWritten, and the server's status, go to detail (and to the log, with the URL).
DownloadEnd gf_fetchFile(CURL* handle, const std::string& url, const std::filesystem::path& path, bool binary,
                         DownloadDetail& detail, const StopTest& stop = gf_downloadShouldStop);
inline DownloadEnd gf_fetchFile(CURL* handle, const std::string& url, const std::filesystem::path& path,
                                bool binary, const StopTest& stop = gf_downloadShouldStop)
{
    DownloadDetail logged;
    return gf_fetchFile(handle, url, path, binary, logged, stop);
}
// The same; whether path now holds the whole body.
bool gf_downloadFile(CURL* handle, const std::string& url, const std::filesystem::path& path, bool binary,
                     const StopTest& stop = gf_downloadShouldStop);

// The version that a version file at url holds; 0.0.0 on any failure.
Version gf_downloadVersion(CURL* handle, const std::string& url);

} // namespace zyn
