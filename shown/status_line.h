#pragma once
// The status line of the main window; callable from every thread. An error message holds the line
// until its owner lets it go; other messages disappear 25 counted seconds after they were set.
// Lock order: the status-line mutex, then the log mutex.
#include <cstdint>
#include <string>
#include <string_view>

namespace zyn {

// Shows a message unless an error message holds the line; with log set, also logs a non-empty text.
void gf_setStatusMessage(std::string_view text, bool log);
void gf_clearStatusMessage();
// Shows "Error {}" with the text, holds the line with it and logs it.
void gf_showErrorMessage(std::string_view text);
// Shows "Error {}" with the text of something refused and logs it. It shows over a held error too,
// without holding the line: the next message replaces it (while no error is held), and it goes as
// a message does, which shows the held error again.
void gf_showRefusal(std::string_view text);
// Lets go of a held error message and empties the line.
void gf_clearErrorMessage();

// The text the status line shows now.
std::string gf_statusMessage();
bool gf_statusHeld();
struct StatusLineView {
    std::string text;
    bool red; // the text is an error (it begins "Error")
};
StatusLineView gf_statusLineView(); // both at one moment, for the painter

// One counted second of the per-second work: advances the seconds tick and clears a message that
// has shown for 25 ticks.
void gf_statusSecondElapsed();
inline constexpr std::int32_t kStatusShowSeconds = 25;

// Back to an empty line (restart and tests).
void gf_resetStatusLine();

} // namespace zyn
