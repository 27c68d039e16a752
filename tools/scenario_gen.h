#pragma once
// Generator of the bundled demonstration scenario: synthetic traffic around one invented airport layout
// (departures pushed back from stands, arrivals taxiing to stands, overflights, a callsign change, a stop
// of reports, an aircraft flying out of range, a ghost and a duplicate) for the traffic stand-in, and the matching emulated simulator
// scenario (the user aircraft parked at that airport, a few installed titles).
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

namespace zyn::tools {

struct GeneratedScenario {
    nlohmann::json traffic; // what tools/traffic_server --scenario reads
    nlohmann::json sim;     // what TARVO_SIM_SCENARIO names
};

inline constexpr double kScenarioSeconds = 600.0;
inline constexpr char kTrafficScenarioFile[] = "traffic_scenario.json";
inline constexpr char kSimScenarioFile[] = "sim_scenario.json";

// One installed livery of the demonstration.
struct DemoLivery {
    std::string type;
    std::string title;
    std::string airline; // "ZZZ": airline-neutral
};

// The airline-neutral code.
inline constexpr char kNeutralAirline[] = "ZZZ";

// The liveries of the demonstration's AI traffic package, as installed packages have them: per airline
// for the real airlines the scenario flies (Lufthansa, Ryanair, KLM, Emirates, Eurowings), and
// airline-neutral ones that dress the invented airlines' aircraft by type.
std::vector<DemoLivery> gf_demoLiveryList();
// The same as {ICAO type, title}: the titles the emulated simulator has installed.
std::vector<std::pair<std::string, std::string>> gf_demoLiveries();
// The same seed gives the same scenario.
GeneratedScenario gf_generateScenario(std::uint32_t seed);
// Writes both files into the folder (created when missing), each atomically.
void gf_writeScenarioFiles(const GeneratedScenario& scenario, const std::filesystem::path& folder);

// The demonstration airport: its code, position and elevation, its stands (the user aircraft stands
// at the eleventh) and the share of them it wants filled, so that its database entry and parking
// files match the scenario.
struct DemoStand {
    std::string name;
    double lat = 0.0;
    double lon = 0.0;
    double headingDeg = 0.0; // where a parked aircraft's nose points
};
struct DemoAirport {
    std::string code;
    std::string iata;
    std::string name;
    double lat = 0.0;
    double lon = 0.0;
    double elevationFt = 0.0;
    std::vector<DemoStand> stands;
    std::int32_t parkingPercentage = 0; // "parking_percentage" of its learned file
};
DemoAirport gf_demoAirport();

} // namespace zyn::tools
