#pragma once
// The certificate checks that every web request (downloads and the traffic service) makes.
using CURL = void;

namespace zyn {

// Trusts the authorities of TARVO_CA_BUNDLE when it is set and, on Windows, lets a revocation
// server that cannot be reached pass. Verification itself always stays on.
void gf_setCertificateChecks(CURL* handle);

} // namespace zyn
