#pragma once
// A disk that fills up, for tests of what a failed write leaves behind. While one is set, the files
// made directly in its folder may take so many more bytes in all: a new file is refused once none is
// left, and a write stops at the first byte that does not fit, as a full disk ends them. The file
// layer asks before each creation and write; without a full disk everything fits.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>

namespace zyn {

struct FullDisk {
    std::filesystem::path folder;
    std::uint64_t bytesLeft = 0;
    // Of bytesLeft, what no write gets, though the disk counts it free: a real disk refuses a write
    // while a little room is left (less than the runtime's buffer and a cluster).
    std::uint64_t bytesKept = 0;
};

void gf_setFullDisk(std::optional<FullDisk> disk);
// Whether a new file may be made at the path.
bool gf_roomForNewFile(const std::filesystem::path& file);
// How many of the bytes about to be written to the file fit; those are taken from what is left.
std::size_t gf_bytesThatFit(const std::filesystem::path& file, std::size_t bytes);
// Whether the disk of the file lacks room for so many more bytes: the full disk set here, else what
// the system says the user may still write on that volume. False when the system cannot tell.
bool gf_noRoomFor(const std::filesystem::path& file, std::uintmax_t bytes);

} // namespace zyn
