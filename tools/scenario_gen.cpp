#include "tools/scenario_gen.h"

#include "base/atomic_file.h"
#include "base/geo.h"

#include <fmt/format.h>

#include <cmath>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace zyn::tools {

using nlohmann::json;

namespace {

// The invented airport: one runway 28 along the local x axis (metres east, y metres north of the
// reference point), a parallel taxiway, an apron lane and a row of nose-in stands facing north.
constexpr double kRefLat = 47.4580;
constexpr double kRefLon = 8.5550;
constexpr double kFieldFt = 1416.0;
constexpr double kRunwayEastX = 1650.0;
constexpr double kRunwayWestX = -700.0;
constexpr double kTouchdownX = 1350.0;
constexpr double kTaxiwayY = 200.0;
constexpr double kLaneY = 390.0;
constexpr double kStandY = 450.0;
constexpr double kConnectorX = 650.0;
constexpr int kStandCount = 20;
constexpr int kUserStand = 10;
// Live aircraft at stands count towards the parking count, and the eight departures wait at their
// stands at the start: at the usual 30 % (6 of 20) no static would stay beside them.
constexpr std::int32_t kParkingPercentage = 60;
// The departures push back over the first eight minutes, the last ones after the first arrival has
// parked, so that live aircraft stand at stands throughout the scenario.
constexpr double kLatestPushSeconds = 480.0;
constexpr double kMetresPerDegLat = 111120.0;
constexpr double kKtToMs = kMetresPerNm / 3600.0;

struct Local {
    double x = 0.0;
    double y = 0.0;
};

double lf_standX(int stand) { return -570.0 + 60.0 * stand; }
std::string lf_standName(int stand) { return fmt::format("A{}", stand + 1); }

LatLon lf_toLatLon(Local p)
{
    return {kRefLat + p.y / kMetresPerDegLat, kRefLon + p.x / (kMetresPerDegLat * std::cos(kRefLat * kDegToRad))};
}

// Builds a path point by point; each leg's duration follows from its length and speed, so no report
// moves faster than the aircraft flies.
class PathBuilder {
public:
    PathBuilder(double startSeconds, Local at, double altitudeFt, const std::string& callsign)
        : m_t(startSeconds), m_at(at), m_alt(altitudeFt)
    {
        addPoint();
        m_points.back()["callsign"] = callsign;
    }
    // Stands still; the reported track is the nose's.
    PathBuilder& wait(double seconds, double noseDeg)
    {
        m_points.back()["track_deg"] = noseDeg;
        m_t += seconds;
        addPoint();
        return *this;
    }
    PathBuilder& go(Local to, double speedKt, double altitudeFt)
    {
        const double metres = std::hypot(to.x - m_at.x, to.y - m_at.y);
        m_t += std::max(1.0, std::round(metres / (speedKt * kKtToMs)));
        m_at = to;
        m_alt = altitudeFt;
        addPoint();
        return *this;
    }
    PathBuilder& taxi(Local to, double speedKt = 15.0) { return go(to, speedKt, 0.0); }
    // Moves backwards with the nose kept where it points.
    PathBuilder& push(Local to, double noseDeg)
    {
        m_points.back()["track_deg"] = noseDeg;
        return go(to, 3.0, 0.0);
    }
    PathBuilder& renameTo(const std::string& callsign)
    {
        m_points.back()["callsign"] = callsign;
        return *this;
    }
    Local at() const { return m_at; }
    double time() const { return m_t; }
    json points() const { return m_points; }

private:
    void addPoint()
    {
        const LatLon p = lf_toLatLon(m_at);
        m_points.push_back({{"t", m_t}, {"lat", p.lat}, {"lon", p.lon}, {"altitude_ft", std::round(m_alt)}});
    }
    double m_t;
    Local m_at;
    double m_alt;
    json m_points = json::array();
};

// The real airlines' flights: callsign, type, registration (some known to the demonstration's database,
// some not, so that the airline comes from the registration or from the callsign).
struct AirlineFlight {
    const char* callsign;
    const char* type;
    const char* registration;
};
constexpr AirlineFlight kDlhDeparture{"DLH7TX", "A320", "D-AIZB"};
constexpr AirlineFlight kRyrDeparture{"RYR4JZ", "B738", "EI-FRS"};
constexpr AirlineFlight kKlmArrival{"KLM1723", "E190", "PH-EZW"};
constexpr AirlineFlight kDlhArrival{"DLH5KM", "A320", "D-AIZA"};
constexpr AirlineFlight kUaeArrival{"UAE86", "B77W", ""};
constexpr AirlineFlight kRyrOverflight{"RYR82QT", "B738", "EI-DCL"};
constexpr AirlineFlight kEwgOverflight{"EWG9PW", "A319", "D-AGWA"};

struct Flight {
    std::string hex;
    std::string callsign;
    std::string type;
    std::string registration;
    std::string origin;
    std::string destination;
    std::string category = "A3";
    std::string source = "adsb_icao";
};

json lf_aircraft(const Flight& f, const PathBuilder& path)
{
    return {{"hex", f.hex},           {"callsign", f.callsign},       {"type", f.type},
            {"registration", f.registration}, {"origin", f.origin}, {"destination", f.destination},
            {"category", f.category}, {"source", f.source},           {"path", path.points()}};
}

// Lined up at the runway's east end: roll, lift off, climb out and turn towards the exit bearing.
void lf_rollAndClimb(PathBuilder& p, double exitBearingDeg)
{
    p.taxi({1050.0, 0.0}, 40.0).taxi({450.0, 0.0}, 90.0).taxi({-200.0, 0.0}, 135.0);
    p.go({-280.0, 0.0}, 150.0, kFieldFt + 30.0).go({-280.0 - 4.0 * kMetresPerNm, 0.0}, 170.0, kFieldFt + 2500.0);
    const double b = exitBearingDeg * kDegToRad;
    const Local from = p.at();
    p.go({from.x + std::sin(b) * 18.0 * kMetresPerNm, from.y + std::cos(b) * 18.0 * kMetresPerNm}, 260.0,
         11000.0);
}

// From the end of the taxiway: line up, hold, then the take-off.
void lf_takeOff(PathBuilder& p, double exitBearingDeg)
{
    p.taxi({kRunwayEastX + 50.0, kTaxiwayY - 140.0}).taxi({kRunwayEastX, 0.0}, 10.0).wait(20.0, 270.0);
    lf_rollAndClimb(p, exitBearingDeg);
}

// Along the apron lane and a connector to the taxiway, then east to the runway.
void lf_taxiOut(PathBuilder& p)
{
    p.taxi({kConnectorX, kLaneY}).taxi({kConnectorX, kTaxiwayY}).taxi({kRunwayEastX + 50.0, kTaxiwayY});
}

// From 2 nm out on final: touchdown, roll-out, off the runway and into the stand.
void lf_landAndPark(PathBuilder& p, int stand, double parkedSeconds)
{
    p.go({kTouchdownX + 400.0, 0.0}, 150.0, kFieldFt + 70.0).go({kTouchdownX, 0.0}, 135.0, 0.0);
    p.taxi({600.0, 0.0}, 90.0).taxi({-100.0, 0.0}, 40.0).taxi({-400.0, 0.0}, 20.0);
    p.taxi({-400.0, kTaxiwayY}).taxi({-kConnectorX, kTaxiwayY}).taxi({-kConnectorX, kLaneY});
    p.taxi({lf_standX(stand), kLaneY}).taxi({lf_standX(stand), kStandY}, 5.0).wait(parkedSeconds, 0.0);
}

constexpr double kFinalKt = 150.0;
// The aircraft that flies out of range: reported from this far out to well beyond the largest usual range.
constexpr double kLeaverStartNm = 8.0;
constexpr double kLeaverEndNm = 80.0;
Local lf_finalFix(double miles) { return {kTouchdownX + miles * kMetresPerNm, 0.0}; }
double lf_glideFt(double miles) { return kFieldFt + miles * 318.0; } // a 3 degree slope

std::vector<std::string> lf_neutralTypes()
{
    std::vector<std::string> types;
    for (const DemoLivery& livery : gf_demoLiveryList())
        if (livery.airline == kNeutralAirline)
            types.push_back(livery.type);
    return types;
}

class Generator {
public:
    explicit Generator(std::uint32_t seed) : m_random(seed) {}

