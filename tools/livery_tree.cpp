#include "tools/livery_tree.h"

#include "tools/demo_liveries.h"

#include <array>
#include <fstream>
#include <stdexcept>

#include <fmt/format.h>

namespace zyn::tools {

namespace {

constexpr std::array<const char*, 16> kTreeTypes = {"A320", "A20N", "A321", "A21N", "A319", "A332", "A333", "A359",
                                                    "B738", "B38M", "B739", "B77W", "B789", "E190", "E195", "CRJ9"};
constexpr int kTreeAirlines = 400;

std::string lf_treeAirline(int i) { return fmt::format("{:c}{:c}{:c}", 'A' + i / 100 % 26, 'A' + i / 10 % 10, 'A' + i % 10); }

void lf_writePlain(const std::filesystem::path& file, const std::string& text)
{
    std::ofstream out(file, std::ios::binary);
    if (!(out << text))
        throw std::runtime_error("cannot write " + file.string());
}

} // namespace

std::filesystem::path gf_writeLiveryTree(const std::filesystem::path& folder, const LiveryTreeShape& shape)
{
    const std::filesystem::path package = folder / "aig-aitraffic-oci-bench";
    const int models = (shape.liveries + shape.liveriesPerModel - 1) / shape.liveriesPerModel;
    for (int m = 0; m < models; ++m) {
        const std::string type = kTreeTypes[static_cast<std::size_t>(m) % kTreeTypes.size()];
        const std::filesystem::path model = package / "SimObjects" / "Airplanes" / fmt::format("Bench_{}_{:04}", type, m);
        std::filesystem::create_directories(model / "model");
        lf_writePlain(model / "model" / "model.cfg", "[models]\r\nnormal=bench.xml\r\n");
        lf_writePlain(model / "model" / "bench.xml", "");
        std::vector<DemoLivery> liveries;
        for (int k = 0; k < shape.liveriesPerModel && m * shape.liveriesPerModel + k < shape.liveries; ++k) {
            const int n = m * shape.liveriesPerModel + k;
            const std::string airline = lf_treeAirline(n % kTreeAirlines);
            liveries.push_back({type, fmt::format("Bench {} {} {}", type, airline, n), airline});
            const std::filesystem::path texture = model / ("texture." + airline + std::to_string(n));
            std::filesystem::create_directory(texture);
            lf_writePlain(texture / "texture.cfg", "[fltsim]\r\nfallback.1=..\\texture\r\n");
            for (int f = 1; f < shape.filesPerTexture; ++f)
                lf_writePlain(texture / fmt::format("bench_{}.dds", f), "");
        }
        lf_writePlain(model / "aircraft.cfg", gf_demoAircraftCfg(type, liveries));
    }
    return package;
}

std::vector<std::string> gf_liveryTreeTypes() { return {kTreeTypes.begin(), kTreeTypes.end()}; }

std::vector<std::string> gf_liveryTreeAirlines()
{
    std::vector<std::string> airlines;
    for (int i = 0; i < kTreeAirlines; ++i)
        airlines.push_back(lf_treeAirline(i));
    return airlines;
}

} // namespace zyn::tools
