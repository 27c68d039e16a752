// What a session start and an exit or restart leave behind of the previous session.
#include "base/folders.h"
#include "engine/ai_driver.h"
#include "engine/removal.h"
#include "shown/display_texts.h"
#include "tests/engine/live_ac_fixture.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace zyn::test {
namespace {

class AiContainers : public EngineState {
protected:
    ~AiContainers() override
    {
        g_queriedObjectId = m_selected;
        gf_showCallsignAnswer(m_answer);
    }
    TempDir m_dir;
    ScopedCwd m_cwd{m_dir.path()};

private:
    std::uint32_t m_selected = g_queriedObjectId.load();
    std::string m_answer = gf_displayTexts().callsignAnswer;
};

TEST_F(AiContainers, AnEarlierSessionsAircraftListAndSelectionGo)
{
    const struct {
        const char* name;
        std::function<void()> call;
        bool clearsSelection;
    } rows[] = {
        {"session start", gf_reserveAcContainers, false},
        {"exit or restart", gf_clearAcContainers, true},
    };
    for (const auto& row : rows) {
        writeText(g_callsignObjectIdPath, "Gnd DLH4      DLH A320: 902 Parked at A1\n");
        g_queriedObjectId = 902;
        gf_showCallsignAnswer("= 902");
        row.call();
        EXPECT_FALSE(std::filesystem::exists(g_callsignObjectIdPath)) << row.name;
        EXPECT_EQ(g_queriedObjectId.load() == 0, row.clearsSelection) << row.name;
        EXPECT_EQ(gf_displayTexts().callsignAnswer.empty(), row.clearsSelection) << row.name;
    }
}

} // namespace
} // namespace zyn::test
