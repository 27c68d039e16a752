// The traffic service stand-in as a program:
// traffic_server [--port N] [--host H] [--scenario file.json] [--tls CERT KEY]
#include "tools/program_args.h"
#include "tools/traffic_server.h"

#include <csignal>
#include <exception>
#include <optional>
#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

namespace {
volatile std::sig_atomic_t g_stopSignal = 0;
void lf_onSignal(int) { g_stopSignal = 1; }

constexpr std::string_view kUsage =
    "traffic_server [--port N] [--host H] [--scenario file.json] [--tls CERT KEY]\n"
    "Serves the traffic service stand-in (default scenario without --scenario) until interrupted; prints its address.\n"
    "With --tls it serves HTTPS with the certificate and key files (PEM).";
} // namespace

int main(int argc, char** argv)
{
    if (zyn::tools::gf_asksForHelp(argc, argv))
        return zyn::tools::gf_printUsage(kUsage, true);
    std::string host = "127.0.0.1";
    int port = 0;
    std::string scenarioFile;
    std::vector<std::string> args = zyn::tools::gf_arguments(argc, argv);
    std::optional<zyn::tools::TlsFiles> tls;
    if (!zyn::tools::gf_takeTlsOption(args, tls))
        return zyn::tools::gf_printUsage(kUsage, false);
    if (args.size() % 2 != 0) // every other option takes one value
        return zyn::tools::gf_printUsage(kUsage, false);
    for (std::size_t i = 0; i < args.size(); i += 2) {
        const std::string& option = args[i];
        if (option == "--port") port = std::atoi(args[i + 1].c_str());
        else if (option == "--host") host = args[i + 1];
        else if (option == "--scenario") scenarioFile = args[i + 1];
        else return zyn::tools::gf_printUsage(kUsage, false);
    }
    try {
        zyn::tools::TrafficServer server(scenarioFile.empty() ? zyn::tools::gf_defaultTrafficScenario()
                                                              : zyn::tools::gf_loadTrafficScenario(scenarioFile),
                                         tls);
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
