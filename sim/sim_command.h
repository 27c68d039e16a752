#pragma once
// Results that the SimConnect thread passes back to the main loop, queued under their own mutex.
// Lock order: the command mutex before the SimConnect mutex, never the other way round.
#include <cstdint>
#include <mutex>
#include <vector>

namespace zyn {

enum class SimCommandKind : std::uint32_t {
    LiveCreated = 0,     // object id, hex id, height above ground in a
    StaticCreated = 1,   // object id, static number
    ObjectRemoved = 2,   // object id
    GroundData = 3,      // object id; a = ground altitude, b = height above ground
    StaticCog = 4,       // static centre of gravity reply
    Blocked = 5,         // the engine's own: hex id of an aircraft with a blocked callsign
    CreationFailed = 6,  // hex id: the simulator could not create the livery
    CreationSent = 7,    // hex id: the creation went to the simulator now (its wait for the object starts)
    CreationRefused = 8, // hex id: the creation call was refused; the link failed, not the livery
};

struct SimCommand {
    std::uint32_t objectId = 0;
    std::uint32_t value = 0; // hex id or value
    std::uint32_t done = 0;  // the engine marks a command done in the top bit
    SimCommandKind kind = SimCommandKind::LiveCreated;
    double a = 0.0;
    double b = 0.0;
};

extern std::mutex g_simCommandMutex;
extern std::vector<SimCommand> g_simCommands;

// Callable from any thread.
void gf_pushSimCommand(const SimCommand& command);
// Takes every queued command in order (the main loop applies them).
std::vector<SimCommand> gf_takeSimCommands();

} // namespace zyn
