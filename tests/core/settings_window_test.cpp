#include "base/encoding.h"
#include "core/work_folders.h"
#include "settings/parameter_lists.h"
#include "settings/setting_controls.h"
#include "settings/settings_file.h"
#include "shown/windows.h"
#include "tests/settings/settings_file_fixture.h"
#include "tests/ui/main_window_fixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace zyn {
namespace {

using SettingsWindowThreads = test::MainWindowTest;

std::u16string lf_boxText(const ParameterControl& control)
{
    WCHAR buffer[256] = {};
    GetWindowTextW(GetDlgItem(g_mainWindow.load(), control.controlId), buffer, 256);
    return buffer;
}

// The start-up thread loads the settings into the controls of the real main window, whose thread
// goes on answering its messages meanwhile.
TEST_F(SettingsWindowThreads, StartupLoadShowsEveryValueInTheMainWindow)
{
    test::writeText(dir / "parameters.xml",
                    test::parametersXml({{"LOG", "false"}, {"WEEK", "true"}, {"MAX_LIVE", "250"},
                                         {"TIME_SHIFT_MINS", "75"}, {"BLOCK_CALLSIGN", "RYR"}}));
    open();
    std::atomic<bool> loaded{false};
    std::thread startup([&] {
        lf_buildParameterLists();
        loaded = true;
    });
    while (!loaded) {
        for (MSG m; PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE);)
            DispatchMessageW(&m);
        std::this_thread::yield();
    }
    startup.join();

    const auto lists = gf_parameterLists();
    for (const auto* box : lists.checkBoxes)
        EXPECT_EQ(IsDlgButtonChecked(g_mainWindow.load(), box->controlId) == BST_CHECKED, box->on()) << box->key;
    for (const auto* box : lists.intBoxes) {
        if (!gf_controlWindow(*box))
            continue; // MAX_FIT has no box of its own
        EXPECT_EQ(lf_boxText(*box), gf_utf8ToUtf16(std::to_string(box->value.load()))) << box->key;
    }
    EXPECT_FALSE(param::LOG.on());
    EXPECT_TRUE(param::WEEK.on());
    EXPECT_EQ(lf_boxText(param::MAX_LIVE), u"250");
    EXPECT_EQ(lf_boxText(param::TIME_SHIFT_MINS), u"59");
    EXPECT_EQ(lf_boxText(param::BLOCK_CALLSIGN), u"RYR");
}

} // namespace
} // namespace zyn
