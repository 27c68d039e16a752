#include "traffic/service_request.h"

#include "base/curl_tls.h"
#include "platform/system/environment.h"

#include <curl/curl.h>
#include <fmt/format.h>

#include <algorithm>
#include <climits>
#include <memory>

namespace zyn {

std::atomic<std::int32_t> g_serviceConnectTimeoutMs{10000};
std::atomic<std::int32_t> g_serviceTransferTimeoutMs{30000};

namespace {

constexpr const char* kDefaultServiceBase = "https://rtwa.flyrealtraffic.com";

struct CurlDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using CurlHandle = std::unique_ptr<CURL, CurlDeleter>;

size_t lf_callbackwriter(char* data, size_t size, size_t count, void* target)
{
    auto* response = static_cast<std::string*>(target);
    if (response == nullptr) return 0;
    response->append(data, size * count);
    return size * count;
}

// Aborts the transfer as soon as the owning reader is told to stop.
int lf_stopCheck(void* stop, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    const auto* flag = static_cast<const std::atomic<std::uint8_t>*>(stop);
    return flag != nullptr && flag->load() != 0 ? 1 : 0;
}

std::string lf_escape(CURL* handle, const std::string& text)
{
    char* escaped = curl_easy_escape(handle, text.c_str(), static_cast<int>(text.size()));
    if (escaped == nullptr) throw std::bad_alloc();
    std::string out(escaped);
    curl_free(escaped);
    return out;
}

// curl's text for the code, and what went wrong in its own words when it says more: a refused
// certificate says whose name or which authority.
std::string lf_failureText(CURLcode code, const char* detail)
{
    std::string text = curl_easy_strerror(code);
    if (detail[0] != '\0' && text != detail) text = fmt::format("{} ({})", text, detail);
    return text;
}

} // namespace

std::string gf_trafficServiceBase()
{
    std::string base = gf_environmentValue("TARVO_TRAFFIC_URL").value_or(kDefaultServiceBase);
    while (!base.empty() && base.back() == '/') base.pop_back();
    return base;
}

std::string gf_formBody(const FormFields& fields)
{
    CurlHandle handle(curl_easy_init());
    if (!handle) throw std::runtime_error("curl init error ?");
    std::string body;
    for (const auto& [name, value] : fields) {
        if (!body.empty()) body += '&';
        body += lf_escape(handle.get(), name);
        body += '=';
        body += lf_escape(handle.get(), value);
    }
    return body;
}

ServiceReply gf_postToService(std::string_view endpoint, const std::string& body,
                              const std::atomic<std::uint8_t>* stop, std::optional<std::int32_t> transferLimitMs)
{
    ServiceReply reply;
    CurlHandle handle(curl_easy_init());
    if (!handle) throw std::runtime_error("curl init error ?");
    reply.body.reserve(16384);
    const std::string url = fmt::format("{}/v4/{}", gf_trafficServiceBase(), endpoint);
    CURL* h = handle.get();
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, "deflate,gzip");
    curl_easy_setopt(h, CURLOPT_POSTFIELDS, body.c_str());
    curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, lf_callbackwriter);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &reply.body);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(g_serviceConnectTimeoutMs.load()));
    const std::int32_t transferMs = std::min(g_serviceTransferTimeoutMs.load(), transferLimitMs.value_or(INT32_MAX));
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(transferMs));
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, lf_stopCheck);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, const_cast<std::atomic<std::uint8_t>*>(stop));
    char detail[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, detail);
    gf_setCertificateChecks(h);
    const CURLcode code = curl_easy_perform(h);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, nullptr);
    reply.curlCode = static_cast<int>(code);
    if (code != CURLE_OK) reply.errorText = lf_failureText(code, detail);
    return reply;
}

} // namespace zyn
