# Shared build helpers.

# nuvarine_add_test(<name> SOURCES <files...> LIBS <targets...>)
# One GoogleTest program; each test case becomes a ctest test. Tests run
# headless and find their fixtures through NUVARINE_TEST_DATA.
function(nuvarine_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_compile_definitions(${name} PRIVATE
    NUVARINE_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/data"
    NUVARINE_INSTALL_DIR="${NUVARINE_INSTALL_DIR}")
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LIBGL_ALWAYS_SOFTWARE=1")
endfunction()

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
