#pragma once
// Zip archives made by the tests.
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace zyn::test {

// Entries in order; a name ending in "/" becomes a folder entry (its content is ignored).
using ZipEntries = std::vector<std::pair<std::string, std::string>>;
// stored: the contents are kept uncompressed, so that a test can find and damage them.
void writeZip(const std::filesystem::path& path, const ZipEntries& entries, bool stored = false);

// A zip whose one entry's content is damaged: it opens, but reading the entry fails its checksum.
void writeDamagedZip(const std::filesystem::path& path, const std::string& name, const std::string& content);

} // namespace zyn::test
