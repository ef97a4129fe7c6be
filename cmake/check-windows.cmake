# Runs the Windows build under wine beside the Linux build and fails unless, for every
# whole-program case and for both examples (also with CR LF line ends), the Windows run gives
# the Linux results with each LF turned into CR LF: the report, the console output (run time
# masked), the error output and the exit code; and leaves the listing unchanged. Where a case
# says what Windows gives instead (windows_report, windows_stdout, windows_stderr,
# windows_exit_code, with LF line ends), the Windows run must give that. It also fails
# unless the .exe carries a version resource and an application manifest that name the version
# the Linux build's banner shows.
#
#   cmake -DLINUX_EXE=build/default/vandlor2 -DWINDOWS_EXE=build/mingw/vandlor2.exe
#         [-DMAKE_LISTING=build/default/make_listing]
#         -DSOURCE_DIR=. -DWORK_DIR=build/mingw/windows-test -P cmake/check-windows.cmake
#
# WINE_PREFIX (default: the wineprefix folder beside WORK_DIR) is created on the first run.
# Cases that need faketime are left out: wine keeps its own clock; so are cases with a file
# not_on_windows, which says why.
cmake_minimum_required(VERSION 3.25)

foreach(variable LINUX_EXE WINDOWS_EXE SOURCE_DIR WORK_DIR)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "${variable} is not set")
  endif()
  get_filename_component(${variable} "${${variable}}" ABSOLUTE)
endforeach()
if(NOT DEFINED WINE_PREFIX)
  get_filename_component(WINE_PREFIX "${WORK_DIR}/../wineprefix" ABSOLUTE)
endif()
find_program(WINE NAMES wine wine64)
find_program(WINESERVER NAMES wineserver wineserver64 PATHS /usr/lib/wine)
if(NOT WINE)
  message(FATAL_ERROR "wine is missing: apt-get install wine wine64")
endif()
set(ENV{WINEPREFIX} "${WINE_PREFIX}")
set(ENV{WINEDEBUG} "-all")
set(ENV{LC_ALL} "C.UTF-8")  # wine reads the Unix arguments and file names in this character set
set(ENV{WINEDLLOVERRIDES} "mscoree,mshtml=")  # no Mono or Gecko installer on first start

string(TIMESTAMP started "%s")
if(NOT EXISTS "${WINE_PREFIX}/system.reg")
  message(STATUS "Creating the wine prefix ${WINE_PREFIX}")
  execute_process(COMMAND ${WINE} wineboot --init OUTPUT_QUIET ERROR_QUIET)
  string(TIMESTAMP now "%s")
  math(EXPR seconds "${now} - ${started}")
  message(STATUS "Wine prefix ready after ${seconds} s")
endif()

file(REMOVE_RECURSE "${WORK_DIR}")
set(failures "")
set(checked 0)

# Files are compared as hex byte strings, "4c 6f 0a ", which keep NUL bytes and let LF be
# turned into CR LF at byte boundaries.
function(read_bytes path variable)
  if(EXISTS "${path}")
    file(READ "${path}" content HEX)
    string(REGEX REPLACE "(..)" "\\1 " content "${content}")
  else()
    set(content "missing")
  endif()
  set(${variable} "${content}" PARENT_SCOPE)
endfunction()

function(with_crlf bytes variable)
  string(REPLACE "0a " "0d 0a " bytes "${bytes}")
  set(${variable} "${bytes}" PARENT_SCOPE)
endfunction()

function(hex_of text variable)
  string(HEX "${text}" hex)
  string(REGEX REPLACE "(..)" "\\1 " hex "${hex}")
  set(${variable} "${hex}" PARENT_SCOPE)
endfunction()

# Replaces the date-time text after "Local system run time: " up to the line end.
function(mask_run_time bytes variable)
  hex_of("Local system run time: " label)
  string(FIND "${bytes}" "${label}" at)
  if(at GREATER_EQUAL 0)
    string(LENGTH "${label}" length)
    math(EXPR from "${at} + ${length}")
    string(SUBSTRING "${bytes}" ${from} -1 rest)
    string(FIND "${rest}" "0a " end)
    if(end GREATER_EQUAL 3)
      math(EXPR before "${end} - 3")
      string(SUBSTRING "${rest}" ${before} 3 last)
      if(last STREQUAL "0d ")
        set(end ${before})
      endif()
    endif()
    if(end GREATER_EQUAL 0)
      string(SUBSTRING "${rest}" ${end} -1 rest)
    else()
      set(rest "")
    endif()
    string(SUBSTRING "${bytes}" 0 ${from} head)
    hex_of("<run time>" masked)
    set(bytes "${head}${masked}${rest}")
  endif()
  set(${variable} "${bytes}" PARENT_SCOPE)
