#pragma once
// Paths and UTF-8 text. Windows reads a narrow string handed to std::filesystem::path in the ANSI
// code page, so a user folder "Jürgen" would become "JÃ¼rgen": every conversion between a path and
// the program's UTF-8 text goes through these, which use char8_t on both platforms.
// Inline, so that every layer (the simulator emulator's library too) has them without a link.
#include <filesystem>
#include <string>
#include <string_view>

namespace zyn {

// The path named by UTF-8 text.
inline std::filesystem::path gf_pathFromUtf8(std::string_view utf8)
{
    return std::filesystem::path(std::u8string_view(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

// The path as UTF-8 text (for logs, stored files and the window).
inline std::string gf_utf8FromPath(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

// The same with "/" between its parts on every platform (texts stored in files name paths that way).
inline std::string gf_genericUtf8FromPath(const std::filesystem::path& path)
{
    const std::u8string text = path.generic_u8string();
    return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

// The last part of the path (file name) as UTF-8 text.
inline std::string gf_utf8FileName(const std::filesystem::path& path) { return gf_utf8FromPath(path.filename()); }

} // namespace zyn
