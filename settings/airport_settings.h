#pragma once
// The eleven settings that a park airport's learned file keeps: LATERAL_RANGE, AUTO_RANGE,
// INITIAL_LOAD_ONLY, PARK_SOFT, PARK_FAKE, parking_percentage, MAX_FIT, WEEK, RT_PARKTRAFFIC_ONLY,
// LEARN_SOFT and MAX_LIVE. While parking at an airport they hold that airport's values: what its learned
// file says, what the user changes in the window there, and what the program switches for itself. The
// user's own values wait here and come back when parking there ends, so that no airport's values reach
// another airport; the program's own switches reach neither a learned file nor "parameters.xml".
//
// The user's own value of a setting is the one "parameters.xml" holds: taken at start-up, and taken
// again whenever one of them is saved, which only the user's own changes do. parking_percentage is not
// stored; its own value is the one every start sets.
#include "settings/settings.h"

#include <cstdint>

namespace zyn {

struct AirportSettings {
    std::int32_t lateralRange = 40;
    bool autoRange = true;
    bool initialLoadOnly = false;
    bool parkSoft = true;
    bool parkFake = false;
    std::int32_t parkingPercentage = 30;
    std::int32_t maxFit = 47;
    bool week = false;
    bool parkTrafficOnly = false;
    bool learnSoft = true;
    std::int32_t maxLive = -1;
    bool operator==(const AirportSettings&) const = default;
};

// The user's own values are those in force now; at start-up, once "parameters.xml" has been read and
// the start state of the controls set, before anything adjusts the range.
void gf_takeUsersAirportSettings();
AirportSettings gf_usersAirportSettings();
// A setting was saved to "parameters.xml": when it is one of the eleven, its value is the user's own.
void gf_keepUsersAirportSetting(const Parameter& parameter);

// What the park airport's learned file is to keep: the values in force, less the program's own switches.
AirportSettings gf_airportSettingsToLearn();

// The program's own switches at the park airport, in force there only: shown, never saved or learned.
// "Flush static" parks no more statics there: INITIAL_LOAD_ONLY on.
void gf_switchInitialLoadOnlyOn();
// A well-covered airport learns no soft stand uses: LEARN_SOFT off, its check box greyed.
void gf_switchLearnSoftOff();

// Parking at the park airport ends: each of the eleven is the user's own again, in the window too, and
// the range follows (the automatic range at once). The values are written under the lock that a
// saved setting's record takes; the window is set after it is let go, since setting a control waits
// for the window thread, which may be saving.
void gf_giveUsersAirportSettingsBack();
// A step set here runs once the values are back and the lock is let go, before the window shows them
// (tests bring a click in at that moment); none is set in the program.
using GiveBackStep = void (*)();
void gf_setGiveBackStep(GiveBackStep step);

// As a fresh process has it: the defaults are the user's own, nothing switched.
void gf_resetAirportSettings();

} // namespace zyn
