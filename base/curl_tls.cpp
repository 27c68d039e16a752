#include "base/curl_tls.h"

#include "base/path_text.h"
#include "platform/system/environment.h"

#include <curl/curl.h>

namespace zyn {

void gf_setCertificateChecks(CURL* handle)
{
    if (const auto bundle = gf_caBundleFile()) // libcurl copies the text
        curl_easy_setopt(handle, CURLOPT_CAINFO, gf_utf8FromPath(*bundle).c_str());
#ifdef _WIN32
    // Schannel refuses a certificate whose revocation it cannot check; an unreachable revocation
    // server must not cut the user off. A certificate known to be revoked is still refused.
    curl_easy_setopt(handle, CURLOPT_SSL_OPTIONS, static_cast<long>(CURLSSLOPT_REVOKE_BEST_EFFORT));
#endif
}

} // namespace zyn
