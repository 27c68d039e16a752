#include "tools/bgl_writer.h"

#include "base/path_text.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <stdexcept>

namespace zyn::tools {

namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t kHeaderSize = 0x38;
constexpr std::uint32_t kMagic = 0x19920201;
constexpr std::uint32_t kSectionEntrySize = 20;
constexpr std::uint32_t kSubsectionEntrySize = 16;
constexpr std::uint32_t kAirportSectionType = 3;
constexpr std::uint32_t kOtherSectionType = 0x65;
constexpr std::uint32_t kAirportHeadSize = 68;

class ByteSink {
public:
    std::vector<std::uint8_t> bytes;
    std::size_t size() const { return bytes.size(); }
    void u8(std::uint8_t v) { bytes.push_back(v); }
    void u16(std::uint16_t v)
    {
        u8(static_cast<std::uint8_t>(v));
        u8(static_cast<std::uint8_t>(v >> 8));
    }
    void u32(std::uint32_t v)
    {
        u16(static_cast<std::uint16_t>(v));
        u16(static_cast<std::uint16_t>(v >> 16));
    }
    void f32(float v)
    {
        std::uint32_t raw = 0;
        std::memcpy(&raw, &v, sizeof raw);
        u32(raw);
    }
    void zeros(std::size_t n) { bytes.insert(bytes.end(), n, 0); }
    void patch32(std::size_t at, std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    }
    void append(const ByteSink& other) { bytes.insert(bytes.end(), other.bytes.begin(), other.bytes.end()); }
};

// A record: id, size (patched when it ends), then its body.
std::size_t lf_openRecord(ByteSink& sink, std::uint16_t id)
{
    const std::size_t start = sink.size();
    sink.u16(id);
    sink.u32(0);
    return start;
}
void lf_closeRecord(ByteSink& sink, std::size_t start)
{
    sink.patch32(start + 2, static_cast<std::uint32_t>(sink.size() - start));
}

std::uint32_t lf_identifierDigit(char c)
{
    if (c >= '0' && c <= '9')
        return static_cast<std::uint32_t>(c - 46);
    if (c >= 'A' && c <= 'Z')
        return static_cast<std::uint32_t>(c - 53);
    return 0;
}

void lf_writeParking(ByteSink& sink, const BglParking& p)
{
    sink.u32((p.nameValue & 0x3Fu) | ((p.type & 0xFu) << 8) | ((p.number & 0xFFFu) << 12) |
             (static_cast<std::uint32_t>(p.airlines.size()) << 24));
    sink.f32(p.radius);
    sink.f32(p.heading);
    sink.zeros(16);
    sink.u32(gf_packLongitude(p.lon));
    sink.u32(gf_packLatitude(p.lat));
    sink.zeros(20);
    for (const std::string& airline : p.airlines) {
        char code[4] = {};
        std::memcpy(code, airline.data(), std::min<std::size_t>(4, airline.size()));
        for (char c : code)
            sink.u8(static_cast<std::uint8_t>(c));
    }
}

void lf_writeAirport(ByteSink& sink, const BglAirportSpec& airport)
{
    const std::size_t start = lf_openRecord(sink, 0x0056);
    sink.zeros(14);
    sink.u32(static_cast<std::uint32_t>(airport.altitudeMm)); // +20
    sink.zeros(16);
    sink.u32(gf_packIdentifier(airport.code)); // +40
    sink.zeros(kAirportHeadSize - 44);
    const std::size_t name = lf_openRecord(sink, 0x0019); // a name record, skipped by size
    for (char c : std::string_view("Test field"))
        sink.u8(static_cast<std::uint8_t>(c));
    lf_closeRecord(sink, name);
    for (const BglHelipad& h : airport.helipads) {
        const std::size_t pad = lf_openRecord(sink, 0x0026);
        sink.zeros(6);
        sink.u32(gf_packLongitude(h.lon)); // +12
        sink.u32(gf_packLatitude(h.lat));  // +16
        sink.zeros(8);
        sink.f32(h.width); // +28
        sink.f32(h.width); // length
        lf_closeRecord(sink, pad);
    }
    for (const auto& list : airport.parkingLists) {
        const std::size_t parkings = lf_openRecord(sink, 0x00E7);
        sink.u16(static_cast<std::uint16_t>(list.size()));
        for (const BglParking& p : list)
            lf_writeParking(sink, p);
        lf_closeRecord(sink, parkings);
    }
    lf_closeRecord(sink, start);
}

struct Section {
    std::uint32_t type = 0;
    std::uint32_t sizeWord = 0x40000;
    ByteSink records;
};

Section lf_otherSection(std::uint16_t recordId, std::uint32_t records)
{
    Section section{kOtherSectionType, 0x40000, {}};
    for (std::uint32_t i = 0; i < records; ++i) {
        const std::size_t start = lf_openRecord(section.records, recordId);
        section.records.u32(i);
        section.records.zeros(6);
        lf_closeRecord(section.records, start);
    }
    return section;
}

} // namespace

std::uint32_t gf_packIdentifier(std::string_view code)
{
    std::uint32_t v = 0;
    for (char c : code)
        v = v * 38 + lf_identifierDigit(c);
    return v << 5;
}

std::uint32_t gf_packLatitude(double lat)
{
    return static_cast<std::uint32_t>(std::llround((90.0 - lat) * 536870912.0 / 180.0));
}

std::uint32_t gf_packLongitude(double lon)
{
    return static_cast<std::uint32_t>(std::llround((lon + 180.0) * 3.0 * 268435456.0 / 360.0));
}

