#pragma once
// What the live aircraft engine asks of the registration database.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zyn {

struct RegistrationRecord {
    std::string airline;
    std::string type;
    std::string operatorCode;
    std::uint8_t cargo = 0;
};

// True when the aircraft database lists the type; false for the empty text.
bool gf_isKnownAircraftType(std::string_view type);
// The type of a registration, or the empty text.
std::string gf_regType(std::string_view registration);
std::optional<RegistrationRecord> gf_lookupRegistration(std::string_view registration);

} // namespace zyn
