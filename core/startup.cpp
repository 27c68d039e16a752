#include "core/startup.h"

#include "airport/airport_scan.h"
#include "airport/learned_merge.h"
#include "base/atomic_file.h"
#include "base/encoding.h"
#include "base/errors.h"
#include "base/folders.h"
#include "base/log.h"
#include "base/path_text.h"
#include "base/time_util.h"
#include "base/workers.h"
#include "core/auto_range.h"
#include "core/exit.h"
#include "core/startup_steps.h"
#include "engine/stand_search.h"
#include "parking/parking_count.h"
#include "parking/parking_fit.h"
#include "platform/system/clock.h"
#include "platform/system/error_text.h"
#include "platform/system/last_error.h"
#include "platform/system/named_mutex.h"
#include "platform/system/process.h"
#include "platform/win32/constants.h"
#include "platform/win32/gdi.h"
#include "platform/win32/message_loop.h"
#include "platform/win32/window.h"
#include "requests/main_loop_requests.h"
#include "settings/airport_settings.h"
#include "settings/setting_controls.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "settings/traffic_range.h"
#include "shown/display_state.h"
#include "shown/repaint.h"
#include "shown/status_line.h"
#include "traffic/client.h"
#include "ui/main_window.h"

#include <algorithm>
#include <exception>
#include <mutex>
#include <stop_token>
#include <system_error>
#include <vector>

#include <fmt/format.h>

namespace zyn {

std::jthread g_startupThread;
std::atomic<std::uint8_t> g_databaseLoaded{0};

namespace {

// The running start-up thread's stop token, which it keeps here while it runs (no thread_local: on
// Windows the runtime frees a thread's storage before the destructor of such an object runs).
std::mutex g_startupStopMutex;
std::stop_token g_startupStop; // under g_startupStopMutex
std::atomic<bool> g_startupRunning{false};
// What opening the log threw. With no log to write it to, the start-up reports it in the status line.
std::exception_ptr g_logOpenError;

constexpr UINT kTitleResource = 101;
constexpr WORD kIconResource = 100;
constexpr std::int32_t kNoInstallPathError = 150;

void lf_disableAndEmpty(const ParameterControl& control)
{
    gf_enableControl(control, false);
    SetWindowTextW(gf_controlWindow(control), TEXT(""));
}

StringParameter& lf_modeInstallPath()
{
    return param::MSFS_2020.on() ? param::MSFS_INSTALL_PATH : param::MSFS_2024_INSTALL_PATH;
}

// Seconds since the last request to the traffic service, both times taken as signed 32-bit; the
// difference is kept in 64 bits so that no stored value can overflow it.
std::int64_t lf_secondsSinceLastRequest()
{
    return std::int64_t{static_cast<std::int32_t>(gf_timeNow())} - param::LAST_EPOCH_TIME.value.load();
}

void lf_checkProgramFolder()
{
    std::error_code ec;
    const auto status = std::filesystem::status(g_docsPath, ec);
    if (ec && status.type() != std::filesystem::file_type::not_found)
        throw std::filesystem::filesystem_error("status", g_docsPath, ec);
    if (!std::filesystem::is_directory(status))
        throw UserErrorException(41, fmt::format("{} must be run from the {} folder!", kProductName, kProductName));
}

bool lf_fileExists(const std::filesystem::path& path)
{
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (ec && status.type() != std::filesystem::file_type::not_found)
        throw std::filesystem::filesystem_error("exists", path, ec);
    return std::filesystem::exists(status);
}

// A scan that has no list of liveries to read must rescan them.
void lf_requireLiveryScanWhenFileIsGone()
{
    if (lf_fileExists(g_liveriesScannedPath) || param::SCAN_LIVERIES.on())
        return;
    gf_setStatusMessage(fmt::format("File {} is gone, rescan liveries", gf_utf8FromPath(g_liveriesScannedPath)), true);
    param::SCAN_LIVERIES.value = 1;
    gf_writeParametersXml(param::SCAN_LIVERIES);
    gf_showCheckBox(param::SCAN_LIVERIES);
    gf_repaintBand(Band::Settings);
}

// The service must not be asked again within 2 seconds of its last request. A stored time in the
// future (clock set back) must not hold longer than that.
void lf_holdForTrafficService(std::int64_t secondsSince)
{
    if (secondsSince >= 2)
        return;
    const std::int64_t n = std::min<std::int64_t>(2 - secondsSince, 2);
    const auto until = gf_saturatingAdd(gf_steadyNow(), std::chrono::seconds(n));
    gf_setStatusMessage(fmt::format("Holding for {} seconds... (RT API cannnot be revisited within 2 seconds)", n), true);
    gf_sleepUntil(until, [] { return gf_exitUnderWay(); });
}

std::uint64_t lf_entryCount(const std::filesystem::path& folder)
{
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    if (ec)
        return 0;
    return static_cast<std::uint64_t>(std::distance(it, std::filesystem::directory_iterator()));
}

void lf_countAddOnAirports()
{
    g_simaddonCount = lf_entryCount(g_mySimaddonPath);
    g_thirdpartyCount = lf_entryCount(g_myThirdpartyPath);
    gf_repaintBand(Band::Counters);
}

void lf_restoreDestination()
{
    const auto code = param::DESTINATION.getValue();
    if (code.empty())
        return;
    if (const auto airport = g_startupSteps.findAirport(code))
        lf_setDestination(code, LatLon{airport->lat, airport->lon});
}

void lf_applyAlwaysOnTop()
{
    SetWindowPos(g_mainWindow.load(), param::ALWAYS_ON_TOP.on() ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE);
}

// The current folder of the process, as Windows gives it.
std::string lf_currentFolder()
{
    std::vector<WCHAR> buffer(260);
    for (;;) {
        const DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
        if (length == 0)
            throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), "GetCurrentDirectoryW");
        if (length < buffer.size())
            return gf_utf16ToUtf8(WideStringView(buffer.data(), length));
        buffer.resize(length);
    }
}

