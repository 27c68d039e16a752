#include "airport/bgl_reader.h"
#include "airport/scan_log.h"
#include "base/units.h"
#include "tests/support/temp_dir.h"
#include "tools/bgl_writer.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace zyn {
namespace {

namespace fs = std::filesystem;
using tools::BglAirportSpec;
using tools::BglFileSpec;
using tools::BglParking;

// The bytes followed by zeros up to size.
std::vector<std::uint8_t> lf_padded(std::vector<std::uint8_t> bytes, std::size_t size)
{
    bytes.resize(size);
    return bytes;
}

class BglReader : public ::testing::Test {
protected:
    BglReader() { gf_resetScanLog(); }
    ~BglReader() override { gf_resetScanLog(); }

    static BglParking parking(std::uint32_t number, float radius = 20.0f, std::uint32_t type = 8)
    {
        return {10, type, number, radius, 45.0f, 50.0 + number * 0.001, 10.0, {"KLM"}};
    }
    // The stands of the file's only airport.
    static BglAirportStands stands(const BglAirportSpec& airport)
    {
        const auto bytes = tools::gf_bglBytes({.airports = {airport}});
        const auto list = gf_listBglAirports(bytes, true);
        EXPECT_EQ(list.airports.size(), 1u);
        return gf_readBglAirport(bytes, list.airports.at(0), "Test field", "C:/Community/x/a.bgl");
    }
    static bool scanLogHas(std::string_view text)
    {
        const auto lines = gf_scanLogLines();
        return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(text) != l.npos; });
    }
    static std::vector<std::string> ids(const BglAirportStands& read)
    {
        std::vector<std::string> out;
        for (const auto& s : read.stands)
            out.push_back(s.id);
        return out;
    }
};

TEST_F(BglReader, AirportsOfEveryRecordKindReadBackAsWritten)
{
    BglAirportSpec first = tools::gf_bglAirport("EDDT", 52.55, 13.29, 12, 37000);
    first.parkingLists.push_back({parking(99)}); // a second list is never read
    const BglAirportSpec second = tools::gf_bglAirport("K2B7", -16.51, -68.19, 3, 4061000); // La Paz's altitude
    const auto bytes = tools::gf_bglBytes({.airports = {first, second}});
    const auto list = gf_listBglAirports(bytes, true);
    ASSERT_EQ(list.airports.size(), 2u);
    EXPECT_EQ(list.airports[0].code, "EDDT");
    EXPECT_EQ(list.airports[1].code, "K2B7");
    for (std::size_t a = 0; a < 2; ++a) {
        const BglAirportSpec& spec = a == 0 ? first : second;
        const auto read = gf_readBglAirport(bytes, list.airports[a], "", "x.bgl");
        EXPECT_EQ(read.altitudeFt, std::lround(spec.altitudeMm * kFeetPerMetre / 1000.0));
        const auto& written = spec.parkingLists.front();
        ASSERT_EQ(read.stands.size(), 1 + written.size());
        EXPECT_EQ(read.helipads, 1u);
        const ParkPos& pad = read.stands.front();
        EXPECT_EQ(pad.id, "helipad1");
        EXPECT_TRUE(pad.heli);
        EXPECT_NEAR(pad.radius * kMetresPerNm, spec.helipads[0].width / 2.0, 1e-4);
        EXPECT_NEAR(pad.latitude, spec.helipads[0].lat, 1e-6);
        for (std::size_t i = 0; i < written.size(); ++i) {
            const ParkPos& s = read.stands[i + 1];
            const BglParking& w = written[i];
            EXPECT_EQ(s.id, lf_parkingNamePrefix(w.nameValue) + std::to_string(w.number));
            EXPECT_NEAR(s.latitude, w.lat, 1e-6);
            EXPECT_NEAR(s.longitude, w.lon, 1e-6);
            EXPECT_NEAR(s.heading, w.heading * kDegToRad, 1e-9);
            EXPECT_NEAR(s.radius * kMetresPerNm, w.radius, 1e-4);
            EXPECT_EQ(s.ramp, w.type >= 1 && w.type <= 7);
            EXPECT_EQ(s.cargo, w.type == 5);
            EXPECT_FALSE(s.heli);
        }
    }
}

