#pragma once
// Liveries the simulator accepted to create but then failed to: their titles are never matched again,
// and too many of them stop the run with a user error.
#include "aircraft/records.h"

#include <string>
#include <string_view>
#include <vector>

namespace zyn {

inline constexpr std::size_t kMaxNotCreatableTitles = 20;

// Owned copies: a rescan of the livery catalogue must never leave them dangling.
extern std::vector<std::string> g_notCreatableTitles;

// Main-loop thread: records the report line and, once, the failed title; from the 20th title on throws
// UserErrorException 81. Does nothing while the program exits.
void gf_liveryCreateFailed(const AcHead& head, std::string_view liveryTitle);

bool gf_isNotCreatableTitle(std::string_view title);

// The report lines "  {type} {airline}", sorted and without duplicates (the stored list keeps that order).
std::vector<std::string> gf_failedLiveries();

// Another simulator, package folder or livery scan may create what this one could not: the titles are
// tried again (the report keeps its lines). The restart for new settings calls it.
void gf_forgetNotCreatableTitles();

void gf_resetFailedLiveries(); // tests only; the program keeps the report for its lifetime

} // namespace zyn
