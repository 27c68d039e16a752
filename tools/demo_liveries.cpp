#include "tools/demo_liveries.h"

#include "base/atomic_file.h"
#include "tools/scenario_gen.h"

#include <map>

#include <fmt/format.h>

namespace zyn::tools {

std::string gf_demoAircraftCfg(const std::string& type, const std::vector<DemoLivery>& liveries)
{
    std::string text = fmt::format("[VERSION]\r\nmajor = 1\r\nminor = 0\r\n\r\n[GENERAL]\r\n"
                                   "atc_type = \"TT:ATCCOM.ATC_NAME {0}.0.text\"\r\n"
                                   "icao_type_designator = \"{0}\"\r\n\r\n",
                                   type);
    int section = 0;
    for (const DemoLivery& livery : liveries)
        text += fmt::format("[FLTSIM.{}]\r\ntitle = \"{}\" ; as the simulator lists it\r\nmodel = \"\"\r\n"
                            "texture = \"{}\"\r\nicao_airline = \"{}\"\r\n"
                            "atc_parking_types = \"GATE,RAMP\"\r\n\r\n",
                            section++, livery.title, livery.airline, livery.airline);
    return text;
}

std::filesystem::path gf_writeDemoLiveries(const std::filesystem::path& community)
{
    std::map<std::string, std::vector<DemoLivery>> byType;
    for (DemoLivery& livery : gf_demoLiveryList())
        byType[livery.type].push_back(std::move(livery));
    const std::filesystem::path package = community / kDemoLiveryPackage;
    for (const auto& [type, liveries] : byType) {
        const std::filesystem::path model = package / "SimObjects" / "Airplanes" / fmt::format("Tarvo_Demo_{}", type);
        std::filesystem::create_directories(model);
        gf_writeFileAtomic(model / "aircraft.cfg", gf_demoAircraftCfg(type, liveries));
    }
    return package;
}

} // namespace zyn::tools
