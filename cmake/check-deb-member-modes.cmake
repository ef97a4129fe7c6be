# Checks how cmake/reproducible-package.cmake sets the modes of a .deb's ar members, on a
# made-up archive whose members have group-writable modes, odd and even lengths (an odd one is
# padded) and data that looks like a mode: only the headers' modes may change, to 644. A file
# that is not an ar archive must fail.
#   cmake -DWORK_DIR=<scratch> -P cmake/check-deb-member-modes.cmake
set(script ${CMAKE_CURRENT_LIST_DIR}/reproducible-package.cmake)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})

# ar_member(<variable> <name> <mode> <data>): appends the member's header, data and padding.
function(ar_member variable name mode data)
  string(LENGTH "${data}" size)
  set(header "")
  foreach(field_width IN ITEMS "${name}/16" "1796878976/12" "0/6" "0/6" "${mode}/8" "${size}/10")
    string(REGEX MATCH "^(.*)/([0-9]+)$" ignored "${field_width}")
    set(field "${CMAKE_MATCH_1}                ")
    string(SUBSTRING "${field}" 0 ${CMAKE_MATCH_2} field)
    string(APPEND header "${field}")
  endforeach()
  string(APPEND header "`\n${data}")
  math(EXPR odd "${size} % 2")
  if(odd)
    string(APPEND header "\n")
  endif()
  set(${variable} "${${variable}}${header}" PARENT_SCOPE)
endfunction()

foreach(mode 100664 100644)
  set(archive_${mode} "!<arch>\n")
  ar_member(archive_${mode} debian-binary ${mode} "2.0\n")
  ar_member(archive_${mode} control.tar.gz ${mode} "odd: 100664  100664")
  ar_member(archive_${mode} data.tar.gz ${mode} "even 100664  100664\n")
endforeach()
file(WRITE ${WORK_DIR}/made.deb "${archive_100664}")
file(WRITE ${WORK_DIR}/expected.deb "${archive_100644}")
file(WRITE ${WORK_DIR}/not-ar.deb "!<arch>")

execute_process(COMMAND ${CMAKE_COMMAND} -DCPACK_PACKAGE_FILES=${WORK_DIR}/made.deb
                        -DCPACK_VANDLOR2_SOURCE_DATE_EPOCH=1796878976 -P ${script}
                RESULT_VARIABLE status ERROR_VARIABLE errors)
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK_DIR}/made.deb
                        ${WORK_DIR}/expected.deb RESULT_VARIABLE differs)
if(NOT status EQUAL 0 OR NOT differs EQUAL 0)
  file(READ ${WORK_DIR}/made.deb made)
  message(FATAL_ERROR "the members' modes were not set (status ${status}):\n${errors}\n"
                      "got:\n${made}\nexpected:\n${archive_100644}")
endif()

execute_process(COMMAND ${CMAKE_COMMAND} -DCPACK_PACKAGE_FILES=${WORK_DIR}/not-ar.deb
                        -DCPACK_VANDLOR2_SOURCE_DATE_EPOCH=1796878976 -P ${script}
                RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE errors)
if(status EQUAL 0 OR NOT errors MATCHES "not an ar archive")
  message(FATAL_ERROR "a file that is not an ar archive passed (status ${status}):\n${errors}")
endif()
file(REMOVE_RECURSE ${WORK_DIR})
