#pragma once
// The in-process simulator emulator behind our SimConnect functions: a virtual world with the user
// aircraft and AI objects, driven by the core clock seam (frames, the once-per-second data, the
// user's track). Tests set it up with a scenario, inject faults and inspect every call and object.
// All functions here are callable from any thread.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/simconnect/emulator_scenario.h"
#include "platform/simconnect/simconnect.h"

namespace zyn::simemu {

inline constexpr SIMCONNECT_OBJECT_ID kUserObjectId = 1;
inline constexpr SIMCONNECT_OBJECT_ID kFirstAiObjectId = 100;

// Bits of "LIGHT STATES" and "LIGHT ON STATES".
enum LightBit : std::uint64_t {
    kLightNav = 0x1,
    kLightBeacon = 0x2,
    kLightLanding = 0x4,
    kLightTaxi = 0x8,
    kLightStrobe = 0x10,
    kLightLogo = 0x100,
    kLightCabin = 0x200,
};
inline constexpr std::uint64_t kAllLights =
    kLightNav | kLightBeacon | kLightLanding | kLightTaxi | kLightStrobe | kLightLogo | kLightCabin;

// An object's placement in the units the simulator keeps: degrees for latitude and longitude,
// radians for the attitude, feet, feet per second and knots.
struct Pose {
    double lat = 0.0;
    double lon = 0.0;
    double altitudeFt = 0.0;
    double pitchRad = 0.0;
    double bankRad = 0.0;
    double headingRad = 0.0;
    double verticalSpeedFps = 0.0;
    double airspeedKt = 0.0;
    double groundSpeedKt = 0.0;
    bool onGround = true;
};

struct ClientEventRecord {
    double atSeconds = 0.0;
    std::string name; // the simulator event, e.g. "NAV_LIGHTS_SET"
    DWORD value = 0;
};

struct DataSetRecord {
    double atSeconds = 0.0;
    SIMCONNECT_DATA_DEFINITION_ID definition = 0;
    std::vector<double> values; // numeric variables of the definition, in its order
};

struct TrackSample {
    double atSeconds = 0.0;
    double lat = 0.0;
    double lon = 0.0;
    bool onGround = true;
};

struct SimObject {
    SIMCONNECT_OBJECT_ID id = 0;
    std::string title;
    std::string atcId;
    std::string atcModel;
    bool isUser = false;
    bool isForeign = false;    // shown by the simulator, not created by the client
    bool aiControlled = false; // a created object stays under AI control until released
    bool removed = false;
    Pose pose;
    double createdAt = 0.0;
    double removedAt = 0.0;
    double distanceMovedNm = 0.0;
    std::uint64_t lights = 0;
    bool freezeLatLon = false;
    bool freezeAltitude = false;
    bool freezeAttitude = false;
    double staticCgFt = 6.0;
    double staticPitchRad = 0.0;
    std::map<std::string, double> variables; // other variables set on the object, by upper-case name
    std::map<std::string, DWORD> lastEventValues;
    std::vector<ClientEventRecord> events;
    std::vector<DataSetRecord> dataSets; // the latest 256
    std::vector<TrackSample> track;
    std::string flightPlanPath;
    std::string flightPlanText;
};

// One call of a SimConnect function, with its arguments as texts in the order of the declaration
// (the handle left out; positions and data blocks summarised).
struct CallRecord {
    std::string function;
    std::vector<std::string> args;
    HRESULT result = S_OK;
    DWORD packetId = 0; // 0 when the call was not sent
    double atSeconds = 0.0;
};

// ---- set-up ----
// A fresh world on the given scenario; ends any connection without messages.
void reset(const Scenario& scenario = Scenario{});
// Forgets the world: the next call starts on the program's scenario (TARVO_SIM_SCENARIO).
void resetToProgramScenario();
// Seconds of emulator time since reset (core clock seam).
double elapsedSeconds();

// ---- faults and simulator-side happenings ----
void failOpen(int times);                                 // the next Open calls fail
void failCalls(std::string_view function, int times);     // the next calls of that function return E_FAIL
void failCreations(int times);                            // the next creations end in exception 22
void raiseException(DWORD exception, DWORD sendId = 0, DWORD index = SIMCONNECT_UNUSED);
void quit();                                              // the simulator closes: QUIT, then calls fail
void setSimRunning(bool running);                         // "Sim" event; frames and periodic data pause
void loadFlight(std::string_view fileName);               // "FlightLoaded" with its file name
void sendSystemEvent(std::string_view name, DWORD data);  // a plain event to the subscribers of name
void setUserPose(const Pose& pose);                       // replaces the track by a fixed position
void setUserIdentity(std::string_view title, std::string_view atcModel);
SIMCONNECT_OBJECT_ID addForeignObject(const ForeignObjectSpec& spec); // announced by "ObjectAdded"
void removeObjectBySim(SIMCONNECT_OBJECT_ID id);          // the simulator deletes an object itself

// ---- inspection ----
bool isConnected();
std::vector<CallRecord> calls(); // the latest 100000 calls of a long run
std::vector<CallRecord> callsOf(std::string_view function);
std::vector<SimObject> objects(); // the user aircraft first, then every object ever held, removed ones too
std::optional<SimObject> object(SIMCONNECT_OBJECT_ID id);
std::optional<SimObject> objectByAtcId(std::string_view atcId); // the newest object with that ATC id
// The ids of the AI objects the client created that the simulator holds now; cheap enough for every frame.
std::vector<SIMCONNECT_OBJECT_ID> heldObjectIds();
// The same objects with where they stand now.
struct HeldObject {
    SIMCONNECT_OBJECT_ID id = 0;
    Pose pose;
};
std::vector<HeldObject> heldObjects();
std::vector<SIMCONNECT_CLIENT_EVENT_ID> groupMembers(SIMCONNECT_NOTIFICATION_GROUP_ID group);
int messagesDelivered();

// Writes "sim_objects.txt" and "sim_tracks.png" into the folder; throws std::runtime_error on failure.
// Closing the connection does the same into the folder named by TARVO_SIM_REPORT, when it is set.
void writeReport(const std::filesystem::path& folder);

// Waits (real time, as a safety net for tests with threads) until condition() holds; the condition
// is tested after each change of the emulator and may call the inspection functions.
bool waitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::milliseconds(5000));

} // namespace zyn::simemu