    json traffic()
    {
        json aircraft = json::array();
        addDepartures(aircraft);
        addArrivals(aircraft);
        addOverflights(aircraft);
        addEarlyLeavers(aircraft);
        json parked = json::array();
        addParked(parked);
        return {{"start_time", 0},      {"rrl", 2000},   {"wrrl", 2000},
                {"station", "LSZH"},   {"qnh", 1013},   {"server", "loopback"},
                {"licenses", json::array()}, {"aircraft", std::move(aircraft)}, {"parked", std::move(parked)}};
    }

private:
    double uniform(double from, double to) { return std::uniform_real_distribution<double>(from, to)(m_random); }
    // A flight of an invented airline, of a type with an airline-neutral livery.
    Flight flight(const std::string& callsign, const std::string& origin, const std::string& destination)
    {
        static const auto types = lf_neutralTypes();
        const int n = m_next++;
        return {fmt::format("7c{:04x}", 0x10 + n), callsign, types[n % types.size()], fmt::format("TV-{:c}{:c}{:c}", 'A' + n % 26, 'K' + n % 13, 'B' + n % 7),
                origin, destination};
    }
    // A flight of a real airline when one is given, else of an invented one.
    Flight flight(const AirlineFlight* airline, const std::string& callsign, const std::string& origin,
                  const std::string& destination)
    {
        Flight f = flight(callsign, origin, destination);
        if (airline) {
            f.type = airline->type;
            f.registration = airline->registration;
        }
        return f;
    }

