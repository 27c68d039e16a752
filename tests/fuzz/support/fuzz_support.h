#pragma once
// What every fuzz target shares: a program folder of its own as the current folder (under TMPDIR,
// which scripts/fuzz points at memory), the fuzz input as text or as a file, and a small aircraft
// database for the readers that check types and airline codes.
#include "tests/support/temp_dir.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace zyn::fuzz {

// The program folder of this fuzz process ("docs", "input", "output" and its report folders in it),
// made the current folder at the first call.
const std::filesystem::path& programFolder();

std::string_view asText(const std::uint8_t* data, std::size_t size);
// Writes the input to the file, replacing what was there.
void writeInput(const std::filesystem::path& path, std::string_view bytes);

// Fills the aircraft database tables with a few types, airlines, fixes and registrations.
void loadSmallDbase();
// Empties the livery scan's title set, don't-use titles and problem lists, which grow with every file.
void clearScanState();

} // namespace zyn::fuzz
