#pragma once
// One exchange with the traffic service: a form-encoded POST to "<base>/v4/<endpoint>" answered by
// one JSON object. Every exchange owns its own connection handle and reply buffer, has connect and
// transfer time-outs, and ends early when its stop flag is raised.
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zyn {

// "https://host" by default; on Linux TARVO_TRAFFIC_URL (scheme, host and port) replaces it.
std::string gf_trafficServiceBase();

// Time-outs of every exchange, in milliseconds (tests lower them).
extern std::atomic<std::int32_t> g_serviceConnectTimeoutMs;
extern std::atomic<std::int32_t> g_serviceTransferTimeoutMs;

using FormFields = std::vector<std::pair<std::string, std::string>>;
// "name=value&..." with every name and value URL-encoded.
std::string gf_formBody(const FormFields& fields);

struct ServiceReply {
    int curlCode = 0;        // CURLcode; 0 is a completed transfer (any HTTP status)
    std::string errorText;   // curl_easy_strerror of a failed transfer, with curl's detail in brackets
    std::string body;
    bool ok() const { return curlCode == 0; }
};

// Runs one exchange on the calling thread. stop may be null; transferLimitMs, when given, shortens the
// transfer time-out of this exchange.
ServiceReply gf_postToService(std::string_view endpoint, const std::string& body,
                              const std::atomic<std::uint8_t>* stop,
                              std::optional<std::int32_t> transferLimitMs = std::nullopt);

} // namespace zyn
