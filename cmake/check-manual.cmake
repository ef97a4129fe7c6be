# Fails unless the manual page is clean under mandoc's lint and, where groff is installed,
# under groff's warnings as man-db renders it.
#   cmake -DMANUAL=build/default/generated/vandlor2.1 -P cmake/check-manual.cmake
find_program(MANDOC mandoc)
if(NOT MANDOC)
  message(FATAL_ERROR "mandoc is missing; it checks the manual page: apt-get install mandoc")
endif()
execute_process(COMMAND ${MANDOC} -Tlint -Wstyle ${MANUAL}
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT status EQUAL 0 OR NOT out STREQUAL "")
  message(FATAL_ERROR "mandoc -Tlint (status ${status}):\n${out}")
endif()

find_program(GROFF groff)
if(GROFF)
  execute_process(COMMAND ${GROFF} -ww -z -mandoc ${MANUAL}
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT status EQUAL 0 OR NOT out STREQUAL "")
    message(FATAL_ERROR "groff -ww -z -mandoc (status ${status}):\n${out}")
  endif()
endif()
