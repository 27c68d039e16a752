#include "airport/bgl_reader.h"

#include "airport/scan_log.h"
#include "base/units.h"
#include "platform/system/files.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <set>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace zyn {

namespace fs = std::filesystem;

namespace {

constexpr double kLatitudeFactor = 180.0 / 536870912.0;          // 2^29
constexpr double kLongitudeFactor = 360.0 / (3.0 * 268435456.0); // 3 x 2^28
constexpr std::uint32_t kIdentifierBase = 38;
constexpr std::size_t kMaxDuplicateLetters = 6;
constexpr double kMinParkingRadius = 1.0;   // metres, exclusive
constexpr double kMaxParkingRadius = 200.0; // metres, exclusive
constexpr double kMaxHelipadWidth = 2000.0; // metres
constexpr std::int32_t kLowestBglAirportFt = -2000;  // below the Dead Sea's airfields
constexpr std::int32_t kHighestBglAirportFt = 20000; // above the highest airports there are
constexpr std::uint32_t kRecordHeaderSize = 6;
constexpr std::size_t kBglHeadBytes = 4096; // the pre-test's read: header and table of most files
constexpr std::uint32_t kSmallestRecordStep = 4; // a smaller size does not advance: padding ends the walk

// One record: its id and its byte range.
struct BglRecord {
    std::uint16_t id = 0;
    std::uint64_t offset = 0;
    std::uint64_t end = 0;
};

// Little-endian fields read only inside [0, end); anything beyond raises BglDamaged.
class BglBytes {
public:
    explicit BglBytes(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}
    std::uint64_t size() const { return m_bytes.size(); }

    template <typename T> T read(std::uint64_t offset, std::uint64_t end) const
    {
        if (end > m_bytes.size() || offset > end || end - offset < sizeof(T))
            throw BglDamaged(fmt::format("field at byte {} lies outside its record (ends at {})", offset, end));
        std::array<std::uint8_t, sizeof(T)> raw{};
        std::memcpy(raw.data(), m_bytes.data() + offset, sizeof(T));
        if constexpr (std::endian::native == std::endian::big)
            std::reverse(raw.begin(), raw.end());
        return std::bit_cast<T>(raw);
    }
    std::uint16_t u16(std::uint64_t offset, std::uint64_t end) const { return read<std::uint16_t>(offset, end); }
    std::uint32_t u32(std::uint64_t offset, std::uint64_t end) const { return read<std::uint32_t>(offset, end); }
    std::int32_t i32(std::uint64_t offset, std::uint64_t end) const { return read<std::int32_t>(offset, end); }
    float f32(std::uint64_t offset, std::uint64_t end) const { return read<float>(offset, end); }

