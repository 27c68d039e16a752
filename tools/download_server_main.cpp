// The download server stand-in as a program: download_server [--tls CERT KEY] <folder> [port]
// Serves the folder under "http://127.0.0.1:<port>/downloads/" (https with --tls) until interrupted.
#include "tools/download_server.h"
#include "tools/program_args.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {
constexpr std::string_view kUsage = "download_server [--tls CERT KEY] <folder> [port]\n"
                                    "Serves the folder at http://127.0.0.1:<port>/downloads/ until interrupted.\n"
                                    "With --tls it serves https with the certificate and key files (PEM).";
} // namespace

int main(int argc, char** argv)
{
    if (zyn::tools::gf_asksForHelp(argc, argv))
        return zyn::tools::gf_printUsage(kUsage, true);
    std::vector<std::string> args = zyn::tools::gf_arguments(argc, argv);
    std::optional<zyn::tools::TlsFiles> tls;
    if (!zyn::tools::gf_takeTlsOption(args, tls))
        return zyn::tools::gf_printUsage(kUsage, false);
    if (args.empty() || args.size() > 2)
        return zyn::tools::gf_printUsage(kUsage, false);
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr); // the serving threads inherit the mask
    try {
        zyn::tools::DownloadServer server(args[0], tls);
        server.start(args.size() == 2 ? std::atoi(args[1].c_str()) : 0);
        std::printf("serving %s at %s\n", args[0].c_str(), server.baseUrl().c_str());
        std::fflush(stdout);
        int received = 0;
        sigwait(&signals, &received);
        server.stop();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "download_server: %s\n", e.what());
        return 1;
    }
    return 0;
}
