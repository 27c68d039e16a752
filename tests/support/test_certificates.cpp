#include "tests/support/test_certificates.h"

#include "tools/test_cert.h"

namespace zyn::test {

TestCertificates::TestCertificates()
{
    authority = tools::gf_makeTestAuthority(dir.path(), "ca");
    loopback = tools::gf_issueTestCertificate(authority, {"127.0.0.1", "localhost"}, dir.path(), "loopback");
    otherName = tools::gf_issueTestCertificate(authority, {"elsewhere.example"}, dir.path(), "other-name");
    const auto stranger = tools::gf_makeTestAuthority(dir.path(), "stranger-ca");
    unknownIssuer = tools::gf_issueTestCertificate(stranger, {"127.0.0.1", "localhost"}, dir.path(), "unknown-issuer");
}

const TestCertificates& TestCertificates::get()
{
    static const TestCertificates certificates;
    return certificates;
}

} // namespace zyn::test