    // The record at offset inside [offset, end): its size must cover its header and stay inside.
    BglRecord record(std::uint64_t offset, std::uint64_t end) const
    {
        const std::uint16_t id = u16(offset, end);
        const std::uint64_t size = u32(offset + 2, end);
        if (size < kRecordHeaderSize || size > end - offset)
            throw BglDamaged(fmt::format("record 0x{:04X} at byte {} has size {}, outside 6..{}", id, offset, size,
                                         end - offset));
        return {id, offset, offset + size};
    }

private:
    std::span<const std::uint8_t> m_bytes;
};

// Calls visit for each record of [begin, end) in order until it returns false. A record whose size
// does not advance (zero padding) ends the walk.
template <typename Visit> void lf_forEachRecord(const BglBytes& bytes, std::uint64_t begin, std::uint64_t end, Visit&& visit)
{
    for (std::uint64_t at = begin; end - at >= kRecordHeaderSize;) {
        if (bytes.u32(at + 2, end) < kSmallestRecordStep)
            return;
        const BglRecord record = bytes.record(at, end);
        if (!visit(record))
            return;
        at = record.end;
    }
}

bool lf_isAirportSectionEntry(const BglBytes& bytes, std::uint64_t entry)
{
    const std::uint64_t end = entry + kBglSectionEntrySize;
    if (bytes.u32(entry, end) != kBglAirportSection)
        return false;
    // Only 16-byte subsection entries (bit 16 of the size word clear).
    return (bytes.u32(entry + 4, end) & 0x10000u) == 0;
}

std::optional<std::uint64_t> lf_sectionTableEnd(const BglBytes& bytes)
{
    if (bytes.size() < kBglHeaderSize || bytes.u32(4, kBglHeaderSize) != kBglHeaderSize)
        return std::nullopt;
    const std::uint64_t end =
        kBglHeaderSize + std::uint64_t{kBglSectionEntrySize} * bytes.u32(20, kBglHeaderSize);
    if (end > bytes.size())
        return std::nullopt;
    return end;
}

// The records of one subsection; false when the walk was ended by a record of the 2024 format. A
// subsection cut short by the file's end lists its records up to the cut, then raises BglDamaged.
// Subsections and their table entries share no bytes: each entry and the bytes it walks come off
// the budget, so that crafted tables pointing at one range again and again cannot make the walk
// grow with the square of the file.
bool lf_listSubsection(const BglBytes& bytes, std::uint64_t entry, bool msfs2020, std::uint64_t& budget,
                       BglAirportList& list)
{
    const std::uint64_t entryEnd = entry + kBglSubsectionEntrySize;
    const std::uint64_t begin = bytes.u32(entry + 8, entryEnd);
    const std::uint64_t end = begin + bytes.u32(entry + 12, entryEnd);
    const std::uint64_t walkEnd = std::max(begin, std::min(end, bytes.size()));
    const std::uint64_t cost = kBglSubsectionEntrySize + (walkEnd - begin);
    if (cost > budget)
        throw BglDamaged(fmt::format("subsection at byte {} overlaps the ones before it", begin));
    budget -= cost;
    bool goOn = true;
    lf_forEachRecord(bytes, begin, walkEnd, [&](const BglRecord& record) {
        if (!msfs2020 && record.id == kBglUnrecognisedRecord) {
            list.unrecognised = true;
            return goOn = false;
        }
        if (record.id != kBglAirportRecord)
            return true;
        bool valid = false;
        std::string code = lf_decodeIdentifierOrRegionCode(bytes.u32(record.offset + 40, record.end), valid);
        if (valid)
            list.airports.push_back({std::move(code), record.offset, record.end - record.offset});
        return true;
    });
    if (goOn && end > bytes.size())
        throw BglDamaged(fmt::format("subsection at byte {} ends at {}, beyond the file's {} bytes", begin, end,
                                     bytes.size()));
    return goOn;
}

// The airport records of the airport sections, in file order, until the walk ends or meets damage.
void lf_listAirports(const BglBytes& bytes, std::uint64_t tableEnd, bool msfs2020, BglAirportList& list)
{
    std::uint64_t budget = bytes.size();
    for (std::uint64_t entry = kBglHeaderSize; entry < tableEnd; entry += kBglSectionEntrySize) {
        if (!lf_isAirportSectionEntry(bytes, entry))
            continue;
        const std::uint64_t count = bytes.u32(entry + 8, entry + kBglSectionEntrySize);
        const std::uint64_t table = bytes.u32(entry + 12, entry + kBglSectionEntrySize);
        const std::uint64_t inFile = table < bytes.size() ? (bytes.size() - table) / kBglSubsectionEntrySize : 0;
        for (std::uint64_t i = 0; i < std::min(count, inFile); ++i)
            if (!lf_listSubsection(bytes, table + i * kBglSubsectionEntrySize, msfs2020, budget, list))
                return;
        if (count > inFile)
            throw BglDamaged(fmt::format("airport section's table of {} subsections at byte {} beyond the file's end",
                                         count, table));
    }
}

struct LatLonDeg {
    double lat = 0.0;
    double lon = 0.0;
};

LatLonDeg lf_packedPosition(std::uint32_t lonRaw, std::uint32_t latRaw)
{
    return {90.0 - latRaw * kLatitudeFactor, lonRaw * kLongitudeFactor - 180.0};
}

// Off the globe, or at the null island the compilers leave unplaced objects on.
bool lf_unusablePosition(const LatLonDeg& p)
{
    return !(p.lat >= -90.0 && p.lat <= 90.0 && p.lon >= -180.0 && p.lon <= 180.0) ||
           (p.lat >= 0.0 && p.lat <= 0.0009 && p.lon >= 0.0 && p.lon <= 0.05);
}

std::string lf_positionText(const LatLonDeg& p) { return fmt::format("{:.6f},{:.6f}", p.lat, p.lon); }

// Degrees from the file, folded into [0, 360); nothing when not finite.
std::optional<double> lf_headingRadians(float degrees)
{
    if (!std::isfinite(degrees))
        return std::nullopt;
    double folded = std::fmod(static_cast<double>(degrees), 360.0);
    if (folded < 0.0)
        folded += 360.0;
    return folded * kDegToRad;
}

// What one airport's reading keeps: never shared between airports or files.
struct AirportReading {
    const BglBytes& bytes;
    std::string_view name;
    std::string_view bglPath;
    BglAirportStands result{};
    std::set<std::string, std::less<>> ids{};
    std::vector<std::string> duplicatedBases{}; // in the order they were met
    std::unordered_set<std::string> duplicated{}; // the same, to look up
    std::set<std::pair<double, double>> helipadPositions{};
    std::uint32_t helipadCounter = 1;
};

void lf_addHelipad(AirportReading& reading, const BglRecord& record)
{
    const LatLonDeg p = lf_packedPosition(reading.bytes.u32(record.offset + 12, record.end),
                                          reading.bytes.u32(record.offset + 16, record.end));
    const float width = reading.bytes.f32(record.offset + 28, record.end);
    if (lf_unusablePosition(p)) {
        gf_addScanLogLine("lat/lon helipad incorrect (skipped): " + lf_positionText(p));
        return;
    }
    if (!(width >= 0.0f && width <= kMaxHelipadWidth)) {
        gf_addScanLogLine(fmt::format("helipad width {} at {} incorrect (skipped)", width, lf_positionText(p)));
        return;
    }
    if (!reading.helipadPositions.emplace(p.lat, p.lon).second) {
        gf_addScanLogLine(fmt::format("double helipad {} (skipped) {}", reading.name, lf_positionText(p)));
        return;
    }
    reading.result.stands.emplace_back(fmt::format("helipad{}", reading.helipadCounter++), std::vector<ParkPosOption>{},
                                       p.lat, p.lon, 0.0, width / 2.0, 1, 1, 0);
    ++reading.result.helipads;
}

// The id for a stand: the base, or the base with the first free letter when it is taken already.
std::optional<std::string> lf_freeId(AirportReading& reading, const std::string& base)
{
    if (reading.ids.insert(base).second)
        return base;
    if (reading.duplicated.insert(base).second)
        reading.duplicatedBases.push_back(base);
    for (std::size_t i = 0; i < kMaxDuplicateLetters; ++i) {
        std::string id = base + static_cast<char>('a' + i);
        if (reading.ids.insert(id).second)
            return id;
    }
    gf_addScanLogLine(fmt::format("===> Warning more then 6 the same ids {}, in {}", base, reading.bglPath));
    return std::nullopt;
}

// One parking entry at offset; the entry's end.
std::uint64_t lf_addParking(AirportReading& reading, std::uint64_t offset, std::uint64_t end)
{
    const BglBytes& bytes = reading.bytes;
    const std::uint32_t packed = bytes.u32(offset, end);
    const std::uint64_t entryEnd = offset + kBglParkingEntrySize + 4ull * (packed >> 24);
    if (entryEnd > end)
        throw BglDamaged(fmt::format("parking entry at byte {} ends at {}, beyond its list's end {}", offset, entryEnd,
                                     end));
    const double radius = bytes.f32(offset + 4, end);
    if (!(radius > kMinParkingRadius && radius < kMaxParkingRadius)) {
        gf_addScanLogLine(fmt::format("skipped position with radius {:.1F} meters, in {}", radius, reading.bglPath));
        return entryEnd;
    }
    const auto nameValue = static_cast<std::uint8_t>(packed & 0x3Fu);
    const std::uint32_t type = (packed >> 8) & 0xFu;
    const std::uint32_t number = (packed >> 12) & 0xFFFu;
    if (type == 0 || type == 12 || type == 13)
        return entryEnd;
    const LatLonDeg p = lf_packedPosition(bytes.u32(offset + 28, end), bytes.u32(offset + 32, end));
    if (lf_unusablePosition(p)) {
        gf_addScanLogLine(fmt::format("lat/lon: {}, incorrect (skipped) ", lf_positionText(p)));
        return entryEnd;
    }
    const auto heading = lf_headingRadians(bytes.f32(offset + 8, end));
    if (!heading) {
        gf_addScanLogLine(fmt::format("heading of {} at {} is no number (skipped)", number, lf_positionText(p)));
        return entryEnd;
    }
    const auto id = lf_freeId(reading, lf_parkingNamePrefix(nameValue) + std::to_string(number));
    if (!id)
        return entryEnd;
    const bool ramp = (type >= 1 && type <= 7) || type == 14;
    const bool cargo = type == 5;
    reading.result.stands.emplace_back(*id, std::vector<ParkPosOption>{}, p.lat, p.lon, *heading, radius, cargo ? 0 : 1,
                                       ramp ? 0 : 1, 1);
    return entryEnd;
}

void lf_addTaxiwayParkings(AirportReading& reading, const BglRecord& record)
{
    const std::uint16_t count = reading.bytes.u16(record.offset + 6, record.end);
    std::uint64_t at = record.offset + 8;
    for (std::uint16_t i = 0; i < count; ++i)
        at = lf_addParking(reading, at, record.end);
    if (!reading.duplicatedBases.empty())
        lf_finishPositions(reading.result.stands, reading.duplicatedBases);
}

} // namespace

