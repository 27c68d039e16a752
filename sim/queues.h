#pragma once
// Where the engine and static parking meet the simulator link: the requests they hand to the
// SimConnect thread (creations, client events, removals, all under g_simMutex, and the double buffer
// of position sets, which the frame event drains: frame_drain.h), and the few calls they make at once
// under g_simMutex. Nothing above the link calls SimConnect or takes g_simMutex itself.
#include "sim/create_request.h"
#include "sim/data_blocks.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace zyn {

struct SimEventRequest {
    std::uint32_t objectId = 0;
    std::uint32_t eventId = 0; // a client event id, 206..222
    std::uint32_t value = 0;
};

struct PositionSetRequest {
    AiPositionBlock block;
    std::uint32_t objectId = 0;
};

extern std::vector<CreateAcRequest> g_createQueue;
extern std::vector<SimEventRequest> g_eventQueue;
extern std::vector<std::uint32_t> g_removeQueue;
// The main loop fills *g_posSetsFill during its tick without a lock; the frame drain sends *g_posSetsSend.
extern std::vector<PositionSetRequest>* g_posSetsFill;
extern std::vector<PositionSetRequest>* g_posSetsSend;

extern std::atomic<std::int32_t> g_simRequestErrors; // failed SimConnect requests since start
// SimConnect work stopped, after repeated errors or a user error that ended the link: nothing more is sent.
extern std::atomic<std::uint8_t> g_simStopped;

// Session start: reserves the queues (never shrinking them) and clears g_simStopped.
void gf_initSimConnectQueues();
// Restart reset: empties every queue and points the buffers back; clears the error count and the stop.
void gf_resetSimQueues();

void gf_queueCreateAc(const CreateAcRequest& request);
void gf_queueSimEvent(const SimEventRequest& event);
void gf_queueSimEventLocked(const SimEventRequest& event); // the caller holds g_simMutex
void gf_setNavLights(std::uint32_t objectId, std::uint32_t value);
void gf_setCabinLights(std::uint32_t objectId, std::uint32_t value);
void gf_queueRemoveAc(std::uint32_t objectId);
// Set by the exit once the session's aircraft are removed: the next frame also removes the objects
// made for our creations that were never matched to an aircraft.
extern std::atomic<bool> g_removeUnmatchedRequest;

// Several client events under one lock, so that the frame drain sends them together.
void gf_queueSimEvents(std::span<const SimEventRequest> events);

// Main-loop thread only: adds one position set to the fill buffer.
void gf_updateAircraft(const PositionSetRequest& request);
// Main-loop thread, end of a tick: hands the fill buffer to the frame drain and starts an empty one.
// When the SimConnect thread holds g_simMutex on a slow simulator (50 frames a second or fewer) the
// tick's sets are dropped rather than waited for; on a faster one the tick waits.
void gf_swapPositionSets();
// No flight runs: both buffers are emptied.
void gf_clearPositionSets();

// Calls made at once under g_simMutex (main-loop thread); none once g_simStopped is set. Each refused
// call is logged or reported and counts towards gf_simconRequestError (the light toggle is only logged).
void gf_requestAircraftInRange(std::uint32_t radiusMetres); // request 101: the AI objects around the user
void gf_requestStaticCog(std::uint32_t objectId);            // request 102, once
// Request 110. The path goes as ASCII (on Windows its 8.3 form when a folder is not ASCII) or not at
// all: false, and one log line per folder.
bool gf_assignFlightPlan(std::uint32_t objectId, const std::filesystem::path& plan);
// Definition 401: the spoiler handle and both throttle levers, in percent.
void gf_sendEngineLevers(std::uint32_t objectId, double spoilerPercent, double throttlePercent);
void gf_toggleAllLights(std::uint32_t objectId);

// SimConnect thread: releases a newly matched AI object and freezes its position, altitude and attitude.
void gf_releaseAiControl(std::uint32_t objectId);

// Counts a refused SimConnect request; the third one stops the link and requests a restart (reason 5).
// Never locks g_simMutex: callers may hold it.
void gf_simconRequestError();

} // namespace zyn
