#include "ui/commands.h"

#include "airport/park_airport_state.h"
#include "base/folders.h"
#include "base/log.h"
#include "base/path_text.h"
#include "livery/livery_index.h"
#include "platform/system/error_text.h"
#include "platform/system/files.h"
#include "platform/win32/window.h"
#include "requests/exit_request.h"
#include "requests/main_loop_requests.h"
#include "settings/airport_settings.h"
#include "settings/setting_controls.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "settings/traffic_range.h"
#include "shown/repaint.h"
#include "shown/status_line.h"
#include "shown/windows.h"
#include "sim/link_state.h"
#include "ui/edit_boxes.h"
#include "ui/session_controls.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <fmt/format.h>

namespace zyn {

namespace {

using Action = void (*)(bool on); // on: the new state of a check box; false for a push button

struct Command {
    const ParameterControl* control;
    BoolControlParameter* checkBox; // null for a push button and a box whose action flips it
    Action action;
};

void lf_none(bool) {}

// A message while the option is in the given state, an empty status line otherwise.
void lf_sayWhen(bool show, const std::string& text)
{
    if (show)
        gf_setStatusMessage(text, false);
    else
        gf_clearStatusMessage();
}

void lf_markFileChangedWhileLoaded()
{
    if (g_parkAirportLoaded.load() != 0)
        g_airportFileChanged = 1;
}

void lf_unblock(bool)
{
    if (!param::BLOCK_CALLSIGN.empty())
        lf_unblockCallsign();
    else
        gf_setStatusMessage("Nothing to block or unblock...", false);
}

void lf_reRead(bool)
{
    g_reReadRequest = 1;
    gf_enableControl(param::REREAD_BUTTON, false);
    gf_enableControl(param::DESTINATION, false);
}

void lf_flushStatic(bool)
{
    gf_setStatusMessage("All static parked aircraft will be removed ...", false);
    g_removeAllRequest = 1;
    gf_enableControl(param::FLUSH_STATIC_BUTTON, false);
}

void lf_parkTrafficOnly(bool on)
{
    gf_applyParkTrafficOnly();
    g_airportFileChanged = 1;
    g_parkTrafficOnlyRequest = on ? 1 : 0;
    lf_requestParkingRenewal();
    gf_repaintBand(Band::Statistics);
}

void lf_simTime(bool) { lf_applySimTimeOption(); }

void lf_navLights(bool) { g_navLightsRequest = 1; }

void lf_autoRange(bool) { lf_applyAutoRange(); }

void lf_msfs2020(bool) { lf_switchSimulator(); }

constexpr std::string_view kSwitching = "switching the simulator";

// While an exit is under way a click changes nothing: a quit would not honour what it asks for, and
// another reason's restart would turn off the scans it saved. Said over a held error (the user must see
// that the click did nothing) without holding the line, so that the exit's own messages still show; a
// quit promises no restart.
void lf_refusedWhileExiting(GuardedStep exiting, std::string_view what)
{
    if (exiting == GuardedStep::Restarting)
        gf_showRefusal(fmt::format("{}: {} is restarting, click again once it has restarted", what, kProductName));
    else
        gf_showRefusal(fmt::format("{}: {} is closing, nothing was changed", what, kProductName));
}

bool lf_refused(GuardedStep step) { return step == GuardedStep::Restarting || step == GuardedStep::Quitting; }

void lf_sayRescan(bool on, std::string_view what, std::string_view whenAdded, bool restartNow)
{
    if (!on)
        gf_clearStatusMessage();
    else if (restartNow)
        gf_setStatusMessage(fmt::format("Your {} will be scanned", what), true);
    else
        gf_setStatusMessage(fmt::format("Your {} will be scanned at the next start of {}, recommended after you have "
                                        "add/removed {}",
                                        what, kProductName, whenAdded),
                            false);
}

// A rescan asked for before any simulator answered restarts now; otherwise at the next start.
void lf_askForRescan(BoolControlParameter& box, std::string_view what, std::string_view whenAdded, void (*prepare)())
{
    const std::optional<bool> on = gf_clickedState(g_mainWindow.load(), box);
    if (!on)
        return;
    const bool restartNow = *on && g_simNeverConnected.load() != 0;
    const auto asked = gf_runUnlessExiting(
        [&] {
            box.value = *on ? 1 : 0;
            if (!gf_writeParametersXml(box)) { // not asked for at all: a restart would read the file without it
                box.value = *on ? 0 : 1;
                gf_showErrorMessage(fmt::format("asking for a scan of your {}: {} could not be saved, see Log.txt",
                                                what, gf_utf8FileName(gf_parametersPath())));
                return false;
            }
            if (restartNow)
                prepare();
            lf_sayRescan(*on, what, whenAdded, restartNow);
            return true;
        },
        restartNow ? std::optional(ExitAsked{static_cast<std::int32_t>(ExitReason::NewSettings), 2}) : std::nullopt);
    if (lf_refused(asked))
        lf_refusedWhileExiting(asked, fmt::format("asking for a scan of your {}", what));
    else
        gf_showCheckBox(box);
}

// Only a flag: the next start-up builds the livery tables again.
void lf_scanLiveries(bool)
{
    lf_askForRescan(param::SCAN_LIVERIES, "liveries", "AI aircraft models/liveries", gf_clearLiveries);
}

void lf_scanAirports(bool)
{
    lf_askForRescan(param::SCAN_AIRPORTS, "airports", "airports", [] {});
}

void lf_ligAutomatic(bool on)
{
    lf_sayWhen(!on, "The liveries defined by your lfolder parameters will be scanned");
    gf_enableControl(param::AI_PACKAGE_ORDER, on);
}

void lf_ligPrioritize(bool on)
{
    lf_sayWhen(on, "Liveries in lower lfolders that are already available will be skipped");
}

void lf_renewal(bool) { lf_requestParkingRenewal(); }

void lf_initialLoadOnly(bool on)
{
    lf_sayWhen(on, "Initial Load Only: static parked aircraft are generated once, no renewal every 20 minutes");
    gf_repaintBand(Band::Settings);
    lf_markFileChangedWhileLoaded();
}

void lf_collisionLiveParked(bool on)
{
    lf_sayWhen(!on, "Be aware, no collision avoidance with live aircraft vs parked static on the ground");
}

void lf_collisionUserGround(bool on)
{
    lf_sayWhen(!on, "Be aware, no collision avoidance with user aircraft on the ground");
}

void lf_collisionUserAir(bool on) { lf_sayWhen(!on, "Be aware, no collision avoidance with user aircraft in the air"); }

void lf_suppressStub(bool on) { lf_sayWhen(on, "Exclude FSLTL-liveries titles ending with _STUB from scan"); }

void lf_alwaysOnTop(bool on)
{
    lf_sayWhen(on, fmt::format("{}'s window will remain visible", kProductName));
    SetWindowPos(g_mainWindow.load(), on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
}

void lf_learnSoft(bool) { lf_markFileChangedWhileLoaded(); }

void lf_guidChanges(bool on)
{
    lf_sayWhen(!on, "Be aware, no more livery updates: you miss correct data for Learn, LittleNavMap, etc..");
}

Command lf_button(const CommandControlParameter& button, Action action) { return {&button, nullptr, action}; }
Command lf_box(BoolControlParameter& box, Action action) { return {&box, &box, action}; }
// A check box whose action flips and saves it only once what it asks for can be done whole, and
// not while an exit is under way.
Command lf_ownToggle(BoolControlParameter& box, Action action) { return {&box, nullptr, action}; }

// In the order in which the handler tests them.
const std::vector<Command>& lf_commands()
{
    using namespace param;
    static const std::vector<Command> commands{
        lf_button(UNBLOCK_BUTTON, lf_unblock),
        lf_button(REREAD_BUTTON, lf_reRead),
        lf_button(FLUSH_STATIC_BUTTON, lf_flushStatic),
        lf_box(RT_PARKTRAFFIC_ONLY, lf_parkTrafficOnly),
        lf_box(KEEP_SIM_TIME_PAR, lf_none),
        lf_box(SIM_TIME, lf_simTime),
        lf_box(NAV_LIGHTS_WHILE_PARKED, lf_navLights),
        lf_box(AUTO_RANGE, lf_autoRange),
        lf_ownToggle(MSFS_2020, lf_msfs2020),
        lf_box(CALLSIGN_OBJECTIDS, lf_none),
        lf_ownToggle(SCAN_LIVERIES, lf_scanLiveries),
        lf_ownToggle(SCAN_AIRPORTS, lf_scanAirports),
        lf_box(LIG_AUTOMATIC, lf_ligAutomatic),
        lf_box(LIG_PRIORITIZE, lf_ligPrioritize),
        lf_box(PARK_SOFT, lf_renewal),
        lf_box(PARK_FAKE, lf_renewal),
        lf_box(WEEK, lf_renewal),
        lf_box(INITIAL_LOAD_ONLY, lf_initialLoadOnly),
        lf_box(COLLISION_LIVE_PARKED_GND, lf_collisionLiveParked),
        lf_box(COLLISION_USER_GND, lf_collisionUserGround),
        lf_box(COLLISION_USER_AIR, lf_collisionUserAir),
        lf_box(SUPPRESS_STUB, lf_suppressStub),
        lf_box(LOG, lf_none),
        lf_box(LIGHT_AIRCRAFT, lf_none),
        lf_box(HELICOPTERS, lf_none),
        lf_box(HIGH_PERF_AIRCRAFT, lf_none),
        lf_box(ALWAYS_ON_TOP, lf_alwaysOnTop),
        lf_box(STRAIGHT_PBS_ONLY, lf_none),
        lf_box(LEARN_SOFT, lf_learnSoft),
        lf_box(GUID_CHANGES, lf_guidChanges),
    };
    return commands;
}

// The simulator's switch is whole or not at all; what stops it shows in the status line and the log.
void lf_switchRefused(std::string_view reason)
{
    gf_showErrorMessage(fmt::format("{}: {}", kSwitching, reason));
}

// The file of the scanned liveries belongs to one simulator: it goes before the switch is saved, so
// that it can never be read as the other simulator's. False (and said) when it stays.
bool lf_removeScannedLiveries()
{
    std::error_code ec;
    if (gf_removeFile(g_liveriesScannedPath, ec) || !ec)
        return true;
    lf_switchRefused(fmt::format("{} could not be removed: {}", gf_utf8FromPath(g_liveriesScannedPath), gf_errorText(ec)));
    return false;
}

// The new simulator with both scans asked for, in one write of the settings: false (and said) when it
// failed, with the values in memory as they were.
bool lf_saveSwitch(bool msfs2020)
{
    using namespace param;
    const std::uint8_t before[] = {MSFS_2020.value, SCAN_AIRPORTS.value, SCAN_LIVERIES.value};
    MSFS_2020.value = msfs2020 ? 1 : 0;
    SCAN_AIRPORTS.value = 1;
    SCAN_LIVERIES.value = 1;
    if (gf_writeParametersXml({&MSFS_2020, &SCAN_AIRPORTS, &SCAN_LIVERIES}))
        return true;
    MSFS_2020.value = before[0];
    SCAN_AIRPORTS.value = before[1];
    SCAN_LIVERIES.value = before[2];
    lf_switchRefused(fmt::format("{} could not be saved, see Log.txt", gf_utf8FileName(gf_parametersPath())));
    return false;
}

// Everything of the switch but its controls, done before its restart may begin: false (and said) when
// it cannot be done whole.
bool lf_switchSettings(bool msfs2020)
{
    if (!lf_removeScannedLiveries() || !lf_saveSwitch(msfs2020))
        return false;
    gf_clearLiveries();
    gf_setStatusMessage(fmt::format("Switching Simulator to {}", msfs2020 ? "MSFS 2020" : "MSFS 2024"), true);
    param::ALL_INSTALL_PATH.setValue("");
    if (!msfs2020)
        param::VOZEVURAZO24_VERSION.setValueAndSave(""); // the companion package is checked again
    return true;
}

} // namespace

void lf_applyAutoRange()
{
    using namespace param;
    const bool on = AUTO_RANGE.on();
    g_airportFileChanged = 1;
    gf_enableControl(LATERAL_RANGE, !on);
    gf_enableControl(AUTO_RANGE_ABOVE_HEIGHT, on);
    if (on) {
        gf_adjustAutoRange(); // at once, also before the main loop runs
        return;
    }
    g_airportRangeMode = 0;
    gf_setTrafficRange(gf_usersAirportSettings().lateralRange);
    gf_setBoxInt(LATERAL_RANGE);
    gf_clearStatusMessage();
}

void lf_switchSimulator()
{
    using namespace param;
    const std::optional<bool> msfs2020 = gf_clickedState(g_mainWindow.load(), MSFS_2020);
    if (!msfs2020)
        return;
    const auto switched = gf_runUnlessExiting([&] { return lf_switchSettings(*msfs2020); },
                                              ExitAsked{static_cast<std::int32_t>(ExitReason::NewSettings), 3});
    if (lf_refused(switched))
        lf_refusedWhileExiting(switched, kSwitching);
    if (switched != GuardedStep::Done)
        return;
    for (const BoolControlParameter* box : {&MSFS_2020, &SCAN_AIRPORTS, &SCAN_LIVERIES})
        gf_showCheckBox(*box);
    gf_clearBox(ALL_INSTALL_PATH);
}

void lf_HandleWMCOMMAND(HWND window, WPARAM wParam)
{
    const WORD id = LOWORD(wParam);
    try {
        for (const Command& command : lf_commands()) {
            if (command.control->controlId != id)
                continue;
            // The check boxes do not toggle themselves: the state on screen changes only here. A click
            // before the settings are read changes nothing, so nothing acts on it either.
            if (command.checkBox && !gf_checkBoxState(window, id, *command.checkBox))
                break;
            command.action(command.checkBox && command.checkBox->on());
            break;
        }
        gf_repaintBand(Band::Settings);
    } catch (const std::exception& e) {
        gf_logErrorf("{} exception {}", "lf_HandleWMCOMMAND", gf_exceptionText(e));
    }
}

} // namespace zyn