endfunction()

# Runs one case in <WORK_DIR>/<name>/{linux,windows}. LISTING is a file copied to "listing"
# (CRLF: with CR LF line ends), ARGS the arguments, STDIN a file for standard input, SETUP
# shell commands run in each folder first.
function(compare_runs name)
  cmake_parse_arguments(PARSE_ARGV 1 run "CRLF" "LISTING;STDIN;SETUP;REPORT;CASE" "ARGS")
  if(NOT run_REPORT)
    set(run_REPORT report)
  endif()
  if(NOT run_STDIN)
    set(run_STDIN /dev/null)
  endif()
  foreach(system linux windows)
    set(folder "${WORK_DIR}/${name}/${system}")
    file(MAKE_DIRECTORY "${folder}")
    if(run_CRLF)
      file(READ "${run_LISTING}" listing)  # text without NUL bytes
      string(REPLACE "\n" "\r\n" listing "${listing}")
      file(WRITE "${folder}/listing" "${listing}")
    elseif(run_LISTING)
      file(COPY_FILE "${run_LISTING}" "${folder}/listing")
    endif()
    if(run_SETUP)
      execute_process(COMMAND sh "${run_SETUP}" WORKING_DIRECTORY "${folder}"
                      RESULT_VARIABLE status)
      if(NOT status EQUAL 0)
        message(FATAL_ERROR "${name}: setup failed")
      endif()
    endif()
    if(system STREQUAL "linux")
      set(command "${LINUX_EXE}")
    else()
      set(command ${WINE} "${WINDOWS_EXE}")
    endif()
    execute_process(COMMAND ${command} ${run_ARGS}
                    WORKING_DIRECTORY "${folder}" INPUT_FILE "${run_STDIN}"
                    OUTPUT_FILE "${folder}/../${system}.out"
                    ERROR_FILE "${folder}/../${system}.err"
                    RESULT_VARIABLE ${system}_status)
  endforeach()

  set(base "${WORK_DIR}/${name}")
  set(problems "")
  # What Windows gives instead, where the case says so.
  set(windows_expected "")
  if(run_CASE)
    foreach(item stdout stderr report exit_code)
      if(EXISTS "${run_CASE}/windows_${item}")
        list(APPEND windows_expected ${item})
      endif()
    endforeach()
  endif()
  if("exit_code" IN_LIST windows_expected)
    file(STRINGS "${run_CASE}/windows_exit_code" linux_status LIMIT_COUNT 1)
  endif()
  if(NOT linux_status STREQUAL windows_status)
    list(APPEND problems "exit code ${windows_status}, expected ${linux_status}")
  endif()
  foreach(item out err report listing)
    if(item STREQUAL "listing")
      if(NOT run_LISTING)
        continue()
      endif()
      read_bytes("${base}/linux/listing" expected)
      read_bytes("${base}/windows/listing" actual)
    elseif(item STREQUAL "report")
      if("report" IN_LIST windows_expected)
        read_bytes("${run_CASE}/windows_report" expected)
      else()
        read_bytes("${base}/linux/${run_REPORT}" expected)
      endif()
      read_bytes("${base}/windows/${run_REPORT}" actual)
      if(linux_status EQUAL 0)  # else the file is empty or, named as the input, untouched
        with_crlf("${expected}" expected)
      endif()
    else()
      set(console_item stdout)
      if(item STREQUAL "err")
        set(console_item stderr)
      endif()
      if(console_item IN_LIST windows_expected)
        read_bytes("${run_CASE}/windows_${console_item}" expected)
      else()
        read_bytes("${base}/linux.${item}" expected)
      endif()
      read_bytes("${base}/windows.${item}" actual)
      mask_run_time("${expected}" expected)
      mask_run_time("${actual}" actual)
      with_crlf("${expected}" expected)
    endif()
    if(NOT actual STREQUAL expected)
      list(APPEND problems "${item} differs")
    endif()
  endforeach()
  if(problems)
    string(REPLACE ";" ", " problems "${problems}")
    set(failures "${failures}\n  ${name}: ${problems} (see ${base})" PARENT_SCOPE)
  endif()
  math(EXPR count "${checked} + 1")
  set(checked ${count} PARENT_SCOPE)
