#pragma once
// Program entry and the start-up sequence. The user-interface thread runs the window and its
// message loop for the whole process; the start-up sequence runs on a thread of its own, again
// after every in-process restart, and hands over to the session run.
#include "platform/win32/types.h"

#include <atomic>
#include <cstdint>
#include <thread>

namespace zyn {

// The single-instance guard: a second start of the program finds this mutex taken and ends at once.
inline constexpr char kMutexName[] = "Local\\$TarvoTraffic$";

extern std::jthread g_startupThread;
extern std::atomic<std::uint8_t> g_databaseLoaded; // the aircraft database is read once per process

int wWinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR commandLine, int show);
// The exit code of a window that could not start (its title, class, window or the per-user folder
// refused): a failure, as that of a refused start-up, never 0.
inline constexpr int kWindowFailedCode = 1;
int lf_runMainWindow(HINSTANCE instance);

// Hands the rooms below what they call up here without knowing it: the exit sequence behind every
// exit request, static parking's answers to the engine, the start-up behind the window's WM_APP+1.
// Once per process, before the window exists.
void gf_connectRooms();

// The start-up sequence, the body of g_startupThread; reports every exception itself.
void lf_startUpTarvo();
// Settings, folders, updates, aircraft database, simulator package path, controls, airports.
void lf_detectInstallPath();

// The answer to WM_APP+1: stops and joins the previous start-up thread, then starts a new one.
void gf_startStartupThread();
// Set when the start-up thread is being replaced or the program ends; only waits test it.
bool gf_startupStopRequested();

} // namespace zyn
