#pragma once
// The emulator's state behind one mutex, shared by the control functions (emulator.cpp) and the
// SimConnect functions (emulator_api.cpp). Functions here expect g_emuMutex to be held.
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <unordered_map>
#include <string>
#include <vector>

#include "platform/simconnect/emulator.h"
#include "platform/simconnect/emulator_messages.h"
#include "platform/simconnect/emulator_record.h"
#include "platform/simconnect/emulator_variables.h"
#include "platform/system/clock.h"

namespace zyn::simemu {

struct PeriodicRequest {
    SIMCONNECT_DATA_REQUEST_ID requestId = 0;
    SIMCONNECT_DATA_DEFINITION_ID definition = 0;
    SIMCONNECT_OBJECT_ID objectId = 0;
    double dueAt = 0.0;
};

// An AI creation the simulator is still working on: it completes at dueAt.
struct PendingCreation {
    double dueAt = 0.0;
    SIMCONNECT_DATA_REQUEST_ID requestId = 0;
    DWORD packetId = 0;       // the call's, named by an exception
    DWORD failure = 0;        // an exception that ends it instead of an object, 0 for none
    bool objectIdFirst = true; // the object-id reply before "ObjectAdded"
    SimObject object;         // what appears; its id is given when it does
};

// What one client registered; gone with its connection.
struct Connection {
    std::uintptr_t handle = 0;
    std::map<SIMCONNECT_CLIENT_EVENT_ID, std::string> subscriptions; // id -> system event name
    std::map<SIMCONNECT_DATA_DEFINITION_ID, std::vector<Datum>> definitions;
    std::map<SIMCONNECT_CLIENT_EVENT_ID, std::string> clientEvents; // id -> simulator event name
    std::map<SIMCONNECT_NOTIFICATION_GROUP_ID, std::vector<SIMCONNECT_CLIENT_EVENT_ID>> groups;
    std::map<SIMCONNECT_NOTIFICATION_GROUP_ID, DWORD> priorities;
    std::vector<PeriodicRequest> periodic;
    std::vector<Message> outbox; // oldest first; the dispatch swaps it with its own, so both keep their storage
    DWORD lastPacketId = 0;
    bool quit = false; // the simulator has gone; only Close and the pending messages remain
    double nextFrameAt = 0.0;
    double openedAt = 0.0;
};

// Bounds of the inspection records, so that a long program run does not grow without limit.
inline constexpr std::size_t kMaxCallRecords = 100000;
inline constexpr std::size_t kMaxDataSetsPerObject = 256;

struct World {
    bool initialised = false;
    std::string scenarioError; // the program's scenario did not load: Open is refused
    Scenario scenario;
    SteadyTime start{};
    std::vector<SimObject> objects; // [0] is the user aircraft; never erased (removed ones stay for the report)
    std::unordered_map<SIMCONNECT_OBJECT_ID, std::size_t> objectIndex; // id -> place in objects
    bool userFollowsTrack = true;
    bool simRunning = true;
    bool gone = false; // the simulator quit: Open fails until the next reset
    std::vector<ForeignObjectSpec> pendingForeign; // not yet appeared
    std::optional<Connection> connection;
    std::uintptr_t nextHandle = 0x5100;
    SIMCONNECT_OBJECT_ID nextObjectId = kFirstAiObjectId;
    CallRing calls{kMaxCallRecords};
    DataSetRings dataSets{kMaxDataSetsPerObject}; // by the object's place in objects
    int openFailures = 0;
    std::map<std::string, int, std::less<>> callFailures;
    int creationFailures = 0;
    int delivered = 0;
    std::vector<PendingCreation> pendingCreations; // creations under way
    std::vector<std::pair<double, SIMCONNECT_OBJECT_ID>> pendingRemovals; // when due, the object
    std::mt19937 random;
    double driftedAt = 0.0; // objects have moved on by themselves up to this time
};

extern std::mutex g_emuMutex;
extern std::condition_variable g_emuChanged;
extern World g_world;

// A fresh world; the scenario of the environment when none was set up yet.
void gf_resetWorld(World& world, const Scenario& scenario);
void gf_ensureWorld(World& world);

double gf_worldSeconds(const World& world);
VariableContext gf_variableContext(const World& world);

// The user aircraft follows its track up to now.
void gf_updateUser(World& world);
// Time-driven happenings up to now: foreign objects appearing, frames, periodic data.
void gf_advanceWorld(World& world);
// Removes the object once the simulator's removal delay has passed.
void gf_removeLater(World& world, SimObject& object);

// The simulator closes: QUIT to the client, then its calls fail and Open fails until the next reset.
void gf_quitWorld(World& world);

// Creations whose time has come complete: their object appears (object-id reply and "ObjectAdded"),
// or the exception that ends them comes.
void gf_completeCreations(World& world, double now);

// Appends an object to the world and returns it.
SimObject& gf_addObject(World& world, SimObject object);
// A living object (not removed); id 0 is the user aircraft.
SimObject* gf_liveObject(World& world, SIMCONNECT_OBJECT_ID id);
// Moves an object, keeping its track and the distance it moved.
void gf_placeObject(World& world, SimObject& object, const Pose& pose);
void gf_recordTrack(World& world, SimObject& object, double movedNm);

void gf_queue(World& world, Message message);
void gf_queueSystemEvent(World& world, std::string_view name, DWORD data);
void gf_queueObjectEvent(World& world, std::string_view name, SIMCONNECT_OBJECT_ID id);
void gf_queueException(World& world, DWORD exception, DWORD sendId, DWORD index);
// The data reply of one object for one definition.
void gf_queueData(World& world, SIMCONNECT_RECV_ID id, SIMCONNECT_DATA_REQUEST_ID requestId,
                  SIMCONNECT_DATA_DEFINITION_ID definition, const SimObject& object, DWORD entry, DWORD outOf);
void gf_markRemoved(World& world, SimObject& object);

} // namespace zyn::simemu
