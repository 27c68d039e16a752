#pragma once
// Zip archives made by the tests.
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace zyn::test {

// Entries in order; a name ending in "/" becomes a folder entry (its content is ignored).
using ZipEntries = std::vector<std::pair<std::string, std::string>>;
void writeZip(const std::filesystem::path& path, const ZipEntries& entries);

} // namespace zyn::test
