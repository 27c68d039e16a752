#include "base/log.h"
#include "sim/dispatch.h"
#include "sim/link_state.h"
#include "sim/object_match.h"
#include "sim/sim_command.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace zyn {
namespace {

// Messages handed to the dispatch directly, as the simulator would send them, without a connection.
class SimDispatch : public ::testing::Test {
protected:
    void SetUp() override { gf_openLog(); }
    void TearDown() override
    {
        gf_closeLog();
        gf_resetSimLink();
    }
    template <typename T> static void deliver(T message, SIMCONNECT_RECV_ID id, DWORD size = sizeof(T))
    {
        message.dwID = id;
        message.dwSize = size;
        gf_dispatch(&message, size, nullptr);
    }
    static void objectEvent(std::uint32_t event, std::uint32_t objectId)
    {
        SIMCONNECT_RECV_EVENT_OBJECT_ADDREMOVE e;
        e.uEventID = event;
        e.dwData = objectId;
        e.eObjType = SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT;
        deliver(e, SIMCONNECT_RECV_ID_EVENT_OBJECT_ADDREMOVE);
    }
    // One aircraft of an in-range reply: definition 404's block after the header.
    static void inRange(std::uint32_t objectId, double aboveGround, const char* atcId)
    {
        struct {
            SIMCONNECT_RECV_SIMOBJECT_DATA header;
            double groundAltitude;
            std::int64_t onGround;
            char atcId[32];
        } reply{};
        std::memcpy(&reply.header.dwData, &aboveGround, sizeof(double)); // the block starts at dwData
        reply.groundAltitude = 400.0;
        reply.onGround = 1;
        std::snprintf(reply.atcId, sizeof reply.atcId, "%s", atcId);
        reply.header.dwRequestID = 101;
        reply.header.dwObjectID = objectId;
        reply.header.dwID = SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE;
        reply.header.dwSize = sizeof reply;
        gf_dispatch(&reply.header, sizeof reply, nullptr);
    }
    test::TempDir dir;
    test::ScopedCwd cwd{dir.path()};
};

TEST_F(SimDispatch, ObjectsAtOrBelowTheUserAircraftIdAreNotRecorded)
{
    objectEvent(202, kInitialUserAcObjectId);
    objectEvent(202, kInitialUserAcObjectId + 1);
    EXPECT_EQ(g_objectsAdded, std::vector<std::uint32_t>{kInitialUserAcObjectId + 1});
}

TEST_F(SimDispatch, RemovedObjectIsPassedBack)
{
    objectEvent(203, 150);
    const auto commands = gf_takeSimCommands();
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].kind, SimCommandKind::ObjectRemoved);
    EXPECT_EQ(commands[0].objectId, 150u);
}

TEST_F(SimDispatch, GroundDataOfKnownLowAircraft)
{
    const struct {
        double aboveGround;
        const char* atcId;
        bool reported;
    } cases[] = {{2500.0, "SWR1", true}, {2500.5, "SWR1", false}, {0.0, "SWR1*", false}, {0.0, "", false},
                 {12.0, "EZY2", true}};
    for (const auto& c : cases) {
        inRange(300, c.aboveGround, c.atcId);
        const auto commands = gf_takeSimCommands();
        ASSERT_EQ(commands.size(), c.reported ? 1u : 0u) << c.aboveGround << " " << c.atcId;
        if (c.reported) {
            EXPECT_EQ(commands[0].kind, SimCommandKind::GroundData);
            EXPECT_EQ(commands[0].value, 1u);
            EXPECT_DOUBLE_EQ(commands[0].a, 400.0);
            EXPECT_DOUBLE_EQ(commands[0].b, c.aboveGround);
        }
    }
}

TEST_F(SimDispatch, FrameRateIsStoredOnEveryThirtiethFrame)
{
    SIMCONNECT_RECV_EVENT_FRAME frame;
    frame.fFrameRate = 42.0f;
    for (int i = 1; i < 30; ++i)
        deliver(frame, SIMCONNECT_RECV_ID_EVENT_FRAME);
    EXPECT_EQ(g_frameRate.load(), 0.0f);
    deliver(frame, SIMCONNECT_RECV_ID_EVENT_FRAME);
    EXPECT_EQ(g_frameRate.load(), 42.0f);
}

TEST_F(SimDispatch, TruncatedAndUnknownMessagesAreHarmless)
{
    SIMCONNECT_RECV_EVENT_OBJECT_ADDREMOVE added;
    added.uEventID = 202;
    added.dwData = 500;
    deliver(added, SIMCONNECT_RECV_ID_EVENT_OBJECT_ADDREMOVE, sizeof(SIMCONNECT_RECV) + 4);
    EXPECT_TRUE(g_objectsAdded.empty());
    SIMCONNECT_RECV_SIMOBJECT_DATA data;
    data.dwRequestID = 109;
    deliver(data, SIMCONNECT_RECV_ID_SIMOBJECT_DATA, sizeof(SIMCONNECT_RECV) + 2);
    deliver(data, SIMCONNECT_RECV_ID_SIMOBJECT_DATA); // a user data reply without its block
    EXPECT_EQ(g_userAcObjectId.load(), kInitialUserAcObjectId);
    gf_dispatch(nullptr, 0, nullptr);
    SIMCONNECT_RECV other;
    deliver(other, static_cast<SIMCONNECT_RECV_ID>(40));
    deliver(other, static_cast<SIMCONNECT_RECV_ID>(16));
    const auto lines = test::readLines("Log.txt");
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "! Unknown Dispatch dwID 40"), 1);
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const auto& l) { return l.starts_with("! Unknown"); }), 1);
}

} // namespace
} // namespace zyn
