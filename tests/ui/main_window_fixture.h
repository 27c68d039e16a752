#pragma once
// A main window for tests, made as the program makes it: the class named after the title with the
// main window procedure, the settings file in a temporary folder, the log open there.
#include "base/log.h"
#include "core/startup.h"
#include "platform/system/process.h"
#include "platform/win32/message_loop.h"
#include "platform/win32/window.h"
#include "settings/settings_file.h"
#include "shown/status_line.h"
#include "tests/support/temp_dir.h"
#include "ui/main_window.h"

#include <gtest/gtest.h>

#include <string>

namespace zyn::test {

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gf_connectRooms(); // the close button runs the exit sequence, which ends the loop
        gf_setParametersPath(dir / "parameters.xml");
        gf_openLog();
    }
    void TearDown() override
    {
        gf_closeLog();
        gf_setParametersPath({});
    }
    // Registers the class and opens the window; the test thread is its user-interface thread.
    HWND open()
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
    std::string logText() { return readText(dir / "Log.txt"); }
    std::string parametersText() { return readText(dir / "parameters.xml"); }

    TempDir dir;
    ScopedCwd cwd{dir.path()};
};

} // namespace zyn::test
