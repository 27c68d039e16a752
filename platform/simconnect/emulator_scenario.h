#pragma once
// What the emulated simulator holds at start: its identity, the user aircraft and its track, the
// terrain, the installed titles, the objects of other programs and the airport's scenery. Read from JSON
// (docs/sim_scenario.md).
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/simconnect/emulator_geo.h"

namespace zyn::simemu {

// One point of the user aircraft's track; between points the position is interpolated.
struct TrackPoint {
    double atSeconds = 0.0; // emulator time since start
    double lat = 0.0;
    double lon = 0.0;
    double altitudeFt = 0.0;
    double headingDeg = 0.0;
    double groundSpeedKt = 0.0;
    bool onGround = true;
};

// An aircraft the simulator shows that this client did not create.
struct ForeignObjectSpec {
    std::string title;
    std::string atcId;
    double lat = 0.0;
    double lon = 0.0;
    double altitudeFt = 0.0;
    double headingDeg = 0.0;
    bool onGround = true;
    double appearAfterSeconds = 0.0; // later than 0: announced by "ObjectAdded" when it appears
};

// The scenery the simulator knows, drawn beneath the tracks of its report.
struct AirportStand {
    std::string name;
    LatLon at;
};

struct AirportRunway {
    LatLon ends[2];
};

struct Airport {
    std::vector<AirportStand> stands;
    std::vector<AirportRunway> runways;
};

// Which of the two messages that complete an AI creation comes first.
enum class CreationReplyOrder { Random, ObjectIdFirst, ObjectAddedFirst };

// How the simulator behaves where a simple stand-in would be kinder than the real one. Each can be
// switched off in a scenario, so that a test of something else is not slowed or disturbed by it.
struct SimBehaviour {
    // An AI creation completes this long after the call (emulator seconds, drawn evenly between the
    // two): the object-id reply and "ObjectAdded" come then, or, for a failing one, exception 22
    // naming the call. Both 0: the object exists when the call returns.
    double creationDelayMinS = 0.1;
    double creationDelayMaxS = 2.0;
    CreationReplyOrder creationReplyOrder = CreationReplyOrder::Random;
    // An AI removal completes up to this long after the call (drawn evenly): the object stays until then,
    // and "ObjectRemoved" comes then. 0: at once.
    double removalDelayMaxS = 0.0;
    double creationFailureRate = 0.0; // share of creations that fail late
    // The simulator keeps a tail number of at most this many characters as the "ATC ID".
    std::size_t atcIdMaxChars = 12;
    // A radius query beyond this many metres is refused with exception 31 (out of bounds).
    std::uint32_t maxRadiusMetres = 200000;
    // An AI object whose position is not frozen moves on by itself, along its heading at its airspeed,
    // away from the positions the client sets (the simulator's AI flies it); a frozen one stays.
    bool drift = true;
    std::optional<double> quitAfterS; // the simulator closes this long after the connection opened
    std::uint32_t randomSeed = 1;     // the draws of the delays, the reply order and the failures
};

struct Scenario {
    int simulator = 2020;        // 2020 or 2024; decides the name the simulator gives at Open
    std::string applicationName; // not empty: overrides the name given at Open (a foreign simulator)
    std::vector<TrackPoint> userTrack{TrackPoint{0.0, 47.4647, 8.5492, 1416.0, 160.0, 0.0, true}};
    std::string userTitle = "Airbus A320 Neo Asobo";
    std::string userAtcModel = "A20N";
    double groundAltitudeFt = 1416.0; // the terrain height everywhere
    std::optional<std::vector<std::string>> installedTitles; // absent: every title can be created
    std::vector<ForeignObjectSpec> foreignObjects;
    double frameRate = 30.0;
    bool simRunning = true; // a flight is running at start
    int maxObjects = 1000;  // AI objects beyond this answer "too many objects"
    Airport airport;        // empty: no airport in the report
    SimBehaviour behaviour;
};

// Throws std::runtime_error naming the key that is wrong.
Scenario gf_parseScenario(std::string_view json);
Scenario gf_loadScenarioFile(const std::filesystem::path& path);

// The scenario the program runs on: the file named by TARVO_SIM_SCENARIO, the default when unset.
Scenario gf_scenarioFromEnvironment();

// The folder named by TARVO_SIM_REPORT, where closing the connection writes what the simulator held.
std::optional<std::filesystem::path> gf_reportFolderFromEnvironment();

} // namespace zyn::simemu
