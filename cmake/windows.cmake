# The Windows build. Two ways in:
# - Windows developers: MSVC with vcpkg (vcpkg.json, CMakePresets.json): the program links against
#   vcpkg's libcurl, libzip and pugixml.
# - This Debian machine: mingw-w64 (cmake/mingw-w64-x86_64.cmake). Debian has no mingw-w64 build of
#   libcurl, libzip or pugixml: scripts/windows-deps cross-builds them from Debian's source packages
#   into a prefix (TARVO_WINDOWS_DEPS_PREFIX), and tarvo.exe links them statically. Beside the program:
#   the Windows check program (tests/windows/) and a stand-in "SimConnect.dll" made from the simulator
#   emulator, both run under Wine by scripts/windows.

# The Linux stand-ins for Windows: the headless window layer with its X11 display (every source of
# platform/win32 but those named *_windows.cpp), the Linux system services and the simulator
# emulator. On Windows the real system serves instead.
set(TARVO_LINUX_ONLY_SOURCES
  platform/system/codepage.cpp platform/system/known_folders.cpp platform/system/last_error.cpp
  platform/system/named_mutex.cpp platform/system/process.cpp platform/system/timer.cpp
  platform/system/environment.cpp platform/system/files.cpp platform/system/ascii_path.cpp
  platform/simconnect/simconnect_library.cpp)
list(TRANSFORM TARVO_LINUX_ONLY_SOURCES PREPEND ${CMAKE_SOURCE_DIR}/)

