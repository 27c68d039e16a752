// Writes the demonstration scenario and its aircraft database: scenario_gen <folder> [seed] [--community <folder>]
// With --community, also the demonstration's installed liveries below that Community folder.
#include "tools/demo_dbase.h"
#include "tools/demo_liveries.h"
#include "tools/program_args.h"
#include "tools/scenario_gen.h"

#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

namespace {
constexpr std::string_view kUsage =
    "scenario_gen <folder> [seed] [--community <folder>]\n"
    "Writes the demonstration scenario and its aircraft database into the folder, and with --community the\n"
    "demonstration's installed liveries below that Community folder.";
} // namespace

int main(int argc, char** argv)
{
    if (zyn::tools::gf_asksForHelp(argc, argv))
        return zyn::tools::gf_printUsage(kUsage, true);
    std::vector<std::string> positional;
    std::string community;
    bool understood = true;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--community" && i + 1 < argc)
            community = argv[++i];
        else if (arg.starts_with("-")) // an option it does not know is no folder to write into
            understood = false;
        else
            positional.push_back(arg);
    }
    if (!understood || positional.empty() || positional.size() > 2)
        return zyn::tools::gf_printUsage(kUsage, false);
    try {
        const auto seed =
            positional.size() == 2 ? static_cast<std::uint32_t>(std::strtoul(positional[1].c_str(), nullptr, 10)) : 7u;
        zyn::tools::gf_writeScenarioFiles(zyn::tools::gf_generateScenario(seed), positional[0]);
        if (!community.empty())
            zyn::tools::gf_writeDemoLiveries(community);
        zyn::tools::gf_writeDemoDbaseZip(positional[0]);
    } catch (const std::exception& e) {
        std::cerr << "scenario_gen: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
