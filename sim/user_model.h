#pragma once
// Identification of the user aircraft: the "ATC MODEL" text turned into an ICAO type designator, and the
// half wingspan and category taken from the aircraft database for it.
#include "aircraft/records.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace zyn {

// The aircraft database as the identification needs it (the real one in the program, a table in tests).
struct AircraftTypeLookup {
    std::function<double(std::string_view)> wingspan;       // half wingspan, nm; 0 when unknown
    std::function<AcCategory(std::string_view)> category;
    double maxHalfWingspan = 0.0;                           // the largest half wingspan of the database
};

// The model text mapped to a type designator. Throws std::out_of_range when ".0.text" begins within the
// first four characters (the caller reports that as "no aircraft selected").
std::string gf_userModelType(std::string_view model, std::string_view title, const AircraftTypeLookup& db);

struct UserModelAnalysis {
    std::string modelType;       // the designator the model text maps to
    std::string type;            // the designator the half wingspan and category were taken for
    std::string deducedType;     // set when the model gave no wingspan and the title named the type
    double halfWingspanNm = 0.0;
    bool wingspanKnown = false;
    std::optional<AcCategory> category; // absent: the category stays as it was
    bool special = false;        // camera pod or crew vessel: no model log line
};

// A non-empty model: the type, half wingspan and category of the user aircraft.
UserModelAnalysis gf_analyseUserModel(std::string_view model, std::string_view title, const AircraftTypeLookup& db);

} // namespace zyn
