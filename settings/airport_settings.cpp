#include "settings/airport_settings.h"

#include "settings/setting_controls.h"
#include "settings/traffic_range.h"

#include <array>
#include <mutex>

namespace zyn {

namespace {

struct BoolField {
    BoolControlParameter* parameter;
    bool AirportSettings::*field;
};
struct IntField {
    IntControlParameter* parameter;
    std::int32_t AirportSettings::*field;
};

// AUTO_RANGE and LATERAL_RANGE come back together (lf_giveRangeBack), MAX_FIT with its hours.
constexpr std::array<BoolField, 6> kFlags{{{&param::INITIAL_LOAD_ONLY, &AirportSettings::initialLoadOnly},
                                       {&param::PARK_SOFT, &AirportSettings::parkSoft},
                                       {&param::PARK_FAKE, &AirportSettings::parkFake},
                                       {&param::WEEK, &AirportSettings::week},
                                       {&param::RT_PARKTRAFFIC_ONLY, &AirportSettings::parkTrafficOnly},
                                       {&param::LEARN_SOFT, &AirportSettings::learnSoft}}};
constexpr std::array<BoolField, 7> kBools{{kFlags[0], kFlags[1], kFlags[2], kFlags[3], kFlags[4], kFlags[5],
                                       {&param::AUTO_RANGE, &AirportSettings::autoRange}}};
constexpr std::array<IntField, 4> kInts{{{&param::LATERAL_RANGE, &AirportSettings::lateralRange},
                                     {&param::parking_percentage, &AirportSettings::parkingPercentage},
                                     {&param::MAX_FIT, &AirportSettings::maxFit},
                                     {&param::MAX_LIVE, &AirportSettings::maxLive}}};

// The window thread keeps what the user saves while the main loop gives it back.
std::mutex g_mutex;
AirportSettings g_users;
bool g_initialLoadOnlySwitched = false;
bool g_learnSoftSwitched = false;

AirportSettings lf_inForce()
{
    AirportSettings now;
    for (const BoolField& f : kBools)
        now.*f.field = f.parameter->on();
    for (const IntField& f : kInts)
        now.*f.field = f.parameter->value.load();
    return now;
}

AirportSettings lf_defaults()
{
    AirportSettings defaults;
    for (const BoolField& f : kBools)
        defaults.*f.field = f.parameter->defaultValue != 0;
    for (const IntField& f : kInts)
        defaults.*f.field = f.parameter->defaultValue;
    return defaults;
}

bool lf_is(const Parameter& parameter, const Parameter* field) { return &parameter == field; }

// A check box follows only a value that changes: no message to the window for nothing.
void lf_giveBack(BoolControlParameter& parameter, bool own)
{
    if (parameter.on() == own)
        return;
    parameter.value = own ? 1 : 0;
    gf_showCheckBox(parameter);
}

void lf_giveRangeBack(const AirportSettings& own)
{
    using namespace param;
    lf_giveBack(AUTO_RANGE, own.autoRange);
    gf_enableControl(LATERAL_RANGE, !own.autoRange);
    gf_enableControl(AUTO_RANGE_ABOVE_HEIGHT, own.autoRange);
    if (own.autoRange) {
        gf_adjustAutoRange();
        return;
    }
    g_airportRangeMode = 0;
    gf_setTrafficRange(own.lateralRange);
    gf_setBoxInt(LATERAL_RANGE);
}

// The percentage and the fit show in their boxes only while RT_PARKTRAFFIC_ONLY is off; a box is
// written only when its value changes, so that boxes still empty before the first airport stay so.
void lf_giveParkingCountBack(const AirportSettings& own, bool parkTrafficOnlyChanged)
{
    using namespace param;
    const bool percentageChanged = parking_percentage.value.exchange(own.parkingPercentage) != own.parkingPercentage;
    const bool fitChanged = MAX_FIT.value.exchange(own.maxFit) != own.maxFit;
    MAX_FIT_FL.value = static_cast<float>(own.maxFit) * 0.5f + 0.5f;
    if (parkTrafficOnlyChanged) {
        gf_applyParkTrafficOnly();
        return;
    }
    if (RT_PARKTRAFFIC_ONLY.on())
        return;
    if (percentageChanged)
        gf_setBoxInt(parking_percentage);
    if (fitChanged)
        gf_setBoxFloat(MAX_FIT_FL);
}

} // namespace

void gf_takeUsersAirportSettings()
{
    std::lock_guard lock(g_mutex);
    g_users = lf_inForce();
    // Read afresh from the file: no switch of an earlier session's airport is in force.
    g_initialLoadOnlySwitched = false;
    g_learnSoftSwitched = false;
}

AirportSettings gf_usersAirportSettings()
{
    std::lock_guard lock(g_mutex);
    return g_users;
}

void gf_keepUsersAirportSetting(const Parameter& parameter)
{
    std::lock_guard lock(g_mutex);
    for (const BoolField& f : kBools)
        if (lf_is(parameter, f.parameter))
            g_users.*f.field = f.parameter->on();
    for (const IntField& f : kInts)
        if (lf_is(parameter, f.parameter))
            g_users.*f.field = f.parameter->value.load();
    // The user's own choice replaces the program's switch.
    if (lf_is(parameter, &param::INITIAL_LOAD_ONLY))
        g_initialLoadOnlySwitched = false;
    if (lf_is(parameter, &param::LEARN_SOFT))
        g_learnSoftSwitched = false;
}

AirportSettings gf_airportSettingsToLearn()
{
    AirportSettings learn = lf_inForce();
    std::lock_guard lock(g_mutex);
    if (g_initialLoadOnlySwitched)
        learn.initialLoadOnly = false;
    if (g_learnSoftSwitched)
        learn.learnSoft = true;
    return learn;
}

void gf_switchInitialLoadOnlyOn()
{
    {
        std::lock_guard lock(g_mutex);
        g_initialLoadOnlySwitched = true;
    }
    param::INITIAL_LOAD_ONLY.value = 1;
    gf_showCheckBox(param::INITIAL_LOAD_ONLY);
}

void gf_switchLearnSoftOff()
{
    {
        std::lock_guard lock(g_mutex);
        g_learnSoftSwitched = true;
    }
    param::LEARN_SOFT.value = 0;
    gf_showCheckBox(param::LEARN_SOFT);
    gf_enableControl(param::LEARN_SOFT, false);
}

void gf_giveUsersAirportSettingsBack()
{
    AirportSettings own;
    {
        std::lock_guard lock(g_mutex);
        own = g_users;
        g_initialLoadOnlySwitched = false;
        g_learnSoftSwitched = false;
    }
    const bool parkTrafficOnlyChanged = param::RT_PARKTRAFFIC_ONLY.on() != own.parkTrafficOnly;
    for (const BoolField& f : kFlags)
        lf_giveBack(*f.parameter, own.*f.field);
    lf_giveParkingCountBack(own, parkTrafficOnlyChanged);
    param::MAX_LIVE.value = own.maxLive;
    gf_setBoxInt(param::MAX_LIVE);
    lf_giveRangeBack(own);
}

void gf_resetAirportSettings()
{
    std::lock_guard lock(g_mutex);
    g_users = lf_defaults();
    g_initialLoadOnlySwitched = false;
    g_learnSoftSwitched = false;
}

} // namespace zyn
