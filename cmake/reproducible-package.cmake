# Run by cpack (CPACK_PROJECT_CONFIG_FILE and CPACK_POST_BUILD_SCRIPTS of cmake/packaging.cmake),
# so that the packages hold the same bytes whenever and by whomever they are made.
# - Before packaging: SOURCE_DATE_EPOCH is the value the build was configured with, which the
#   DEB generator gives every member of the .deb as its time.
# - After packaging: the ZIP generator keeps the files' own times, owners and order, so each
#   .zip is rewritten by strip-nondeterminism: members sorted by name, every time
#   SOURCE_DATE_EPOCH, permissions 644 or 755, no owners.
set(ENV{SOURCE_DATE_EPOCH} "${CPACK_VANDLOR2_SOURCE_DATE_EPOCH}")

foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(package MATCHES "\\.zip$")
    find_program(VANDLOR2_STRIP_NONDETERMINISM strip-nondeterminism)
    if(NOT VANDLOR2_STRIP_NONDETERMINISM)
      message(FATAL_ERROR "strip-nondeterminism is missing; it fixes the times and order in "
                          "the .zip: apt-get install strip-nondeterminism")
    endif()
    execute_process(COMMAND ${VANDLOR2_STRIP_NONDETERMINISM} --type zip
                            --timestamp ${CPACK_VANDLOR2_SOURCE_DATE_EPOCH} ${package}
                    COMMAND_ERROR_IS_FATAL ANY)
  endif()
endforeach()
