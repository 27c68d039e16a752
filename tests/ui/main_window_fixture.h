#pragma once
// A main window for tests, made as the program makes it: the class named after the title with the
// main window procedure, the settings file in a temporary folder, the log open there.
#include "base/log.h"
#include "core/startup.h"
#include "platform/system/process.h"
#include "platform/win32/message_loop.h"
#include "platform/win32/testing.h"
#include "platform/win32/window.h"
#include "requests/exit_request.h"
#include "settings/setting_controls.h"
#include "settings/settings_file.h"
#include "shown/status_line.h"
#include "shown/windows.h"
#include "tests/support/guard_time.h"
#include "tests/support/temp_dir.h"
#include "ui/main_window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <string_view>
#include <thread>

namespace zyn::test {

// Registers the class and opens the window; the calling thread is its user-interface thread.
inline HWND openMainWindow()
{
    WNDCLASSEXW c{};
    c.cbSize = sizeof c;
    c.style = CS_HREDRAW | CS_VREDRAW;
    c.lpfnWndProc = lf_mainWndProc;
    c.lpszClassName = u"Tarvo";
    RegisterClassExW(&c);
    EXPECT_TRUE(initInstance(GetModuleHandleW(nullptr), u"Tarvo"));
    return g_mainWindow.load();
}

// Types the text into the box (enabled for the test, emptied first) and presses Enter.
inline void enterInBox(const ParameterControl& box, std::u16string_view text)
{
    const HWND control = gf_controlWindow(box);
    EnableWindow(control, TRUE);
    SetWindowTextW(control, u"");
    win32test::typeText(control, text);
    win32test::pressEnter(control);
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gf_connectRooms(); // the close button runs the exit sequence, which ends the loop
        gf_setParametersPath(dir / "parameters.xml");
        gf_openLog();
        g_settingsRead = 1; // as the start-up's loader leaves it
    }
    void TearDown() override
    {
        gf_closeLog();
        gf_setParametersPath({});
    }
    HWND open() { return openMainWindow(); }
    std::string logText() { return readText(dir / "Log.txt"); }
    std::string parametersText() { return readText(dir / "parameters.xml"); }
    bool saved(const std::string& key, const std::string& value)
    {
        return parametersText().find("name=\"" + key + "\" value=\"" + value + "\"") != std::string::npos;
    }
    void enter(const ParameterControl& box, std::u16string_view text) { enterInBox(box, text); }
    void click(const ParameterControl& control)
    {
        EnableWindow(gf_controlWindow(control), TRUE);
        win32test::click(gf_controlWindow(control));
    }

    TempDir dir;
    ScopedCwd cwd{dir.path()};
};

// Stands in for the exit sequence: records the restart delay of the exit that was requested.
class ExitRecorder {
public:
    ExitRecorder() { gf_setExitSequence(lf_record); }
    ~ExitRecorder()
    {
        gf_setExitSequence(nullptr);
        s_seconds = -1;
    }
    // The restart delay of the requested exit once its sequence ran; -1 when none ran in time.
    static std::int32_t restartSeconds()
    {
        const auto deadline = std::chrono::steady_clock::now() + guardTime(std::chrono::seconds(10));
        while (s_seconds.load() < 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return s_seconds.load();
    }

private:
    static UINT lf_record(std::int32_t seconds)
    {
        g_exitRequested = 0;
        s_seconds = seconds;
        return 0;
    }
    static inline std::atomic<std::int32_t> s_seconds{-1};
};

} // namespace zyn::test
