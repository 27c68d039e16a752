#pragma once
// The start state of the main window's controls, set once per start-up.

namespace zyn {

void lf_enableStartupControls();

} // namespace zyn
