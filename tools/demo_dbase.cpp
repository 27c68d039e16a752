#include "tools/demo_dbase.h"

namespace zyn::tools {

DbaseContent gf_demoDbase()
{
    DbaseContent c;
    // The scenario flies large airliners and one heavy; a few others fill the other classes.
    c.large = {"A320", "A20N", "A321", "A319", "B738", "E190", "BCS3"};
    c.heavy = {"B77W", "A359"};
    c.buzjet = {"C25C", "CL60"};
    c.highPerf = {"PC12"};
    c.rotorcraft = {"EC35"};
    c.types = c.large;
    for (const auto* list : {&c.heavy, &c.buzjet, &c.highPerf, &c.rotorcraft})
        c.types.insert(c.types.end(), list->begin(), list->end());
    c.types.push_back("C172");
    c.cargoTypes = {"B77W"};
    c.similar = {{"A319", "A320", "A20N", "A321"}, {"B738", "A320"}, {"E190", "BCS3"}};
    // Invented airlines, the real ones with liveries in the package, and ZZZ: airline-neutral liveries.
    c.airlines = {"ZYN", "QKX", "TVO", "ABC", "DLH", "RYR", "KLM", "UAE", "EWG", "ZZZ"};
    c.cargoOperators = {"QKX"};
    c.publishers = {"Tarvo Demo Scenery,tarvo-demo"};
    c.wingspans = {{"A320", 35.8}, {"A20N", 35.8}, {"A321", 35.8}, {"A319", 35.8}, {"B738", 35.8}, {"E190", 28.7},
                   {"BCS3", 35.1}, {"B77W", 64.8}, {"A359", 64.8}, {"C25C", 15.9}, {"CL60", 19.6},
                   {"PC12", 16.3}, {"EC35", 10.2}, {"C172", 11.0}};
    c.fixes = {{"A20n", "A20N"}, {"B737-800", "B738"}};
    c.simAddonAirports = {"LSZH"};
    c.registrations = {{"HB-ZYA", {"ZYN", "A20N", "", false}}, {"HB-QKA", {"QKX", "B738", "", true}},
                       {"D-AIZA", {"DLH", "A320", "", false}},  {"EI-DCL", {"RYR", "B738", "", false}},
                       {"D-AGWA", {"EWG", "A319", "", false}},  {"A6-EGA", {"UAE", "B77W", "", false}},
                       {"PH-EZA", {"KLM", "E190", "", false}}};
    return c;
}

void gf_writeDemoDbaseZip(const std::filesystem::path& folder)
{
    std::filesystem::create_directories(folder);
    gf_writeDbaseZip(gf_demoDbase(), folder / kDbaseZipFile);
}

} // namespace zyn::tools
