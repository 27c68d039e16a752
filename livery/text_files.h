#pragma once
// The text files of the simulator's packages read as UTF-8 lines, whatever encoding their
// byte-order mark tells. A file that cannot be converted says so in the status line.
#include "base/encoding.h"

#include <filesystem>
#include <string>
#include <vector>

namespace zyn {

// Appends the file's lines as UTF-8; true when the whole file was read. A UTF-16 line keeps a CR
// before its line feed; narrow lines lose one trailing CR. Lines read before a conversion error stay.
bool gf_readTextLines(TextEncoding encoding, const std::filesystem::path& path, std::vector<std::string>& lines);

} // namespace zyn
