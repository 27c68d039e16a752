#include "platform/simconnect/emulator_variables.h"

#include "platform/system/calendar.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>

#include "platform/simconnect/emulator_geo.h"
#include "platform/system/calendar.h"

namespace zyn::simemu {

namespace {

enum class Var {
    Latitude, Longitude, Pitch, Bank, Heading, Altitude, AltAboveGround, GroundAltitude,
    GroundVelocity, VerticalSpeed, AirspeedTrue, OnGround, ZuluTime, ZuluDay, ZuluYear,
    LightStates, StaticCg, StaticPitch, AtcId, Title, AtcModel, Stored,
};

// The unit a variable is kept in; a definition may ask for another one of the same kind.
enum class Canonical { Degrees, Radians, Feet, FeetPerSecond, Plain };

struct VarInfo {
    Var var;
    Canonical unit;
    bool writable;
};

const std::map<std::string, VarInfo, std::less<>>& lf_variables()
{
    static const std::map<std::string, VarInfo, std::less<>> table = {
        {"PLANE LATITUDE", {Var::Latitude, Canonical::Degrees, true}},
        {"PLANE LONGITUDE", {Var::Longitude, Canonical::Degrees, true}},
        {"PLANE PITCH DEGREES", {Var::Pitch, Canonical::Radians, true}},
        {"PLANE BANK DEGREES", {Var::Bank, Canonical::Radians, true}},
        {"PLANE HEADING DEGREES TRUE", {Var::Heading, Canonical::Radians, true}},
        {"PLANE ALTITUDE", {Var::Altitude, Canonical::Feet, true}},
        {"PLANE ALT ABOVE GROUND", {Var::AltAboveGround, Canonical::Feet, false}},
        {"GROUND ALTITUDE", {Var::GroundAltitude, Canonical::Feet, false}},
        {"GROUND VELOCITY", {Var::GroundVelocity, Canonical::Plain, true}},
        {"VERTICAL SPEED", {Var::VerticalSpeed, Canonical::FeetPerSecond, true}},
        {"AIRSPEED TRUE", {Var::AirspeedTrue, Canonical::Plain, true}},
        {"SIM ON GROUND", {Var::OnGround, Canonical::Plain, false}},
        {"ZULU TIME", {Var::ZuluTime, Canonical::Plain, false}},
        {"ZULU DAY OF YEAR", {Var::ZuluDay, Canonical::Plain, false}},
        {"ZULU YEAR", {Var::ZuluYear, Canonical::Plain, false}},
        {"LIGHT STATES", {Var::LightStates, Canonical::Plain, true}},
        {"LIGHT ON STATES", {Var::LightStates, Canonical::Plain, true}},
        {"STATIC CG TO GROUND", {Var::StaticCg, Canonical::Feet, false}},
        {"STATIC PITCH", {Var::StaticPitch, Canonical::Radians, false}},
        {"ATC ID", {Var::AtcId, Canonical::Plain, false}},
        {"TITLE", {Var::Title, Canonical::Plain, false}},
        {"ATC MODEL", {Var::AtcModel, Canonical::Plain, false}},
        {"SPOILERS HANDLE POSITION", {Var::Stored, Canonical::Plain, true}},
        {"GENERAL ENG THROTTLE LEVER POSITION:1", {Var::Stored, Canonical::Plain, true}},
        {"GENERAL ENG THROTTLE LEVER POSITION:2", {Var::Stored, Canonical::Plain, true}},
    };
    return table;
}

const VarInfo* lf_info(std::string_view name)
{
    const auto& table = lf_variables();
    auto it = table.find(name);
    return it == table.end() ? nullptr : &it->second;
}

// Factor from the canonical unit to the requested one.
double lf_unitFactor(Canonical canonical, std::string_view unit)
{
    const bool degrees = unit == "degree" || unit == "degrees";
    const bool radians = unit == "radian" || unit == "radians";
    switch (canonical) {
    case Canonical::Degrees: return radians ? kDegToRad : 1.0;
    case Canonical::Radians: return degrees ? kRadToDeg : 1.0;
    case Canonical::Feet: return (unit == "meter" || unit == "meters") ? 0.3048 : 1.0;
    case Canonical::FeetPerSecond: return unit == "feet per minute" ? 60.0 : 1.0;
    case Canonical::Plain: return 1.0;
    }
    return 1.0;
}

double lf_zulu(Var var, std::time_t utc)
{
    const std::tm parts = gf_utcCalendar(utc);
    switch (var) {
    case Var::ZuluTime: return parts.tm_hour * 3600.0 + parts.tm_min * 60.0 + parts.tm_sec;
    case Var::ZuluDay: return parts.tm_yday + 1.0;
    default: return parts.tm_year + 1900.0;
    }
}

double lf_readCanonical(const SimObject& o, Var var, std::string_view name, const VariableContext& c)
{
    switch (var) {
    case Var::Latitude: return o.pose.lat;
    case Var::Longitude: return o.pose.lon;
    case Var::Pitch: return o.pose.pitchRad;
    case Var::Bank: return o.pose.bankRad;
    case Var::Heading: return o.pose.headingRad;
    case Var::Altitude: return o.pose.altitudeFt;
    case Var::AltAboveGround: return std::max(0.0, o.pose.altitudeFt - c.groundAltitudeFt);
    case Var::GroundAltitude: return c.groundAltitudeFt;
    case Var::GroundVelocity: return o.pose.groundSpeedKt;
    case Var::VerticalSpeed: return o.pose.verticalSpeedFps;
    case Var::AirspeedTrue: return o.pose.airspeedKt;
    case Var::OnGround: return o.pose.onGround ? 1.0 : 0.0;
    case Var::ZuluTime:
    case Var::ZuluDay:
    case Var::ZuluYear: return lf_zulu(var, c.utcNow);
    case Var::LightStates: return static_cast<double>(o.lights);
    case Var::StaticCg: return o.staticCgFt;
    case Var::StaticPitch: return o.staticPitchRad;
    case Var::Stored: {
        auto it = o.variables.find(std::string(name));
        return it == o.variables.end() ? 0.0 : it->second;
    }
    case Var::AtcId:
    case Var::Title:
    case Var::AtcModel: return 0.0;
    }
    return 0.0;
}

void lf_writeCanonical(SimObject& o, Var var, std::string_view name, double v, const VariableContext& c)
{
    switch (var) {
    case Var::Latitude: o.pose.lat = v; break;
    case Var::Longitude: o.pose.lon = v; break;
    case Var::Pitch: o.pose.pitchRad = v; break;
    case Var::Bank: o.pose.bankRad = v; break;
    case Var::Heading: o.pose.headingRad = v; break;
    case Var::Altitude:
        o.pose.altitudeFt = v;
        o.pose.onGround = v - c.groundAltitudeFt < 1.0; // touching the terrain
        break;
    case Var::GroundVelocity: o.pose.groundSpeedKt = v; break;
    case Var::VerticalSpeed: o.pose.verticalSpeedFps = v; break;
    case Var::AirspeedTrue: o.pose.airspeedKt = v; break;
    case Var::LightStates: o.lights = static_cast<std::uint64_t>(std::max(0.0, v)); break;
    case Var::Stored: o.variables[std::string(name)] = v; break;
    default: break; // read-only
    }
}

std::string lf_readText(const SimObject& o, Var var)
{
    switch (var) {
    case Var::AtcId: return o.atcId;
    case Var::Title: return o.title;
    case Var::AtcModel: return o.atcModel;
    default: return {};
    }
}

bool lf_isText(SIMCONNECT_DATATYPE type)
{
    return type == SIMCONNECT_DATATYPE_STRING32 || type == SIMCONNECT_DATATYPE_STRINGV;
}

// Moves the letters of one ASCII case, starting at `from`, to the other.
std::string lf_shiftCase(std::string_view text, char from, char to)
{
    std::string out(text);
    for (char& ch : out)
        if (ch >= from && ch <= from + 25)
            ch = static_cast<char>(ch - from + to);
    return out;
}

} // namespace

std::string gf_upperAscii(std::string_view text) { return lf_shiftCase(text, 'a', 'A'); }

std::string gf_lowerAscii(std::string_view text) { return lf_shiftCase(text, 'A', 'a'); }

bool gf_knownVariable(std::string_view upperName) { return lf_info(upperName) != nullptr; }

bool gf_knownDataType(SIMCONNECT_DATATYPE type)
{
    return type == SIMCONNECT_DATATYPE_INT64 || type == SIMCONNECT_DATATYPE_FLOAT64 || lf_isText(type);
}

std::optional<std::size_t> gf_blockSize(const std::vector<Datum>& definition)
{
    std::size_t size = 0;
    for (const Datum& d : definition) {
        if (d.type == SIMCONNECT_DATATYPE_STRINGV)
            return std::nullopt;
        size += d.type == SIMCONNECT_DATATYPE_STRING32 ? 32 : 8;
    }
    return size;
}

void gf_packBlock(const SimObject& object, const std::vector<Datum>& definition, const VariableContext& context,
                  std::vector<std::byte>& block)
{
    block.clear();
    for (const Datum& d : definition) {
        const VarInfo* info = lf_info(d.name);
        if (!info)
            continue; // refused at registration
        if (lf_isText(d.type)) {
            std::string text = lf_readText(object, info->var);
            const std::size_t width = d.type == SIMCONNECT_DATATYPE_STRING32 ? 32 : text.size() + 1;
            if (text.size() >= width)
                text.resize(width - 1); // a fixed-width text keeps its terminating NUL
            const std::size_t at = block.size();
            block.resize(at + width, std::byte{0});
            std::memcpy(block.data() + at, text.data(), text.size());
            continue;
        }
        const double value = lf_readCanonical(object, info->var, d.name, context) * lf_unitFactor(info->unit, d.unit);
        const std::size_t at = block.size();
        block.resize(at + 8);
        if (d.type == SIMCONNECT_DATATYPE_INT64) {
            const auto whole = static_cast<std::int64_t>(std::llround(value));
            std::memcpy(block.data() + at, &whole, 8);
        } else {
            std::memcpy(block.data() + at, &value, 8);
        }
    }
}

void gf_applyBlock(SimObject& object, const std::vector<Datum>& definition, const std::byte* block,
                   const VariableContext& context, std::vector<double>& written)
{
    std::size_t at = 0;
    for (const Datum& d : definition) {
        if (lf_isText(d.type)) {
            at += 32; // only fixed-size definitions are applied
            continue;
        }
        double value = 0.0;
        if (d.type == SIMCONNECT_DATATYPE_INT64) {
            std::int64_t whole = 0;
            std::memcpy(&whole, block + at, 8);
            value = static_cast<double>(whole);
        } else {
            std::memcpy(&value, block + at, 8);
        }
        at += 8;
        written.push_back(value);
        const VarInfo* info = lf_info(d.name);
        if (info && info->writable)
            lf_writeCanonical(object, info->var, d.name, value / lf_unitFactor(info->unit, d.unit), context);
    }
}

} // namespace zyn::simemu
