# Shared build helpers.

# nuvarine_add_test(<name> SOURCES <files...> LIBS <targets...>)
# One GoogleTest program; each test case becomes a ctest test. Tests run
# headless and find their fixtures through NUVARINE_TEST_DATA.
# Each test program runs inside a fresh temporary folder of its own, removed at
# its end (tests/support/TestMain.cpp).
function(nuvarine_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT TARGET nvtestmain)
    add_library(nvtestmain STATIC ${CMAKE_SOURCE_DIR}/tests/support/TestMain.cpp)
    target_link_libraries(nvtestmain PUBLIC GTest::gtest)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} nvtestmain GTest::gtest GTest::gmock)
  target_compile_definitions(${name} PRIVATE
    NUVARINE_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/data"
    NUVARINE_INSTALL_DIR="${NUVARINE_INSTALL_DIR}")
  # The environment goes through `env` as the test's launcher: the PROPERTIES
  # of test discovery would pass on only the first entry of a list.
  set(environment env QT_QPA_PLATFORM=offscreen LIBGL_ALWAYS_SOFTWARE=1 ${NUVARINE_TEST_ENVIRONMENT})
  set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR "${environment}")
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST)
endfunction()

# What every test and script run needs in the environment of this build: in a
# sanitizer build, stop at the first report and ignore the known leaks of
# system libraries (tests/sanitizer/lsan.supp). Tests added with add_test
# pass it on with set_tests_properties(... ENVIRONMENT "${NUVARINE_TEST_ENVIRONMENT}").
set(NUVARINE_TEST_ENVIRONMENT "")
if(NUVARINE_SANITIZE)
  set(NUVARINE_TEST_ENVIRONMENT
    "ASAN_OPTIONS=halt_on_error=1:abort_on_error=0:detect_leaks=1:detect_stack_use_after_return=0"
    "UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1"
    "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/sanitizer/lsan.supp:print_suppressions=0"
    # Mesa's shader-cache writer thread, still busy at exit, crashes
    # LeakSanitizer's thread scan ("Tracer caught signal 11").
    "MESA_SHADER_CACHE_DISABLE=true")
endif()

# The hostile inputs shared between the program's checks, beside the source
# tree (absent in a lone clone: their tests then skip).
get_filename_component(NUVARINE_HOSTILE_INPUTS ${CMAKE_SOURCE_DIR}/../shared/hostile-inputs ABSOLUTE)

# nuvarine_add_fuzzer(<name> SOURCES <files...> LIBS <targets...> [CORPUS <folder>])
# A libFuzzer target, built only in a fuzz build (NUVARINE_FUZZ=ON, Clang), where
# the whole build is instrumented for coverage, so the branches of the libraries
# under test guide the fuzzer, not only the harness. CORPUS: a folder of real
# files (relative to the calling folder) that scripts/fuzz starts from. The
# targets land in <build>/fuzz/ and are listed in <build>/fuzz/targets.txt;
# the target `fuzzers` builds them all.
#
# In every other build the same target is built with a plain main instead of
# libFuzzer (tests/fuzz/ReplayMain.cpp) and runs once, as ctest tests, over its
# seed corpus (fuzz.<name>.corpus) and over the shared hostile inputs beside
# the source tree (fuzz.<name>.hostile, skipped when that folder is absent):
# no fuzzing, so a reader fault once fixed stays fixed in the sanitizer pass.
# NO_REPLAY: built, but not run as tests (a target whose replay is not yet
# repeatable; say why where it is added).
function(nuvarine_add_fuzzer name)
  cmake_parse_arguments(ARG "NO_REPLAY" "CORPUS" "SOURCES;LIBS" ${ARGN})
  if(NOT NUVARINE_FUZZ)
    add_executable(${name} ${ARG_SOURCES} ${CMAKE_SOURCE_DIR}/tests/fuzz/ReplayMain.cpp)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/fuzz)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz-replay)
    set(environment QT_QPA_PLATFORM=offscreen LIBGL_ALWAYS_SOFTWARE=1 ${NUVARINE_TEST_ENVIRONMENT})
    if(ARG_NO_REPLAY)
      return()
    endif()
    if(ARG_CORPUS)
      get_filename_component(corpus ${ARG_CORPUS} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
      add_test(NAME fuzz.${name}.corpus COMMAND ${name} ${corpus})
      set_tests_properties(fuzz.${name}.corpus PROPERTIES TIMEOUT 300 ENVIRONMENT "${environment}")
    endif()
    add_test(NAME fuzz.${name}.hostile COMMAND ${name} --optional ${NUVARINE_HOSTILE_INPUTS})
    set_tests_properties(fuzz.${name}.hostile PROPERTIES TIMEOUT 300 SKIP_RETURN_CODE 77
                         ENVIRONMENT "${environment}")
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/fuzz)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
  set(corpus "")
  if(ARG_CORPUS)
    get_filename_component(corpus ${ARG_CORPUS} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  endif()
  set_property(GLOBAL APPEND PROPERTY NUVARINE_FUZZERS "${name} ${corpus}")
  add_dependencies(fuzzers ${name})
endfunction()

function(_nuvarine_write_fuzz_list)
  get_property(fuzzers GLOBAL PROPERTY NUVARINE_FUZZERS)
  list(JOIN fuzzers "\n" text)
  file(WRITE ${CMAKE_BINARY_DIR}/fuzz/targets.txt "${text}\n")
endfunction()

if(NUVARINE_FUZZ)
  add_custom_target(fuzzers)
  cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL _nuvarine_write_fuzz_list)
endif()

# nuvarine_add_bench(<name> SOURCES <files...> LIBS <targets...>)
function(nuvarine_add_bench name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  find_package(benchmark REQUIRED)
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} benchmark::benchmark benchmark::benchmark_main)
endfunction()

# nuvarine_add_subdirectories(<dir...>): adds each listed folder that has a CMakeLists.txt.
macro(nuvarine_add_subdirectories)
  foreach(sub ${ARGN})
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${sub}/CMakeLists.txt)
      add_subdirectory(${sub})
    endif()
  endforeach()
endmacro()
