# Installs a build into a scratch prefix and fails unless the tree holds exactly the tool, its
# manual page, the README, the change log, the copyright file and the example listings, and
# the installed tool runs.
#   cmake -DBUILD_DIR=build/default -DPREFIX=<scratch> -DSOURCE_DIR=. -P cmake/check-install.cmake
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (status ${status}):\n${out}")
endif()

include(${CMAKE_CURRENT_LIST_DIR}/expect-shipped-files.cmake)
file(GLOB_RECURSE installed RELATIVE ${PREFIX} ${PREFIX}/*)
expect_shipped_files("the installed tree" "${installed}" share/doc/vandlor2/examples
                     bin/vandlor2 share/doc/vandlor2/README.md share/doc/vandlor2/changelog.gz
                     share/doc/vandlor2/copyright share/man/man1/vandlor2.1.gz)

# The installed tool runs on an installed example.
file(GLOB examples RELATIVE ${SOURCE_DIR}/examples ${SOURCE_DIR}/examples/*)
list(GET examples 0 example)
execute_process(COMMAND ${PREFIX}/bin/vandlor2 ${PREFIX}/share/doc/vandlor2/examples/${example}
                        ${PREFIX}/report
                RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE out)
set(report_size 0)
if(EXISTS ${PREFIX}/report)
  file(SIZE ${PREFIX}/report report_size)
endif()
if(NOT status EQUAL 0 OR report_size EQUAL 0)
  message(FATAL_ERROR "the installed vandlor2 failed (status ${status}):\n${out}")
endif()
file(REMOVE_RECURSE ${PREFIX})
