# The libFuzzer targets: one program per parser of untrusted input, tests/fuzz/<target>/<target>_fuzz.cpp,
# built into <build>/fuzz/<target>. Included by the top CMakeLists.txt when TARVO_FUZZ is on.
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "TARVO_FUZZ needs clang: configure with -DCMAKE_CXX_COMPILER=clang++")
endif()

add_compile_options(-O1 -fno-omit-frame-pointer -fsanitize=fuzzer-no-link,address,undefined
                    -fno-sanitize-recover=undefined)
add_link_options(-fsanitize=address,undefined)

# The rooms the parsers live in and the rooms beneath them; nothing above the livery catalogue.
file(GLOB_RECURSE TARVO_FUZZ_LIB_SOURCES CONFIGURE_DEPENDS
  platform/*.cpp base/*.cpp shown/*.cpp requests/*.cpp settings/*.cpp aircraft/*.cpp airport/*.cpp
  traffic/*.cpp sim/*.cpp livery/*.cpp)
list(FILTER TARVO_FUZZ_LIB_SOURCES EXCLUDE REGEX "_windows\\.cpp$") # the Windows-only implementations
tarvo_add_rooms_library(tarvo_fuzz_lib ${TARVO_FUZZ_LIB_SOURCES} tests/fuzz/support/fuzz_support.cpp
                        tests/support/temp_dir.cpp)

file(GLOB TARVO_FUZZ_TARGETS CONFIGURE_DEPENDS tests/fuzz/*/*_fuzz.cpp)
foreach(target_source ${TARVO_FUZZ_TARGETS})
  get_filename_component(target_name ${target_source} NAME_WE)
  string(REGEX REPLACE "_fuzz$" "" target_name ${target_name})
  add_executable(fuzz_${target_name} ${target_source})
  set_target_properties(fuzz_${target_name} PROPERTIES
    OUTPUT_NAME ${target_name} RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz UNITY_BUILD OFF)
  target_compile_options(fuzz_${target_name} PRIVATE ${TARVO_WARNINGS})
  target_link_options(fuzz_${target_name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(fuzz_${target_name} PRIVATE tarvo_fuzz_lib)
endforeach()
