// Writes airport data for tests, benchmarks and the demonstration:
//   airport_gen airports <folder> <count> [seed]      airports_msfs.xml and airports_msfs_names.xml
//   airport_gen archive <downloads-folder> <count> [seed]
//                                                      airports and their files in the server's archive
//   airport_gen parking <file> <gates> <helipads> <options-per-stand> [seed]
//                                                      a stock parking file (and <file>.learned.xml,
//                                                      <file>.handmade.xml beside it)
//   airport_gen demo <input-folder> <downloads-folder> [learned-folder]
//                                                      the demonstration airport's data: its entry in
//                                                      the folder's airports database unless an airport
//                                                      of its code is there, its stock parking file, and
//                                                      its learned file unless there is one
//   airport_gen addon <community-folder>              the demonstration's add-on airport package
//   airport_gen bgl-samples <folder>                  scenery files of every kind (fuzz seeds)
#include "tools/airport_gen.h"
#include "tools/bgl_writer.h"
#include "tools/program_args.h"
#include "tools/scenario_gen.h"

#include "base/atomic_file.h"
#include "base/path_text.h"

#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::string_view kUsage =
    "airport_gen airports <folder> <count> [seed] | archive <folder> <count> [seed] |\n"
    "       parking <file> <gates> <helipads> <options-per-stand> [seed] |\n"
    "       demo <input> <downloads> [learned] | addon <community> | bgl-samples <folder>";

namespace fs = std::filesystem;
using namespace zyn::tools;

std::uint32_t lf_argument(const std::vector<std::string>& args, std::size_t i, std::uint32_t fallback)
{
    return i < args.size() ? static_cast<std::uint32_t>(std::strtoul(args[i].c_str(), nullptr, 10)) : fallback;
}

int lf_run(const std::vector<std::string>& args)
{
    const std::string& command = args.at(0);
    if (command == "airports" && args.size() >= 3) {
        const auto airports = gf_generateAirports(lf_argument(args, 2, 0), lf_argument(args, 3, 1));
        fs::create_directories(args[1]);
        zyn::gf_writeFileAtomic(fs::path(args[1]) / "airports_msfs.xml", gf_airportsXml(airports));
        zyn::gf_writeFileAtomic(fs::path(args[1]) / "airports_msfs_names.xml", gf_airportNamesXml(airports));
        return 0;
    }
    if (command == "archive" && args.size() >= 3) {
        const auto airports = gf_generateAirports(lf_argument(args, 2, 0), lf_argument(args, 3, 1));
        gf_writeAirportArchive(args[1], airports, StandLayout{});
        zyn::gf_writeFileAtomic(fs::path(args[1]) / "airports_msfs.xml", gf_airportsXml(airports));
        return 0;
    }
    if (command == "parking" && args.size() >= 5) {
        StandLayout layout{lf_argument(args, 2, 20), 0, 0, lf_argument(args, 3, 0), lf_argument(args, 4, 2),
                           lf_argument(args, 5, 1)};
        const ApfSpec stock = gf_stockApf("Generated field", "stock", {47.0, 8.0}, 1400, layout);
        gf_writeApfSpec(stock, args[1]);
        gf_writeApfSpec(gf_learnedApf(stock, 5 * stock.stands.size(), 2, layout.seed), args[1] + ".learned.xml");
        gf_writeApfSpec(gf_handmadeApf(stock), args[1] + ".handmade.xml");
        return 0;
    }
    if (command == "demo" && (args.size() == 3 || args.size() == 4)) {
        const bool added = gf_addDemoAirport(zyn::gf_pathFromUtf8(args[1]), zyn::gf_pathFromUtf8(args[2]));
        std::cout << "demonstration field " << gf_demoAirport().code
                  << (added ? " added to the airports database\n" : " is in the airports database\n");
        if (args.size() == 4 && gf_writeDemoLearnedApf(zyn::gf_pathFromUtf8(args[3])))
            std::cout << "its learned file wants " << gf_demoAirport().parkingPercentage
                      << " % of its stands parked\n";
        return 0;
    }
    if (command == "addon" && args.size() == 2) {
        gf_writeDemoAddonAirport(args[1]);
        return 0;
    }
    if (command == "bgl-samples" && args.size() == 2) {
        gf_writeBglSamples(args[1]);
        return 0;
    }
    return zyn::tools::gf_printUsage(kUsage, false);
}

} // namespace

int main(int argc, char** argv)
{
    const bool help = zyn::tools::gf_asksForHelp(argc, argv);
    if (help || argc < 2)
        return zyn::tools::gf_printUsage(kUsage, help);
    try {
        return lf_run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception& e) {
        std::cerr << "airport_gen: " << e.what() << "\n";
        return 1;
    }
}
