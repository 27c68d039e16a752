#pragma once
// What the live aircraft engine asks of the livery catalogue and the registration database.
#include "engine/records.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zyn {

struct RegistrationRecord {
    std::string airline;
    std::string type;
    std::string operatorCode;
    std::uint8_t cargo = 0;
};

// Sets the aircraft's livery title (and its "FSLTL_" flag) when an installed livery fits; leaves
// the title empty otherwise.
void gf_matchLiveAcLivery(AcRecord& aircraft);
// True when the aircraft database lists the type; false for the empty text.
bool gf_isKnownAircraftType(std::string_view type);
// The type of a registration, or the empty text.
std::string gf_regType(std::string_view registration);
std::optional<RegistrationRecord> gf_lookupRegistration(std::string_view registration);

// Until the catalogue is built: the installed liveries as {ICAO type, title} pairs. Titles handed
// out stay valid until the next call.
void gf_setInstalledLiveLiveries(std::vector<std::pair<std::string, std::string>> liveries);

} // namespace zyn
