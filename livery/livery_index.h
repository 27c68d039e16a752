#pragma once
// The livery index: the installed liveries grouped by airline and type, by kind (passenger or
// cargo) and by type alone, for the matching ladder. Built on the start-up thread before the other
// threads start; afterwards only read, on the main-loop thread, without locks.
#include "aircraft/records.h"
#include "livery/livery_data.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace zyn {

// Hash maps keyed by text that are also searched with a string_view.
struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const noexcept { return std::hash<std::string_view>{}(text); }
};
template <typename Value> using TextMap = std::unordered_map<std::string, Value, TextHash, std::equal_to<>>;

// One livery of an airline and type. Its title is the one copy of the text: every other table
// holds views into it, valid until the index is rebuilt.
struct LiveryTitle {
    std::string title;
    bool cargo = false;
};

using TitleViews = std::vector<std::string_view>;
using TypeTitles = TextMap<TitleViews>;

inline constexpr std::string_view g_genericAirlineCode = "ZZZ"; // airline-neutral liveries
inline constexpr std::size_t kPassenger = 0;
inline constexpr std::size_t kCargo = 1;

// airline -> type -> liveries, each list in title order.
extern TextMap<TextMap<std::vector<LiveryTitle>>> g_liveryTitlesByAirline;
// [passenger, cargo]: airline -> type -> titles; only airlines and types with at least one title.
extern std::array<TextMap<TypeTitles>, 2> g_liveriesByAirlineType;
// [passenger, cargo]: type -> titles of every airline, "ZZZ" included.
extern std::array<TypeTitles, 2> g_genericLiveriesByType;
// Types with a livery, ascending, for Light, Buzjets and Rotorcraft (in this order).
extern std::array<std::vector<std::string>, 3> g_categoryTypePools;
// Set once the index is built; cleared when the user asks for a rescan. Written by the window's
// thread, read by the start-up thread.
extern std::atomic<bool> g_liveriesProcessed;

// The start-up's build: when the index is built already (an in-process restart) it logs so and
// keeps it; otherwise builds it from what readScanned returns. A throwing reader leaves the index
// empty and unbuilt.
void gf_processScannedLiveries(const std::function<std::vector<LiveryData>()>& readScanned);

// Builds the index from the installed liveries (in any order), with the registration codes, the
// similar-model tables of the aircraft database, the inventory in the log and the category settings.
void gf_buildLiveryIndex(std::vector<LiveryData> liveries);

// The pool of a category, or nothing for the categories without one.
const std::vector<std::string>* gf_categoryTypePool(AcCategory category);

bool gf_hasLiveryForAirlineType(std::string_view airline, std::string_view type);
bool gf_hasGenericLivery(std::string_view type); // passenger or cargo
// Every airline code of the index, whole: a shortened code names no airline of the index.
std::vector<std::string> gf_liveryAirlines();
// The index's own copy of an installed title (byte-exact), or the empty view.
std::string_view gf_findLiveryByTitle(std::string_view title);

// Asks for the index to be built again at the next start-up. The tables themselves are emptied by
// that build, after the exit has removed every aircraft that still points into them.
void gf_clearLiveries();
// Empties the tables at once; only while no aircraft points into them (restart and tests).
void gf_resetLiveryIndex();

} // namespace zyn
