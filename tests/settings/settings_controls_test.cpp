#include "platform/win32/constants.h"
#include "platform/win32/message_loop.h"
#include "platform/win32/window.h"
#include "settings/setting_controls.h"
#include "settings/settings_file.h"
#include "shown/windows.h"
#include "tests/settings/settings_file_fixture.h"
#include "tests/support/win32_windows.h"
#include "ui/main_window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <thread>

namespace zyn {
namespace {

using test::parameterElements;
using test::parametersXml;
using test::readText;
using test::writeText;

// A main window with the controls of a few settings, as the window creates them.
class SettingsWindow {
public:
    SettingsWindow() : m_window(test::gf_createRecordingWindow(0, 0, 880, 392))
    {
        g_mainWindow = m_window;
        for (auto* box : {&param::LOG, &param::WEEK})
            gf_setControlWindow(box->controlId, lf_child(u"button", BS_CHECKBOX, box->controlId));
        for (auto* box : {static_cast<ParameterControl*>(&param::LATERAL_RANGE),
                          static_cast<ParameterControl*>(&param::BLOCK_CALLSIGN)})
            gf_setControlWindow(box->controlId, lf_child(u"Edit", WS_BORDER, box->controlId));
    }
    ~SettingsWindow()
    {
        for (ParameterControl* p : std::initializer_list<ParameterControl*>{&param::LOG, &param::WEEK,
                                                                           &param::LATERAL_RANGE, &param::BLOCK_CALLSIGN})
            gf_setControlWindow(p->controlId, nullptr);
        g_mainWindow = nullptr;
        DestroyWindow(m_window);
    }
    HWND window() const { return m_window; }
    bool checked(const BoolControlParameter& p) const { return IsDlgButtonChecked(m_window, p.controlId) == BST_CHECKED; }
    std::u16string text(const ParameterControl& p) const
    {
        WCHAR buffer[256] = {};
        GetWindowTextW(GetDlgItem(m_window, p.controlId), buffer, 256);
        return buffer;
    }

private:
    HWND lf_child(LPCWSTR windowClass, DWORD style, std::uint16_t id) const
    {
        return CreateWindowExW(0, windowClass, u"", WS_CHILD | WS_VISIBLE | style, 5, 121, 40, 16, m_window,
                               reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(id)), nullptr, nullptr);
    }
    HWND m_window;
};

const ParameterLists kWindowLists{.checkBoxes = {&param::LOG, &param::WEEK},
                                  .intBoxes = {&param::LATERAL_RANGE},
                                  .textBoxes = {&param::BLOCK_CALLSIGN}};

using SettingsControls = test::SettingsFolder;

struct ShownCase {
    const char* name;
    std::optional<std::string> file; // none: a fresh start
    bool log;
    bool week;
    std::u16string range;
    std::u16string blocked;
};

TEST_F(SettingsControls, LoaderShowsTheValuesInTheControls)
{
    const ShownCase cases[] = {
        {"from the file",
         parametersXml({{"LOG", "no"}, {"WEEK", "yes"}, {"LATERAL_RANGE", "500"}, {"BLOCK_CALLSIGN", "DLH4Ü"}}),
         false, true, u"100", u"DLH4Ü"},
        {"fresh start", std::nullopt, true, false, u"40", u""},
    };
    SettingsWindow window;
    for (const auto& c : cases) {
        std::filesystem::remove(path);
        if (c.file)
            writeText(path, *c.file);
        gf_loadParameters(kWindowLists);
        EXPECT_EQ(window.checked(param::LOG), c.log) << c.name;
        EXPECT_EQ(window.checked(param::WEEK), c.week) << c.name;
        EXPECT_EQ(window.text(param::LATERAL_RANGE), c.range) << c.name;
        EXPECT_EQ(window.text(param::BLOCK_CALLSIGN), c.blocked) << c.name;
    }
}

TEST_F(SettingsControls, ToggleRewritesOnlyItsKey)
{
    SettingsWindow window;
    writeText(path, parametersXml({{"WEEK", "false"}, {"LOG", "true"}, {"MAX_LIVE", "7"}}));
    gf_loadParameters(kWindowLists);
    auto expected = parameterElements(path);

    EXPECT_TRUE(gf_checkBoxState(window.window(), param::LOG.controlId, param::LOG));
    EXPECT_FALSE(param::LOG.on());
    EXPECT_FALSE(window.checked(param::LOG));
    for (auto& [name, value] : expected)
        if (name == "LOG")
            value = "false";
    EXPECT_EQ(parameterElements(path), expected);

    EXPECT_TRUE(gf_checkBoxState(window.window(), param::LOG.controlId, param::LOG));
    EXPECT_TRUE(param::LOG.on());
    EXPECT_TRUE(window.checked(param::LOG));
}

TEST_F(SettingsControls, ToggleOfAnotherControlTouchesNothing)
{
    SettingsWindow window;
    gf_loadParameters(kWindowLists);
    const auto before = readText(path);
    EXPECT_FALSE(gf_checkBoxState(window.window(), param::LOG.controlId, param::WEEK));
    EXPECT_FALSE(param::WEEK.on());
    EXPECT_FALSE(window.checked(param::WEEK));
    EXPECT_TRUE(window.checked(param::LOG));
    EXPECT_EQ(readText(path), before);
}

// The window thread toggles and saves while the start-up thread loads and sets the controls through
// messages to the window thread: neither may wait for the other while holding the file.
using SettingsControlsThreads = test::SettingsFolder;

TEST_F(SettingsControlsThreads, WindowThreadTogglesWhileTheStartupThreadLoads)
{
    std::atomic<bool> windowReady{false};
    std::atomic<bool> loaderDone{false};
    std::thread windowThread([&] {
        SettingsWindow window;
        windowReady = true;
        for (int i = 0; !loaderDone || i < 20; ++i) {
            gf_checkBoxState(window.window(), param::WEEK.controlId, param::WEEK);
            for (MSG msg; PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);)
                DispatchMessageW(&msg);
        }
    });
    while (!windowReady)
        std::this_thread::yield();
    std::thread startupThread([&] {
        for (int i = 0; i < 20; ++i)
            gf_loadParameters(kWindowLists);
        loaderDone = true;
    });
    startupThread.join();
    windowThread.join();
    std::vector<std::string> keys;
    for (const auto& [name, value] : parameterElements(path))
        keys.push_back(name);
    std::sort(keys.begin(), keys.end());
    EXPECT_EQ(keys, (std::vector<std::string>{"BLOCK_CALLSIGN", "LATERAL_RANGE", "LOG", "WEEK"}));
    EXPECT_FALSE(std::filesystem::exists(gf_parametersBackupPath()));
}

} // namespace
} // namespace zyn