std::vector<std::uint8_t> gf_bglBytes(const BglFileSpec& spec)
{
    std::vector<Section> sections;
    if (spec.sectionsAround)
        sections.push_back(lf_otherSection(0x0021, spec.otherRecords));
    Section airports{spec.airportSection ? kAirportSectionType : kOtherSectionType, spec.wideSubsectionEntries ? 0x50000u : 0x40000u, {}};
    if (spec.unrecognisedFirst) {
        const std::size_t start = lf_openRecord(airports.records, 0x0113);
        airports.records.zeros(62);
        lf_closeRecord(airports.records, start);
    }
    for (const BglAirportSpec& airport : spec.airports)
        lf_writeAirport(airports.records, airport);
    sections.push_back(std::move(airports));
    if (spec.sectionsAround)
        sections.push_back(lf_otherSection(0x0022, spec.otherRecords));

    ByteSink file;
    file.u32(kMagic);
    file.u32(kHeaderSize);
    file.zeros(12);
    file.u32(static_cast<std::uint32_t>(sections.size())); // +20
    file.zeros(kHeaderSize - 24);
    // Section table, then per section its subsection table (one entry) and its records.
    std::size_t at = kHeaderSize + kSectionEntrySize * sections.size();
    for (const Section& s : sections) {
        file.u32(s.type);
        file.u32(s.sizeWord);
        file.u32(1);
        file.u32(static_cast<std::uint32_t>(at));
        file.u32(kSubsectionEntrySize);
        at += kSubsectionEntrySize + s.records.size();
    }
    for (const Section& s : sections) {
        file.u32(0);
        file.u32(1);
        file.u32(static_cast<std::uint32_t>(file.size() + 8));
        file.u32(static_cast<std::uint32_t>(s.records.size()));
        file.append(s.records);
    }
    return std::move(file.bytes);
}

void gf_writeBglFile(const BglFileSpec& spec, const fs::path& path)
{
    if (path.has_parent_path())
        fs::create_directories(path.parent_path());
    const auto bytes = gf_bglBytes(spec);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("could not write " + path.string());
}

BglAirportSpec gf_bglAirport(std::string_view code, double lat, double lon, std::size_t gates, std::int32_t altitudeMm)
{
    BglAirportSpec airport{std::string(code), altitudeMm, {}, {}};
    std::vector<BglParking> list;
    const double step = 0.0006; // about 65 m
    for (std::size_t i = 0; i < gates; ++i) {
        BglParking p;
        p.number = static_cast<std::uint32_t>(i + 1);
        p.lat = lat + step * static_cast<double>(i % 10);
        p.lon = lon + step * static_cast<double>(i / 10);
        p.heading = static_cast<float>((i * 37) % 360);
        p.radius = 18.0f + static_cast<float>(i % 3) * 8.0f;
        p.airlines = {"KLM", "DLH"};
        list.push_back(p);
    }
    list.push_back({2, 2, 1, 12.0f, 180.0f, lat - step, lon, {}});  // a ramp stand p1
    list.push_back({2, 5, 2, 30.0f, 270.0f, lat - step, lon + step, {}}); // a cargo ramp p2
    airport.parkingLists.push_back(std::move(list));
    airport.helipads.push_back({lat - 2 * step, lon - step, 24.0f});
    return airport;
}

void gf_writeAirportPackage(const fs::path& community, const BglPackageSpec& package, const BglFileSpec& file)
{
    const fs::path folder = community / gf_pathFromUtf8(package.folder); // names are UTF-8 on every system
    fs::create_directories(folder);
    std::ofstream manifest(folder / "manifest.json");
    manifest << "{\n  \"dependencies\": [],\n  \"content_type\": \"SCENERY\",\n  \"title\": \"" << package.title
             << "\",\n  \"manufacturer\": \"" << package.manufacturer << "\",\n  \"creator\": \"" << package.creator
             << "\",\n  \"package_version\": \"1.0.0\"\n}\n";
    gf_writeBglFile(file, folder / "scenery" / gf_pathFromUtf8(package.folder) / gf_pathFromUtf8(package.bglName));
}

void gf_writeDemoAddonAirport(const fs::path& community)
{
    BglAirportSpec airport = gf_bglAirport("LOWI", 47.2602, 11.3439, 14, 581000);
    airport.helipads.push_back({47.2580, 11.3370, 30.0f});
    gf_writeAirportPackage(community,
                           {"demo-airport-lowi-innsbruck", "LOWI Innsbruck Demo", "Demo Sceneries", "Demo Sceneries",
                            "LOWI.bgl"},
                           {.airports = {airport}});
}

void gf_writeBglSamples(const fs::path& folder)
{
    BglAirportSpec busy = gf_bglAirport("EDDT", 52.5597, 13.2877, 12);
    busy.parkingLists.front().push_back(busy.parkingLists.front().front()); // a duplicate id
    busy.parkingLists.push_back({{3, 1, 7, 15.0f, 0.0f, 52.55, 13.28, {}}});
    gf_writeBglFile({.airports = {busy, gf_bglAirport("K2B7", -16.51, -68.19, 2, 4061000)}}, folder / "two_airports.bgl");
    gf_writeBglFile({.airports = {gf_bglAirport("LOWI", 47.26, 11.34, 3)}, .sectionsAround = false},
                    folder / "airport_only.bgl");
    gf_writeBglFile({.airports = {gf_bglAirport("LFPG", 49.0, 2.5, 2)}, .unrecognisedFirst = true},
                    folder / "format_2024.bgl");
    gf_writeBglFile({.airports = {gf_bglAirport("EGLL", 51.47, -0.45, 2)}, .wideSubsectionEntries = true},
                    folder / "wide_subsections.bgl");
}

} // namespace zyn::tools
