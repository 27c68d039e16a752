#pragma once
// The exit sequence: what runs, once, on the exit thread after any room requested the exit
// (requests/exit_request.h), and the restart reset that brings every shared state back.
#include "requests/exit_request.h"

namespace zyn {

// Makes the exit requests of every room run this sequence; once per process, before the window
// and the start-up can request an exit.
void gf_installExitSequence();

} // namespace zyn
