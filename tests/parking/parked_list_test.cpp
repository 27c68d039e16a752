// The user's callsign query and the list of aircraft in the simulator.
#include "airport/park_pos.h"
#include "engine/records.h"
#include "engine/removal.h"
#include "parking/session_calls.h"
#include "settings/settings.h"
#include "shown/display_texts.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

namespace zyn::test {
namespace {

class ParkedList : public ::testing::Test {
protected:
    ParkedList()
    {
        for (const auto& [callsign, id, phase] : {std::tuple{"SWR12", 901u, MovePhase::Parked}, std::tuple{"DLH4", 902u, MovePhase::Airborne}}) {
            LiveAcRecord a;
            a.head.callsign = callsign;
            a.head.airline = "SWR";
            a.head.type = "A320";
            a.objectId = id;
            a.state = ObjectState::InSim;
            a.phase = phase;
            a.onGround = phase == MovePhase::Parked ? 1 : 0;
            a.standId = 9;
            g_liveAircraft.push_back(a);
        }
    }
    ~ParkedList() override
    {
        g_liveAircraft.clear();
        param::CALLSIGN_2_OBJECTID.setValue("");
        g_queriedObjectId = 0;
        gf_resetDisplayTexts();
    }
    TempDir dir;
    ScopedCwd cwd{dir.path()};
};

TEST_F(ParkedList, CallsignQueryAnswersTheAircraftAndAnUnknownOneClearsTheAnswer)
{
    param::CALLSIGN_2_OBJECTID.setValue("DLH4");
    gf_answerCallsignQuery();
    EXPECT_EQ(g_queriedObjectId.load(), 902u);
    EXPECT_EQ(gf_displayTexts().callsignAnswer, "= 902");
    param::CALLSIGN_2_OBJECTID.setValue("DLH");
    gf_answerCallsignQuery();
    EXPECT_EQ(g_queriedObjectId.load(), 0u) << "not the previous aircraft's id";
    EXPECT_EQ(gf_displayTexts().callsignAnswer, "");
    param::CALLSIGN_2_OBJECTID.setValue("SWR12");
    gf_answerCallsignQuery();
    removeAircraftFromSim(g_liveAircraft[0]);
    EXPECT_EQ(g_queriedObjectId.load(), 0u) << "the answer goes with the aircraft";
}

TEST_F(ParkedList, ListFileHasOneSortedRowPerAircraftInTheSimulator)
{
    gf_writeParkedList();
    EXPECT_EQ(readText("Callsign2ObjectId.txt"), "Air DLH4      SWR A320: 902 \n"
                                                 "Gnd SWR12     SWR A320: 901 Parked at unknown\n");
}

} // namespace
} // namespace zyn::test
