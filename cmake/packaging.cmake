# Install rules and packages: the tool, its manual page, the README and the example listings.
#   Linux:   cmake --install build/default --prefix /usr/local   and   cpack --preset deb
#   Windows: cpack --preset zip   (from the mingw cross build)
include(GNUInstallDirs)

set(VANDLOR2_PACKAGE_CONTACT "vandlor2 maintainers <vandlor2@example.org>"
    CACHE STRING "Maintainer named in the Debian package")

if(WIN32)
  # The Windows package is one flat folder: vandlor2.exe, the manual page as HTML, the README
  # and examples\.
  set(vandlor2_bin_dir .)
  set(vandlor2_doc_dir .)
else()
  set(vandlor2_bin_dir ${CMAKE_INSTALL_BINDIR})
  set(vandlor2_doc_dir ${CMAKE_INSTALL_DOCDIR})
endif()

install(TARGETS vandlor2 RUNTIME DESTINATION ${vandlor2_bin_dir})
install(FILES README.md DESTINATION ${vandlor2_doc_dir})
install(DIRECTORY examples/ DESTINATION ${vandlor2_doc_dir}/examples)

if(WIN32)
  find_program(VANDLOR2_MANDOC mandoc)
  if(NOT VANDLOR2_MANDOC)
    message(FATAL_ERROR "mandoc is missing; it renders the manual page for the Windows "
                        "package: apt-get install mandoc")
  endif()
  add_custom_command(
    OUTPUT ${PROJECT_BINARY_DIR}/vandlor2.html
    COMMAND ${VANDLOR2_MANDOC} -Thtml "-Ios=vandlor2 ${PROJECT_VERSION}"
            ${PROJECT_SOURCE_DIR}/doc/vandlor2.1
            > ${PROJECT_BINARY_DIR}/vandlor2.html
    DEPENDS ${PROJECT_SOURCE_DIR}/doc/vandlor2.1
    COMMENT "Rendering the manual page as HTML"
    VERBATIM)
  add_custom_target(vandlor2_manual_html ALL DEPENDS ${PROJECT_BINARY_DIR}/vandlor2.html)
  install(FILES ${PROJECT_BINARY_DIR}/vandlor2.html DESTINATION ${vandlor2_doc_dir})
else()
  install(FILES doc/vandlor2.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

set(CPACK_PACKAGE_NAME vandlor2)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_CONTACT "${VANDLOR2_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION
    "vandlor2 reads the printed output listing of the KORMIN least-squares
network solver and writes a paged report of the internal and external
relative accuracy of every measured distance, sorted by external accuracy.")
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_GENERATOR "")
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME vandlor2-${PROJECT_VERSION}-windows-x64)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION science)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()
include(CPack)

if(VANDLOR2_BUILD_TESTS AND NOT CMAKE_CROSSCOMPILING)
  add_test(NAME manual.lint
           COMMAND ${CMAKE_COMMAND} -DMANUAL=${PROJECT_SOURCE_DIR}/doc/vandlor2.1
                   -P ${PROJECT_SOURCE_DIR}/cmake/check-manual.cmake)
  add_test(NAME install.tree
           COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${PROJECT_BINARY_DIR}
                   -DPREFIX=${PROJECT_BINARY_DIR}/install-check
                   -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
                   -P ${PROJECT_SOURCE_DIR}/cmake/check-install.cmake)
endif()
