// The flight plan's path on its way to the simulator: the library is handed ASCII text or nothing.
#include "base/path_text.h"
#include "sim/flight_plan.h"
#include "tests/sim/sim_link_fixture.h"

#include <functional>

namespace zyn {
namespace {

class FlightPlanHandOver : public test::SimLinkFixture {
protected:
    std::filesystem::path writtenPlan(const std::filesystem::path& folder, std::uint32_t objectId)
    {
        std::filesystem::create_directories(folder);
        const auto path = folder / gf_flightPlanFileName(objectId);
        AcHead head;
        head.origin = "EDDF";
        head.destination = "LSZH";
        EXPECT_TRUE(gf_writeFlightPlan(path, head, AcCategory::Large));
        return path;
    }
};

TEST_F(FlightPlanHandOver, AsciiPathReachesTheSimulatorAsItIs)
{
    connect();
    const std::uint32_t id = createAndMatch("SWR1", 0x4B1801);
    const auto plan = writtenPlan(m_dir / "orig_dest", id);
    ASSERT_TRUE(gf_assignFlightPlan(id, plan));
    EXPECT_EQ(simemu::object(id)->flightPlanPath, gf_utf8FromPath(plan));
}

// Here, as on a Windows volume without short names, a user folder with Greek and Cyrillic letters
// has no ASCII form: the plans stay with the program and the log says why, once.
TEST_F(FlightPlanHandOver, FolderWithoutAsciiFormIsLoggedOnceAndNotHandedOver)
{
    connect();
    const std::uint32_t id = createAndMatch("SWR2", 0x4B1802);
    const auto folder = m_dir / gf_pathFromUtf8("\u0395\u03bb\u03ad\u03bd\u03b7 \u0416\u0443\u043a\u043e\u0432") /
                        "orig_dest";
    const auto first = writtenPlan(folder, id);
    EXPECT_FALSE(gf_assignFlightPlan(id, first));
    EXPECT_FALSE(gf_assignFlightPlan(id, writtenPlan(folder, id + 1)));
    EXPECT_TRUE(simemu::callsOf("SimConnect_AISetAircraftFlightPlan").empty());
    EXPECT_EQ(g_simRequestErrors.load(), 0) << "nothing was refused";
    EXPECT_EQ(logCount("Flight plans are not handed to the simulator: \"" + gf_utf8FromPath(first) +
                       "\" has no ASCII form (no 8.3 short names)"),
              1);
}

// A refused flight plan or lever setting counts towards the link's restart like every other request.
TEST_F(FlightPlanHandOver, RefusedFlightPlanOrLeverSettingCountsAsARequestError)
{
    connect();
    const std::uint32_t id = createAndMatch("SWR3", 0x4B1803);
    const auto plan = writtenPlan(m_dir / "orig_dest", id);
    const struct {
        const char* function;
        std::function<void()> call;
    } rows[] = {
        {"SimConnect_AISetAircraftFlightPlan", [&] { EXPECT_FALSE(gf_assignFlightPlan(id, plan)); }},
        {"SimConnect_SetDataOnSimObject", [&] { gf_sendEngineLevers(id, 100.0, 100.0); }},
    };
    for (const auto& row : rows) {
        g_simRequestErrors = 0;
        simemu::failCalls(row.function, 1);
        row.call();
        EXPECT_EQ(g_simRequestErrors.load(), 1) << row.function;
    }
    g_simRequestErrors = 0;
}

} // namespace
} // namespace zyn