TEST_F(BglReader, IdentifiersAndNamePrefixes)
{
    for (const char* code : {"EDDT", "K2B7", "9A0Z"}) {
        bool valid = false;
        EXPECT_EQ(lf_decodeIdentifierOrRegionCode(tools::gf_packIdentifier(code), valid), code);
        EXPECT_TRUE(valid) << code;
    }
    for (const char* code : {"ED", "EDDTX", "ED D"}) {
        bool valid = true;
        lf_decodeIdentifierOrRegionCode(tools::gf_packIdentifier(code), valid);
        EXPECT_FALSE(valid) << code;
    }
    const std::pair<std::uint8_t, const char*> prefixes[] = {{0, ""},   {1, "r"},  {3, "np"}, {9, "nwp"},
                                                             {10, "g"}, {11, ""},  {12, "A"}, {37, "Z"},
                                                             {38, "["}, {63, "t"}};
    for (const auto& [value, prefix] : prefixes)
        EXPECT_EQ(lf_parkingNamePrefix(value), prefix) << int(value);
    for (const char* ext : {".bgl", ".BGL"})
        EXPECT_TRUE(lf_isBglFile(ext));
    for (const char* ext : {".Bgl", ".bgl2", ""})
        EXPECT_FALSE(lf_isBglFile(ext));
}

TEST_F(BglReader, AltitudesOfRealAirportsAreKept)
{
    const std::pair<std::int32_t, std::int32_t> cases[] = {
        {-3000, -10}, {-10000, -33}, {3048000, 10000}, {3048305, 10001}, {4061000, 13323}, {-400000, -1312},
        {7000000, 0}, {-1000000, 0}, {std::numeric_limits<std::int32_t>::min(), 0}};
    for (const auto& [mm, feet] : cases)
        EXPECT_EQ(lf_bglAltitudeFeet(mm), feet) << mm;
}

TEST_F(BglReader, StandsWithUnusableValuesAreRefusedOneByOne)
{
    BglAirportSpec airport{"EDDT", 0, {}, {{}}};
    auto& list = airport.parkingLists[0];
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (const float radius : {1.0f, 200.0f, nan, -inf, 1.01f, 199.0f})
        list.push_back(parking(static_cast<std::uint32_t>(list.size() + 1), radius));
    BglParking noHeading = parking(20);
    noHeading.heading = nan;
    BglParking northUp = parking(21);
    northUp.heading = 0.0f;
    BglParking nullIsland = parking(22);
    nullIsland.lat = 0.0001;
    nullIsland.lon = 0.01;
    BglParking service = parking(23, 20.0f, 12);
    list.insert(list.end(), {noHeading, northUp, nullIsland, service});
    airport.helipads = {{50.0, 10.0, 20.0f}, {50.0, 10.0, 30.0f}, {50.1, 10.0, nan}, {50.2, 10.0, -4.0f}, {50.3, 10.0, 8.0f}};
    const auto read = stands(airport);
    EXPECT_EQ(ids(read), (std::vector<std::string>{"helipad1", "helipad2", "g5", "g6", "g21"}));
    EXPECT_NEAR(read.stands[1].latitude, 50.3, 1e-6); // the dropped ones do not advance the numbering
    EXPECT_EQ(read.stands.back().heading, 0.0);
    EXPECT_TRUE(scanLogHas("skipped position with radius 1.0 meters"));
    EXPECT_TRUE(scanLogHas("skipped position with radius 200.0 meters"));
    EXPECT_TRUE(scanLogHas("double helipad Test field (skipped) 50.000000,10.000000"));
    EXPECT_TRUE(scanLogHas("lat/lon: 0.000100,0.010000, incorrect (skipped)"));
    EXPECT_TRUE(scanLogHas("heading of 20"));
}