endfunction()

file(GLOB cases LIST_DIRECTORIES true "${SOURCE_DIR}/tests/cases/*")
foreach(case IN LISTS cases)
  get_filename_component(name "${case}" NAME)
  if(NOT IS_DIRECTORY "${case}" OR EXISTS "${case}/faketime" OR EXISTS "${case}/not_on_windows")
    continue()
  endif()
  set(options "")
  if(EXISTS "${case}/listing")
    list(APPEND options LISTING "${case}/listing")
  elseif(EXISTS "${case}/example")
    file(STRINGS "${case}/example" example LIMIT_COUNT 1)
    list(APPEND options LISTING "${SOURCE_DIR}/examples/${example}")
  endif()
  foreach(file stdin setup)
    if(EXISTS "${case}/${file}")
      string(TOUPPER ${file} keyword)
      list(APPEND options ${keyword} "${case}/${file}")
    endif()
  endforeach()
  set(arguments "")
  if(EXISTS "${case}/args")
    file(STRINGS "${case}/args" arguments)
  endif()
  compare_runs(${name} ${options} CASE "${case}" ARGS ${arguments})
endforeach()

foreach(example network_qq network_plain)
  compare_runs(example_${example} LISTING "${SOURCE_DIR}/examples/${example}.lst"
               ARGS listing report)
  compare_runs(example_${example}_crlf CRLF LISTING "${SOURCE_DIR}/examples/${example}.lst"
               ARGS listing report)
  # CR LF line ends in the listing read as one line end each.
  read_bytes("${WORK_DIR}/example_${example}/windows/report" lf_report)
  read_bytes("${WORK_DIR}/example_${example}_crlf/windows/report" crlf_report)
  if(NOT lf_report STREQUAL crlf_report)
    set(failures "${failures}\n  ${example}: the CR LF listing gives another report")
  endif()
endforeach()

# File names outside any ANSI code page, as arguments (blanks included) and as answers to the
# prompts (one word each), for the report and for a report that is the listing itself.
set(place "Vandløp 測量.lst")
set(report "rapport ø 測.rpt")
string(REPLACE " " "_" place_word "${place}")
string(REPLACE " " "_" report_word "${report}")
file(WRITE "${WORK_DIR}/unicode.setup" "cp listing '${place}' && cp listing '${place_word}'\n")
file(WRITE "${WORK_DIR}/unicode.stdin" "${place_word}\n${report_word}\n")
set(unicode LISTING "${SOURCE_DIR}/examples/network_qq.lst" SETUP "${WORK_DIR}/unicode.setup")
compare_runs(unicode_arguments ${unicode} REPORT "${report}" ARGS "${place}" "${report}")
compare_runs(unicode_prompts ${unicode} REPORT "${report_word}" STDIN "${WORK_DIR}/unicode.stdin")
compare_runs(unicode_output_is_input ${unicode} REPORT "${place}" ARGS "${place}" "${place}")
foreach(run unicode_arguments unicode_prompts)
  if(NOT EXISTS "${WORK_DIR}/${run}/windows/${report}" AND
     NOT EXISTS "${WORK_DIR}/${run}/windows/${report_word}")
    set(failures "${failures}\n  ${run}: no report under its own name")
  endif()
endforeach()

