# torvacalc_library(<name> DEPENDS <libs...>): one static library per
# subsystem folder, headers beside the sources, included as "folder/file.h".
function(torvacalc_library name)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_library(${name} STATIC ${sources})
  # Installed, the headers lie in include/torvacalc/<folder>; the warning
  # and sanitizer options are the build's own, not the users'.
  target_include_directories(${name} PUBLIC $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/src>
                             $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/torvacalc>)
  target_link_libraries(${name} PUBLIC $<BUILD_INTERFACE:torvacalc_options> ${ARG_DEPENDS})
  set_property(GLOBAL APPEND PROPERTY TORVACALC_LIBRARIES ${name})
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
  add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "TORVACALC_DATA=${TORVACALC_DATA_OUTPUT_DIR};TORVACALC_TEST_DATA=${PROJECT_SOURCE_DIR}/tests/data;TORVACALC_CONFIG_DIR=${CMAKE_BINARY_DIR}/test-config")
endfunction()
