# Precompiled headers: the standard headers every translation unit of a
# kind reads, parsed once per build rather than once per file (a sanitized
# build spends much of its time there). The first target of a kind makes
# the header, the others reuse it (same flags).
# (Off for the fuzz build, whose libraries differ in their instrumentation.)
if(TORVACALC_FUZZ)
  set(pch_default OFF)
else()
  set(pch_default ON)
endif()
option(TORVACALC_PCH "Precompile the common headers" ${pch_default})
set(TORVACALC_LIBRARY_PCH <algorithm> <cmath> <functional> <map> <memory> <set> <sstream> <string> <vector>
    <framework/calc_module.h>)
set(TORVACALC_TEST_PCH <gtest/gtest.h> <algorithm> <cmath> <functional> <map> <memory> <string> <vector>
    <framework/calc_module.h>)
function(torvacalc_precompile name first)
  if(NOT TORVACALC_PCH)
    return()
  endif()
  if(name STREQUAL first OR NOT TARGET ${first})
    target_precompile_headers(${name} PRIVATE ${ARGN})
  else()
    target_precompile_headers(${name} REUSE_FROM ${first})
  endif()
endfunction()

# torvacalc_library(<name> DEPENDS <libs...> [PCH <headers...>]): one static
# library per subsystem folder, headers beside the sources, included as
# "folder/file.h"; PCH gives the library precompiled headers of its own.
function(torvacalc_library name)
  cmake_parse_arguments(ARG "" "" "DEPENDS;PCH" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_library(${name} STATIC ${sources})
  # Installed, the headers lie in include/torvacalc/<folder>; the warning
  # and sanitizer options are the build's own, not the users'.
  target_include_directories(${name} PUBLIC $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/src>
                             $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/torvacalc>)
  target_link_libraries(${name} PUBLIC $<BUILD_INTERFACE:torvacalc_options> ${ARG_DEPENDS})
  set_property(GLOBAL APPEND PROPERTY TORVACALC_LIBRARIES ${name})
  if(ARG_PCH)
    torvacalc_precompile(${name} ${name} ${ARG_PCH})
  else()
    torvacalc_precompile(${name} torvacalc_framework ${TORVACALC_LIBRARY_PCH})
  endif()
endfunction()

# torvacalc_test(<name> LIBS <libs...>): a GoogleTest program of every
# *.cpp in the calling folder, run by CTest in the build folder where the
# data files lie.
function(torvacalc_test name)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main torvacalc_options)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  add_dependencies(${name} torvacalc_data)
  torvacalc_precompile(${name} framework_tests ${TORVACALC_TEST_PCH})
  add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "TORVACALC_DATA=${TORVACALC_DATA_OUTPUT_DIR};TORVACALC_TEST_DATA=${PROJECT_SOURCE_DIR}/tests/data;TORVACALC_CONFIG_DIR=${CMAKE_BINARY_DIR}/test-config")
endfunction()
