#pragma once
// A thin owner of a libzip archive opened for reading: entries in archive order, read as text or
// streamed out in chunks.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

struct zip;

namespace zyn {

class ZipError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class ZipArchive {
public:
    static constexpr std::size_t chunkSize = 0x80000;

    // Opens read-only and checks the archive's consistency; throws ZipError when it is not a zip.
    explicit ZipArchive(const std::filesystem::path& path);
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    std::uint64_t entryCount() const;
    std::string entryName(std::uint64_t index) const;
    std::vector<std::string> entryNames() const;
    static bool isFolderEntry(std::string_view name) { return !name.empty() && name.back() == '/'; }

    // The whole content of an entry; throws ZipError on a read or checksum error.
    std::string readText(std::uint64_t index) const;
    // Hands the content to sink in blocks of at most chunkSize bytes; a sink returning false stops
    // the copy with ZipError. Throws ZipError on a read or checksum error.
    void copyEntry(std::uint64_t index, const std::function<bool(std::string_view)>& sink,
                   std::size_t blockSize = chunkSize) const;

private:
    struct zip* m_zip = nullptr;
    std::filesystem::path m_path;
};

} // namespace zyn
