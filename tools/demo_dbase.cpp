#include "tools/demo_dbase.h"

#include "tools/scenario_gen.h"

namespace zyn::tools {

DbaseContent gf_demoDbase()
{
    DbaseContent c;
    // Every type the scenario flies is a large airliner; a few others fill the other classes.
    for (const auto& [type, title] : gf_demoLiveries())
        c.large.push_back(type);
    c.heavy = {"B77W", "A359"};
    c.buzjet = {"C25C", "CL60"};
    c.highPerf = {"PC12"};
    c.rotorcraft = {"EC35"};
    c.types = c.large;
    for (const auto* list : {&c.heavy, &c.buzjet, &c.highPerf, &c.rotorcraft})
        c.types.insert(c.types.end(), list->begin(), list->end());
    c.types.push_back("C172");
    c.cargoTypes = {"B77W"};
    c.similar = {{"A320", "A20N", "A321"}, {"B738", "A320"}, {"E190", "BCS3"}};
    c.airlines = {"ZYN", "QKX", "TVO", "ABC", "ZZZ"}; // ZZZ: airline-neutral liveries
    c.cargoOperators = {"QKX"};
    c.publishers = {"Tarvo Demo Scenery,tarvo-demo"};
    c.wingspans = {{"A320", 35.8}, {"A20N", 35.8}, {"A321", 35.8}, {"B738", 35.8}, {"E190", 28.7},
                   {"BCS3", 35.1}, {"B77W", 64.8}, {"A359", 64.8}, {"C25C", 15.9}, {"CL60", 19.6},
                   {"PC12", 16.3}, {"EC35", 10.2}, {"C172", 11.0}};
    c.fixes = {{"A20n", "A20N"}, {"B737-800", "B738"}};
    c.simAddonAirports = {"LSZH"};
    c.registrations = {{"HB-ZYA", {"ZYN", "A20N", "", false}}, {"HB-QKA", {"QKX", "B738", "", true}}};
    return c;
}

void gf_writeDemoDbaseZip(const std::filesystem::path& folder)
{
    std::filesystem::create_directories(folder);
    gf_writeDbaseZip(gf_demoDbase(), folder / kDbaseZipFile);
}

} // namespace zyn::tools
