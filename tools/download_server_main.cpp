// The download server stand-in as a program: download_server <folder> [port]
// Serves the folder under "http://127.0.0.1:<port>/downloads/" until interrupted.
#include "tools/download_server.h"
#include "tools/program_args.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string_view>

namespace {
constexpr std::string_view kUsage = "download_server <folder> [port]\n"
                                    "Serves the folder at http://127.0.0.1:<port>/downloads/ until interrupted.";
} // namespace

int main(int argc, char** argv)
{
    const bool help = zyn::tools::gf_asksForHelp(argc, argv);
    if (help || argc < 2 || argc > 3)
        return zyn::tools::gf_printUsage(kUsage, help);
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr); // the serving threads inherit the mask
    try {
        zyn::tools::DownloadServer server(argv[1]);
        server.start(argc == 3 ? std::atoi(argv[2]) : 0);
        std::printf("serving %s at %s\n", argv[1], server.baseUrl().c_str());
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