bool lf_isBglFile(std::string_view extension) { return extension == ".BGL" || extension == ".bgl"; }

std::optional<BglFileStart> gf_startAirportBgl(const fs::path& path)
{
    // Runs for every BGL file of the simulator's packages: one read of the file's head, which holds
    // the section table of all but huge files, straight into the buffer (no stream buffer).
    BglFileStart start;
    start.rest.reset(gf_openFile(path, "rb"));
    std::FILE* const file = start.rest.get();
    if (!file || std::setvbuf(file, nullptr, _IONBF, 0) != 0)
        return std::nullopt;
    std::array<std::uint8_t, kBglHeadBytes> head{};
    const std::size_t headBytes = std::fread(head.data(), 1, head.size(), file);
    if (headBytes < kBglHeaderSize || std::ferror(file))
        return std::nullopt;
    const std::uint64_t count = BglBytes(head).u32(20, kBglHeaderSize);
    const std::uint64_t tableEnd = kBglHeaderSize + count * kBglSectionEntrySize;
    std::vector<std::uint8_t> farTable;
    std::span<const std::uint8_t> table(head.data() + kBglHeaderSize, head.data() + std::min<std::uint64_t>(tableEnd, headBytes));
    if (tableEnd >= headBytes) { // a table past the head, or a file that ends at or in it
        // The size from the handle: ftell's long is 32 bits on Windows, and scenery files pass 2 GB.
        const std::optional<std::uint64_t> end = headBytes < head.size() ? std::nullopt : gf_openFileSize(file);
        if (!end || tableEnd >= *end || std::fseek(file, kBglHeaderSize, SEEK_SET) != 0)
            return std::nullopt;
        farTable.resize(count * kBglSectionEntrySize);
        if (std::fread(farTable.data(), 1, farTable.size(), file) != farTable.size())
            return std::nullopt;
        table = farTable;
    }
    if (count == 0) // a table and no section
        return std::nullopt;
    const BglBytes entries(table);
    bool airports = false;
    for (std::uint64_t i = 0; i < count && !airports; ++i)
        airports = entries.u32(i * kBglSectionEntrySize, table.size()) == kBglAirportSection;
    if (!airports)
        return std::nullopt;
    start.bytes.assign(head.begin(), head.begin() + static_cast<std::ptrdiff_t>(headBytes));
    if (headBytes < head.size()) // the whole file: its handle is not kept open
        start.rest.reset();
    return start;
}

