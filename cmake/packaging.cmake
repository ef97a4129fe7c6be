# Install rules and packages: the tool, its manual page, the README, the change log, the
# licence and the example listings.
#   Linux:   cmake --install build/default --prefix /usr/local   and   cpack --preset deb
#   Windows: cpack --preset zip   (from the mingw cross build)
include(GNUInstallDirs)

# A role address, not a person: whoever builds a package to hand on sets their own.
set(VANDLOR2_PACKAGE_CONTACT "vandlor2 authors <vandlor2@example.org>"
    CACHE STRING "Maintainer named in the Debian package, its change log and copyright file")

# The manual page, with the version filled in.
configure_file(doc/vandlor2.1.in generated/vandlor2.1 @ONLY)
set(vandlor2_manual ${PROJECT_BINARY_DIR}/generated/vandlor2.1)

if(WIN32)
  # The Windows package is one flat folder: vandlor2.exe, the manual page as HTML, the README,
  # the change log, the licence and examples\.
  find_program(VANDLOR2_MANDOC mandoc)
  if(NOT VANDLOR2_MANDOC)
    message(FATAL_ERROR "mandoc is missing; it renders the manual page for the Windows "
                        "package: apt-get install mandoc")
  endif()
  add_custom_command(
    OUTPUT ${PROJECT_BINARY_DIR}/vandlor2.html
    COMMAND ${VANDLOR2_MANDOC} -Thtml ${vandlor2_manual} > ${PROJECT_BINARY_DIR}/vandlor2.html
    DEPENDS ${vandlor2_manual}
    COMMENT "Rendering the manual page as HTML"
    VERBATIM)
  add_custom_target(vandlor2_manual_html ALL DEPENDS ${PROJECT_BINARY_DIR}/vandlor2.html)

  install(TARGETS vandlor2 RUNTIME DESTINATION .)
  install(FILES ${PROJECT_BINARY_DIR}/vandlor2.html README.md CHANGELOG.md DESTINATION .)
  install(FILES LICENSE DESTINATION . RENAME LICENSE.txt)
  install(DIRECTORY examples/ DESTINATION examples)
else()
  # Debian's layout: the manual page and the change log gzipped, the change log in Debian's
  # format and the licence as a machine-readable copyright file, both made from the project's
  # own files by cmake/debian-docs.cmake.
  find_program(VANDLOR2_GZIP gzip)
  if(NOT VANDLOR2_GZIP)
    message(FATAL_ERROR "gzip is missing: apt-get install gzip")
  endif()
  set(docs ${PROJECT_BINARY_DIR}/generated/doc)
  add_custom_command(
    OUTPUT ${docs}/vandlor2.1.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${docs}
    COMMAND ${VANDLOR2_GZIP} -9n -c ${vandlor2_manual} > ${docs}/vandlor2.1.gz
    DEPENDS ${vandlor2_manual}
    COMMENT "Compressing the manual page"
    VERBATIM)
  add_custom_command(
    OUTPUT ${docs}/changelog.gz ${docs}/copyright
    COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${PROJECT_SOURCE_DIR} -DOUTPUT_DIR=${docs}
            -DVERSION=${PROJECT_VERSION} -DMAINTAINER=${VANDLOR2_PACKAGE_CONTACT}
            -DGZIP=${VANDLOR2_GZIP} -P ${PROJECT_SOURCE_DIR}/cmake/debian-docs.cmake
    DEPENDS ${PROJECT_SOURCE_DIR}/CHANGELOG.md ${PROJECT_SOURCE_DIR}/LICENSE
            ${PROJECT_SOURCE_DIR}/cmake/debian-docs.cmake
    COMMENT "Writing the change log and copyright file"
    VERBATIM)
  add_custom_target(vandlor2_docs ALL
                    DEPENDS ${docs}/vandlor2.1.gz ${docs}/changelog.gz ${docs}/copyright)

  install(TARGETS vandlor2 RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # A stripped install, as cpack makes for the package, also drops the compilers' notes
  # (.comment), as Debian's own packages do.
  if(CMAKE_OBJCOPY)
    install(CODE "
      if(CMAKE_INSTALL_DO_STRIP)
        execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
          \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/vandlor2\"
          COMMAND_ERROR_IS_FATAL ANY)
      endif()")
  endif()
  install(FILES ${docs}/vandlor2.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES README.md ${docs}/changelog.gz ${docs}/copyright
          DESTINATION ${CMAKE_INSTALL_DOCDIR})
  install(DIRECTORY examples/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
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
# The same bytes from every build of a commit; see cmake/reproducible.cmake.
set(CPACK_VANDLOR2_SOURCE_DATE_EPOCH ${VANDLOR2_SOURCE_DATE_EPOCH})
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/reproducible-package.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/reproducible-package.cmake)
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
           COMMAND ${CMAKE_COMMAND} -DMANUAL=${vandlor2_manual}
                   -P ${PROJECT_SOURCE_DIR}/cmake/check-manual.cmake)
  add_test(NAME package.deb_member_modes
           COMMAND ${CMAKE_COMMAND} -DWORK_DIR=${PROJECT_BINARY_DIR}/deb-member-modes
                   -P ${PROJECT_SOURCE_DIR}/cmake/check-deb-member-modes.cmake)
  add_test(NAME install.tree
           COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${PROJECT_BINARY_DIR}
                   -DPREFIX=${PROJECT_BINARY_DIR}/install-check
                   -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
                   -P ${PROJECT_SOURCE_DIR}/cmake/check-install.cmake)
endif()
