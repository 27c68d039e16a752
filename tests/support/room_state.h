#pragma once
// Every test starts on the rooms' state of a fresh process, whatever the tests before it did, so that
// the test program passes whole, in one process and in any order. A listener of the test program
// (installed by room_state.cpp, nothing to call) resets each room through its own resets before each
// test and again after it; after a test it also fails the test that left behind what only the test
// can put back: its current folder, an environment variable, a clock of its own, a thread it started.
namespace zyn::test {

// Each room's state back to what a fresh process has; the listener calls it around every test.
void gf_resetRooms();

} // namespace zyn::test