void lf_runUpdates()
{
    if (!g_restartPending.load())
        g_startupSteps.checkProgramVersion();
    if (param::MSFS_2020.on())
        return;
    if (g_startupSteps.simAddonMissing())
        g_startupSteps.updateSimAddon();
    if (!g_restartPending.load())
        g_startupSteps.updateSimAddon();
}

// The stored packages folder of the current simulator, else the detected one.
void lf_setInstallPath()
{
    auto& modePath = lf_modeInstallPath();
    param::ALL_INSTALL_PATH.setValue(modePath.getValue());
    gf_enableControl(param::ALL_INSTALL_PATH, true);
    gf_setBoxText(param::ALL_INSTALL_PATH);
    if (!param::ALL_INSTALL_PATH.empty())
        return;
    const auto detected = g_startupSteps.detectMsfsInstall();
    if (detected.empty())
        throw UserErrorException(
            kNoInstallPathError, "No install path detected, type full path to your Community folder above, and press Enter");
    modePath.setValueAndSave(gf_utf8FromPath(detected));
    param::ALL_INSTALL_PATH.setValue(gf_utf8FromPath(detected));
    gf_setBoxText(param::ALL_INSTALL_PATH);
}

void lf_setStartupControls()
{
    gf_repaintBand(Band::Settings);
    using namespace param;
    for (const ParameterControl* control :
         std::initializer_list<const ParameterControl*>{&LIG_PRIORITIZE, &SCAN_LIVERIES, &LIG_AUTOMATIC, &MSFS_2020,
                                                        &SCAN_AIRPORTS, &LIGHT_AIRCRAFT, &HELICOPTERS,
                                                        &HIGH_PERF_AIRCRAFT, &INITIAL_LOAD_ONLY, &PARK_SOFT,
                                                        &STRAIGHT_PBS_ONLY, &PARK_FAKE, &WEEK,
                                                        &NAV_LIGHTS_WHILE_PARKED, &COLLISION_USER_GND,
                                                        &AIRPORT_RANGE, &AIRPORT_HEIGHT, &MATCHING_DEPTH})
        gf_enableControl(*control, true);
    gf_enableControl(CALLSIGN_OBJECTIDS, MSFS_2020.on());
    lf_disableAndEmpty(parking_percentage);
    lf_disableAndEmpty(MAX_FIT_FL);
    gf_enableControl(DESTINATION, false);
    gf_enableControl(FLUSH_STATIC_BUTTON, false);
    MAX_FIT_FL.value = static_cast<float>(MAX_FIT.value.load()) * 0.5f + 0.5f;
}

// Ends the start-up thread. Its steps set controls of the main window, which waits for this thread,
// so the messages it sends are answered until it has ended; otherwise both would wait for ever.
void lf_stopStartupThread()
{
    if (!g_startupThread.joinable())
        return;
    g_startupThread.request_stop();
    while (g_startupRunning.load()) {
        MSG message{};
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    g_startupThread.join();
}

void lf_keepStartupStop(std::stop_token stop)
{
    std::lock_guard lock(g_startupStopMutex);
    g_startupStop = std::move(stop);
}

} // namespace

void lf_detectInstallPath()
{
    g_startupSteps.buildParameterLists();
    gf_repaintBand(Band::Counters);
    g_startupSteps.checkCommunityPath(lf_modeInstallPath());
    g_startupSteps.createFolders();
    g_maxLive = param::MAX_LIVE.value.load();
    lf_runUpdates();
    g_startupSteps.enableStartupControls();
    param::PROGRAM_INSTALL_PATH.setValue(lf_currentFolder());
    saveParameter(param::PROGRAM_INSTALL_PATH);
    g_nowWeekSlot = gf_weekdayAndSlot();
    if (!g_databaseLoaded.load()) {
        g_startupSteps.readDbase();
        g_databaseLoaded = 1;
    }
    lf_setInstallPath();
    lf_setStartupControls();
    gf_takeUsersAirportSettings();
    g_startupSteps.readAirports();
}

