// The traffic service stand-in as a program: traffic_server [--port N] [--host H] [--scenario file.json]
#include "tools/program_args.h"
#include "tools/traffic_server.h"

#include <csignal>
#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>

#include <unistd.h>

namespace {
volatile std::sig_atomic_t g_stopSignal = 0;
void lf_onSignal(int) { g_stopSignal = 1; }

constexpr std::string_view kUsage =
    "traffic_server [--port N] [--host H] [--scenario file.json]\n"
    "Serves the traffic service stand-in (default scenario without --scenario) until interrupted; prints its address.";
} // namespace

int main(int argc, char** argv)
{
    if (zyn::tools::gf_asksForHelp(argc, argv))
        return zyn::tools::gf_printUsage(kUsage, true);
    std::string host = "127.0.0.1";
    int port = 0;
    std::string scenarioFile;
    if (argc % 2 == 0) // every option takes a value
        return zyn::tools::gf_printUsage(kUsage, false);
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--port") port = std::atoi(argv[i + 1]);
        else if (option == "--host") host = argv[i + 1];
        else if (option == "--scenario") scenarioFile = argv[i + 1];
        else return zyn::tools::gf_printUsage(kUsage, false);
    }
    try {
        zyn::tools::TrafficServer server(scenarioFile.empty() ? zyn::tools::gf_defaultTrafficScenario()
                                                              : zyn::tools::gf_loadTrafficScenario(scenarioFile));
        server.start(host, port);
        std::cout << server.baseUrl() << std::endl;
        std::signal(SIGINT, lf_onSignal);
        std::signal(SIGTERM, lf_onSignal);
        while (!g_stopSignal) pause();
        server.stop();
    } catch (const std::exception& e) {
        std::cerr << "traffic_server: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
