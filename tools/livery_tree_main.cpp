// Writes a large AI traffic package for measuring the livery scan: livery_tree <folder> [liveries]
// (default 20000, ten to an aircraft.cfg); prints the package folder.
#include "tools/livery_tree.h"
#include "tools/program_args.h"

#include <charconv>
#include <iostream>
#include <string_view>

namespace {

constexpr std::string_view kUsage =
    "livery_tree <folder> [liveries]\n"
    "Writes a large AI traffic package below the folder (default 20000 liveries, ten to an\n"
    "aircraft.cfg, with their model and texture folders) and prints its path.";

} // namespace

int main(int argc, char** argv)
{
    const bool help = zyn::tools::gf_asksForHelp(argc, argv);
    if (help || argc < 2 || argc > 3 || argv[1][0] == '-')
        return zyn::tools::gf_printUsage(kUsage, help);
    zyn::tools::LiveryTreeShape shape;
    if (argc == 3) {
        const std::string_view text = argv[2];
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), shape.liveries);
        if (ec != std::errc() || end != text.data() + text.size() || shape.liveries < 1) {
            std::cerr << kUsage;
            return 2;
        }
    }
    try {
        std::cout << zyn::tools::gf_writeLiveryTree(argv[1], shape).string() << "\n";
    } catch (const std::exception& e) {
        std::cerr << "livery_tree: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
