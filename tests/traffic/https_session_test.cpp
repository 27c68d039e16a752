// The login over HTTPS through the program's own request code: the service's certificate is checked
// against the authorities of TARVO_CA_BUNDLE, and a refused one is logged with curl's reason.
#include "shown/display_state.h"
#include "tests/support/test_certificates.h"
#include "tests/traffic/service_fixture.h"
#include "traffic/session.h"

#include <gtest/gtest.h>

namespace zyn {
namespace {

class HttpsSessionThreads : public test::TrafficServiceTest {};

struct CertificateCase {
    const char* name;
    tools::TlsFiles test::TestCertificates::*served;
    bool ok;
    const char* logged;
};

const CertificateCase kCertificateCases[] = {
    {"trusted", &test::TestCertificates::loopback, true, "Authenticated at RT server \"loopback\""},
    {"other name", &test::TestCertificates::otherName, false,
     "Authentication code: SSL peer certificate or SSH remote key was not OK (SSL: no alternative certificate "
     "subject name matches target host name '127.0.0.1')"},
    {"unknown authority", &test::TestCertificates::unknownIssuer, false,
     "Authentication code: SSL peer certificate or SSH remote key was not OK (SSL certificate problem: unable "
     "to get local issuer certificate)"},
};

TEST_F(HttpsSessionThreads, LoginChecksTheServiceCertificate)
{
    const auto& certificates = test::TestCertificates::get();
    test::ScopedEnv bundle("TARVO_CA_BUNDLE", certificates.authority.certificate.string());
    for (const auto& c : kCertificateCases) {
        SCOPED_TRACE(c.name);
        tools::TrafficServer service(test::gf_testScenario(), certificates.*c.served);
        service.start();
        ASSERT_EQ(service.baseUrl().rfind("https://127.0.0.1:", 0), 0u);
        url.reset();
        url.emplace("TARVO_TRAFFIC_URL", service.baseUrl());
        WeatherClient client;
        g_loginShown.store(0);
        std::int32_t status = 0;
        EXPECT_EQ(authenticate(client, "LICENSE-1", status), c.ok);
        EXPECT_EQ(client.guid(), c.ok ? test::gf_testScenario().guid : "");
        EXPECT_EQ(service.requestCount("auth"), c.ok ? 1u : 0u); // a refused certificate sends nothing
        EXPECT_EQ(status, 0);
        EXPECT_TRUE(logHas(c.logged));
        service.stop();
    }
}

} // namespace
} // namespace zyn
