#pragma once
// Reading "dbase.xml" into the tables of aircraft/aircraft_db.h.
#include "aircraft/aircraft_db.h"

#include <filesystem>
#include <string_view>

#include <pugixml.hpp>

namespace zyn {

// Where the download unpacks the database; deleted once read.
inline const std::filesystem::path g_dbaseXmlPath{std::filesystem::path("input") / "temp2.xml"};

// Downloads and reads the aircraft and airline database ("dbase.xml"); once per process. True when
// the whole file was read; every failure throws.
bool gf_readDbase();

// Reads the database file at path into the tables (emptied first). Throws on a file that does not
// parse and on a required section without content; a stored code that cannot be descrambled costs
// its element (a registration) or itself (an airline code), with an error line.
void gf_readDbaseFile(const std::filesystem::path& path);

// The readers of single sections.
void lf_readXmlSection(const pugi::xml_document& doc, std::string_view section, TypeSet& set, std::string_view child,
                       std::string_view attribute);
void lf_readTypesSection(const pugi::xml_document& doc, std::string_view section, TypeSet& set,
                         std::string_view child);
// A code that cannot be decrypted is skipped with an error line naming the file, the section and the code.
void lf_readCodesSection(const pugi::xml_document& doc, std::string_view section, TypeSet& set,
                         const std::filesystem::path& path);
void lf_readPublisherAirports(const pugi::xml_document& doc, std::string_view section,
                              std::vector<PublisherAirports>& list, std::string_view child);
void lf_computeDefaultWingspans();

} // namespace zyn
