#pragma once
// What happens when the user presses Enter in a box of the main window: the typed text becomes the
// setting's new value (checked, kept within its bounds, saved) and has its effect on the running
// program. What the main loop must do in answer is asked through request flags. Window thread.
#include "platform/win32/types.h"
#include "settings/settings.h"

#include <optional>
#include <string>
#include <string_view>

namespace zyn {

// The number a box holds: a leading decimal number after blanks, with a sign; the rest is ignored.
// Nothing when it does not start with a number; std::out_of_range when it does not fit.
std::optional<std::int64_t> gf_leadingInteger(std::string_view text);
std::optional<double> gf_leadingNumber(std::string_view text);
// Upper-cased letters and digits, minLength to maxLength of them; nothing for anything else.
std::optional<std::string> gf_codeText(std::string_view typed, std::size_t minLength, std::size_t maxLength);

// Apply the number typed into the parameter's box; true when the value changed. In every case the
// box then shows the value in force and the status line says what happened.
bool lf_processTbInt(IntControlParameter& parameter);
bool lf_processTbFloat(FloatControlParameter& parameter);

// Enter in a box, by the kind of its setting.
void lf_numBoxEnter(IntControlParameter& parameter);
void lf_textBoxEnter(StringControlParameter& parameter);
void lf_maxFitBoxEnter();

// Asks the main loop to renew the static parking at its next 15-second step.
void lf_requestParkingRenewal();

void lf_blockCallsign();
void lf_unblockCallsign();
void lf_processDestination();
// A typed packages folder of the simulator, for MSFS_INSTALL_PATH or MSFS_2024_INSTALL_PATH.
void lf_newSimPath(StringParameter& installPath, const std::string& text);
void lf_restartForCommunityPath();

} // namespace zyn
