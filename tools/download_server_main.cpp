// The download server stand-in as a program: download_server <folder> [port]
// Serves the folder under "http://127.0.0.1:<port>/downloads/" until interrupted.
#include "tools/download_server.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s <folder> [port]\n", argv[0]);
        return 2;
    }
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
