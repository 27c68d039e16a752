#pragma once
// Reading the airports of a compiled scenery file (BGL) of an add-on: each airport record's code,
// altitude, helipads and taxiway parking spots, as parking positions. The file is untrusted: every
// offset, size and count is checked against the file and the record that holds it before it is
// used; a file whose structure leads outside itself raises BglDamaged.
#include "airport/park_pos.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace zyn {

class BglDamaged : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr std::uint32_t kBglHeaderSize = 0x38;
inline constexpr std::uint32_t kBglSectionEntrySize = 20;
inline constexpr std::uint32_t kBglSubsectionEntrySize = 16;
inline constexpr std::uint32_t kBglAirportSection = 3;
inline constexpr std::uint16_t kBglAirportRecord = 0x0056;
inline constexpr std::uint16_t kBglHelipadRecord = 0x0026;
inline constexpr std::uint16_t kBglParkingListRecord = 0x00E7;
inline constexpr std::uint16_t kBglUnrecognisedRecord = 0x0113; // an airport of the 2024 format
inline constexpr std::uint32_t kBglAirportFirstChild = 68;
inline constexpr std::uint32_t kBglParkingEntrySize = 56;

// ".BGL" or ".bgl"; other spellings are not taken.
bool lf_isBglFile(std::string_view extension);
// A file the pre-test found an airport section in: the bytes it read from the file's start and,
// unless they are the whole file, the file, still open for the rest. A worker that reads the file
// goes on from there instead of opening and reading it again.
struct BglFileStart {
    std::vector<std::uint8_t> bytes;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> rest{nullptr, &std::fclose};
};
// The pre-test: reads only the header and the section table, and keeps what it read when a section
// of the airport type is listed. Nothing otherwise, and for a file shorter than its header or table.
std::optional<BglFileStart> gf_startAirportBgl(const std::filesystem::path& path);
// The whole file from its start; the file is closed. Nothing when the rest cannot be read.
std::optional<std::vector<std::uint8_t>> gf_finishBglRead(BglFileStart start);

// A packed four-character identifier; valid only for four characters without a blank.
std::string lf_decodeIdentifierOrRegionCode(std::uint32_t value, bool& valid);
std::string lf_parkingNamePrefix(std::uint8_t value);

struct BglAirportRecord {
    std::string code;
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
};
struct BglAirportList {
    std::vector<BglAirportRecord> airports; // in file order, decoded codes only
    bool unrecognised = false; // 2024 only: a record of the newer airport format ended the walk
    std::string damage;        // what ended the walk early; the airports before it are listed
};
// The airport records of the airport sections. A file with the wrong header or too short for its
// section table holds none; damage ends the list where it is met.
BglAirportList gf_listBglAirports(std::span<const std::uint8_t> bytes, bool msfs2020);

struct BglAirportStands {
    std::int32_t altitudeFt = 0;
    std::vector<ParkPos> stands; // helipads and parking spots in file order
    std::size_t helipads = 0;
};
// The stands of one airport record. Rejected stands and ids are reported in the scan log.
BglAirportStands gf_readBglAirport(std::span<const std::uint8_t> bytes, const BglAirportRecord& record,
                                   std::string_view airportName, std::string_view bglPath);

// Airport altitude in feet from millimetres; 0 when outside the altitudes airports have.
std::int32_t lf_bglAltitudeFeet(std::int32_t millimetres);

// Ids of a group of duplicates (a base id and base + "a".."f"): the largest stand gets the base,
// the next ones the letters in order of decreasing radius.
void lf_finishPositions(std::vector<ParkPos>& stands, const std::vector<std::string>& duplicatedBases);

} // namespace zyn