    // Eight pushed back from stands at random times, two already taxiing at the start.
    void addDepartures(json& out)
    {
        static const char* const kDest[] = {"EGLL", "LFPG", "EDDF", "LEMD", "LIRF", "EHAM", "LOWW", "EKCH", "LPPT", "ESSA"};
        for (int i = 0; i < 8; ++i) {
            const AirlineFlight* airline = i == 1 ? &kDlhDeparture : i == 3 ? &kRyrDeparture : nullptr;
            const std::string callsign = airline ? airline->callsign : fmt::format("ZYN{}", 100 + i * 7);
            const Local stand{lf_standX(i), kStandY};
            PathBuilder p(-90.0, stand, 0.0, callsign);
            p.wait(90.0 + std::round(uniform(0.0, kLatestPushSeconds)), 0.0);
            p.push({stand.x, kLaneY}, 0.0).wait(15.0, 90.0);
            lf_taxiOut(p);
            lf_takeOff(p, uniform(200.0, 340.0));
            out.push_back(lf_aircraft(flight(airline, callsign, "LSZH", kDest[i]), p));
        }
        for (int i = 0; i < 2; ++i) {
            PathBuilder p(-60.0, {-200.0 + 500.0 * i, kTaxiwayY}, 0.0, fmt::format("QKX{}", 31 + i));
            p.taxi({kRunwayEastX + 50.0, kTaxiwayY});
            lf_takeOff(p, uniform(30.0, 150.0));
            out.push_back(lf_aircraft(flight(fmt::format("QKX{}", 31 + i), "LSZH", kDest[8 + i]), p));
        }
    }

    // Eight arrivals to stands; "ABC1" has an MLAT ghost "ABC1_" beside it, another one changes its callsign.
    void addArrivals(json& out)
    {
        static const char* const kOrigin[] = {"EGKK", "LFMN", "EDDM", "LEBL", "LIMC", "EBBR", "LKPR", "EPWA"};
        constexpr int kEchoed = 5;
        constexpr int kRenamed = 3;
        for (int i = 0; i < 8; ++i) {
            const AirlineFlight* airline = i == 1 ? &kKlmArrival : i == 2 ? &kDlhArrival : i == 6 ? &kUaeArrival : nullptr;
            const std::string callsign =
                airline ? airline->callsign : i == kEchoed ? "ABC1" : fmt::format("TVO{}", 4400 + i * 17);
            const double miles = 8.0 + 2.0 * i;
            const double start = -60.0 + i * 25.0;
            PathBuilder p(start, lf_finalFix(miles), lf_glideFt(miles), callsign);
            if (i == kRenamed) p.go(lf_finalFix(miles / 2.0), kFinalKt, lf_glideFt(miles / 2.0)).renameTo("TVO9999");
            p.go(lf_finalFix(2.0), kFinalKt, lf_glideFt(2.0));
            lf_landAndPark(p, 11 + i, 60.0);
            Flight f = flight(airline, callsign, kOrigin[i], "LSZH");
            out.push_back(lf_aircraft(f, p));
            if (i != kEchoed) continue;
            // The ghost: 40 m beside the aircraft on final, from 30 s to 180 s after its first report.
            const auto beside = [&](double seconds) {
                const double nm = miles - kFinalKt * seconds / 3600.0;
                return std::pair{Local{lf_finalFix(nm).x, 40.0}, lf_glideFt(nm)};
            };
            const auto [from, fromFt] = beside(30.0);
            const auto [to, toFt] = beside(180.0);
            PathBuilder ghost(start + 30.0, from, fromFt, "ABC1_");
            ghost.go(to, kFinalKt, toFt);
            Flight g = f;
            g.hex = "7cf0a1";
            g.callsign = "ABC1_";
            g.source = "mlat";
            out.push_back(lf_aircraft(g, ghost));
        }
    }

