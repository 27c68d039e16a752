// Makes a certificate authority and a server certificate it signs, for the HTTPS stand-ins:
// test_cert <folder> [name ...]   (names default to 127.0.0.1 and localhost)
#include "tools/program_args.h"
#include "tools/test_cert.h"

#include <cstdio>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

namespace {
constexpr std::string_view kUsage =
    "test_cert <folder> [name ...]\n"
    "Writes a new test certificate authority (ca.pem, ca.key) and a server certificate it signs for the\n"
    "names (server.pem, server.key; default names 127.0.0.1 and localhost) into the folder, and prints\n"
    "the three files to use: the authority (TARVO_CA_BUNDLE), the certificate and the key (--tls CERT KEY).";
} // namespace

int main(int argc, char** argv)
{
    if (zyn::tools::gf_asksForHelp(argc, argv))
        return zyn::tools::gf_printUsage(kUsage, true);
    std::vector<std::string> args = zyn::tools::gf_arguments(argc, argv);
    if (args.empty())
        return zyn::tools::gf_printUsage(kUsage, false);
    const std::string folder = args.front();
    std::vector<std::string> names(args.begin() + 1, args.end());
    if (names.empty())
        names = {"127.0.0.1", "localhost"};
    try {
        const auto authority = zyn::tools::gf_makeTestAuthority(folder, "ca");
        const auto server = zyn::tools::gf_issueTestCertificate(authority, names, folder, "server");
        std::printf("%s\n%s\n%s\n", authority.certificate.c_str(), server.certificate.c_str(), server.key.c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "test_cert: %s\n", e.what());
        return 1;
    }
    return 0;
}
