#pragma once
// Finding the simulator's files, whose names come from Windows where case does not matter.
#include <filesystem>
#include <optional>

namespace zyn {

// base joined with relative, each part of relative matched case-insensitively (ASCII) against the
// entries that exist; an exact match is preferred. Nothing when a part is missing.
// Throws std::filesystem::filesystem_error when a folder cannot be read.
std::optional<std::filesystem::path> gf_findCaseInsensitive(const std::filesystem::path& base,
                                                            const std::filesystem::path& relative);

} // namespace zyn
