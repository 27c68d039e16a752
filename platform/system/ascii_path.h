#pragma once
// A path as plain ASCII text, for a library that takes a narrow path without saying in which code
// page it reads it (SimConnect's flight plans): a user folder "Ελένη" must not reach it as UTF-8 that
// it may read as ANSI, or as ANSI that has no Greek.
#include <filesystem>
#include <optional>
#include <string>

namespace zyn {

// The path itself when it is ASCII; else, on Windows, its short (8.3) form of the existing file when
// that is ASCII. Nothing when there is no such form: short names turned off on the volume, or Linux,
// which keeps none.
std::optional<std::string> gf_asciiPathText(const std::filesystem::path& path);

} // namespace zyn
