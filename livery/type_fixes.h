#pragma once
// The aircraft type of an aircraft.cfg file: its icao_type_designator, else the stock model its
// base_container names, checked against the aircraft database and its fix table.
#include <filesystem>
#include <string>
#include <vector>

namespace zyn {

// A known type stays; a type the fix table corrects becomes the correction ("Fixes.txt"); any other
// gives the empty text and a line in "InvalidAircraftCodes.txt".
std::string lf_checkTypeDesignator(const std::string& candidate, const std::filesystem::path& path);

// The type of a file from its first icao_type_designator value, else lf_fixPackageTypeDesignator.
// Empty: the file yields no livery.
std::string lf_fixTypeDesignator(const std::filesystem::path& path, const std::vector<std::string>& lines);
// The type of the stock model of the first usable base_container line; without one the file is
// reported as missing its icao_type_designator (except the two packages known to have none).
std::string lf_fixPackageTypeDesignator(const std::filesystem::path& path, const std::vector<std::string>& lines);

} // namespace zyn
