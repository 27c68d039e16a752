#pragma once
// The frame event's work on the SimConnect thread: everything queued since the previous frame is sent
// in one pass. The SimConnect mutex is only try-locked, so the dispatch never waits for the main loop.
namespace zyn {

void gf_onFrame();

} // namespace zyn
