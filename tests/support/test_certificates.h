#pragma once
// Certificates made for the tests in a temporary folder: an authority the program is told to trust
// (its certificate is the bundle), with a certificate for 127.0.0.1 and localhost and one for
// another name, and a certificate for 127.0.0.1 from an authority nobody trusts. Made once per
// test run: RSA keys take a moment.
#include "tests/support/temp_dir.h"
#include "tools/http_listen.h"

namespace zyn::test {

struct TestCertificates {
    TempDir dir;
    tools::TlsFiles authority;     // its certificate is the bundle to trust
    tools::TlsFiles loopback;      // 127.0.0.1 and localhost, by the authority
    tools::TlsFiles otherName;     // "elsewhere.example", by the authority
    tools::TlsFiles unknownIssuer; // 127.0.0.1, by another authority

    static const TestCertificates& get();

private:
    TestCertificates();
};

} // namespace zyn::test
