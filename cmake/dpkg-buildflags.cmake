# With VANDLOR2_DPKG_BUILDFLAGS, every target is built with the distribution's compiler and
# linker flags as dpkg-buildflags gives them, with all hardening features on: fortified
# library calls, the stack protector, full RELRO and immediate binding. The `deb` preset
# sets it, so that the Debian package is built the way the distribution builds its own.
# Include before the targets are defined.
option(VANDLOR2_DPKG_BUILDFLAGS "Build with the flags of dpkg-buildflags, all hardening on" OFF)
if(NOT VANDLOR2_DPKG_BUILDFLAGS)
  return()
endif()

find_program(VANDLOR2_DPKG_BUILDFLAGS_PROGRAM dpkg-buildflags)
if(NOT VANDLOR2_DPKG_BUILDFLAGS_PROGRAM)
  message(FATAL_ERROR "dpkg-buildflags is missing: apt-get install dpkg-dev")
endif()

# vandlor2_dpkg_buildflags(<flag set> <variable>): the flags as a list.
function(vandlor2_dpkg_buildflags set variable)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
            ${VANDLOR2_DPKG_BUILDFLAGS_PROGRAM} --get ${set}
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
    RESULT_VARIABLE status OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "dpkg-buildflags --get ${set} failed")
  endif()
  separate_arguments(flags UNIX_COMMAND "${flags}")
  set(${variable} ${flags} PARENT_SCOPE)
endfunction()

vandlor2_dpkg_buildflags(CPPFLAGS preprocessor_flags)
vandlor2_dpkg_buildflags(CXXFLAGS compiler_flags)
vandlor2_dpkg_buildflags(LDFLAGS linker_flags)
add_compile_options(${preprocessor_flags} ${compiler_flags})
add_link_options(${linker_flags})
string(REPLACE ";" " " shown "${preprocessor_flags};${compiler_flags};${linker_flags}")
message(STATUS "dpkg-buildflags: ${shown}")
