// Writes the demonstration scenario and its aircraft database: scenario_gen <folder> [seed] [--community <folder>]
// With --community, also the demonstration's installed liveries below that Community folder.
#include "tools/demo_dbase.h"
#include "tools/demo_liveries.h"
#include "tools/scenario_gen.h"

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    std::vector<std::string> positional;
    std::string community;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--community" && i + 1 < argc)
            community = argv[++i];
        else
            positional.push_back(arg);
    }
    if (positional.empty() || positional.size() > 2) {
        std::cerr << "usage: scenario_gen <folder> [seed] [--community <folder>]\n";
        return 2;
    }
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