TEST_F(BglReader, DuplicateIdsGetLettersAndTheLargestStandTheBareId)
{
    BglAirportSpec airport{"EDDT", 0, {}, {{}}};
    for (std::uint32_t i = 0; i < 8; ++i)
        airport.parkingLists[0].push_back(parking(12, 10.0f + static_cast<float>(i)));
    airport.parkingLists[0].push_back(parking(4, 20.0f));
    airport.parkingLists[0].push_back(parking(4, 35.0f));
    airport.parkingLists[0].push_back(parking(4, 35.0f));
    const auto read = stands(airport);
    ASSERT_EQ(read.stands.size(), 10u);
    EXPECT_TRUE(scanLogHas("Warning more then 6 the same ids g12"));
    // The seven taken g12 stands: radii 10..16, the largest (16 m, the seventh) is g12.
    for (std::size_t i = 0; i < 7; ++i) {
        const std::string expected = i == 6 ? "g12" : std::string("g12") + static_cast<char>('f' - i);
        EXPECT_EQ(read.stands[i].id, expected) << i;
    }
    EXPECT_EQ(read.stands[7].id, "g4b");
    EXPECT_EQ(read.stands[8].id, "g4");
    EXPECT_EQ(read.stands[9].id, "g4a");
}

TEST_F(BglReader, SectionsAndRecordsThatAreNotReadOrEndTheFile)
{
    const BglAirportSpec airport = tools::gf_bglAirport("EDDT", 50.0, 10.0, 2);
    EXPECT_TRUE(gf_listBglAirports(tools::gf_bglBytes({.airports = {airport}, .wideSubsectionEntries = true}), true)
                    .airports.empty());
    const auto newer = tools::gf_bglBytes({.airports = {airport}, .unrecognisedFirst = true});
    const auto in2024 = gf_listBglAirports(newer, false);
    EXPECT_TRUE(in2024.unrecognised);
    EXPECT_TRUE(in2024.airports.empty());
    const auto in2020 = gf_listBglAirports(newer, true);
    EXPECT_FALSE(in2020.unrecognised);
    EXPECT_EQ(in2020.airports.size(), 1u);

    auto bytes = tools::gf_bglBytes({.airports = {airport}});
    bytes[4] = 0x3C; // another header size
    EXPECT_TRUE(gf_listBglAirports(bytes, true).airports.empty());
    bytes.resize(56);
    bytes[4] = 0x38;
    EXPECT_TRUE(gf_listBglAirports(bytes, true).airports.empty());
}

// Offsets of the generated file's first airport and its parking list, found by their ids.
std::size_t lf_findRecord(const std::vector<std::uint8_t>& bytes, std::uint16_t id, std::size_t from)
{
    for (std::size_t i = from; i + 6 <= bytes.size(); ++i)
        if (bytes[i] == (id & 0xFF) && bytes[i + 1] == (id >> 8))
            return i;
    return bytes.size();
}

void lf_put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

// True when the file's damage is reported, by the listing or by the reading of an airport.
bool lf_damaged(const std::vector<std::uint8_t>& bytes)
{
    const auto found = gf_listBglAirports(bytes, true);
    try {
        for (const auto& a : found.airports)
            gf_readBglAirport(bytes, a, "", "x.bgl");
    } catch (const BglDamaged&) {
        return true;
    }
    return !found.damage.empty();
}

TEST_F(BglReader, DamagedStructureIsReportedNeverWalkedPast)
{
    const BglAirportSpec airport = tools::gf_bglAirport("EDDT", 50.0, 10.0, 3);
    const auto whole = tools::gf_bglBytes({.airports = {airport}, .sectionsAround = false});
    const std::size_t record = lf_findRecord(whole, 0x0056, 56 + 20 + 16);
    const std::size_t list = lf_findRecord(whole, 0x00E7, record + 68);
    ASSERT_LT(list, whole.size());
    struct Damage {
        const char* what;
        std::size_t at;
        std::uint32_t value;
        bool reported; // false: a size that does not advance is padding, and ends the walk
    };
    const Damage damages[] = {
        {"record of size 0", record + 2, 0, false},
        {"record of size 5", record + 2, 5, true},
        {"record beyond its subsection", record + 2, 0xFFFFFFF0u, true},
        {"sub-record of size 2", list + 2, 2, false},
        {"parking count beyond its record", list + 6, 0x7FFF, true},
        {"subsection beyond the file", 56 + 20 + 8, 0xFFFFFFF0u, true},
        {"subsection table beyond the file", 56 + 12, 0xFFFFFFF0u, true},
        {"many subsections", 56 + 8, 0xFFFFFFFFu, true},
    };
    for (const Damage& d : damages) {
        auto bytes = whole;
        if (std::string_view(d.what) == "parking count beyond its record")
            bytes[d.at] = 0xFF, bytes[d.at + 1] = 0x7F;
        else
            lf_put32(bytes, d.at, d.value);
        EXPECT_EQ(lf_damaged(bytes), d.reported) << d.what;
    }
    // Every shorter file: no airport, or damage, never a read outside the bytes.
    for (std::size_t size = 0; size < whole.size(); ++size)
        lf_damaged({whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size)});
}

