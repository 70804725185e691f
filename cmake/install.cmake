# Installation (cmake --install <build> --prefix P) and the Debian package
# (cpack -G DEB in the build folder):
#
#   bin/zeq, bin/zeq-tiles                   the programs
#   share/man/man1/zeq.1.gz, zeq-tiles.1.gz  their manual pages, compressed as
#                                            Debian ships manual pages
#   lib/libzeq.a, include/zeq/zeq.h          the library and its one header
#   lib/cmake/zeq/                           find_package(zeq), target zeq::zeq
#   lib/pkgconfig/zeq.pc                     pkg-config --cflags --libs zeq
#   lib/python3/dist-packages/  (prefix /usr)        the Python module, where
#   lib/python3.X/dist-packages/ (any other prefix)  Debian's python3 looks
#
# ("lib" is CMAKE_INSTALL_LIBDIR for the library, its CMake package and its
# pkg-config file; the Python module's folder is always under lib/.)
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

install(TARGETS zeq zeq-tiles RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

find_program(ZEQ_GZIP gzip REQUIRED)
set(ZEQ_MAN_PAGE ${PROJECT_SOURCE_DIR}/docs/zeq.1)
add_custom_command(
  OUTPUT ${PROJECT_BINARY_DIR}/zeq.1.gz
  COMMAND ${CMAKE_COMMAND} -E copy ${ZEQ_MAN_PAGE} ${PROJECT_BINARY_DIR}/zeq.1
  COMMAND ${ZEQ_GZIP} -9nf ${PROJECT_BINARY_DIR}/zeq.1
  DEPENDS ${ZEQ_MAN_PAGE}
  COMMENT "Compressing the manual page"
  VERBATIM)
set(ZEQ_TILES_MAN_PAGE ${PROJECT_SOURCE_DIR}/docs/zeq-tiles.1)
add_custom_command(
  OUTPUT ${PROJECT_BINARY_DIR}/zeq-tiles.1.gz
  COMMAND ${CMAKE_COMMAND} -E copy ${ZEQ_TILES_MAN_PAGE} ${PROJECT_BINARY_DIR}/zeq-tiles.1
  COMMAND ${ZEQ_GZIP} -9nf ${PROJECT_BINARY_DIR}/zeq-tiles.1
  DEPENDS ${ZEQ_TILES_MAN_PAGE}
  COMMENT "Compressing the zeq-tiles manual page"
  VERBATIM)
add_custom_target(zeq_man_page ALL DEPENDS ${PROJECT_BINARY_DIR}/zeq.1.gz ${PROJECT_BINARY_DIR}/zeq-tiles.1.gz)
install(FILES ${PROJECT_BINARY_DIR}/zeq.1.gz ${PROJECT_BINARY_DIR}/zeq-tiles.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The library: libzeq.a and the one header its users include, <zeq/zeq.h>.
# The header needs no other header of the project.
install(TARGETS zeq_core EXPORT zeqTargets ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES ${PROJECT_SOURCE_DIR}/zeq/zeq.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/zeq)

# find_package(zeq) then target_link_libraries(app PRIVATE zeq::zeq). The
# files locate the prefix from where they lie, so they hold for any --prefix.
set(ZEQ_CMAKE_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/zeq)
install(EXPORT zeqTargets NAMESPACE zeq:: FILE zeqTargets.cmake DESTINATION ${ZEQ_CMAKE_PACKAGE_DIR})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/zeqConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/zeqConfig.cmake
                              INSTALL_DESTINATION ${ZEQ_CMAKE_PACKAGE_DIR}
                              NO_SET_AND_CHECK_MACRO NO_CHECK_REQUIRED_COMPONENTS_MACRO)
# 1.x accepts any 1.y >= x: find_package(zeq 1.22).
write_basic_package_version_file(${PROJECT_BINARY_DIR}/zeqConfigVersion.cmake
                                 VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/zeqConfig.cmake ${PROJECT_BINARY_DIR}/zeqConfigVersion.cmake
        DESTINATION ${ZEQ_CMAKE_PACKAGE_DIR})

# zeq.pc names its prefix, which is known only when installing (the prefix
# given to cmake --install, /usr in the Debian package, with DESTDIR staged
# under a folder): it is written then, from cmake/zeq.pc.in, in a folder of
# its own for each destination (installs into several prefixes may run side
# by side), installed from there, and removed.
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
  set(ZEQ_PC_LIBDIR "${CMAKE_INSTALL_LIBDIR}")
else()
  set(ZEQ_PC_LIBDIR "\${prefix}/${CMAKE_INSTALL_LIBDIR}")
endif()
if(IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
  set(ZEQ_PC_INCLUDEDIR "${CMAKE_INSTALL_INCLUDEDIR}")
else()
  set(ZEQ_PC_INCLUDEDIR "\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}")
endif()
set(ZEQ_PC_PREFIX "@ZEQ_PC_PREFIX@")  # filled in when installing
configure_file(${CMAKE_CURRENT_LIST_DIR}/zeq.pc.in ${PROJECT_BINARY_DIR}/pkgconfig/zeq.pc.in @ONLY)
install(CODE "set(zeq_pc_template \"${PROJECT_BINARY_DIR}/pkgconfig/zeq.pc.in\")
              set(zeq_pc_folder \"${PROJECT_BINARY_DIR}/pkgconfig\")
              set(zeq_pc_destination \"${CMAKE_INSTALL_LIBDIR}/pkgconfig\")"
        CODE [[
  string(MD5 zeq_pc_tag "$ENV{DESTDIR}|${CMAKE_INSTALL_PREFIX}")
  set(ZEQ_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
  configure_file("${zeq_pc_template}" "${zeq_pc_folder}/${zeq_pc_tag}/zeq.pc" @ONLY)
  if(NOT IS_ABSOLUTE "${zeq_pc_destination}")
    set(zeq_pc_destination "${CMAKE_INSTALL_PREFIX}/${zeq_pc_destination}")
  endif()
  file(INSTALL DESTINATION "${zeq_pc_destination}" TYPE FILE FILES "${zeq_pc_folder}/${zeq_pc_tag}/zeq.pc")
  file(REMOVE_RECURSE "${zeq_pc_folder}/${zeq_pc_tag}")
]])

# The Python module, where Debian's python3 (/usr/bin/python3) finds it:
# Debian's site module puts /usr/lib/python3/dist-packages (the packages'
# folder, for any 3.X) and /usr/local/lib/python3.X/dist-packages (the local
# one) on sys.path, and no /usr/local/lib/python3/dist-packages. The module
# is built for one 3.X (its name carries the tag, cpython-311 for 3.11), so:
# prefix /usr (the .deb) -> lib/python3/dist-packages; any other prefix
# (cmake --install build, /usr/local by default) -> lib/python3.X/dist-packages,
# which for a prefix other than /usr/local goes on PYTHONPATH. The prefix is
# known only when installing, so the choice is made then. ZEQ_PYTHON_INSTALL_DIR
# (relative to the prefix, or absolute) overrides it.
if(ZEQ_PYTHON_MODULE_BUILT)
  if(NOT DEFINED ZEQ_PYTHON_VERSION)
    # The interpreter python/CMakeLists.txt builds for (Debian's first).
    set(zeq_python "${ZEQ_PYTHON_EXECUTABLE}")
    execute_process(COMMAND "${zeq_python}" -c "import sys; print('%d.%d' % sys.version_info[:2])"
                    OUTPUT_VARIABLE ZEQ_PYTHON_VERSION OUTPUT_STRIP_TRAILING_WHITESPACE
                    RESULT_VARIABLE zeq_python_failed)
    if(zeq_python_failed OR NOT ZEQ_PYTHON_VERSION MATCHES "^3\\.[0-9]+$")
      message(FATAL_ERROR "Cannot tell the version of ${zeq_python}, which the Python module is built for")
    endif()
  endif()
  set(ZEQ_PYTHON_INSTALL_DIR "" CACHE STRING
      "Where the Python module is installed (empty: lib/python3/dist-packages for prefix /usr, else lib/python${ZEQ_PYTHON_VERSION}/dist-packages)")
  install(CODE "set(zeq_python_module \"$<TARGET_FILE:zeq_python>\")
                set(zeq_python_version \"${ZEQ_PYTHON_VERSION}\")
                set(zeq_python_destination \"${ZEQ_PYTHON_INSTALL_DIR}\")
                set(zeq_strip \"${CMAKE_STRIP}\")"
          CODE [[
  if(zeq_python_destination STREQUAL "")
    string(REGEX REPLACE "/+$" "" zeq_prefix "${CMAKE_INSTALL_PREFIX}")
    if(zeq_prefix STREQUAL "/usr")
      set(zeq_python_destination lib/python3/dist-packages)
    else()
      set(zeq_python_destination lib/python${zeq_python_version}/dist-packages)
    endif()
  endif()
  if(NOT IS_ABSOLUTE "${zeq_python_destination}")
    set(zeq_python_destination "${CMAKE_INSTALL_PREFIX}/${zeq_python_destination}")
  endif()
  file(INSTALL DESTINATION "${zeq_python_destination}" TYPE MODULE FILES "${zeq_python_module}")
  cmake_path(GET zeq_python_module FILENAME zeq_python_name)
  if(CMAKE_INSTALL_DO_STRIP AND zeq_strip)
    execute_process(COMMAND "${zeq_strip}" --strip-unneeded
                            "$ENV{DESTDIR}${zeq_python_destination}/${zeq_python_name}")
  endif()
]])
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zeq)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "ZEQ maintainers <maintainers@users.noreply.c-seed-6193a9bb.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "triangle-mesh simplifier for SMF, OFF, PLY, STL and OBJ files")
set(CPACK_PACKAGE_DESCRIPTION
    "zeq reduces a triangle surface, read from SMF, OFF, PLY, STL or OBJ, to a requested
number of faces by greedy edge collapses that keep every face's normal within
a tolerance, and writes the coarser mesh in the same format. Boundary vertices
never move. A bad input file costs one message and exit status 1.
zeq-tiles simplifies meshes too large for one run of zeq: it cuts them into
spatial tiles, simplifies the tiles with zeq on several cores (or hands their
command lines to GNU parallel or a cluster scheduler), and welds them back
without cracks.
The same simplification is a C++20 static library, libzeq.a with the header
<zeq/zeq.h>: find_package(zeq) gives CMake the target zeq::zeq, and
pkg-config --cflags --libs zeq the flags")
if(ZEQ_PYTHON_MODULE_BUILT)
  string(APPEND CPACK_PACKAGE_DESCRIPTION "; python3 has it as a module (import zeq).")
else()
  string(APPEND CPACK_PACKAGE_DESCRIPTION ".")
endif()
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Strips the programs and the Python module; CMake leaves static libraries
# as they are.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends: worked out by dpkg-shlibdeps (Debian: dpkg-dev) from the programs
# and the module (libc6, libgcc-s1, libstdc++6: a Python extension does not
# link libpython).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The Python module loads only in the python3 it was built for (3.X, by the
# tag in its name) and works on numpy arrays. The programs and the library,
# the package's main content, need neither, so they are recommended (apt
# installs recommended packages by default) rather than required.
if(ZEQ_PYTHON_MODULE_BUILT)
  string(REGEX REPLACE "^3\\.([0-9]+)$" "\\1" zeq_python_minor "${ZEQ_PYTHON_VERSION}")
  math(EXPR zeq_python_next "${zeq_python_minor} + 1")
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
      "python3 (>= ${ZEQ_PYTHON_VERSION}~), python3 (<< 3.${zeq_python_next}), python3-numpy")
endif()
include(CPack)
