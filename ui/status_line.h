#pragma once
// The status line of the main window; callable from every thread.
#include <string>
#include <string_view>

namespace zyn {

// Shows a message unless an error message holds the line; with log set, also logs a non-empty text.
void gf_setStatusMessage(std::string_view text, bool log);
void gf_clearStatusMessage();
// Shows "Error {}" with the text, holds the line with it and logs it.
void gf_showErrorMessage(std::string_view text);

// The text the status line shows now.
std::string gf_statusMessage();

} // namespace zyn
