#pragma once
// The floor of a scan: a walk of a tree on one thread that reads each file it takes whole, what
// `find ... | xargs cat` does. Benchmarks of scans run it beside the scan over the same tree.
#include <cstddef>
#include <filesystem>
#include <functional>
#include <vector>

namespace zyn::bench {

// Every entry visited; each file that take() accepts read whole through buffer. The count of files read.
std::size_t walkAndRead(const std::filesystem::path& root, const std::function<bool(const std::filesystem::path&)>& take,
                        std::vector<char>& buffer);

} // namespace zyn::bench
