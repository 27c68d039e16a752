// Downloads over HTTPS through the one download routine: the server's certificate is checked against
// the authorities of TARVO_CA_BUNDLE, and a refused one leaves no file and logs curl's reason.
#include "base/download.h"
#include "tests/support/download_fixture.h"
#include "tests/support/test_certificates.h"

#include <gtest/gtest.h>

namespace zyn {
namespace {

namespace fs = std::filesystem;

class DownloadHttps : public test::DownloadFixture {};

struct CertificateCase {
    const char* name;
    tools::TlsFiles test::TestCertificates::*served;
    const char* logged; // nothing: the download succeeds
};

TEST_F(DownloadHttps, ChecksTheServerCertificate)
{
    const CertificateCase cases[] = {
        {"trusted", &test::TestCertificates::loopback, nullptr},
        {"other name", &test::TestCertificates::otherName,
         "SSL: no alternative certificate subject name matches target host name '127.0.0.1'"},
        {"unknown authority", &test::TestCertificates::unknownIssuer,
         "SSL certificate problem: unable to get local issuer certificate"},
    };
    const auto& certificates = test::TestCertificates::get();
    test::ScopedEnv bundle("TARVO_CA_BUNDLE", certificates.authority.certificate.string());
    serve("dbase.zip", "database bytes");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        tools::DownloadServer secure(serverDir.path(), certificates.*c.served); // stops after the handle closed
        secure.start();
        ASSERT_EQ(secure.baseUrl().rfind("https://127.0.0.1:", 0), 0u);
        const std::string url = secure.baseUrl() + "dbase.zip";
        CurlHandle handle;
        EXPECT_EQ(gf_downloadFile(handle.get(), url, "dbase.zip", true), c.logged == nullptr);
        if (c.logged == nullptr)
            EXPECT_EQ(test::readText("dbase.zip"), "database bytes");
        else
            EXPECT_TRUE(logHas(std::string(10, ' ') + url + ": " + c.logged)); // an indented log line
        EXPECT_EQ(fs::exists("dbase.zip"), c.logged == nullptr);
        fs::remove("dbase.zip");
    }
}

} // namespace
} // namespace zyn
