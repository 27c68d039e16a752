#include "base/download.h"

#include "base/curl_tls.h"
#include "base/exit_flags.h"
#include "base/file_util.h"
#include "base/folders.h"
#include "base/log.h"
#include "base/path_text.h"
#include "base/pending_file.h"
#include "platform/system/environment.h"
#include "platform/system/error_text.h"
#include "platform/system/files.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>
#include <stdexcept>

namespace zyn {

namespace fs = std::filesystem;

DownloadLimits g_downloadLimits;

namespace {

const std::string g_defaultDownloadUrl = "https://velmora.com/tarvo/downloads/";

void lf_curlGlobalInit()
{
    static std::once_flag once;
    std::call_once(once, [] {
        if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK)
            throw std::runtime_error("curl_global_init failed");
    });
}

size_t lf_curlWriteToFile(char* data, size_t size, size_t count, void* userData)
{
    auto* file = static_cast<PendingFile*>(userData);
    const size_t bytes = size * count;
    return file->write(std::string_view(data, bytes)) ? bytes : 0; // a short count aborts the transfer
}

int lf_curlProgress(void* userData, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    const auto* stop = static_cast<const StopTest*>(userData);
    return (*stop && (*stop)()) ? 1 : 0; // nonzero aborts the transfer
}

void lf_setDownloadOptions(CURL* handle, const std::string& url, PendingFile& file, const StopTest& stop,
                           char* errorBuffer)
{
    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle, CURLOPT_USERAGENT, "Tarvo");
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, lf_curlWriteToFile);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &file);
    curl_easy_setopt(handle, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(handle, CURLOPT_MAXREDIRS, kMostRedirects);
    curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_ACCEPT_ENCODING, "deflate,gzip");
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, errorBuffer);
    // No signals: time-outs must be safe on any thread.
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, g_downloadLimits.connectSeconds.load());
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, g_downloadLimits.lowSpeedBytesPerSecond.load());
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, g_downloadLimits.lowSpeedSeconds.load());
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, lf_curlProgress);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &stop);
    gf_setCertificateChecks(handle);
}

// Why a transfer failed, as its caller tells the server's silence from one file's slowness.
DownloadEnd lf_failedEnd(CURL* handle, CURLcode result)
{
    long status = 0; // stays 0 when no status line came
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    switch (result) {
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
        return DownloadEnd::Unreachable;
    case CURLE_OPERATION_TIMEDOUT:
        return status == 0 ? DownloadEnd::Unreachable : DownloadEnd::TooSlow;
    case CURLE_REMOTE_FILE_NOT_FOUND:
        return DownloadEnd::NotFound;
    case CURLE_HTTP_RETURNED_ERROR:
        return status == 404 || status == 410 ? DownloadEnd::NotFound : DownloadEnd::Failed;
    default:
        return DownloadEnd::Failed;
    }
}

// A file named whole: a download's target may be a temporary name relative to the program folder.
std::string lf_wholePath(const fs::path& path)
{
    std::error_code ignored; // the path as given, then
    return gf_utf8FromPath(fs::absolute(path, ignored));
}

void lf_logNotWritten(const std::string& url, const fs::path& path, const std::error_code& error)
{
    gf_logIndentedf("{}: could not write \"{}\": {}", url, lf_wholePath(path), gf_errorText(error));
}

// Why a transfer failed. When the file refused the bytes, its own reason (a full disk), which
// libcurl only calls "Failure writing output to destination".
void lf_logFailure(const std::string& url, CURLcode result, const char* errorBuffer, const PendingFile& file,
                   const fs::path& path)
{
    if (file.error())
        lf_logNotWritten(url, path, file.error());
    else
        gf_logIndentedf("{}: {}", url, errorBuffer[0] ? errorBuffer : curl_easy_strerror(result));
}

// A transfer that ended well at a status other than 2xx: a redirect without a place to go (no
// "Location", or one the rules refuse) is no file. 0: no HTTP status (another protocol).
bool lf_answeredWithoutFile(CURL* handle, const std::string& url)
{
    long status = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    if (status == 0 || (status >= 200 && status < 300))
        return false;
    gf_logIndentedf("{}: the server answered {} without the file", url, status);
    return true;
}

} // namespace

std::string gf_downloadBaseUrl()
{
    return gf_environmentValue("TARVO_DOWNLOAD_URL").value_or(g_defaultDownloadUrl);
}

CurlHandle::CurlHandle()
{
    lf_curlGlobalInit();
    m_handle = curl_easy_init();
}

CurlHandle::~CurlHandle()
{
    if (m_handle)
        curl_easy_cleanup(m_handle);
}

bool gf_downloadShouldStop()
{
    return gf_exitUnderWay();
}

DownloadEnd gf_fetchFile(CURL* handle, const std::string& url, const fs::path& path, bool binary,
                         DownloadDetail& detail, const StopTest& stop)
{
    detail = {};
    std::error_code& writeError = detail.writeError;
    if (!handle)
        return DownloadEnd::Failed;
    try {
        std::unique_ptr<PendingFile> file;
        try {
            file = std::make_unique<PendingFile>(path, binary);
        } catch (const fs::filesystem_error& e) {
            gf_logf("could not open output file: {}", lf_wholePath(path));
            gf_logIndented(gf_exceptionText(e));
            writeError = e.code();
            return DownloadEnd::NotWritten;
        }
        char errorBuffer[CURL_ERROR_SIZE] = {};
        lf_setDownloadOptions(handle, url, *file, stop, errorBuffer);
        const CURLcode result = curl_easy_perform(handle);
        curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, nullptr);
        curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &detail.status);
        // Only the stop test aborts in a callback: an exit or a restart ended it, no failure of the line.
        if (result == CURLE_ABORTED_BY_CALLBACK)
            return DownloadEnd::Stopped;
        if (result != CURLE_OK) {
            lf_logFailure(url, result, errorBuffer, *file, path);
            writeError = file->error();
            if (writeError)
                return DownloadEnd::NotWritten;
            return lf_failedEnd(handle, result);
        }
        if (lf_answeredWithoutFile(handle, url))
            return DownloadEnd::Failed; // the pending file goes unused
        try {
            file->commit(); // the last bytes reach the disk here: it may refuse them
        } catch (const fs::filesystem_error& e) {
            writeError = e.code();
            lf_logNotWritten(url, path, writeError);
            return DownloadEnd::NotWritten;
        }
        return DownloadEnd::Done;
    } catch (const std::exception& e) {
        gf_logf("downloader exception: \"{}\", {} => {}", gf_exceptionText(e), url, gf_utf8FromPath(path));
        return DownloadEnd::Failed;
    }
}

bool gf_downloadFile(CURL* handle, const std::string& url, const fs::path& path, bool binary, const StopTest& stop)
{
    return gf_fetchFile(handle, url, path, binary, stop) == DownloadEnd::Done;
}

Version gf_downloadVersion(CURL* handle, const std::string& url)
{
    // The bytes as served: Windows' text mode would write a served "\r\n" as "\r\r\n", and the reader,
    // which drops one CR per line, would not find the version in the first line.
    if (!gf_downloadFile(handle, url, g_versionJsonPath, true)) {
        gf_logErrorf("downloading \"{}\" failed", url);
        return {};
    }
    const auto lines = gf_readFile(g_versionJsonPath, 1);
    std::error_code ignored; // read; the next download replaces a file that stays
    gf_removeFile(g_versionJsonPath, ignored);
    return lines ? gf_parseVersion(lines->front()) : Version{};
}

} // namespace zyn
