// Writes the demonstration scenario: scenario_gen <folder> [seed]
#include "tools/scenario_gen.h"

#include <cstdlib>
#include <iostream>

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::cerr << "usage: scenario_gen <folder> [seed]\n";
        return 2;
    }
    try {
        const auto seed = argc == 3 ? static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 10)) : 7u;
        zyn::tools::gf_writeScenarioFiles(zyn::tools::gf_generateScenario(seed), argv[1]);
    } catch (const std::exception& e) {
        std::cerr << "scenario_gen: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
