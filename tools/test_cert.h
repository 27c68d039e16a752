#pragma once
// Certificates for the HTTPS stand-ins, made when a test or a script needs them: a certificate
// authority of our own and server certificates it signs, as PEM files (RSA keys, which every TLS
// stack takes). For loopback tests only.
#include "tools/http_listen.h"

#include <filesystem>
#include <string>
#include <vector>

namespace zyn::tools {

// A new self-signed certificate authority with a new key, written to folder/<stem>.pem and
// folder/<stem>.key. Throws std::runtime_error when OpenSSL or the files fail.
TlsFiles gf_makeTestAuthority(const std::filesystem::path& folder, const std::string& stem);

// A new server certificate for names (IP addresses such as "127.0.0.1", host names such as
// "localhost"; the first is also its common name), signed by authority, written to
// folder/<stem>.pem and folder/<stem>.key. Throws std::runtime_error when OpenSSL or the files fail.
TlsFiles gf_issueTestCertificate(const TlsFiles& authority, const std::vector<std::string>& names,
                                 const std::filesystem::path& folder, const std::string& stem);

} // namespace zyn::tools
