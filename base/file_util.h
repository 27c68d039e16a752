#pragma once
// Reading and writing whole text files.
#include <cstddef>
#include <filesystem>
#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

namespace zyn {

// Appends every line (without its line feed and one trailing CR) to lines; clears the stream's state.
void gf_readLines(std::istream& in, std::vector<std::string>& lines);

// The file's lines, or nothing when it cannot be opened or holds no line (both look alike).
std::optional<std::vector<std::string>> gf_readFile(const std::filesystem::path& path, std::size_t reserve = 0);

// Creates or truncates the file and writes the text (and a line end when asked); false when the
// file cannot be opened. Write errors are not reported.
bool gf_writeFile(std::string_view text, const std::filesystem::path& path, bool lineEnd);

// Creates or empties the file and writes each text as one line; false, writing nothing, when the
// file cannot be opened.
bool gf_writeLines(const std::vector<std::string>& texts, const std::filesystem::path& path);

// Saves an XML document atomically and logs "\"{}\" saved" or "could not save to \"{}\"".
bool gf_saveXml(const pugi::xml_document& document, const std::filesystem::path& path);

} // namespace zyn
