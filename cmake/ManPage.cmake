# Writes the man page of tallyfold-report from its own --help and --version, so that the two
# never disagree: the usage lines become the synopsis, the first paragraph the name line and the
# description, the rest (options, exit status) is kept as it is laid out.
# Usage: cmake -DREPORT=tallyfold-report -DOUTPUT=tallyfold-report.1 -P ManPage.cmake
cmake_minimum_required(VERSION 3.25)
execute_process(COMMAND ${REPORT} --help OUTPUT_VARIABLE help RESULT_VARIABLE failed)
if(failed OR help STREQUAL "")
    message(FATAL_ERROR "${REPORT} --help failed")
endif()
execute_process(COMMAND ${REPORT} --version OUTPUT_VARIABLE version RESULT_VARIABLE failed
                OUTPUT_STRIP_TRAILING_WHITESPACE)
if(failed OR version STREQUAL "")
    message(FATAL_ERROR "${REPORT} --version failed")
endif()

# roff: a backslash is written \e, a minus \-, and a line must not start with . or '.
function(roff_escape text result)
    string(REPLACE "\\" "\\e" text "${text}")
    string(REPLACE "-" "\\-" text "${text}")
    string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
    set(${result} "${text}" PARENT_SCOPE)
endfunction()

# The help is: the usage lines (the first starting "Usage:", the others indented), the
# description up to a blank line, then the rest.
string(FIND "${help}" "\n\n" head_end)
if(head_end LESS 0)
    message(FATAL_ERROR "${REPORT} --help has no blank line after its description")
endif()
string(SUBSTRING "${help}" 0 ${head_end} head)
math(EXPR rest_start "${head_end} + 2")
string(SUBSTRING "${help}" ${rest_start} -1 rest)
if(NOT head MATCHES "^(Usage:[^\n]*(\n +[^\n]*)*)\n(.+)$")
    message(FATAL_ERROR "${REPORT} --help does not start with its usage lines")
endif()
set(usage "${CMAKE_MATCH_1}")
set(description "${CMAKE_MATCH_3}")

string(REGEX REPLACE "(^|\n)Usage: +" "\\1" usage "${usage}")
string(REGEX REPLACE "(^|\n) +" "\\1" usage "${usage}")
string(REPLACE "\n" " " whatis "${description}")
string(SUBSTRING "${whatis}" 0 1 first)
string(TOLOWER "${first}" first)
string(SUBSTRING "${whatis}" 1 -1 whatis_rest)
string(REGEX REPLACE "\\.$" "" whatis_rest "${whatis_rest}")

roff_escape("${usage}" usage)
roff_escape("${description}" description)
roff_escape("${first}${whatis_rest}" whatis)
roff_escape("${rest}" rest)
roff_escape("${version}" version)

file(WRITE ${OUTPUT} ".TH TALLYFOLD\\-REPORT 1 \"\" \"${version}\" \"User Commands\"
.SH NAME
tallyfold\\-report \\- ${whatis}
.SH SYNOPSIS
.nf
${usage}
.fi
.SH DESCRIPTION
${description}
.SH OPTIONS
.nf
${rest}.fi
")