# Ctrl-C while the report of a large listing is written leaves the report empty, and no
# temporary file. Wine turns SIGINT into the console's Ctrl-C event; it has no way to send
# Ctrl-Break or to close a console, so those are not checked here.
if(DEFINED MAKE_LISTING)
  get_filename_component(MAKE_LISTING "${MAKE_LISTING}" ABSOLUTE)
  set(folder "${WORK_DIR}/interrupt")
  file(MAKE_DIRECTORY "${folder}")
  execute_process(COMMAND "${MAKE_LISTING}" 100M plain 1 "${folder}/listing")
  # Starts the run, and waits until its report is being written: into a temporary file beside
  # the report, put in its place once whole.
  set(start_and_wait [[
      "$0" "$1" listing report >/dev/null 2>&1 &
      waited=0
      while [ -z "$(find . -maxdepth 1 -name '.report.*' -size +0)" ] && [ $waited -lt 6000 ]; do
        sleep 0.01; waited=$((waited + 1))
      done
]])
  set(interrupt [[
      pkill -INT -x vandlor2.exe
      wait $!
      echo "$?" "$(wc -c < report)" $(find . -maxdepth 1 -name '.report.*')
]])
  execute_process(
    COMMAND sh -c "${start_and_wait}${interrupt}" ${WINE} "${WINDOWS_EXE}"
    WORKING_DIRECTORY "${folder}" OUTPUT_VARIABLE interrupted OUTPUT_STRIP_TRAILING_WHITESPACE)
  # 58 is the low byte of STATUS_CONTROL_C_EXIT, the status of a program ended by Ctrl-C.
  if(NOT interrupted STREQUAL "58 0")
    set(failures "${failures}\n  Ctrl-C: exit status and report size ${interrupted}, not 58 0")
  endif()
  math(EXPR checked "${checked} + 1")
  # "End task" (TerminateProcess from another process), which no handler sees: the report is
  # empty, and the system deletes the temporary file with the killed run's handle.
  set(terminate [[
      "$0" taskkill /F /IM vandlor2.exe >/dev/null 2>&1
      wait $!
      sleep 1
      echo "$(wc -c < report)" $(find . -maxdepth 1 -name '.report.*')
]])
  execute_process(
    COMMAND sh -c "${start_and_wait}${terminate}" ${WINE} "${WINDOWS_EXE}"
    WORKING_DIRECTORY "${folder}" OUTPUT_VARIABLE terminated OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT terminated STREQUAL "0")
    set(failures "${failures}\n  TerminateProcess: report size and files left ${terminated}")
  endif()
  math(EXPR checked "${checked} + 1")
endif()

# The version resources: FileVersion and ProductVersion texts (UTF-16) and the manifest's
# assembly version (its four numbers) must be the version of the banner.
execute_process(COMMAND "${LINUX_EXE}" OUTPUT_VARIABLE banner ERROR_QUIET INPUT_FILE /dev/null)
if(NOT banner MATCHES "version: ([^ ]+) ")
  message(FATAL_ERROR "no version in the Linux banner: ${banner}")
endif()
set(version "${CMAKE_MATCH_1}")
function(utf16_hex text variable)
  hex_of("${text}" hex)
  string(REPLACE " " " 00 " hex "${hex}")
  set(${variable} "${hex}" PARENT_SCOPE)
endfunction()
read_bytes("${WINDOWS_EXE}" exe)
utf16_hex("${version}" version_text)
foreach(key FileVersion ProductVersion)
  utf16_hex("${key}" key_text)
  # The key, its NUL, padding to a 4-byte boundary, the value and its NUL.
  if(NOT exe MATCHES "${key_text}00 00 (00 00 )?${version_text}00 00 ")
    set(failures "${failures}\n  the version resource has no ${key} ${version}")
  endif()
endforeach()
set(numbers "${version}")
string(REGEX MATCHALL "[.]" dots "${version}")
list(LENGTH dots count)
while(count LESS 3)
  string(APPEND numbers ".0")
  math(EXPR count "${count} + 1")
endwhile()
foreach(text "name=\"vandlor2\" version=\"${numbers}\"" "level=\"asInvoker\"")
  hex_of("${text}" text_hex)
  string(FIND "${exe}" "${text_hex}" at)
  if(at LESS 0)
    set(failures "${failures}\n  the application manifest lacks ${text}")
  endif()
endforeach()
set(exe "")

if(WINESERVER)
  execute_process(COMMAND ${WINESERVER} -w)  # let this prefix's wineserver finish
endif()
string(TIMESTAMP now "%s")
math(EXPR seconds "${now} - ${started}")
if(failures)
  message(FATAL_ERROR "The Windows build fails its checks:${failures}")
endif()
file(REMOVE_RECURSE "${WORK_DIR}")  # kept only when a run differs
message(STATUS "Windows build matches the Linux build in ${checked} runs (${seconds} s)")
