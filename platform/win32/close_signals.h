#pragma once
// Ctrl-C and SIGTERM close the program the way its window's close button does: a WM_CLOSE to every
// top-level window. The signal handler only writes to a pipe; a watcher thread posts the messages.

namespace zyn {

// Installs the handlers and starts the watcher; false when the pipe or a handler cannot be set up.
bool gf_startCloseOnSignals();
// Restores the previous handlers and ends the watcher.
void gf_stopCloseOnSignals();

} // namespace zyn
