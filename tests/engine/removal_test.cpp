#include "engine/removal.h"

#include "airport/park_pos.h"
#include "engine/commands.h"
#include "engine/queues.h"
#include "engine/spawn.h"
#include "settings/settings.h"
#include "shown/display_texts.h"
#include "sim/sim_command.h"
#include "tests/engine/live_ac_fixture.h"

#include <gtest/gtest.h>

namespace zyn {
namespace {

class RemoveAircraft : public test::EngineState {
protected:
    RemoveAircraft()
    {
        for (std::uint32_t sid : {1u, 2u, 2u}) {
            g_stands.emplace_back("S" + std::to_string(g_stands.size()), std::vector<ParkPosOption>{}, 0, 0, 0, 20, 1,
                                  1, 1);
            g_stands.back().sid = sid;
            g_stands.back().liveOccupied = true;
        }
    }
    static LiveAcRecord live(ObjectState state, std::uint32_t objectId, std::uint32_t standId)
    {
        LiveAcRecord a;
        a.hexId = 0x400001;
        a.head.callsign = "DLH1";
        a.state = state;
        a.objectId = objectId;
        a.standId = standId;
        return a;
    }
};

TEST_F(RemoveAircraft, ByStateWhatIsQueuedAndWhatEnds)
{
    const struct {
        const char* name;
        ObjectState state;
        std::uint32_t objectId;
        ObjectState after;
        std::uint8_t gone;
        std::uint8_t removeWhenCreated;
        std::deque<std::uint32_t> queued;
    } rows[] = {
        {"never requested", ObjectState::New, 0, ObjectState::New, 1, 0, {}},
        {"in the simulator", ObjectState::InSim, 77, ObjectState::RemovalRequested, 0, 0, {77}},
        {"in the simulator without id", ObjectState::InSim, 0, ObjectState::RemovalRequested, 1, 0, {}},
        {"already removed", ObjectState::RemovalRequested, 77, ObjectState::RemovalRequested, 0, 0, {}},
        {"respawn already queued", ObjectState::RespawnPending, 77, ObjectState::RemovalRequested, 0, 0, {}},
        {"requested, handed to the link", ObjectState::CreationRequested, 0, ObjectState::CreationRequested, 0, 1, {}},
        {"requested, object known", ObjectState::CreationRequested, 78, ObjectState::RemovalRequested, 0, 0, {78}},
    };
    for (const auto& row : rows) {
        g_removalQueue.clear();
        LiveAcRecord a = live(row.state, row.objectId, 0);
        removeAircraftFromSim(a);
        EXPECT_EQ(a.state, row.after) << row.name;
        EXPECT_EQ(a.gone, row.gone) << row.name;
        EXPECT_EQ(a.removeWhenCreated, row.removeWhenCreated) << row.name;
        EXPECT_EQ(g_removalQueue, row.queued) << row.name;
    }
}

TEST_F(RemoveAircraft, WithdrawsACreationStillInTheEngine)
{
    LiveAcRecord pending = live(ObjectState::CreationRequested, 0, 0);
    g_pendingCreationIds = {0x111, pending.hexId, 0x222};
    removeAircraftFromSim(pending);
    EXPECT_EQ(g_pendingCreationIds, (std::vector<std::uint32_t>{0x111, 0x222}));
    EXPECT_EQ(pending.gone, 1);

    LiveAcRecord queued = live(ObjectState::CreationRequested, 0, 0);
    CreateAcRequest other, mine;
    other.hexId = 0x333;
    mine.hexId = queued.hexId;
    g_liveCreationQueue = {other, mine};
    removeAircraftFromSim(queued);
    ASSERT_EQ(g_liveCreationQueue.size(), 1u);
    EXPECT_EQ(g_liveCreationQueue.front().hexId, 0x333u);
    EXPECT_EQ(queued.gone, 1);
    EXPECT_TRUE(g_removalQueue.empty());
}

TEST_F(RemoveAircraft, StaticWithdrawnFromItsQueueIsErased)
{
    AiAcRecord parked;
    parked.hexId = 12;
    parked.state = ObjectState::CreationRequested;
    parked.standId = 1;
    CreateAcRequest request;
    request.hexId = 12;
    g_staticCreationQueue = {request};
    removeAircraftFromSim(parked);
    EXPECT_TRUE(g_staticCreationQueue.empty());
    EXPECT_EQ(parked.erase, 1);
    EXPECT_TRUE(g_stands[0].liveOccupied) << "a static leaving does not free a live aircraft's claim";
}

TEST_F(RemoveAircraft, LiveAircraftFreesOnlyTheFirstStandOfItsNumberInEveryState)
{
    for (ObjectState state : {ObjectState::New, ObjectState::InSim, ObjectState::RespawnPending}) {
        for (auto& s : g_stands)
            s.liveOccupied = true;
        LiveAcRecord a = live(state, 5, 2);
        removeAircraftFromSim(a);
        EXPECT_TRUE(g_stands[0].liveOccupied);
        EXPECT_FALSE(g_stands[1].liveOccupied);
        EXPECT_TRUE(g_stands[2].liveOccupied);
    }
}

// The aircraft the user found with the callsign query ("= <object id>" beside the box).
class SelectedAircraft : public test::EngineState {
protected:
    ~SelectedAircraft() override
    {
        param::CALLSIGN_2_OBJECTID.setValue(m_query);
        g_queriedObjectId = m_selected;
        gf_showCallsignAnswer(m_answer);
    }

private:
    std::string m_query = param::CALLSIGN_2_OBJECTID.getValue();
    std::uint32_t m_selected = g_queriedObjectId.load();
    std::string m_answer = gf_displayTexts().callsignAnswer;
};

TEST_F(SelectedAircraft, EveryEndOfTheSelectedAircraftUpdatesTheQuery)
{
    enum class Ends { Removed, Respawned, SimRemovedLive, SimRemovedStatic };
    const struct {
        const char* name;
        std::uint32_t selected;
        Ends ends;
        const char* query;
        std::uint32_t selectedAfter;
        const char* answer;
    } rows[] = {
        {"selected, removed", 100, Ends::Removed, "", 0, ""},
        {"another one selected, removed", 99, Ends::Removed, "OLD1", 99, "= 99"},
        {"selected, respawned under a new callsign", 100, Ends::Respawned, "DLH1", 0, ""},
        {"another one selected, respawned", 99, Ends::Respawned, "OLD1", 99, "= 99"},
        {"selected, the simulator removed it", 100, Ends::SimRemovedLive, "", 0, ""},
        {"another one selected, the simulator removed it", 99, Ends::SimRemovedLive, "OLD1", 99, "= 99"},
        {"selected static, the simulator removed it", 100, Ends::SimRemovedStatic, "", 0, ""},
    };
    for (const auto& row : rows) {
        param::CALLSIGN_2_OBJECTID.setValue("OLD1");
        g_queriedObjectId = row.selected;
        gf_showCallsignAnswer(fmt::format("= {}", row.selected));
        g_liveAircraft.clear();
        g_staticAircraft.clear();
        LiveAcRecord a = test::makeFlyingAircraft(test::straightTrack({47.0, 8.0}, 90.0, 300.0, 9000.0, 0.0, 0, 500, 3));
        a.head.callsign = "DLH1"; // objectId 100
        switch (row.ends) {
        case Ends::Removed: removeAircraftFromSim(a); break;
        case Ends::Respawned: liveryRespawn(a); break;
        case Ends::SimRemovedLive: g_liveAircraft.push_back(a); break;
        case Ends::SimRemovedStatic: g_staticAircraft.emplace_back(a); break;
        }
        if (row.ends == Ends::SimRemovedLive || row.ends == Ends::SimRemovedStatic) {
            gf_pushSimCommand({.objectId = 100, .kind = SimCommandKind::ObjectRemoved});
            gf_SimCommands();
            ASSERT_TRUE(g_liveAircraft.empty() && g_staticAircraft.empty()) << row.name;
        }
        EXPECT_EQ(param::CALLSIGN_2_OBJECTID.getValue(), row.query) << row.name;
        EXPECT_EQ(g_queriedObjectId.load(), row.selectedAfter) << row.name;
        EXPECT_EQ(gf_displayTexts().callsignAnswer, row.answer) << row.name;
    }
}

TEST(PendingCreations, DropsEveryRequestOfThatName)
{
    std::deque<CreateAcRequest> queue(4);
    queue[0].name = "A";
    queue[1].name = "B";
    queue[2].name = "A";
    queue[3].name = "C";
    EXPECT_FALSE(gf_dropPendingCreations(queue, ""));
    EXPECT_FALSE(gf_dropPendingCreations(queue, "Z"));
    EXPECT_TRUE(gf_dropPendingCreations(queue, "A"));
    ASSERT_EQ(queue.size(), 2u);
    EXPECT_EQ(queue[0].name, "B");
    EXPECT_EQ(queue[1].name, "C");
}

} // namespace
} // namespace zyn