// One damaged airport record costs itself and what follows, never the airports before it; zero
// padding after the last record ends the subsection.
TEST_F(BglReader, AirportsBeforeDamageOrPaddingAreListed)
{
    const BglAirportSpec first = tools::gf_bglAirport("EDDT", 50.0, 10.0, 3);
    const std::size_t firstStands = first.parkingLists[0].size() + first.helipads.size();
    const auto whole =
        tools::gf_bglBytes({.airports = {first, tools::gf_bglAirport("EDDB", 52.0, 13.0, 2)}, .sectionsAround = false});
    const std::size_t second = lf_findRecord(whole, 0x0056, lf_findRecord(whole, 0x0056, 56 + 20 + 16) + 6);
    ASSERT_LT(second, whole.size());
    auto claimsTooMuch = whole;
    lf_put32(claimsTooMuch, second + 2, static_cast<std::uint32_t>(whole.size()));
    std::vector<std::vector<std::uint8_t>> damaged{claimsTooMuch};
    for (std::size_t cut = second; cut < whole.size(); cut += 7) // truncated inside the second airport
        damaged.emplace_back(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
    for (const auto& bytes : damaged) {
        const auto list = gf_listBglAirports(bytes, true);
        ASSERT_EQ(list.airports.size(), 1u) << bytes.size();
        EXPECT_EQ(list.airports[0].code, "EDDT");
        EXPECT_EQ(gf_readBglAirport(bytes, list.airports[0], "", "x.bgl").stands.size(), firstStands);
        EXPECT_FALSE(list.damage.empty()) << bytes.size();
    }
    auto padded = whole;
    padded.resize(whole.size() + 12); // two empty record headers and then some
    lf_put32(padded, 56 + 20 + 12, static_cast<std::uint32_t>(padded.size() - (56 + 20 + 16)));
    const auto list = gf_listBglAirports(padded, true);
    EXPECT_EQ(list.airports.size(), 2u);
    EXPECT_EQ(list.damage, "");
}

// Sizes crafted files reach, read in one go: ids given twice and helipads cost a look-up each, not a
// walk over all before them.
TEST_F(BglReader, ManyRepeatedIdsAndHelipadsAreReadWhole)
{
    constexpr std::uint32_t kPairs = 32500;
    BglAirportSpec parkings{"EDDT", 0, {}, {{}}};
    for (std::uint32_t i = 0; i < 2 * kPairs; ++i) {
        const std::uint32_t base = i / 2;
        parkings.parkingLists[0].push_back({static_cast<std::uint8_t>(12 + base / 4096), 8, base % 4096,
                                            i % 2 == 0 ? 10.0f : 20.0f, 90.0f, 50.0 + base * 1e-5, 10.0, {}});
    }
    const auto read = stands(parkings);
    ASSERT_EQ(read.stands.size(), 2 * kPairs);
    for (std::uint32_t i = 0; i < 2 * kPairs; i += 2) {
        const std::string base = lf_parkingNamePrefix(static_cast<std::uint8_t>(12 + i / 2 / 4096)) +
                                 std::to_string(i / 2 % 4096);
        ASSERT_EQ(read.stands[i].id, base + "a") << i; // the smaller of the two
        ASSERT_EQ(read.stands[i + 1].id, base) << i;
    }

    constexpr std::size_t kHelipads = 200000;
    BglAirportSpec pads{"EDDT", 0, {}, {}};
    for (std::size_t i = 0; i < kHelipads; ++i)
        pads.helipads.push_back({40.0 + static_cast<double>(i) * 1e-5, 10.0, 20.0f});
    pads.helipads.push_back(pads.helipads[kHelipads / 2]);
    const auto readPads = stands(pads);
    EXPECT_EQ(readPads.helipads, kHelipads);
    EXPECT_EQ(readPads.stands.back().id, fmt::format("helipad{}", kHelipads));
    EXPECT_TRUE(scanLogHas("double helipad Test field (skipped)"));
}

TEST_F(BglReader, PreTestReadsHeaderAndTableOnly)
{
    const test::TempDir dir;
    const auto write = [&](const std::string& name, std::vector<std::uint8_t> bytes) {
        test::writeText(dir / name, std::string(bytes.begin(), bytes.end()));
        return dir / name;
    };
    const auto airport = tools::gf_bglBytes({.airports = {tools::gf_bglAirport("EDDT", 50.0, 10.0, 1)}});
    EXPECT_TRUE(gf_startAirportBgl(write("a.bgl", airport)).has_value());
    // Only the header and its table: the pre-test does not look at the records.
    EXPECT_TRUE(gf_startAirportBgl(write("b.bgl", {airport.begin(), airport.begin() + 56 + 3 * 20 + 1})).has_value());
    EXPECT_FALSE(gf_startAirportBgl(write("c.bgl", {airport.begin(), airport.begin() + 56 + 3 * 20})).has_value());
    EXPECT_FALSE(gf_startAirportBgl(write("d.bgl", {airport.begin(), airport.begin() + 20})).has_value());
    auto huge = airport;
    lf_put32(huge, 20, 0xFFFFFFFFu); // 56 + 20 x count overflows 32 bits
    EXPECT_FALSE(gf_startAirportBgl(write("e.bgl", huge)).has_value());
    auto none = tools::gf_bglBytes({.airports = {}});
    lf_put32(none, 56 + 20, 7);
    EXPECT_FALSE(gf_startAirportBgl(write("f.bgl", none)).has_value());
    EXPECT_FALSE(gf_startAirportBgl(dir / "missing.bgl").has_value());
}

// A file of 300 sections: its table reaches past the head the pre-test reads first.
std::vector<std::uint8_t> lf_farTable(std::uint32_t airportAt, std::size_t bytesAfterTable)
{
    constexpr std::uint32_t kSections = 300;
    auto bytes = tools::gf_bglBytes({.airports = {tools::gf_bglAirport("EDDT", 50.0, 10.0, 1)}});
    bytes.resize(56 + kSections * 20 + bytesAfterTable);
    lf_put32(bytes, 20, kSections);
    for (std::uint32_t i = 0; i < kSections; ++i)
        lf_put32(bytes, 56 + i * 20, i == airportAt ? 3 : 1);
    return bytes;
}

// The pre-test finds the airport section wherever the table lies, and the worker goes on from what it
// read: the bytes it ends with are the file's, however the file's size falls on the head.
TEST_F(BglReader, PreTestAndTheReadOnFromItAcrossTheHead)
{
    const test::TempDir dir;
    const auto airport = tools::gf_bglBytes({.airports = {tools::gf_bglAirport("EDDT", 50.0, 10.0, 1)}});
    const struct {
        const char* what;
        std::vector<std::uint8_t> bytes;
        bool found;
        bool keptOpen;
    } cases[] = {
        {"shorter than the head", airport, true, false},
        {"the head exactly", lf_padded(airport, 4096), true, true},
        {"one byte past the head", lf_padded(airport, 4097), true, true},
        {"many heads long", lf_padded(airport, 3 * 4096 + 17), true, true},
        {"table past the head, airport section last", lf_farTable(299, 5000), true, true},
        {"table past the head, airport section first", lf_farTable(0, 1), true, true},
        {"table past the head, no airport section", lf_farTable(300, 1), false, false},
        {"the file ends with its table", lf_farTable(299, 0), false, false},
    };
    for (const auto& c : cases) {
        const fs::path file = dir / "read.bgl";
        test::writeText(file, std::string(c.bytes.begin(), c.bytes.end()));
        std::optional<BglFileStart> start = gf_startAirportBgl(file);
        ASSERT_EQ(start.has_value(), c.found) << c.what;
        if (!start)
            continue;
        EXPECT_EQ(start->rest != nullptr, c.keptOpen) << c.what;
        const auto bytes = gf_finishBglRead(std::move(*start));
        ASSERT_TRUE(bytes) << c.what;
        EXPECT_TRUE(*bytes == c.bytes) << c.what;
    }
}

} // namespace
} // namespace zyn
