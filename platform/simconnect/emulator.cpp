#include "platform/simconnect/emulator.h"

#include <algorithm>
#include <iterator>

#ifndef TARVO_EMULATOR_NO_PICTURE
#include "platform/simconnect/emulator_report.h"
#endif
#include "platform/simconnect/emulator_world.h"

namespace zyn::simemu {

namespace {

// Runs a change of the world under the lock and wakes the waiters.
template <typename Change> auto lf_change(Change change)
{
    struct Notify {
        ~Notify() { g_emuChanged.notify_all(); }
    } notify;
    std::lock_guard lock(g_emuMutex);
    gf_ensureWorld(g_world);
    return change(g_world);
}

template <typename Read> auto lf_read(Read read)
{
    std::lock_guard lock(g_emuMutex);
    gf_ensureWorld(g_world);
    gf_updateUser(g_world);
    return read(g_world);
}

// A copy of the object with the data sets the world keeps of it.
SimObject lf_withDataSets(const World& w, std::vector<SimObject>::const_iterator it)
{
    SimObject o = *it;
    o.dataSets = w.dataSets.records(static_cast<std::size_t>(it - w.objects.begin()));
    return o;
}

} // namespace

void reset(const Scenario& scenario)
{
    lf_change([&](World& w) { gf_resetWorld(w, scenario); });
}

void resetToProgramScenario()
{
    {
        std::lock_guard lock(g_emuMutex);
        g_world = World{};
    }
    g_emuChanged.notify_all();
}

double elapsedSeconds()
{
    return lf_read([](World& w) { return gf_worldSeconds(w); });
}

void failOpen(int times)
{
    lf_change([&](World& w) { w.openFailures = times; });
}

void failCalls(std::string_view function, int times)
{
    lf_change([&](World& w) { w.callFailures[std::string(function)] = times; });
}

void failCreations(int times)
{
    lf_change([&](World& w) { w.creationFailures = times; });
}

void raiseException(DWORD exception, DWORD sendId, DWORD index)
{
    lf_change([&](World& w) { gf_queueException(w, exception, sendId, index); });
}

void quit()
{
    lf_change([](World& w) { gf_quitWorld(w); });
}

void setSimRunning(bool running)
{
    lf_change([&](World& w) {
        w.simRunning = running;
        gf_queueSystemEvent(w, "Sim", running ? 1 : 0);
    });
}

void loadFlight(std::string_view fileName)
{
    lf_change([&](World& w) {
        if (!w.connection)
            return;
        for (const auto& [eventId, name] : w.connection->subscriptions) {
            if (gf_lowerAscii(name) != "flightloaded")
                continue;
            SIMCONNECT_RECV_EVENT_FILENAME record;
            record.uEventID = eventId;
            const std::size_t n = std::min(fileName.size(), sizeof(record.szFileName) - 1);
            std::copy_n(fileName.begin(), n, record.szFileName);
            gf_queue(w, gf_recordMessage(record, SIMCONNECT_RECV_ID_EVENT_FILENAME));
        }
    });
}

void sendSystemEvent(std::string_view name, DWORD data)
{
    lf_change([&](World& w) { gf_queueSystemEvent(w, name, data); });
}

void setUserPose(const Pose& pose)
{
    lf_change([&](World& w) {
        w.userFollowsTrack = false;
        gf_placeObject(w, w.objects.front(), pose);
    });
}

void setUserIdentity(std::string_view title, std::string_view atcModel)
{
    lf_change([&](World& w) {
        w.objects.front().title = std::string(title);
        w.objects.front().atcModel = std::string(atcModel);
    });
}

SIMCONNECT_OBJECT_ID addForeignObject(const ForeignObjectSpec& spec)
{
    return lf_change([&](World& w) {
        ForeignObjectSpec now = spec;
        now.appearAfterSeconds = 0.0;
        w.pendingForeign.push_back(now);
        const SIMCONNECT_OBJECT_ID id = w.nextObjectId; // the next object to appear
        gf_advanceWorld(w);
        return id;
    });
}

void removeObjectBySim(SIMCONNECT_OBJECT_ID id)
{
    lf_change([&](World& w) {
        SimObject* o = gf_liveObject(w, id);
        if (o && !o->isUser)
            gf_markRemoved(w, *o);
    });
}

bool isConnected()
{
    return lf_read([](World& w) { return w.connection.has_value() && !w.connection->quit; });
}

std::vector<CallRecord> calls()
{
    return lf_read([](World& w) { return w.calls.records(); });
}

std::vector<CallRecord> callsOf(std::string_view function)
{
    return lf_read([&](World& w) { return w.calls.recordsOf(function); });
}

std::vector<SimObject> objects()
{
    return lf_read([](World& w) {
        std::vector<SimObject> out = w.objects;
        for (std::size_t i = 0; i < out.size(); ++i)
            out[i].dataSets = w.dataSets.records(i);
        return out;
    });
}

std::optional<SimObject> object(SIMCONNECT_OBJECT_ID id)
{
    return lf_read([&](World& w) -> std::optional<SimObject> {
        auto it = std::find_if(w.objects.begin(), w.objects.end(), [&](const SimObject& o) { return o.id == id; });
        return it == w.objects.end() ? std::nullopt : std::optional<SimObject>(lf_withDataSets(w, it));
    });
}

std::optional<SimObject> objectByAtcId(std::string_view atcId)
{
    return lf_read([&](World& w) -> std::optional<SimObject> {
        auto it = std::find_if(w.objects.rbegin(), w.objects.rend(),
                               [&](const SimObject& o) { return !o.isUser && o.atcId == atcId; });
        return it == w.objects.rend() ? std::nullopt : std::optional<SimObject>(lf_withDataSets(w, std::prev(it.base())));
    });
}

std::vector<SIMCONNECT_OBJECT_ID> heldObjectIds()
{
    return lf_read([](World& w) {
        std::vector<SIMCONNECT_OBJECT_ID> ids;
        for (const SimObject& o : w.objects)
            if (!o.isUser && !o.isForeign && !o.removed)
                ids.push_back(o.id);
        return ids;
    });
}

std::vector<HeldObject> heldObjects()
{
    return lf_read([](World& w) {
        std::vector<HeldObject> held;
        for (const SimObject& o : w.objects)
            if (!o.isUser && !o.isForeign && !o.removed)
                held.push_back({o.id, o.pose});
        return held;
    });
}

std::vector<SIMCONNECT_CLIENT_EVENT_ID> groupMembers(SIMCONNECT_NOTIFICATION_GROUP_ID group)
{
    return lf_read([&](World& w) {
        if (!w.connection || !w.connection->groups.contains(group))
            return std::vector<SIMCONNECT_CLIENT_EVENT_ID>{};
        return w.connection->groups.at(group);
    });
}

int messagesDelivered()
{
    return lf_read([](World& w) { return w.delivered; });
}

#ifndef TARVO_EMULATOR_NO_PICTURE
void writeReport(const std::filesystem::path& folder)
{
    gf_writeReport(objects(), lf_read([](World& w) { return w.scenario.airport; }), folder);
}
#endif

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition())
            return true;
        {
            std::unique_lock lock(g_emuMutex);
            // A short slice as well: the condition may depend on state outside the emulator.
            g_emuChanged.wait_until(lock, std::min(deadline, std::chrono::steady_clock::now() +
                                                                 std::chrono::milliseconds(5)));
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return condition();
    }
}

} // namespace zyn::simemu