std::optional<std::vector<std::uint8_t>> gf_finishBglRead(BglFileStart start)
{
    std::vector<std::uint8_t> bytes = std::move(start.bytes);
    std::FILE* const file = start.rest.get();
    if (!file)
        return bytes;
    std::size_t have = bytes.size();
    // The size is a first guess only: the read goes on to the end the file has now.
    const std::optional<std::uint64_t> size = gf_openFileSize(file);
    if (std::fseek(file, static_cast<long>(have), SEEK_SET) != 0)
        return std::nullopt;
    bytes.resize(std::max<std::uint64_t>(have + 1, size.value_or(0) + 1));
    for (;;) {
        have += std::fread(bytes.data() + have, 1, bytes.size() - have, file);
        if (have < bytes.size())
            break;
        bytes.resize(bytes.size() * 2);
    }
    if (std::ferror(file))
        return std::nullopt;
    bytes.resize(have);
    return bytes;
}

std::string lf_decodeIdentifierOrRegionCode(std::uint32_t value, bool& valid)
{
    std::uint32_t v = value >> 5;
    std::string code;
    valid = true;
    do {
        const std::uint32_t digit = v % kIdentifierBase;
        v /= kIdentifierBase;
        if (digit == 0) {
            code += ' ';
            valid = false;
        } else if (digit >= 2 && digit <= 11) {
            code += static_cast<char>(digit + 46);
        } else {
            code += static_cast<char>(digit + 53);
        }
    } while (v != 0);
    std::reverse(code.begin(), code.end());
    valid = valid && code.size() == 4;
    return code;
}

