#pragma once
// Generator of a large installed AI traffic package, laid out as the big ones are: one model folder
// per type and livery group under SimObjects/Airplanes, each with an aircraft.cfg of several
// [FLTSIM.N] sections, a model folder and a texture folder per livery with its files. For measuring
// the livery scan against a plain walk and read of the same tree.
#include <filesystem>
#include <string>
#include <vector>

namespace zyn::tools {

struct LiveryTreeShape {
    int liveries = 20000;
    int liveriesPerModel = 10;
    int filesPerTexture = 3; // texture.cfg and the textures
};

// The package folder, written below the folder (plain writes: the tree is a throw-away fixture).
std::filesystem::path gf_writeLiveryTree(const std::filesystem::path& folder, const LiveryTreeShape& shape);
// The types and airlines of such a tree, for an aircraft database that knows them.
std::vector<std::string> gf_liveryTreeTypes();
std::vector<std::string> gf_liveryTreeAirlines();

} // namespace zyn::tools
