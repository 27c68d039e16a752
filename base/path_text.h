#pragma once
// Paths and UTF-8 text. Windows reads a narrow string handed to std::filesystem::path in the ANSI
// code page, so a user folder "Jürgen" would become "JÃ¼rgen": every conversion between a path and
// the program's UTF-8 text goes through these, which use char8_t on both platforms.
#include <filesystem>
#include <string>
#include <string_view>

namespace zyn {

// The path named by UTF-8 text.
std::filesystem::path gf_pathFromUtf8(std::string_view utf8);

// The path as UTF-8 text (for logs, stored files and the window).
std::string gf_utf8FromPath(const std::filesystem::path& path);

// The last part of the path (file name) as UTF-8 text.
std::string gf_utf8FileName(const std::filesystem::path& path);

} // namespace zyn
