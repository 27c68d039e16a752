#include "platform/simconnect/emulator_world.h"

#include "platform/simconnect/emulator_geo.h"

#include <algorithm>
#include <cmath>

#include <fmt/format.h>

namespace zyn::simemu {

std::mutex g_emuMutex;
std::condition_variable g_emuChanged;
World g_world;

namespace {

constexpr double kTrackSampleNm = 0.02; // about 37 m between kept track samples

double lf_lerp(double a, double b, double f) { return a + (b - a) * f; }

Pose lf_poseOf(const TrackPoint& p)
{
    Pose pose;
    pose.lat = p.lat;
    pose.lon = p.lon;
    pose.altitudeFt = p.altitudeFt;
    pose.headingRad = p.headingDeg * kDegToRad;
    pose.groundSpeedKt = p.groundSpeedKt;
    pose.airspeedKt = p.groundSpeedKt;
    pose.onGround = p.onGround;
    return pose;
}

// The user's pose at time t: the track's points joined by straight lines, the heading the short way.
Pose lf_trackPose(const std::vector<TrackPoint>& track, double t)
{
    if (track.empty())
        return {};
    if (t <= track.front().atSeconds)
        return lf_poseOf(track.front());
    for (std::size_t i = 1; i < track.size(); ++i) {
        const TrackPoint& a = track[i - 1];
        const TrackPoint& b = track[i];
        if (t > b.atSeconds)
            continue;
        const double span = b.atSeconds - a.atSeconds;
        const double f = span > 0.0 ? (t - a.atSeconds) / span : 1.0;
        Pose pose = lf_poseOf(a);
        pose.lat = lf_lerp(a.lat, b.lat, f);
        pose.lon = lf_lerp(a.lon, b.lon, f);
        pose.altitudeFt = lf_lerp(a.altitudeFt, b.altitudeFt, f);
        pose.groundSpeedKt = pose.airspeedKt = lf_lerp(a.groundSpeedKt, b.groundSpeedKt, f);
        const double turn = gf_angleDiff(a.headingDeg * kDegToRad, b.headingDeg * kDegToRad);
        pose.headingRad = std::fmod(a.headingDeg * kDegToRad + turn * f + kTwoPi, kTwoPi);
        pose.verticalSpeedFps = span > 0.0 ? (b.altitudeFt - a.altitudeFt) / span : 0.0;
        return pose;
    }
    return lf_poseOf(track.back());
}

SimObject lf_foreignObject(World& world, const ForeignObjectSpec& spec)
{
    SimObject o;
    o.id = world.nextObjectId++;
    o.title = spec.title;
    o.atcId = spec.atcId;
    o.isForeign = true;
    o.aiControlled = true;
    o.createdAt = gf_worldSeconds(world);
    o.pose.lat = spec.lat;
    o.pose.lon = spec.lon;
    o.pose.headingRad = spec.headingDeg * kDegToRad;
    o.pose.onGround = spec.onGround;
    o.pose.altitudeFt = spec.onGround ? world.scenario.groundAltitudeFt : spec.altitudeFt;
    o.track.push_back({o.createdAt, o.pose.lat, o.pose.lon, o.pose.onGround});
    return o;
}

void lf_queueFrame(World& world, SIMCONNECT_CLIENT_EVENT_ID eventId)
{
    SIMCONNECT_RECV_EVENT_FRAME frame;
    frame.uEventID = eventId;
    frame.fFrameRate = static_cast<float>(world.scenario.frameRate);
    frame.fSimSpeed = 1.0f;
    gf_queue(world, gf_recordMessage(frame, SIMCONNECT_RECV_ID_EVENT_FRAME));
}

// Objects whose position is not frozen move on by themselves, as the simulator's AI flies them.
void lf_drift(World& world, double now)
{
    const double seconds = now - world.driftedAt;
    world.driftedAt = now;
    if (!world.scenario.behaviour.drift || !world.simRunning || seconds <= 0.0)
        return;
    for (SimObject& o : world.objects) {
        const bool moves = !o.freezeLatLon && o.pose.airspeedKt > 0.0;
        const bool climbs = !o.freezeAltitude && o.pose.verticalSpeedFps != 0.0;
        if (o.isUser || o.removed || !(moves || climbs))
            continue;
        Pose pose = o.pose;
        if (moves) {
            const double nm = o.pose.airspeedKt * seconds / 3600.0;
            pose.lat += nm / 60.0 * std::cos(pose.headingRad);
            pose.lon += nm / 60.0 * std::sin(pose.headingRad) / std::max(std::cos(pose.lat * kDegToRad), 1e-6);
            pose.lon = std::remainder(pose.lon, 360.0);
        }
        if (climbs)
            pose.altitudeFt = std::max(world.scenario.groundAltitudeFt, pose.altitudeFt + pose.verticalSpeedFps * seconds);
        gf_placeObject(world, o, pose);
    }
}

void lf_queueAssigned(World& world, SIMCONNECT_DATA_REQUEST_ID requestId, SIMCONNECT_OBJECT_ID id)
{
    SIMCONNECT_RECV_ASSIGNED_OBJECT_ID assigned;
    assigned.dwRequestID = requestId;
    assigned.dwObjectID = id;
    gf_queue(world, gf_recordMessage(assigned, SIMCONNECT_RECV_ID_ASSIGNED_OBJECT_ID));
}

void lf_completeCreation(World& world, PendingCreation& c, double now)
{
    if (c.failure != 0) {
        gf_queueException(world, c.failure, c.packetId, c.failure == SIMCONNECT_EXCEPTION_TOO_MANY_OBJECTS ? 0 : 1);
        return;
    }
    c.object.id = world.nextObjectId++;
    c.object.createdAt = now;
    c.object.track.front().atSeconds = now;
    const SIMCONNECT_OBJECT_ID id = gf_addObject(world, std::move(c.object)).id;
    if (c.objectIdFirst)
        lf_queueAssigned(world, c.requestId, id);
    gf_queueObjectEvent(world, "ObjectAdded", id);
    if (!c.objectIdFirst)
        lf_queueAssigned(world, c.requestId, id);
}

void lf_advancePeriodic(World& world, double now)
{
    for (PeriodicRequest& r : world.connection->periodic) {
        if (now < r.dueAt)
            continue;
        r.dueAt = now + 1.0;
        if (const SimObject* o = gf_liveObject(world, r.objectId))
            gf_queueData(world, SIMCONNECT_RECV_ID_SIMOBJECT_DATA, r.requestId, r.definition, *o, 1, 1);
    }
}

void lf_completeRemovals(World& world, double now)
{
    std::erase_if(world.pendingRemovals, [&world, now](const auto& r) {
        if (r.first > now)
            return false;
        const auto at = world.objectIndex.find(r.second);
        if (at != world.objectIndex.end() && !world.objects[at->second].removed)
            gf_markRemoved(world, world.objects[at->second]);
        return true;
    });
}

} // namespace

void gf_resetWorld(World& world, const Scenario& scenario)
{
    world = World{};
    world.initialised = true;
    world.scenario = scenario;
    world.start = gf_steadyNow();
    world.simRunning = scenario.simRunning;
    world.random.seed(scenario.behaviour.randomSeed);
    SimObject user;
    user.id = kUserObjectId;
    user.isUser = true;
    user.title = scenario.userTitle;
    user.atcModel = scenario.userAtcModel;
    user.pose = lf_trackPose(scenario.userTrack, 0.0);
    user.track.push_back({0.0, user.pose.lat, user.pose.lon, user.pose.onGround});
    gf_addObject(world, std::move(user));
    for (const ForeignObjectSpec& spec : scenario.foreignObjects) {
        if (spec.appearAfterSeconds > 0.0)
            world.pendingForeign.push_back(spec);
        else
            gf_addObject(world, lf_foreignObject(world, spec));
    }
}

void gf_ensureWorld(World& world)
{
    if (world.initialised)
        return;
    try {
        gf_resetWorld(world, gf_scenarioFromEnvironment());
    } catch (const std::exception& e) {
        fmt::print(stderr, "simulator emulator scenario: {}\n", e.what());
        gf_resetWorld(world, Scenario{});
        world.scenarioError = e.what(); // not replaced silently: the simulator stays away
    }
}

double gf_worldSeconds(const World& world)
{
    return std::chrono::duration<double>(gf_steadyNow() - world.start).count();
}

VariableContext gf_variableContext(const World& world)
{
    return VariableContext{world.scenario.groundAltitudeFt, gf_timeNow()};
}

void gf_updateUser(World& world)
{
    if (world.userFollowsTrack)
        gf_placeObject(world, world.objects.front(), lf_trackPose(world.scenario.userTrack, gf_worldSeconds(world)));
}

void gf_quitWorld(World& world)
{
    SIMCONNECT_RECV_QUIT record;
    gf_queue(world, gf_recordMessage(record, SIMCONNECT_RECV_ID_QUIT));
    if (world.connection)
        world.connection->quit = true;
    world.gone = true;
    world.pendingCreations.clear();
    world.pendingRemovals.clear();
}

void gf_removeLater(World& world, SimObject& object)
{
    const double most = world.scenario.behaviour.removalDelayMaxS;
    if (most <= 0.0) {
        gf_markRemoved(world, object);
        return;
    }
    const auto pending = [&object](const auto& r) { return r.second == object.id; };
    if (std::none_of(world.pendingRemovals.begin(), world.pendingRemovals.end(), pending))
        world.pendingRemovals.emplace_back(
            gf_worldSeconds(world) + std::uniform_real_distribution<double>(0.0, most)(world.random), object.id);
}

void gf_completeCreations(World& world, double now)
{
    // In the order they come due; those due together in the order of their calls.
    std::stable_sort(world.pendingCreations.begin(), world.pendingCreations.end(),
                     [](const PendingCreation& a, const PendingCreation& b) { return a.dueAt < b.dueAt; });
    const auto due = std::find_if(world.pendingCreations.begin(), world.pendingCreations.end(),
                                  [now](const PendingCreation& c) { return c.dueAt > now; });
    for (auto it = world.pendingCreations.begin(); it != due; ++it)
        lf_completeCreation(world, *it, now);
    world.pendingCreations.erase(world.pendingCreations.begin(), due);
}

void gf_advanceWorld(World& world)
{
    gf_updateUser(world);
    const double now = gf_worldSeconds(world);
    lf_drift(world, now);
    const auto& quitAfter = world.scenario.behaviour.quitAfterS;
    if (quitAfter && world.connection && !world.connection->quit && now >= world.connection->openedAt + *quitAfter)
        gf_quitWorld(world);
    gf_completeCreations(world, now);
    lf_completeRemovals(world, now);
    auto due = std::stable_partition(world.pendingForeign.begin(), world.pendingForeign.end(),
                                     [now](const ForeignObjectSpec& s) { return s.appearAfterSeconds > now; });
    for (auto it = due; it != world.pendingForeign.end(); ++it) {
        gf_queueObjectEvent(world, "ObjectAdded", gf_addObject(world, lf_foreignObject(world, *it)).id);
    }
    world.pendingForeign.erase(due, world.pendingForeign.end());
    if (!world.connection || world.connection->quit || !world.simRunning)
        return;
    if (now >= world.connection->nextFrameAt) {
        world.connection->nextFrameAt = now + 1.0 / std::max(1.0, world.scenario.frameRate);
        gf_queueSystemEvent(world, "Frame", 0);
    }
    lf_advancePeriodic(world, now);
}

SimObject& gf_addObject(World& world, SimObject object)
{
    world.objectIndex[object.id] = world.objects.size();
    world.objects.push_back(std::move(object));
    return world.objects.back();
}

SimObject* gf_liveObject(World& world, SIMCONNECT_OBJECT_ID id)
{
    if (id == SIMCONNECT_OBJECT_ID_USER)
        return &world.objects.front();
    auto it = world.objectIndex.find(id);
    if (it == world.objectIndex.end() || world.objects[it->second].removed)
        return nullptr;
    return &world.objects[it->second];
}

void gf_placeObject(World& world, SimObject& object, const Pose& pose)
{
    const double moved = gf_distanceNm({object.pose.lat, object.pose.lon}, {pose.lat, pose.lon});
    object.pose = pose;
    gf_recordTrack(world, object, moved);
}

void gf_recordTrack(World& world, SimObject& object, double movedNm)
{
    if (!std::isfinite(movedNm))
        return;
    object.distanceMovedNm += movedNm;
    const TrackSample& last = object.track.back();
    if (gf_distanceNm({last.lat, last.lon}, {object.pose.lat, object.pose.lon}) >= kTrackSampleNm)
        object.track.push_back({gf_worldSeconds(world), object.pose.lat, object.pose.lon, object.pose.onGround});
}

void gf_queue(World& world, Message message)
{
    if (world.connection && !world.connection->quit)
        world.connection->outbox.push_back(std::move(message));
}

void gf_queueSystemEvent(World& world, std::string_view name, DWORD data)
{
    if (!world.connection)
        return;
    const std::string wanted = gf_lowerAscii(name);
    for (const auto& [eventId, subscribed] : world.connection->subscriptions) {
        if (gf_lowerAscii(subscribed) != wanted)
            continue;
        if (wanted == "frame") {
            lf_queueFrame(world, eventId);
            continue;
        }
        SIMCONNECT_RECV_EVENT event;
        event.uEventID = eventId;
        event.dwData = data;
        gf_queue(world, gf_recordMessage(event, SIMCONNECT_RECV_ID_EVENT));
    }
}

void gf_queueObjectEvent(World& world, std::string_view name, SIMCONNECT_OBJECT_ID id)
{
    if (!world.connection)
        return;
    for (const auto& [eventId, subscribed] : world.connection->subscriptions) {
        if (gf_lowerAscii(subscribed) != gf_lowerAscii(name))
            continue;
        SIMCONNECT_RECV_EVENT_OBJECT_ADDREMOVE event;
        event.uEventID = eventId;
        event.dwData = id;
        event.eObjType = SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT;
        gf_queue(world, gf_recordMessage(event, SIMCONNECT_RECV_ID_EVENT_OBJECT_ADDREMOVE));
    }
}

void gf_queueException(World& world, DWORD exception, DWORD sendId, DWORD index)
{
    SIMCONNECT_RECV_EXCEPTION record;
    record.dwException = exception;
    record.dwSendID = sendId;
    record.dwIndex = index;
    gf_queue(world, gf_recordMessage(record, SIMCONNECT_RECV_ID_EXCEPTION));
}

void gf_queueData(World& world, SIMCONNECT_RECV_ID id, SIMCONNECT_DATA_REQUEST_ID requestId,
                  SIMCONNECT_DATA_DEFINITION_ID definition, const SimObject& object, DWORD entry, DWORD outOf)
{
    const auto found = world.connection->definitions.find(definition);
    if (found == world.connection->definitions.end())
        return;
    SIMCONNECT_RECV_SIMOBJECT_DATA header;
    header.dwRequestID = requestId;
    header.dwObjectID = object.id;
    header.dwDefineID = definition;
    header.dwentrynumber = entry;
    header.dwoutof = outOf;
    header.dwDefineCount = static_cast<DWORD>(found->second.size());
    static std::vector<std::byte> block; // under g_emuMutex; keeps its storage from reply to reply
    gf_packBlock(object, found->second, gf_variableContext(world), block);
    gf_queue(world, gf_dataMessage(header, id, block));
}

void gf_markRemoved(World& world, SimObject& object)
{
    object.removed = true;
    object.removedAt = gf_worldSeconds(world);
    gf_queueObjectEvent(world, "ObjectRemoved", object.id);
}

} // namespace zyn::simemu
