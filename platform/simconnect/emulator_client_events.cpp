#include "platform/simconnect/emulator_client_events.h"

#include <algorithm>
#include <array>

#include "platform/simconnect/emulator_variables.h"

namespace zyn::simemu {

namespace {

constexpr std::array<std::string_view, 5> kSystemEvents = {"Sim", "ObjectAdded", "ObjectRemoved", "FlightLoaded",
                                                           "Frame"};

struct LightEvent {
    std::string_view name;
    std::uint64_t bit;
};
constexpr std::array<LightEvent, 7> kLightEvents = {{
    {"NAV_LIGHTS_SET", kLightNav},
    {"BEACON_LIGHTS_SET", kLightBeacon},
    {"LANDING_LIGHTS_SET", kLightLanding},
    {"TAXI_LIGHTS_SET", kLightTaxi},
    {"STROBES_SET", kLightStrobe},
    {"LOGO_LIGHTS_SET", kLightLogo},
    {"CABIN_LIGHTS_SET", kLightCabin},
}};

constexpr std::array<std::string_view, 10> kOtherClientEvents = {
    "GEAR_SET",         "ENGINE_AUTO_START",           "ENGINE_AUTO_SHUTDOWN", "THROTTLE_SET",
    "FLAPS_SET",        "SPOILERS_SET",                "ALL_LIGHTS_TOGGLE",    "FREEZE_LATITUDE_LONGITUDE_SET",
    "FREEZE_ALTITUDE_SET", "FREEZE_ATTITUDE_SET",
};

} // namespace

bool gf_knownSystemEvent(std::string_view name)
{
    const std::string lower = gf_lowerAscii(name);
    return std::any_of(kSystemEvents.begin(), kSystemEvents.end(),
                       [&](std::string_view e) { return gf_lowerAscii(e) == lower; });
}

bool gf_knownClientEvent(std::string_view upperName)
{
    return upperName.empty() ||
           std::any_of(kLightEvents.begin(), kLightEvents.end(), [&](const LightEvent& e) { return e.name == upperName; }) ||
           std::find(kOtherClientEvents.begin(), kOtherClientEvents.end(), upperName) != kOtherClientEvents.end();
}

void gf_applyClientEvent(SimObject& o, const std::string& name, DWORD value, double now)
{
    for (const LightEvent& light : kLightEvents)
        if (light.name == name)
            o.lights = value != 0 ? (o.lights | light.bit) : (o.lights & ~light.bit);
    if (name == "ALL_LIGHTS_TOGGLE")
        o.lights ^= kAllLights;
    else if (name == "FREEZE_LATITUDE_LONGITUDE_SET")
        o.freezeLatLon = value != 0;
    else if (name == "FREEZE_ALTITUDE_SET")
        o.freezeAltitude = value != 0;
    else if (name == "FREEZE_ATTITUDE_SET")
        o.freezeAttitude = value != 0;
    o.lastEventValues[name] = value;
    o.events.push_back({now, name, value});
}

} // namespace zyn::simemu
