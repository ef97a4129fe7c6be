# Writes the Debian package's change log and machine-readable copyright file from the project's
# own CHANGELOG.md and LICENSE, so that neither is written twice:
#   OUTPUT_DIR/changelog.gz  CHANGELOG.md in the Debian change log format, gzip -9n
#   OUTPUT_DIR/copyright     the copyright notice and licence of LICENSE, Debian copyright format
# Fails unless the newest release of CHANGELOG.md is VERSION.
#
#   cmake -DSOURCE_DIR=. -DOUTPUT_DIR=<dir> -DVERSION=1.5 -DMAINTAINER="Name <address>"
#         -DGZIP=/usr/bin/gzip -P cmake/debian-docs.cmake
cmake_minimum_required(VERSION 3.25)
foreach(variable SOURCE_DIR OUTPUT_DIR VERSION MAINTAINER GZIP)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "${variable} is not set")
  endif()
endforeach()

# The lines of a file, empty ones and semicolons kept.
function(read_lines path variable)
  file(READ "${path}" text)
  set(count 0)
  while(NOT text STREQUAL "")
    string(FIND "${text}" "\n" end)
    if(end LESS 0)
      string(LENGTH "${text}" end)
    endif()
    string(SUBSTRING "${text}" 0 ${end} line_${count})
    math(EXPR next "${end} + 1")
    string(SUBSTRING "${text}" ${next} -1 text)
    set(line_${count} "${line_${count}}" PARENT_SCOPE)
    math(EXPR count "${count} + 1")
  endwhile()
  set(${variable} ${count} PARENT_SCOPE)
endfunction()

# RFC 2822 date of a YYYY-MM-DD day at midnight UTC, as the change log's trailer line wants.
function(rfc2822_date year month day variable)
  # Sakamoto's day of the week, 0 = Sunday.
  set(offsets 0 3 2 5 0 3 5 1 4 6 2 4)
  math(EXPR index "${month} - 1")
  list(GET offsets ${index} offset)
  set(y ${year})
  if(month LESS 3)
    math(EXPR y "${y} - 1")
  endif()
  math(EXPR weekday "(${y} + ${y} / 4 - ${y} / 100 + ${y} / 400 + ${offset} + ${day}) % 7")
  set(weekdays Sun Mon Tue Wed Thu Fri Sat)
  set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
  list(GET weekdays ${weekday} weekday_name)
  list(GET months ${index} month_name)
  set(${variable} "${weekday_name}, ${day} ${month_name} ${year} 00:00:00 +0000" PARENT_SCOPE)
endfunction()

# The change log. Markdown to Debian:
#   ## 1.5 (2026-12-08)    vandlor2 (1.5) unstable; urgency=medium ... " -- MAINTAINER  date"
#   - item                  * item
#   ### Heading             * Heading:   with the items below it as "- item"
#   other text              the same, indented by two blanks
set(changelog "")
set(releases "")
set(trailer "")
set(bullet "  * ")
set(continuation "    ")
read_lines("${SOURCE_DIR}/CHANGELOG.md" count)
math(EXPR last "${count} - 1")
foreach(number RANGE 0 ${last})
  set(line "${line_${number}}")
  if(line MATCHES "^## ([^ ]+) \\(([0-9][0-9][0-9][0-9])-([0-9][0-9])-([0-9][0-9])\\)$")
    list(APPEND releases "${CMAKE_MATCH_1}")
    string(APPEND changelog "${trailer}vandlor2 (${CMAKE_MATCH_1}) unstable; urgency=medium\n\n")
    rfc2822_date(${CMAKE_MATCH_2} ${CMAKE_MATCH_3} ${CMAKE_MATCH_4} date)
    set(trailer "\n -- ${MAINTAINER}  ${date}\n\n")
    set(bullet "  * ")
    set(continuation "    ")
  elseif(line MATCHES "^## ")
    message(FATAL_ERROR "CHANGELOG.md: a release heading reads \"## VERSION (YYYY-MM-DD)\": "
                        "${line}")
  elseif(releases STREQUAL "")
    continue()  # the introduction
  elseif(line MATCHES "^### (.*)$")
    string(APPEND changelog "  * ${CMAKE_MATCH_1}:\n")
    set(bullet "    - ")
    set(continuation "      ")
  elseif(line MATCHES "^- (.*)$")
    string(APPEND changelog "${bullet}${CMAKE_MATCH_1}\n")
  elseif(line MATCHES "^  (.*)$")
    string(APPEND changelog "${continuation}${CMAKE_MATCH_1}\n")
  elseif(NOT line STREQUAL "")
    string(APPEND changelog "  ${line}\n")
  endif()
endforeach()
string(APPEND changelog "${trailer}")
string(REGEX REPLACE "\n+$" "\n" changelog "${changelog}")

list(GET releases 0 newest)
if(NOT newest STREQUAL VERSION)
  message(FATAL_ERROR "CHANGELOG.md: the newest release is ${newest}, the project version "
                      "${VERSION}; add the release to CHANGELOG.md")
endif()
string(REGEX MATCHALL "[^\n]*\n" changelog_lines "${changelog}")
foreach(changelog_line IN LISTS changelog_lines)
  string(LENGTH "${changelog_line}" length)
  if(length GREATER 81)  # 80 characters and the line feed
    message(FATAL_ERROR "CHANGELOG.md: this line is too long for the Debian change log "
                        "(80 characters with its indentation): ${changelog_line}")
  endif()
endforeach()

file(MAKE_DIRECTORY "${OUTPUT_DIR}")
file(WRITE "${OUTPUT_DIR}/changelog" "${changelog}")
execute_process(COMMAND "${GZIP}" -9n -c "${OUTPUT_DIR}/changelog"
                OUTPUT_FILE "${OUTPUT_DIR}/changelog.gz" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${GZIP} failed on ${OUTPUT_DIR}/changelog")
endif()

# The copyright file: LICENSE's notice as the Copyright field, its terms as the licence text
# (a lone dot stands for an empty line).
read_lines("${SOURCE_DIR}/LICENSE" count)
math(EXPR last "${count} - 1")
set(holders "")
set(terms "")
foreach(number RANGE 0 ${last})
  set(line "${line_${number}}")
  if(line MATCHES "^Copyright \\(c\\) (.*)$")
    set(holders "${CMAKE_MATCH_1}")
  elseif(NOT holders STREQUAL "")
    if(line STREQUAL "")
      set(line ".")
    endif()
    string(APPEND terms " ${line}\n")
  endif()
endforeach()
string(REGEX REPLACE "^ \\.\n" "" terms "${terms}")
if(holders STREQUAL "" OR terms STREQUAL "")
  message(FATAL_ERROR "LICENSE: no \"Copyright (c)\" line followed by the licence terms")
endif()
file(WRITE "${OUTPUT_DIR}/copyright"
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: vandlor2
Upstream-Contact: ${MAINTAINER}
Comment: The MIT licence (SPDX identifier MIT), which Debian calls Expat.

Files: *
Copyright: ${holders}
License: Expat

License: Expat
${terms}")