    // Straight crossings at cruise levels; one stops reporting overhead, one is reported under two hex ids.
    void addOverflights(json& out)
    {
        for (int i = 0; i < 9; ++i) {
            const double bearing = uniform(0.0, 360.0) * kDegToRad;
            // Close enough that a user on the ground, whose traffic range is 10 NM, sees them pass.
            const double offset = uniform(-6.0, 6.0) * kMetresPerNm;
            const double half = 40.0 * kMetresPerNm;
            const Local mid{std::cos(bearing) * offset, -std::sin(bearing) * offset};
            const Local from{mid.x - std::sin(bearing) * half, mid.y - std::cos(bearing) * half};
            const Local to{mid.x + std::sin(bearing) * half, mid.y + std::cos(bearing) * half};
            const double level = 12000.0 + 2000.0 * std::round(uniform(0.0, 12.0));
            const AirlineFlight* airline = i == 4 ? &kRyrOverflight : i == 6 ? &kEwgOverflight : nullptr;
            const std::string callsign = airline ? airline->callsign : fmt::format("ZYN{}", 800 + i * 11);
            PathBuilder p(-120.0 + 30.0 * i, from, level, callsign);
            if (i == 0) p.go(mid, 440.0, level); // its reports stop overhead
            else p.go(to, 420.0 + 5.0 * i, level);
            Flight f = flight(airline, callsign, "LEMD", "EDDB");
            f.category = "A5";
            out.push_back(lf_aircraft(f, p));
            if (i != 1) continue;
            Flight twin = f;
            twin.hex = "7cf0b2";
            PathBuilder q(-120.0 + 30.0 * i, {from.x + 60.0, from.y}, level, callsign);
            q.go({to.x + 60.0, to.y}, 425.0, level);
            out.push_back(lf_aircraft(twin, q));
        }
    }

    // Two that leave soon after the start, drawing no random numbers so that the others stay as they are:
    // one lined up for take-off, one climbing away that is still reported far beyond the traffic range.
    // Aircraft the service reports parked at the stands no scripted flight uses, last seen minutes to
    // hours ago.
    void addParked(json& out)
    {
        static constexpr std::pair<int, double> kParked[] = {{8, 300.0}, {9, 2400.0}, {19, 7200.0}};
        for (const auto& [stand, age] : kParked) {
            const Flight f = flight(fmt::format("TVO{}", 700 + stand), "LSZH", "LSZH");
            const LatLon at = lf_toLatLon({lf_standX(stand), kStandY});
            out.push_back({{"hex", f.hex}, {"stand", lf_standName(stand)}, {"type", f.type},
                           {"registration", f.registration}, {"callsign", f.callsign}, {"lat", at.lat},
                           {"lon", at.lon}, {"age_s", age}});
        }
    }

    void addEarlyLeavers(json& out)
    {
        PathBuilder lined(-40.0, {kRunwayEastX, 0.0}, 0.0, "QKX33");
        lined.wait(15.0, 270.0);
        lf_rollAndClimb(lined, 60.0);
        out.push_back(lf_aircraft(flight("QKX33", "LSZH", "EDDH"), lined));

        const double bearing = 135.0 * kDegToRad;
        const auto outbound = [&](double miles) {
            return Local{std::sin(bearing) * miles * kMetresPerNm, std::cos(bearing) * miles * kMetresPerNm};
        };
        PathBuilder away(-60.0, outbound(kLeaverStartNm), 14000.0, "ZYN899");
        away.go(outbound(kLeaverEndNm), 450.0, 24000.0);
        Flight f = flight("ZYN899", "LSZH", "LGAV");
        f.category = "A5";
        out.push_back(lf_aircraft(f, away));
    }