file(GLOB_RECURSE TARVO_WIN_SOURCES CONFIGURE_DEPENDS
  platform/*.cpp base/*.cpp shown/*.cpp requests/*.cpp settings/*.cpp aircraft/*.cpp airport/*.cpp
  traffic/*.cpp sim/*.cpp livery/*.cpp engine/*.cpp parking/*.cpp ui/*.cpp core/*.cpp)
list(FILTER TARVO_WIN_SOURCES EXCLUDE REGEX "/core/main\\.cpp$")
list(FILTER TARVO_WIN_SOURCES EXCLUDE REGEX "/platform/simconnect/emulator[^/]*\\.cpp$")
file(GLOB TARVO_LINUX_WINDOW_LAYER CONFIGURE_DEPENDS platform/win32/*.cpp)
list(FILTER TARVO_LINUX_WINDOW_LAYER EXCLUDE REGEX "_windows\\.cpp$")
list(REMOVE_ITEM TARVO_WIN_SOURCES ${TARVO_LINUX_WINDOW_LAYER})
list(REMOVE_ITEM TARVO_WIN_SOURCES ${TARVO_LINUX_ONLY_SOURCES})

set(TARVO_WIN_DEFINITIONS UNICODE _UNICODE NOMINMAX WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0A00
  TARVO_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
  TARVO_VERSION_MINOR=${PROJECT_VERSION_MINOR}
  TARVO_VERSION_PATCH=${PROJECT_VERSION_PATCH})
set(TARVO_WIN_SYSTEM_LIBRARIES shell32 ole32 uuid advapi32 user32 gdi32 winmm)

set(TARVO_MINGW_CROSS OFF)
if(CMAKE_CROSSCOMPILING AND NOT MSVC)
  set(TARVO_MINGW_CROSS ON)
  if(NOT TARVO_WINDOWS_DEPS_PREFIX)
    message(FATAL_ERROR "The mingw-w64 build links libraries cross-built by scripts/windows-deps: "
      "-DTARVO_WINDOWS_DEPS_PREFIX=$(scripts/windows-deps)")
  endif()
  # The header-only libraries from the Linux packages, in a folder of their own: /usr/include as a
  # whole would shadow mingw-w64's C library.
  set(TARVO_LINUX_HEADERS ${CMAKE_BINARY_DIR}/linux-headers)
  file(MAKE_DIRECTORY ${TARVO_LINUX_HEADERS})
  foreach(header fmt nlohmann gsl)
    file(CREATE_LINK /usr/include/${header} ${TARVO_LINUX_HEADERS}/${header} SYMBOLIC)
  endforeach()
  # zlib linked in, not its DLL's import library.
  set(ZLIB_LIBRARY /usr/${TARVO_MINGW_PREFIX}/lib/libz.a CACHE FILEPATH "" FORCE)
  set(ZLIB_INCLUDE_DIR /usr/${TARVO_MINGW_PREFIX}/include CACHE PATH "" FORCE)
  find_package(ZLIB REQUIRED)
  # A new prefix (new sources, compiler or recipe) is looked up afresh, not taken from the cache.
  if(NOT TARVO_WINDOWS_DEPS_PREFIX STREQUAL TARVO_WINDOWS_DEPS_PREFIX_FOUND)
    unset(pugixml_DIR CACHE)
    unset(libzip_DIR CACHE)
    unset(CURL_DIR CACHE)
    set(TARVO_WINDOWS_DEPS_PREFIX_FOUND ${TARVO_WINDOWS_DEPS_PREFIX} CACHE INTERNAL "")
  endif()
  find_package(pugixml CONFIG REQUIRED)
  find_package(libzip CONFIG REQUIRED)
  find_package(CURL CONFIG REQUIRED)
  add_library(tarvo_win_deps INTERFACE)
  target_include_directories(tarvo_win_deps SYSTEM INTERFACE ${TARVO_LINUX_HEADERS})
  target_compile_definitions(tarvo_win_deps INTERFACE FMT_HEADER_ONLY CURL_STATICLIB)
  target_link_libraries(tarvo_win_deps INTERFACE pugixml::pugixml libzip::zip CURL::libcurl)
  # Only the DLLs every Windows has: the C++ and thread runtimes linked in.
  target_link_options(tarvo_win_deps INTERFACE -static)
else()
  find_package(fmt CONFIG REQUIRED)
  find_package(pugixml CONFIG REQUIRED)
  find_package(nlohmann_json CONFIG REQUIRED)
  find_package(Microsoft.GSL CONFIG REQUIRED)
  find_package(CURL REQUIRED)
  find_package(libzip CONFIG REQUIRED)
  add_library(tarvo_win_deps INTERFACE)
  target_link_libraries(tarvo_win_deps INTERFACE fmt::fmt pugixml::pugixml nlohmann_json::nlohmann_json
    Microsoft.GSL::GSL CURL::libcurl libzip::zip)
endif()

if(TARVO_MINGW_CROSS)
  # Line tables in the unstripped tarvo.exe of the build folder, for crash analysis; the zip's is stripped.
  add_compile_options(-g1)
  # For Windows, g++ lets an optimised caller keep values in the registers that its copy of an inline
  # or template callee leaves alone, though the linker keeps just one copy of such a callee, maybe one
  # compiled with other options (the test program's): the caller's values were then overwritten (a
  # crash in std::mt19937 called from the program's library).
  add_compile_options(-fno-ipa-ra)
endif()

option(TARVO_WERROR "Warnings are errors" OFF)
option(TARVO_UNITY "Unity build" OFF)
if(TARVO_UNITY)
  set(CMAKE_UNITY_BUILD ON)
  set(CMAKE_UNITY_BUILD_BATCH_SIZE 16)
endif()
find_program(CCACHE_PROGRAM ccache)
if(CCACHE_PROGRAM)
  set(CMAKE_CXX_COMPILER_LAUNCHER ${CCACHE_PROGRAM})
endif()

if(MSVC)
  set(TARVO_WIN_WARNINGS /W4 /utf-8 /permissive-)
  if(TARVO_WERROR)
    list(APPEND TARVO_WIN_WARNINGS /WX)
  endif()
else()
  # g++ 12 warns of overlapping copies inside libstdc++'s own string code at -O2 (a known false
  # positive of -Wrestrict), never of ours.
  set(TARVO_WIN_WARNINGS -Wall -Wextra -Wpedantic -Wno-restrict)
  if(TARVO_WERROR)
    list(APPEND TARVO_WIN_WARNINGS -Werror)
  endif()
endif()

add_library(tarvo_lib STATIC ${TARVO_WIN_SOURCES})
target_include_directories(tarvo_lib PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_definitions(tarvo_lib PUBLIC ${TARVO_WIN_DEFINITIONS})
target_compile_options(tarvo_lib PRIVATE ${TARVO_WIN_WARNINGS})
target_link_libraries(tarvo_lib PUBLIC tarvo_win_deps ${TARVO_WIN_SYSTEM_LIBRARIES})

configure_file(core/tarvo.rc.in ${CMAKE_BINARY_DIR}/tarvo.rc @ONLY)
configure_file(core/tarvo.manifest.in ${CMAKE_BINARY_DIR}/tarvo.manifest @ONLY)

add_executable(tarvo WIN32 core/main.cpp ${CMAKE_BINARY_DIR}/tarvo.rc)
target_compile_options(tarvo PRIVATE ${TARVO_WIN_WARNINGS})
target_link_libraries(tarvo PRIVATE tarvo_lib)
if(MSVC)
  target_sources(tarvo PRIVATE ${CMAKE_BINARY_DIR}/tarvo.manifest)
else()
  # MSVC's linker embeds the manifest itself; with mingw-w64 the resource script does.
  set_source_files_properties(${CMAKE_BINARY_DIR}/tarvo.rc PROPERTIES COMPILE_DEFINITIONS TARVO_RC_MANIFEST
    OBJECT_DEPENDS "${CMAKE_BINARY_DIR}/tarvo.manifest;${CMAKE_SOURCE_DIR}/core/tarvo.ico")
  target_link_options(tarvo PRIVATE -municode)
endif()

if(NOT TARVO_MINGW_CROSS)
  return()
endif()

# The program folder as a user unpacks it: tarvo.exe, "docs" with the user's manual and "input" with the
# airports database. The zip's tarvo.exe is stripped: no debug information and no symbol table, which
# would name folders of this machine; the unstripped one stays in the build folder for crash analysis.
set(TARVO_ZIP_NAME Tarvo-${PROJECT_VERSION}-win64)
set(TARVO_ZIP_FOLDER ${CMAKE_BINARY_DIR}/zip/Tarvo)
file(GLOB_RECURSE TARVO_DIST_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/dist/*)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/${TARVO_ZIP_NAME}.zip
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${TARVO_ZIP_FOLDER}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${TARVO_ZIP_FOLDER}/docs ${TARVO_ZIP_FOLDER}/input
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/dist ${TARVO_ZIP_FOLDER}
  COMMAND ${CMAKE_COMMAND} -E rm -f ${TARVO_ZIP_FOLDER}/input/.keep
  COMMAND ${CMAKE_STRIP} --strip-all -o ${TARVO_ZIP_FOLDER}/tarvo.exe $<TARGET_FILE:tarvo>
  COMMAND ${CMAKE_COMMAND} -E rm -f ${CMAKE_BINARY_DIR}/${TARVO_ZIP_NAME}.zip
  COMMAND ${CMAKE_COMMAND} -E chdir ${CMAKE_BINARY_DIR}/zip
    ${CMAKE_COMMAND} -E tar cf ${CMAKE_BINARY_DIR}/${TARVO_ZIP_NAME}.zip --format=zip Tarvo
  DEPENDS tarvo ${TARVO_DIST_FILES}
  COMMENT "Packing ${TARVO_ZIP_NAME}.zip")
add_custom_target(tarvo_zip ALL DEPENDS ${CMAKE_BINARY_DIR}/${TARVO_ZIP_NAME}.zip)

file(GLOB TARVO_EMULATOR_SOURCES CONFIGURE_DEPENDS platform/simconnect/emulator*.cpp)
list(REMOVE_ITEM TARVO_EMULATOR_SOURCES ${CMAKE_SOURCE_DIR}/platform/simconnect/emulator_report.cpp) # the picture
add_library(SimConnect SHARED ${TARVO_EMULATOR_SOURCES} platform/system/clock.cpp
  platform/system/environment_windows.cpp
  platform/simconnect/simconnect_export.def)
set_target_properties(SimConnect PROPERTIES PREFIX "" OUTPUT_NAME SimConnect)
target_include_directories(SimConnect PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_definitions(SimConnect PRIVATE ${TARVO_WIN_DEFINITIONS} TARVO_EMULATOR_NO_PICTURE)
target_compile_options(SimConnect PRIVATE ${TARVO_WIN_WARNINGS})
target_link_libraries(SimConnect PRIVATE tarvo_win_deps)

# The Windows check program: what the program does with Windows' own files, locks, windows and the
# SimConnect library, checked under Wine.
file(GLOB TARVO_WINDOWS_CHECK_SOURCES CONFIGURE_DEPENDS tests/windows/*.cpp)
add_executable(tarvo_windows_check ${TARVO_WINDOWS_CHECK_SOURCES} tests/support/user_folders.cpp)
target_compile_options(tarvo_windows_check PRIVATE ${TARVO_WIN_WARNINGS})
target_link_libraries(tarvo_windows_check PRIVATE tarvo_lib)
target_link_options(tarvo_windows_check PRIVATE -municode)

option(TARVO_BUILD_TESTS "Build the test program's portable suites (tarvo_tests.exe)" OFF)
if(TARVO_BUILD_TESTS)
  include(cmake/windows_tests.cmake)
endif()

# A unity batch hides a missing include: another source of the batch brings the header in. The Linux
# plain stage compiles every source alone; here the sources whose code is for Windows alone are compiled
# alone too (named *_windows.cpp, the Windows check program's, code under _WIN32), the rest in batches
# (all alone, this build takes three times as long).
if(TARVO_UNITY)
  foreach(target tarvo_lib tarvo SimConnect tarvo_windows_check tarvo_tests)
    if(NOT TARGET ${target})
      continue()
    endif()
    get_target_property(sources ${target} SOURCES)
    list(FILTER sources INCLUDE REGEX "\\.cpp$")
    foreach(source ${sources})
      get_filename_component(source ${source} ABSOLUTE BASE_DIR ${CMAKE_SOURCE_DIR})
      file(STRINGS ${source} windows_code REGEX "_WIN32" LIMIT_COUNT 1)
      if(windows_code OR source MATCHES "(_windows\\.cpp|/tests/windows/[^/]*)$")
        set_source_files_properties(${source} PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
      endif()
    endforeach()
  endforeach()
endif()
