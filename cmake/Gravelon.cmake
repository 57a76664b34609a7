# Shared build rules: warnings, sanitizers, and the helpers every component uses.

set(GRAVELON_WARNINGS -Wall -Wextra -Wshadow=local -Wnon-virtual-dtor -Wno-missing-field-initializers)
if(GRAVELON_WERROR)
  list(APPEND GRAVELON_WARNINGS -Werror)
endif()
add_compile_options("$<$<COMPILE_LANGUAGE:CXX>:${GRAVELON_WARNINGS}>")

if(GRAVELON_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
  # Every program and plug-in carries the runtime's default options (see sanitizer_defaults.cpp: the leak
  # check's walk of dynamic thread-local storage crashed on some machines and not on others).
  add_library(gravelon_sanitizer_defaults OBJECT ${CMAKE_CURRENT_LIST_DIR}/sanitizer_defaults.cpp)
  link_libraries(gravelon_sanitizer_defaults)
endif()

if(GRAVELON_FUZZ AND NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(FATAL_ERROR "GRAVELON_FUZZ needs clang: configure with CXX=clang++ CC=clang")
endif()
if(GRAVELON_FUZZ)
  # Coverage instrumentation in every library, so that the fuzzers see the code they drive.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# Environment of every test: no display, no sound card, no prompts.
# Temporary files go below the build folder, so that two build folders (or two checkouts) testing at the
# same time never share a scratch folder.
set(GRAVELON_TEST_TMP ${CMAKE_BINARY_DIR}/tmp)
file(MAKE_DIRECTORY ${GRAVELON_TEST_TMP})
set(GRAVELON_TEST_ENV
    "SDL_VIDEODRIVER=offscreen;SDL_AUDIODRIVER=dummy;ALSOFT_DRIVERS=null;GRAVELON_HEADLESS=1;TEST_TMPDIR=${GRAVELON_TEST_TMP}/;TMPDIR=${GRAVELON_TEST_TMP}")

# Adds every immediate subfolder of the current folder that holds a CMakeLists.txt, in name order.
function(gravelon_add_subdirs)
  file(GLOB children RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT children)
  foreach(child ${children})
    if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${child}
       AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()

# gravelon_library(name [SHARED] SOURCES ... [DEPS ...] [PRIVATE_DEPS ...])
# Headers are included by their path from the repository root, e.g. "game/core/maths/VecMath.h".
# SHARED builds a shared object into build/bin, beside the programs and plug-ins: for libraries that
# hold process-wide state (hooks, settings), which must exist once however many shared objects use them.
function(gravelon_library name)
  cmake_parse_arguments(ARG "SHARED" "" "SOURCES;DEPS;PRIVATE_DEPS" ${ARGN})
  if(ARG_SHARED)
    add_library(${name} SHARED ${ARG_SOURCES})
    set_target_properties(${name} PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  else()
    add_library(${name} STATIC ${ARG_SOURCES})
  endif()
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
endfunction()

# gravelon_test(name SOURCES ... [DEPS ...] [TIMEOUT seconds] [SERIAL])
# One GoogleTest program; each test case becomes a CTest test, run headless. TIMEOUT (default 300) is
# for programs whose cases each build the whole default content, which the sanitizer build makes slow.
# SERIAL runs its cases with no other test beside them (several game processes meeting on the network).
function(gravelon_test name)
  cmake_parse_arguments(ARG "SERIAL" "TIMEOUT" "SOURCES;DEPS" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_compile_definitions(${name} PRIVATE
      GRAVELON_SOURCE_DIR="${CMAKE_SOURCE_DIR}" GRAVELON_BINARY_DIR="${CMAKE_BINARY_DIR}")
  # The discovery script flattens a list-valued ENVIRONMENT property, so that only the first variable
  # would reach the test; the test program is started through "cmake -E env" with all of them instead.
  set_target_properties(${name} PROPERTIES
      CROSSCOMPILING_EMULATOR "${CMAKE_COMMAND};-E;env;${GRAVELON_TEST_ENV}")
  gtest_discover_tests(${name}
      DISCOVERY_MODE PRE_TEST
      WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/tests
      PROPERTIES TIMEOUT ${ARG_TIMEOUT} RUN_SERIAL ${ARG_SERIAL})
endfunction()

# gravelon_fuzz(name SOURCES ... [DEPS ...] CORPUS dir)
# The sources define LLVMFuzzerTestOneInput. Always built as a corpus runner that feeds every file of
# the corpus folder to the target once (a plain test in the normal suite); with GRAVELON_FUZZ also built
# as a libFuzzer program named fuzz_<name> in build/fuzz.
function(gravelon_fuzz name)
  cmake_parse_arguments(ARG "" "CORPUS" "SOURCES;DEPS" ${ARGN})
  add_executable(corpus_${name} ${ARG_SOURCES} ${CMAKE_SOURCE_DIR}/cmake/corpus_runner.cpp)
  target_link_libraries(corpus_${name} PRIVATE ${ARG_DEPS})
  target_include_directories(corpus_${name} PRIVATE ${CMAKE_SOURCE_DIR})
  set_target_properties(corpus_${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_test(NAME corpus.${name} COMMAND corpus_${name} ${ARG_CORPUS})
  set_tests_properties(corpus.${name} PROPERTIES ENVIRONMENT "${GRAVELON_TEST_ENV}" TIMEOUT 300)
  if(GRAVELON_FUZZ)
    add_executable(fuzz_${name} ${ARG_SOURCES})
    target_link_libraries(fuzz_${name} PRIVATE ${ARG_DEPS})
    target_include_directories(fuzz_${name} PRIVATE ${CMAKE_SOURCE_DIR})
    target_compile_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
    set_target_properties(fuzz_${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
  endif()
endfunction()

# gravelon_benchmark(name SOURCES ... [DEPS ...]): a Google Benchmark program in build/bench.
function(gravelon_benchmark name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  if(NOT GRAVELON_BENCH)
    return()
  endif()
  find_package(benchmark REQUIRED)
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} benchmark::benchmark)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endfunction()
