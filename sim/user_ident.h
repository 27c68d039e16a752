#pragma once
// The user aircraft's title and model replies: the title is shown and kept, the model gives the type
// designator from which the half wingspan and category of the user aircraft are taken.
#include "aircraft/records.h"
#include "base/guarded.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zyn {

inline constexpr std::size_t kMaxUserAcTitleChars = 48;

extern Guarded<std::string> g_userAcTitle;
extern std::atomic<std::int32_t> g_userAcCategory; // an AcCategory code

// Half wingspan of the user aircraft in nautical miles; absent until a model reply arrived.
std::optional<double> gf_userHalfWingspan();

// The first maxChars characters of a UTF-8 text, never cutting a character in two.
std::string gf_utf8Prefix(std::string_view text, std::size_t maxChars);

// Dispatch handlers (SimConnect thread). The model handler throws UserErrorException 73 when the model
// cannot be analysed.
void gf_onUserAcTitle(std::string_view title);
void gf_onUserAcModel(std::string_view model);

void gf_resetUserIdentification();

} // namespace zyn
