# Installation (cmake --install <build> --prefix P) and the Debian package
# (cpack -G DEB in the build folder): bin/zeq, bin/zeq-tiles and their manual
# pages, compressed as Debian ships manual pages.
include(GNUInstallDirs)

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
without cracks.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends: worked out by dpkg-shlibdeps (Debian: dpkg-dev) from the binary.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
