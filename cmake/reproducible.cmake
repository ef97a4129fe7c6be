# Builds that anyone can repeat bit for bit: the same commit gives the same binaries and
# packages whatever the build folder, the clock and the umask.
# - Every time stamp (the manual page's date, the times inside the .deb and the .zip) comes
#   from SOURCE_DATE_EPOCH; when it is not set, from the time of the last commit
#   (git log -1 --format=%ct), or, outside a git checkout, from the time of CMakeLists.txt.
#   VANDLOR2_SOURCE_DATE_EPOCH holds the value, VANDLOR2_MANUAL_DATE the manual page's date.
# - The source and build folders are mapped to "." in the binaries (-ffile-prefix-map), except
#   in coverage builds, whose data must name the real files.
# - vandlor2.exe carries no link time stamp.
# - Folders that installing creates are rwxr-xr-x whatever the umask; files get their
#   permissions from the install() rules.
# cmake/reproducible-package.cmake sets the packages' times at cpack time.
# Include before the targets and the install rules are defined.
if(NOT "$ENV{SOURCE_DATE_EPOCH}" STREQUAL "")
  set(VANDLOR2_SOURCE_DATE_EPOCH "$ENV{SOURCE_DATE_EPOCH}")
else()
  find_program(VANDLOR2_GIT git)
  set(status 1)
  if(VANDLOR2_GIT)
    execute_process(COMMAND ${VANDLOR2_GIT} log -1 --format=%ct
                    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                    RESULT_VARIABLE status OUTPUT_VARIABLE VANDLOR2_SOURCE_DATE_EPOCH
                    ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
  endif()
  if(NOT status EQUAL 0 OR VANDLOR2_SOURCE_DATE_EPOCH STREQUAL "")
    file(TIMESTAMP ${PROJECT_SOURCE_DIR}/CMakeLists.txt VANDLOR2_SOURCE_DATE_EPOCH "%s" UTC)
  endif()
endif()
if(NOT VANDLOR2_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
  message(FATAL_ERROR "SOURCE_DATE_EPOCH is not a number of seconds: "
                      "'${VANDLOR2_SOURCE_DATE_EPOCH}'")
endif()
# string(TIMESTAMP) takes its time from SOURCE_DATE_EPOCH.
set(ENV{SOURCE_DATE_EPOCH} ${VANDLOR2_SOURCE_DATE_EPOCH})
string(TIMESTAMP VANDLOR2_MANUAL_DATE "%B %d, %Y" UTC)
string(REGEX REPLACE " 0([1-9]), " " \\1, " VANDLOR2_MANUAL_DATE "${VANDLOR2_MANUAL_DATE}")
message(STATUS "SOURCE_DATE_EPOCH: ${VANDLOR2_SOURCE_DATE_EPOCH} (${VANDLOR2_MANUAL_DATE})")

if(NOT VANDLOR2_COVERAGE)
  # Of two maps that match, the compilers use the one given last: the build folder's, which
  # lies inside the source folder in every preset.
  add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.
                      -ffile-prefix-map=${PROJECT_BINARY_DIR}=.)
endif()

if(MINGW)
  add_link_options(-Wl,--no-insert-timestamp)
endif()

set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
    GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
