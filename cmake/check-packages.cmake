# Fails unless a package holds exactly the tool, its manual page, the README, the change log,
# the licence and the examples:
#   .deb  usr/bin/vandlor2, usr/share/man/man1/vandlor2.1.gz,
#         usr/share/doc/vandlor2/{README.md,changelog.gz,copyright,examples/...}
#   .zip  vandlor2.exe, vandlor2.html, README.md, CHANGELOG.md, LICENSE.txt, examples/... in
#         one top folder
# The tool of a .deb must also write the expected report of the example with QQ records.
#   cmake -DPACKAGE=build/packages/vandlor2_1.5_amd64.deb -DSOURCE_DIR=. -P cmake/check-packages.cmake
get_filename_component(SOURCE_DIR ${SOURCE_DIR} ABSOLUTE)
include(${CMAKE_CURRENT_LIST_DIR}/expect-shipped-files.cmake)
if(PACKAGE MATCHES "\\.deb$")
  execute_process(COMMAND dpkg-deb -c ${PACKAGE} RESULT_VARIABLE status OUTPUT_VARIABLE listing)
  string(REGEX MATCHALL "\\./[^\n]*[^/\n]\n" members "${listing}")
  list(TRANSFORM members REPLACE "^\\./(.*)\n$" "\\1")
  set(expected usr/bin/vandlor2 usr/share/man/man1/vandlor2.1.gz
               usr/share/doc/vandlor2/README.md usr/share/doc/vandlor2/changelog.gz
               usr/share/doc/vandlor2/copyright)
  set(example_dir usr/share/doc/vandlor2/examples)
  execute_process(COMMAND dpkg-deb -f ${PACKAGE} Depends OUTPUT_VARIABLE depends)
  # The tool carries its C++ runtime; the C library is the one it takes from the system.
  if(NOT depends MATCHES "libc6")
    message(FATAL_ERROR "${PACKAGE} does not depend on the C library: '${depends}'")
  endif()
elseif(PACKAGE MATCHES "\\.zip$")
  execute_process(COMMAND ${CMAKE_COMMAND} -E tar tf ${PACKAGE}
                  RESULT_VARIABLE status OUTPUT_VARIABLE listing)
  string(REGEX MATCHALL "[^/\n]+/[^\n]*[^/\n]\n" members "${listing}")
  list(TRANSFORM members REPLACE "^[^/]+/(.*)\n$" "\\1")
  set(expected vandlor2.exe vandlor2.html README.md CHANGELOG.md LICENSE.txt)
  set(example_dir examples)
else()
  message(FATAL_ERROR "not a .deb or .zip: ${PACKAGE}")
endif()
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cannot list ${PACKAGE}")
endif()
expect_shipped_files(${PACKAGE} "${members}" ${example_dir} ${expected})

if(PACKAGE MATCHES "\\.deb$")
  get_filename_component(unpacked ${PACKAGE}.unpacked ABSOLUTE)
  file(REMOVE_RECURSE ${unpacked})
  execute_process(COMMAND dpkg-deb -x ${PACKAGE} ${unpacked} COMMAND_ERROR_IS_FATAL ANY)
  set(case ${SOURCE_DIR}/tests/cases/report_example_qq)
  execute_process(COMMAND ${unpacked}/usr/bin/vandlor2
                          ${unpacked}/usr/share/doc/vandlor2/examples/network_qq.lst
                          ${unpacked}/report
                  RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE errors)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${unpacked}/report ${case}/report
                  RESULT_VARIABLE differs)
  file(REMOVE_RECURSE ${unpacked})
  if(NOT status EQUAL 0 OR NOT differs EQUAL 0)
    message(FATAL_ERROR "the packaged vandlor2 did not write the report of ${case} "
                        "(exit status ${status}):\n${errors}")
  endif()
endif()
message(STATUS "${PACKAGE}: contents as expected")
