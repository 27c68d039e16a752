# The test program's portable suites for Windows (mingw-w64), run under Wine by scripts/windows: what
# the program does with files, threads and its own runtime on Windows' C++ library, where that library
# differs from Linux's. GoogleTest is built from Debian's sources (/usr/src/googletest) into the build
# folder; the program's library is the one tarvo.exe links. The suites that need the simulator
# emulator, the Linux window layer, X or HTTPS stand-ins are left out (docs/windows.md says why).

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# The tests and the stand-ins are not what is tested: optimised for debugging only (-Og), without debug
# information. At -O0 every inline function becomes a section of its own, and the link took 3.5
# minutes over them (10 s at -Og).
set(TARVO_WIN_TEST_OPTIONS -Og -g0)

# The stand-ins and file generators the portable suites use, compiled with them (a library of their
# own would be built before the first test, alone on one core). HTTP only: the HTTPS stand-ins need
# OpenSSL, which has no mingw-w64 build here.
set(TARVO_WIN_TEST_TOOLS
  tools/airport_gen.cpp tools/bgl_writer.cpp tools/dbase_writer.cpp tools/demo_dbase.cpp
  tools/demo_liveries.cpp tools/scenario_gen.cpp tools/lockstep_clock.cpp
  tools/http_listen.cpp tools/download_server.cpp tools/refusing_port.cpp tools/traffic_server.cpp)

# Not named: the window layer's suites (ui, shown, platform/win32), the emulator's (platform/simconnect),
# the end-to-end runs (e2e), the Linux stand-ins for the system (platform/system but three), the stand-ins'
# own tests (tools) and the scripts' (scripts).
file(GLOB_RECURSE TARVO_WIN_TEST_SOURCES CONFIGURE_DEPENDS
  tests/base/*.cpp tests/settings/*.cpp tests/aircraft/*.cpp tests/livery/*.cpp tests/airport/*.cpp
  tests/parking/*.cpp tests/traffic/*.cpp tests/engine/*.cpp tests/core/*.cpp tests/sim/*.cpp tests/dist/*.cpp
  tests/support/*.cpp tests/platform/system/files_test.cpp tests/platform/system/lock_retry_test.cpp
  tests/platform/system/manual_clock_test.cpp)
set(TARVO_WIN_TESTS_LEFT_OUT
  # A child process ended half-way (fork, kill): Linux processes.
  airport/airport_scan_kill_test.cpp parking/learned_save_kill_test.cpp
  # The Linux program run as a child process, the test program's own children; the screen of the X display.
  core/program_test.cpp core/screen_test.cpp support/child_process.cpp support/child_role.cpp
  support/child_role_test.cpp support/xvfb.cpp
  # The simulator emulator.
  core/session_test.cpp parking/static_park_run_test.cpp sim/sim_client_test.cpp sim/sim_objects_test.cpp
  sim/sim_user_aircraft_test.cpp sim/flight_plan_handover_test.cpp sim/sim_link_fixture.cpp
  engine/driver_fixture.cpp engine/buffer_rules_test.cpp engine/commands_test.cpp engine/creation_pacing_test.cpp
  engine/driver_faults_test.cpp engine/driver_run_test.cpp engine/driver_threads_test.cpp
  engine/emulator_phases_test.cpp engine/merge_test.cpp engine/stand_session_test.cpp
  engine/stand_session_traffic.cpp
  # The headless window layer's test helpers (what a user sees and does in a window).
  settings/settings_controls_test.cpp core/settings_window_test.cpp core/startup_controls_test.cpp
  parking/park_airports_test.cpp
  # The HTTPS stand-ins (their certificates are made with OpenSSL).
  support/test_certificates.cpp base/download_https_test.cpp traffic/https_session_test.cpp
)
list(TRANSFORM TARVO_WIN_TESTS_LEFT_OUT PREPEND ${CMAKE_SOURCE_DIR}/tests/)
list(REMOVE_ITEM TARVO_WIN_TEST_SOURCES ${TARVO_WIN_TESTS_LEFT_OUT})

add_executable(tarvo_tests ${TARVO_WIN_TEST_SOURCES} ${TARVO_WIN_TEST_TOOLS})
target_include_directories(tarvo_tests PRIVATE ${CMAKE_SOURCE_DIR})
# The source folder as Wine shows it (its drive Z: is the Linux root).
target_compile_definitions(tarvo_tests PRIVATE TARVO_SOURCE_DIR="Z:${CMAKE_SOURCE_DIR}"
  TARVO_BINARY_DIR="Z:${CMAKE_BINARY_DIR}")
target_compile_options(tarvo_tests PRIVATE ${TARVO_WIN_WARNINGS} ${TARVO_WIN_TEST_OPTIONS})
target_link_libraries(tarvo_tests PRIVATE tarvo_lib ws2_32 GTest::gtest GTest::gtest_main)