std::string lf_parkingNamePrefix(std::uint8_t value)
{
    static constexpr std::array<std::string_view, 12> kPrefixes{"",   "r",  "p",   "np", "ep", "sep",
                                                                "sp", "swp", "wp", "nwp", "g",  ""};
    if (value < kPrefixes.size())
        return std::string(kPrefixes[value]);
    return std::string(1, static_cast<char>((value & 0x3Fu) + 53));
}

BglAirportList gf_listBglAirports(std::span<const std::uint8_t> data, bool msfs2020)
{
    const BglBytes bytes(data);
    BglAirportList list;
    const auto tableEnd = lf_sectionTableEnd(bytes);
    if (!tableEnd)
        return list;
    try {
        lf_listAirports(bytes, *tableEnd, msfs2020, list);
    } catch (const BglDamaged& e) {
        list.damage = e.what();
    }
    return list;
}

std::int32_t lf_bglAltitudeFeet(std::int32_t millimetres)
{
    const auto feet = static_cast<std::int32_t>(std::lround(millimetres * kFeetPerMetre / 1000.0));
    return feet < kLowestBglAirportFt || feet > kHighestBglAirportFt ? 0 : feet;
}

BglAirportStands gf_readBglAirport(std::span<const std::uint8_t> data, const BglAirportRecord& record,
                                   std::string_view airportName, std::string_view bglPath)
{
    const BglBytes bytes(data);
    const std::uint64_t end = record.offset + record.size;
    if (record.size < kBglAirportFirstChild)
        throw BglDamaged(fmt::format("airport record {} at byte {} is {} bytes, shorter than its fields", record.code,
                                     record.offset, record.size));
    AirportReading reading{bytes, airportName, bglPath};
    reading.result.altitudeFt = lf_bglAltitudeFeet(bytes.i32(record.offset + 20, end));
    lf_forEachRecord(bytes, record.offset + kBglAirportFirstChild, end, [&](const BglRecord& child) {
        if (child.id == kBglHelipadRecord)
            lf_addHelipad(reading, child);
        if (child.id != kBglParkingListRecord)
            return true;
        lf_addTaxiwayParkings(reading, child);
        return false; // one parking list per airport
    });
    return std::move(reading.result);
}

void lf_finishPositions(std::vector<ParkPos>& stands, const std::vector<std::string>& duplicatedBases)
{
    // One walk sorts the stands into their groups: the cost stays linear in the stands.
    std::unordered_map<std::string_view, std::vector<ParkPos*>> groups;
    for (const std::string& base : duplicatedBases)
        groups.try_emplace(base);
    for (ParkPos& stand : stands) {
        const std::string_view id = stand.id;
        auto group = groups.find(id);
        if (group == groups.end() && !id.empty() && id.back() >= 'a' &&
            id.back() < static_cast<char>('a' + kMaxDuplicateLetters))
            group = groups.find(id.substr(0, id.size() - 1));
        if (group != groups.end())
            group->second.push_back(&stand);
    }
    for (const std::string& base : duplicatedBases) {
        std::vector<ParkPos*>& members = groups.at(base);
        std::stable_sort(members.begin(), members.end(),
                         [](const ParkPos* a, const ParkPos* b) { return a->radius > b->radius; });
        for (std::size_t i = 0; i < members.size(); ++i)
            members[i]->id = i == 0 ? base : base + static_cast<char>('a' + i - 1);
    }
}

} // namespace zyn
