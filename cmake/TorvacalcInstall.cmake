# What `cmake --install` puts where, the CMake package `Torvacalc` for C++
# users, and the Debian package made by `cpack -G DEB`.
#
#   bin/torvacalc                          the program (and torvacalc-gui)
#   share/torvacalc/                       databases, dictionaries, templates
#   share/torvacalc/examples/              the case files of the README
#   include/torvacalc/<folder>/*.h         headers, included as "folder/file.h"
#   lib/libtorvacalc_<folder>.a            the libraries
#   lib/cmake/Torvacalc/                   find_package(Torvacalc)
#   lib/python3/dist-packages/torvacalc/   the Python module (python/)
#   lib/torvacalc/                         the natural-gas property libraries
#   share/man/man1/                        torvacalc(1), torvacalc-gui(1)
#   share/applications/, share/icons/, share/mime/packages/
#                                          the desktop entry, icon and file type
#   share/bash-completion/completions/     completion of torvacalc
#
# The program finds its data in PREFIX/share/torvacalc and the property
# libraries in PREFIX/lib/torvacalc beside PREFIX/bin wherever the prefix
# is, so one build serves `cmake --install --prefix` and the package's /usr
# alike.
include(CMakePackageConfigHelpers)

if(TARGET torvacalc-gui)
  install(TARGETS torvacalc-gui RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # At home on a desktop: the menu entry, the icon and the file type of
  # calculation files (*.cvc), which opens them in the running program.
  set(desktop ${PROJECT_SOURCE_DIR}/data/desktop)
  install(FILES ${desktop}/torvacalc-gui.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${desktop}/torvacalc.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES ${desktop}/torvacalc-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
          RENAME torvacalc.xml)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/data/desktop/torvacalc.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME torvacalc)

# Manual pages made from the programs' own help texts at build time
# (cmake/ManPage.cmake), so that they never disagree with --help.
set(man_pages)
foreach(program torvacalc torvacalc-gui)
  if(NOT TARGET ${program})
    continue()
  endif()
  if(program STREQUAL "torvacalc")
    set(summary "control valve sizing workbench on the command line")
  else()
    set(summary "control valve sizing workbench, the desktop program")
  endif()
  set(page ${CMAKE_BINARY_DIR}/man/${program}.1.gz)
  add_custom_command(OUTPUT ${page}
    COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${program}> -DNAME=${program} -DSECTION=1
            "-DSUMMARY=${summary}" -DOUTPUT=${page} -P ${CMAKE_CURRENT_LIST_DIR}/ManPage.cmake
    DEPENDS ${program} ${CMAKE_CURRENT_LIST_DIR}/ManPage.cmake
    COMMENT "Manual page ${program}(1)")
  list(APPEND man_pages ${page})
endforeach()
add_custom_target(torvacalc_man ALL DEPENDS ${man_pages})
install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/examples/README.md
        DESTINATION ${CMAKE_INSTALL_DATADIR}/torvacalc/examples)
file(GLOB example_cases CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/examples/*.case)
install(FILES ${example_cases} DESTINATION ${CMAKE_INSTALL_DATADIR}/torvacalc/examples)

# The libraries of src/<folder> with their headers. A library that needs a
# GUI toolkit stays out of the package: its users would need the toolkit's
# development files too.
get_property(torvacalc_libraries GLOBAL PROPERTY TORVACALC_LIBRARIES)
set(exported)
foreach(lib ${torvacalc_libraries})
  if(lib MATCHES "gui")
    continue()
  endif()
  string(REPLACE "torvacalc_" "" folder ${lib})
  set_target_properties(${lib} PROPERTIES EXPORT_NAME ${folder})
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/src/${folder}/
          DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/torvacalc/${folder} FILES_MATCHING PATTERN "*.h")
  list(APPEND exported ${lib})
endforeach()
install(TARGETS ${exported} EXPORT TorvacalcTargets ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
set(config_dir ${CMAKE_INSTALL_LIBDIR}/cmake/Torvacalc)
install(EXPORT TorvacalcTargets NAMESPACE Torvacalc:: DESTINATION ${config_dir})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/TorvacalcConfig.cmake.in
  ${CMAKE_BINARY_DIR}/TorvacalcConfig.cmake INSTALL_DESTINATION ${config_dir})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/TorvacalcConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_BINARY_DIR}/TorvacalcConfig.cmake ${CMAKE_BINARY_DIR}/TorvacalcConfigVersion.cmake
        DESTINATION ${config_dir})

# The package test: install into a folder of the build tree, then
# configure, build and run the example consumer against it.
if(TORVACALC_BUILD_TESTS)
  add_test(NAME package_consumer COMMAND ${CMAKE_COMMAND}
    -DBUILD_DIR=${CMAKE_BINARY_DIR}
    -DCONSUMER_DIR=${PROJECT_SOURCE_DIR}/examples/cmake_consumer
    -DWORK_DIR=${CMAKE_BINARY_DIR}/package-test
    -DSANITIZE=${TORVACALC_SANITIZE}
    -DCXX=${CMAKE_CXX_COMPILER}
    -P ${CMAKE_CURRENT_LIST_DIR}/TestPackageConsumer.cmake)
  set_tests_properties(package_consumer PROPERTIES TIMEOUT 600)
endif()

# Debian package: `cpack -G DEB` in the build folder gives
# torvacalc_<version>_<arch>.deb; `apt install ./torvacalc_*.deb` installs
# it with what it needs (shared library dependencies found by
# dpkg-shlibdeps).
set(CPACK_PACKAGE_NAME torvacalc)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Torvacalc developers <torvacalc@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "control valve sizing workbench (IEC 60534)")
set(CPACK_PACKAGE_DESCRIPTION
  "Sizes industrial control valves after IEC 60534-2-1 at up to four operating\n"
  "points side by side (minimum, normal, maximum and a further point), with\n"
  "water and steam after IAPWS-IF97, natural gas after AGA8-DC92 and GERG-2008\n"
  "and a substance database. Predicts valve noise after IEC 60534-8-3 and\n"
  "-8-4 and VDMA 24422 and gives the state behind the valve, resistors, the\n"
  "plant characteristic, a recommended inherent characteristic, the valve and\n"
  "actuator of a catalogue and the specification sheet as PDF or HTML.\n"
  "Contains the desktop program torvacalc-gui, the command-line program\n"
  "torvacalc with its databases, report templates, manual pages and shell\n"
  "completion, the Python module torvacalc, and the C++ libraries with\n"
  "headers and the CMake package Torvacalc.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_LIST_DIR}/debian/prerm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
# The static libraries' users link SQLite and zlib themselves; Qt's own
# dialogs speak German with Qt's translations.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libsqlite3-dev, zlib1g-dev, qt6-translations-l10n")
# The Python module is built for one Python version (python/).
if(TORVACALC_PYTHON_DEPENDS)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "${TORVACALC_PYTHON_DEPENDS}")
endif()
include(CPack)