    std::mt19937 m_random;
    int m_next = 0;
};

json lf_installedTitles()
{
    json titles = json::array({"Airbus A320 Neo Asobo"}); // the user's own
    for (const auto& [type, title] : gf_demoLiveries()) titles.push_back(title);
    return titles;
}

json lf_place(Local p)
{
    const LatLon at = lf_toLatLon(p);
    return {{"lat", at.lat}, {"lon", at.lon}};
}

// The scenery the emulated simulator draws beneath the tracks: the stands and the runway the traffic uses.
json lf_airport()
{
    json stands = json::array();
    for (const DemoStand& s : gf_demoAirport().stands)
        stands.push_back({{"lat", s.lat}, {"lon", s.lon}, {"name", s.name}});
    const json runway = {{"ends", {lf_place({kRunwayWestX, 0.0}), lf_place({kRunwayEastX, 0.0})}}};
    return {{"stands", std::move(stands)}, {"runways", json::array({runway})}};
}

json lf_simScenario()
{
    const LatLon user = lf_toLatLon({lf_standX(kUserStand), kStandY});
    return {{"simulator", 2020},
            {"user",
             {{"lat", user.lat}, {"lon", user.lon}, {"altitude_ft", kFieldFt}, {"heading_deg", 0}, {"on_ground", true},
              {"ground_speed_kt", 0}, {"title", "Airbus A320 Neo Asobo"}, {"atc_model", "A20N"},
              {"ground_altitude_ft", kFieldFt}}},
            {"installed_titles", lf_installedTitles()},
            {"frame_rate", 30},
            {"sim_running", true},
            {"airport", lf_airport()}};
}

} // namespace

std::vector<DemoLivery> gf_demoLiveryList()
{
    return {{"A320", "Airbus A320 Tarvo Demo", kNeutralAirline},
            {"B738", "Boeing 737-800 Tarvo Demo", kNeutralAirline},
            {"A20N", "Airbus A320neo Tarvo Demo", kNeutralAirline},
            {"E190", "Embraer E190 Tarvo Demo", kNeutralAirline},
            {"A321", "Airbus A321 Tarvo Demo", kNeutralAirline},
            {"BCS3", "Airbus A220-300 Tarvo Demo", kNeutralAirline},
            {"A320", "Airbus A320 Lufthansa Tarvo Demo", "DLH"},
            {"B738", "Boeing 737-800 Ryanair Tarvo Demo", "RYR"},
            {"E190", "Embraer E190 KLM Cityhopper Tarvo Demo", "KLM"},
            {"B77W", "Boeing 777-300ER Emirates Tarvo Demo", "UAE"},
            {"A319", "Airbus A319 Eurowings Tarvo Demo", "EWG"}};
}

std::vector<std::pair<std::string, std::string>> gf_demoLiveries()
{
    std::vector<std::pair<std::string, std::string>> liveries;
    for (const DemoLivery& livery : gf_demoLiveryList())
        liveries.emplace_back(livery.type, livery.title);
    return liveries;
}

GeneratedScenario gf_generateScenario(std::uint32_t seed)
{
    Generator generator(seed);
    return {generator.traffic(), lf_simScenario()};
}

void gf_writeScenarioFiles(const GeneratedScenario& scenario, const std::filesystem::path& folder)
{
    std::filesystem::create_directories(folder);
    gf_writeFileAtomic(folder / kTrafficScenarioFile, scenario.traffic.dump(1) + "\n");
    gf_writeFileAtomic(folder / kSimScenarioFile, scenario.sim.dump(1) + "\n");
}

DemoAirport gf_demoAirport()
{
    DemoAirport airport{"LSZH", "ZRH", "Tarvo demonstration field", kRefLat, kRefLon, kFieldFt, {},
                        kParkingPercentage};
    for (int i = 0; i < kStandCount; ++i) {
        const LatLon at = lf_toLatLon({lf_standX(i), kStandY});
        airport.stands.push_back({lf_standName(i), at.lat, at.lon, 0.0});
    }
    return airport;
}

} // namespace zyn::tools
