#pragma once
// Writes aircraft databases in the download server's format ("dbase.xml", codes scrambled), for the
// demonstration run and for tests.
#include "aircraft/aircraft_db.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zyn::tools {

// The inverse of the program's descrambling; std::invalid_argument for a code they cannot carry
// (characters outside "-" to "Z", an airline code not of 3 characters, a type of 5 or more, a
// registration of more than 24 characters).
std::string gf_scrambleAirline(std::string_view code);
std::string gf_scrambleType(std::string_view type);
std::string gf_scrambleCode(std::string_view text);

struct DbaseRegistration {
    std::string reg;
    RegistrationRecord record;
};

// Plain codes; an empty list leaves its section out of the file.
struct DbaseContent {
    std::vector<std::string> types; // "aircrafts"
    std::vector<std::string> highPerf, heavy, large, buzjet, rotorcraft, cargoTypes;
    std::vector<std::vector<std::string>> similar;
    std::vector<std::string> airlines, cargoOperators;
    std::vector<std::string> publishers; // the whole "names" text of each publisher
    std::vector<std::pair<std::string, double>> wingspans; // type, span in metres
    std::vector<std::pair<std::string, std::string>> fixes; // wrong, correct
    std::vector<std::string> simAddonAirports;
    std::vector<PublisherAirports> thirdParties2020, thirdParties2024;
    std::vector<DbaseRegistration> registrations;
};

std::string gf_dbaseXmlText(const DbaseContent& content);
// "dbase.zip" holding "dbase.xml", as the download server offers it.
void gf_writeDbaseZip(const DbaseContent& content, const std::filesystem::path& zipPath);

} // namespace zyn::tools
