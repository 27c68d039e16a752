#include "bench/raw_read.h"

#include <cstdio>

namespace zyn::bench {

std::size_t walkAndRead(const std::filesystem::path& root, const std::function<bool(const std::filesystem::path&)>& take,
                        std::vector<char>& buffer)
{
    std::size_t files = 0;
    for (const std::filesystem::directory_entry& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (!take(entry.path()))
            continue;
        std::FILE* file = std::fopen(entry.path().c_str(), "rb");
        if (!file)
            continue;
        while (std::fread(buffer.data(), 1, buffer.size(), file) == buffer.size()) {
        }
        std::fclose(file);
        ++files;
    }
    return files;
}

} // namespace zyn::bench
