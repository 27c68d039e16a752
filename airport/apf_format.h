#pragma once
// The airport parking file: one XML document per airport, whatever its origin (stock, downloaded,
// generated from scenery, learned, handmade), with three top-level elements and no root: "meta"
// (the program's meta block), "parameters" ("parameter" children with "name" and "value") and
// "parkpositions" (one "parkpos" per stand, each with its "opt" children). This module writes the
// format and reads its elements; which file is read and how the learned file is merged lie with
// airport/apf_read.h and airport/learned_merge.h.
#include "airport/park_pos.h"
#include "airport/read_report.h"
#include "base/atomic_file.h"
#include "settings/airport_settings.h"

#include <pugixml.hpp>

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace zyn {

// Generated: a file made from an add-on airport's scenery (every stand in full, no options).
// Learned: what was learned at an airport (the per-airport settings, changed and manual stands in
// full or as deltas, every option).
enum class ApfMode : std::uint8_t { Learned = 0, Generated = 1 };

struct ApfWriteData {
    std::string icao{};         // not written
    std::string airportName{};  // "airport_name"
    std::string bglPath{};      // "BGLpath", written for the publisher "unknown" only
    std::string publisher{};
    std::string manufacturer{}; // written for the publisher "unknown" only
    std::string creator{};      // written for the publisher "unknown" only
    std::string title{};        // the package title; not written
    std::int32_t qfReal = -1; // written for handmade files only
    std::int32_t qfSoft = -1;
    std::int32_t altitude = 0; // feet; written for handmade and generated files
    std::span<const ParkPos> stands{};
    bool handmade = false; // the airport's learned file replaces its stock stands: every stand in full
    AirportSettings settings{}; // written for learned files only
};

// The file's text; nothing, with a log line naming the path, when the document could not be built.
// Throws what pugixml throws (out of memory).
std::optional<std::string> gf_apfText(const ApfWriteData& data, ApfMode mode, const std::filesystem::path& path);
// Builds the document and saves it atomically (the previous file stays whole until the new one is
// complete). False, with a log line, when the document could not be built or saved.
bool gf_writeApf(const ApfWriteData& data, const std::filesystem::path& path, ApfMode mode,
                 FileSync sync = FileSync::Durable);
bool lf_writeApfParameters(pugi::xml_document& document, const ApfWriteData& data, ApfMode mode);
void lf_writeParkPos(pugi::xml_node parent, const ParkPos& stand, ApfMode mode, bool handmade);
// Options of number 0 are not written. Airline and type are always written, so an option keeps them
// even when the aircraft database no longer knows its registration. The callsigns go in "cs" (the
// second after a colon), which is left out when both are empty.
void lf_writeParkPosOptions(pugi::xml_node parent, const ParkPosOption& option);

// Reading rules shared by every reader of the format.
// A flag: true exactly when its text begins with 1, t, T, y or Y; absent (nullptr) is false.
bool gf_apfBool(pugi::xml_attribute attribute);
bool gf_apfBool(const char* value);

// Whether an element or attribute name is exactly known, without measuring it first.
inline bool lf_nameIs(const char* name, std::string_view known)
{
    for (const char c : known)
        if (*name++ != c)
            return false;
    return *name == '\0';
}

// The value of the first attribute of each of the names, nullptr for a name the element lacks, in
// one walk over its attributes: an "opt" is read thousands of times per airport. The names are known
// at compile time, so each attribute's name is compared against constants, unrolled.
template <const auto& kNames> auto lf_attributeValues(pugi::xml_node node)
{
    constexpr std::size_t kCount = std::tuple_size_v<std::remove_cvref_t<decltype(kNames)>>;
    std::array<const char*, kCount> found{};
    // The end shows as an empty name, which no attribute of a parsed file has: no test of each one.
    for (pugi::xml_attribute attribute = node.first_attribute();; attribute = attribute.next_attribute()) {
        const char* name = attribute.name();
        if (*name == '\0') {
            if (!attribute)
                break;
            continue;
        }
        [&]<std::size_t... I>(std::index_sequence<I...>) {
            (void)((lf_nameIs(name, kNames[I]) && (found[I] || (found[I] = attribute.value()))) || ...);
        }(std::make_index_sequence<kCount>());
    }
    return found;
}

// An attribute value as text; absent is empty.
inline std::string_view lf_valueText(const char* value) { return value ? std::string_view(value) : std::string_view(); }

// The "opt" children of a "parkpos" in document order, into opts (emptied first): walked once, and
// the list's storage is reused from stand to stand.
void lf_collectOpts(pugi::xml_node parkpos, std::vector<pugi::xml_node>& opts);
// A parameter of the top-level "parameters": nothing when absent; false, 0 or "" without "value".
std::optional<bool> lf_readParameterBool(const pugi::xml_document& document, std::string_view name);
std::optional<std::int32_t> lf_readParameterInt(const pugi::xml_document& document, std::string_view name);
std::optional<std::string> lf_readParameterText(const pugi::xml_document& document, std::string_view name);

// The share of stands to fill at an airport without a learned file that says otherwise.
inline constexpr std::int32_t kDefaultParkingPercentage = 30;

// The largest clearance radius a stand may have; a larger one is a broken entry.
inline constexpr double kMaxStandRadiusMetres = 1000.0;

struct OptionTexts {
    OptionText callsign;
    OptionText callsign2;
    OptionText airline;
    OptionText type;
};
// "cs" split at its colon; airline and type from the aircraft database when it knows the
// registration ("reg"), else from "airl" and "type".
OptionTexts lf_readAirlTypeLists(pugi::xml_node opt);

// Appends one "opt" element to options with the given number and archived mark. False, reported and
// appending nothing, when its "day" is no day (0 means none in particular, 1 Monday .. 7 Sunday).
bool lf_readParkPosOption(pugi::xml_node opt, std::uint32_t number, std::uint32_t archived, std::string_view standId,
                          ReadReport& report, std::vector<ParkPosOption>& options);

// Reads one "parkpos" in full and appends it to stands; its options are numbered 1.. in document
// order. A bare element (no position) appends nothing; one whose position, radius or heading is
// missing, no number or out of range is reported and skipped. True when a stand was appended. opts is
// storage for the option nodes (lf_collectOpts).
bool lf_readParkPos(pugi::xml_node parkpos, const std::string& id, std::uint32_t archived, std::vector<ParkPos>& stands,
                    ReadReport& report, std::vector<pugi::xml_node>& opts);

// Stand ids to the index of their first stand, for the readers: one table, no allocation per id.
// The ids are views: what they point at must outlive the table and stay where it is.
class StandIds {
public:
    explicit StandIds(std::size_t expected);
    // Adds id with its index; false, changing nothing, when id is there already.
    bool add(std::string_view id, std::size_t index);
    std::optional<std::size_t> find(std::string_view id) const;

private:
    static constexpr std::size_t kFree = static_cast<std::size_t>(-1);
    struct Slot {
        std::string_view id;
        std::size_t index = kFree;
    };
    // The slot holding id, or the free one where it would go.
    std::size_t slotOf(std::string_view id) const;
    void grow();

    std::vector<Slot> m_slots;
    std::size_t m_used = 0;
};

// Every "parkpos" of parkpositions read in full (archived), appended to stands; one without an id,
// or with an id seen before in the file, is reported and skipped.
void gf_readFullStands(pugi::xml_node parkpositions, std::vector<ParkPos>& stands, ReadReport& report);

// A radius attribute's value in metres that may be used: a number from 0 to kMaxStandRadiusMetres;
// absent (nullptr) is 0.
std::optional<double> lf_readRadiusMetres(const char* radius);

} // namespace zyn
