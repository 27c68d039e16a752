#pragma once
// The "meta" block that opens the XML data files the program writes for itself (airport parking
// files, "LiveriesScanned.xml"): who wrote the file, with which version, when and for which simulator.
#include "settings/settings.h"

#include <pugixml.hpp>

#include <string_view>

namespace zyn {

// Appends "meta" with its five "info" items (author, version, date, copyright, MSFS) to a new
// document, before the caller adds its own top-level element. False when an append failed; the
// block then stops there.
bool gf_writeXmlMeta(pugi::xml_document& document);

// Whether two texts of documents written with the block are the same but for the day they were made
// (the "date" item's value): a file made again on another day from the same data is the same file.
bool gf_sameButMetaDate(std::string_view a, std::string_view b);

// True when the loaded document's block holds "author", "date" and "version"; otherwise logs the
// error line "meta data incorrect?" once and returns false. Values are not compared.
bool gf_checkXmlMeta(const pugi::xml_document& document);

// Finds the first "info" of the top-level "meta" named by the item's key and copies its "value"
// into the item (empty when the attribute is missing). Not found: the item becomes empty, false.
bool lf_readMetaItem(const pugi::xml_document& document, StringParameter& item);

} // namespace zyn