void lf_startUpTarvo()
{
    try {
        lf_checkProgramFolder();
        if (g_logOpenError)
            std::rethrow_exception(g_logOpenError);
        lf_detectInstallPath();
        const std::int64_t secondsSince = lf_secondsSinceLastRequest();
        gf_resetWorkers();
        lf_requireLiveryScanWhenFileIsGone();
        g_startupSteps.scanLiveries();
        if (gf_exitUnderWay())
            return;
        if (param::SCAN_AIRPORTS.on()) {
            g_simaddonCount = 0;
            g_thirdpartyCount = 0;
            gf_repaintBand(Band::Counters);
            g_startupSteps.scanAirports();
        }
        lf_holdForTrafficService(secondsSince);
        lf_countAddOnAirports();
        if (gf_exitUnderWay()) {
            gf_requestExit(static_cast<std::int32_t>(ExitReason::UserClosedSim), 1);
            return;
        }
        g_startupSteps.createFlightPlanFolder();
        g_startupSteps.readMyParkAirports();
        gf_enableControl(param::REREAD_BUTTON, true);
        lf_restoreDestination();
        lf_applyAlwaysOnTop();
        if (param::AUTO_RANGE.on()) {
            g_startupSteps.adjustTrafficRange();
            gf_enableControl(param::LATERAL_RANGE, false);
        }
        g_startupSteps.runSession();
    } catch (const UserErrorException& e) {
        if (e.code() != kNoInstallPathError) {
            gf_reportException("lf_startUpTarvo");
            return;
        }
        // No exit: the user types the path into its box, whose handler restarts the program.
        gf_showErrorMessage(fmt::format("{}: {}", "lf_startUpTarvo", e.what()));
    } catch (...) {
        gf_reportException("lf_startUpTarvo");
    }
}

void gf_startStartupThread()
{
    lf_stopStartupThread();
    g_startupRunning = true;
    g_startupThread = std::jthread([](std::stop_token stop) {
        lf_keepStartupStop(std::move(stop));
        lf_startUpTarvo();
        lf_keepStartupStop({});
        g_startupRunning = false;
    });
}

bool gf_startupStopRequested()
{
    std::lock_guard lock(g_startupStopMutex);
    return g_startupStop.stop_requested();
}

void gf_connectRooms()
{
    gf_installExitSequence();
    gf_installParkingQueries();
    gf_setStandSearch(lf_searchStands);
    gf_setAutoRangeAdjustment(gf_adjustTrafficRange);
    gf_setStartupStarter(gf_startStartupThread);
    gf_setLastReportTimeSource(&g_trafficClient.lastReportTime);
}

int lf_runMainWindow(HINSTANCE instance)
{
    gf_connectRooms();
    WCHAR title[100] = {};
    if (LoadStringW(instance, kTitleResource, title, 100) == 0) {
        gf_log("Failed to load application title");
        return kWindowFailedCode;
    }
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = lf_mainWndProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(kIconResource));
    windowClass.hIconSm = windowClass.hIcon;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = CreateSolidBrush(RGB(0, 0, 0));
    windowClass.lpszClassName = title;
    if (RegisterClassExW(&windowClass) == 0) {
        DeleteObject(windowClass.hbrBackground); // only a registered class owns its brush
        gf_log("Failed to register window class");
        return kWindowFailedCode;
    }
    if (!initInstance(instance, title)) {
        gf_log("initInstance failed");
        return kWindowFailedCode;
    }
    try {
        const auto& dataFolder = gf_userDataPath();
        if (std::filesystem::status(dataFolder).type() == std::filesystem::file_type::not_found)
            std::filesystem::create_directories(dataFolder);
    } catch (const std::filesystem::filesystem_error& e) {
        gf_logf("Failed to create directory: {}", gf_exceptionText(e));
        return kWindowFailedCode;
    }
    if (const HWND window = g_mainWindow.load())
        PostMessageW(window, WM_APP + 1, 0, 0);
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (TranslateAcceleratorW(message.hwnd, nullptr, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

int wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int)
{
    CreateMutexA(nullptr, FALSE, kMutexName);
    if (GetLastError() == ERROR_ALREADY_EXISTS)
        return -1;
    // Nothing is written into a folder that is no program folder, not even the log and its backups
    // (the start-up then refuses to run, in the status line). This is the only instance: what an
    // earlier one left half-saved when it was killed can go.
    std::error_code ec;
    if (std::filesystem::is_directory(g_docsPath, ec)) {
        try {
            gf_openLog();
        } catch (...) {
            g_logOpenError = std::current_exception();
        }
        gf_removeStaleTemporaries(std::filesystem::current_path());
        gf_repairScanFolders();
    }
    gf_removeStaleTemporaries(gf_userDataPath());
    const int code = lf_runMainWindow(instance);
    // The start-up thread may still be waiting; it must end before the program's globals go.
    lf_stopStartupThread();
    g_logOpenError = nullptr;
    return code;
}

} // namespace zyn
