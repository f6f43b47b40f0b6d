# Writes the man page of tallyfold-report from its own --help and --version, so that the two
# never disagree: the usage lines become the synopsis, the first paragraph the name line and the
# description, the option list OPTIONS, a headed list ("Exit status:") a section of that name.
# EXAMPLES and SEE ALSO are written here; each example is run on the example maps first, so that
# an option it uses cannot go stale.
# Usage: cmake -DREPORT=tallyfold-report -DOUTPUT=tallyfold-report.1 -DEXAMPLES_DIR=examples
#              -DDOC_DIR=/usr/share/doc/tallyfold-report -P ManPage.cmake
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

# The examples: what each does, then the command. app.map is the program's map, main.map that
# of the main branch's last build.
set(examples
    "Fail a CI job (exit status 1) when the program takes more than 90% of its part's ROM or RAM, and keep the report in a file:"
    "tallyfold-report --max-rom 90 --max-ram 90 --output size.txt app.map"
    "The same with limits in bytes, whatever the part:"
    "tallyfold-report --max-rom 120000B --max-ram 3000B app.map"
    "What a pull request changes, as a Markdown table for a comment on it:"
    "tallyfold-report --format markdown --diff main.map app.map"
    "A page to look at in a browser, with treemaps of ROM and RAM over the table:"
    "tallyfold-report --format html --output size.html app.map"
)

# roff: a backslash is written \e, a minus \-, and a line must not start with . or '.
function(roff_escape text result)
    string(REPLACE "\\" "\\e" text "${text}")
    string(REPLACE "-" "\\-" text "${text}")
    string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
    set(${result} "${text}" PARENT_SCOPE)
endfunction()

# The name of an option or a choice: the names in bold, the place-holders (DEVICE, MAPFILE) in
# italics.
function(roff_term text result)
    string(REPLACE " " ";" words "${text}")
    set(term "")
    foreach(word IN LISTS words)
        roff_escape("${word}" word)
        if(word MATCHES "^[A-Z]")
            string(APPEND term " \\fI${word}\\fR")
        else()
            string(APPEND term " \\fB${word}\\fR")
        endif()
    endforeach()
    string(STRIP "${term}" term)
    set(${result} "${term}" PARENT_SCOPE)
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
roff_escape("${version}" version)

# The rest, line by line (not as a CMake list: the text holds semicolons and brackets). An item
# starts two columns in, its name ended by a gap of two or more spaces; lines under its text
# go on with it, lines two columns further in are its choices ("name: text"), and lines deeper
# still go on with the choice. A line "Heading:" at the margin starts a section of that name.
set(body "")
set(section "")      # the section open after DESCRIPTION
set(text_column -1)  # where the open item's text starts; -1: no item
set(in_choices OFF)
set(in_paragraph OFF)
string(APPEND rest "\n")
while(NOT rest STREQUAL "")
    string(FIND "${rest}" "\n" end)
    string(SUBSTRING "${rest}" 0 ${end} line)
    math(EXPR next "${end} + 1")
    string(SUBSTRING "${rest}" ${next} -1 rest)
    string(REGEX REPLACE "^ +" "" unindented "${line}")
    string(LENGTH "${line}" indent)
    string(LENGTH "${unindented}" length)
    math(EXPR indent "${indent} - ${length}")
    string(STRIP "${line}" text)
    math(EXPR choice_column "${text_column} + 2")

    if(in_choices AND (text STREQUAL "" OR indent LESS_EQUAL text_column))
        string(APPEND body ".PD\n.RE\n")
        set(in_choices OFF)
    endif()
    if(text STREQUAL "")
        set(text_column -1)
        set(in_paragraph OFF)
    elseif(indent EQUAL 0 AND text MATCHES "^([A-Z][^:]*):$")
        string(TOUPPER "${CMAKE_MATCH_1}" section)
        string(APPEND body ".SH ${section}\n")
        set(in_paragraph OFF)
    elseif(indent EQUAL 0)
        roff_escape("${text}" text)
        if(NOT in_paragraph)
            string(APPEND body ".PP\n")
            set(in_paragraph ON)
        endif()
        string(APPEND body "${text}\n")
    elseif(text_column LESS 0 OR indent LESS text_column)
        if(section STREQUAL "")
            set(section OPTIONS)
            string(APPEND body ".SH OPTIONS\n")
        endif()
        if(line MATCHES "^ *[^ ]+( [^ ]+)*  +")
            string(LENGTH "${CMAKE_MATCH_0}" text_column)
            string(SUBSTRING "${line}" ${text_column} -1 text)
            string(SUBSTRING "${line}" ${indent} -1 term)
            string(REGEX REPLACE "  .*$" "" term "${term}")
        else()
            set(term "${text}")
            set(text "")
            math(EXPR text_column "${indent} + 2")
        endif()
        roff_term("${term}" term)
        roff_escape("${text}" text)
        string(APPEND body ".TP\n${term}\n")
        if(NOT text STREQUAL "")
            string(APPEND body "${text}\n")
        endif()
    elseif(indent EQUAL choice_column)
        if(NOT in_choices)
            string(APPEND body ".RS\n.PD 0\n")
            set(in_choices ON)
        endif()
        string(FIND "${text}" ": " colon)
        if(colon LESS 0)
            string(FIND "${text}" " " colon)
        endif()
        if(colon LESS 0)
            set(name "${text}")
            set(text "")
        else()
            string(SUBSTRING "${text}" 0 ${colon} name)
            math(EXPR colon "${colon} + 1")
            string(SUBSTRING "${text}" ${colon} -1 text)
            string(STRIP "${text}" text)
        endif()
        # The choice's own name in bold, a note after it ("(default)") as it is.
        string(REGEX MATCH "^[^ ]+" word "${name}")
        string(LENGTH "${word}" length)
        string(SUBSTRING "${name}" ${length} -1 note)
        roff_term("${word}" word)
        roff_escape("${note}" note)
        roff_escape("${text}" text)
        string(APPEND body ".TP\n${word}${note}\n")
        if(NOT text STREQUAL "")
            string(APPEND body "${text}\n")
        endif()
    else()
        roff_escape("${text}" text)
        string(APPEND body "${text}\n")
    endif()
endwhile()
if(in_choices)
    string(APPEND body ".PD\n.RE\n")
endif()

# EXAMPLES, each run first with the example maps in place of app.map and main.map: it may find a
# budget exceeded, but its options must be understood (status 2 is a usage error). They run in a
# folder of their own, where the files they write are left.
set(examples_roff "")
set(examples_run_dir ${OUTPUT}.examples)
file(REMOVE_RECURSE ${examples_run_dir})
file(MAKE_DIRECTORY ${examples_run_dir})
list(LENGTH examples count)
math(EXPR last "${count} - 1")
foreach(i RANGE 0 ${last} 2)
    math(EXPR j "${i} + 1")
    list(GET examples ${i} what)
    list(GET examples ${j} command)
    string(REGEX REPLACE " *>.*$" "" run "${command}")
    string(REGEX REPLACE "^tallyfold-report " "" run "${run}")
    string(REPLACE "main.map" "${EXAMPLES_DIR}/blinky.map" run "${run}")
    string(REPLACE "app.map" "${EXAMPLES_DIR}/blinky-v2.map" run "${run}")
    separate_arguments(run UNIX_COMMAND "${run}")
    execute_process(COMMAND ${REPORT} ${run} OUTPUT_QUIET ERROR_VARIABLE error
                    RESULT_VARIABLE status WORKING_DIRECTORY ${examples_run_dir})
    if(NOT status MATCHES "^[013]$")
        message(FATAL_ERROR "the man page's example '${command}' fails: ${error}")
    endif()
    roff_escape("${what}" what)
    roff_escape("${command}" command)
    string(APPEND examples_roff ".PP\n${what}\n.PP\n.RS 4\n.nf\n${command}\n.fi\n.RE\n")
endforeach()
file(REMOVE_RECURSE ${examples_run_dir})

roff_escape("${DOC_DIR}/README.md" readme)

file(WRITE ${OUTPUT} ".TH TALLYFOLD\\-REPORT 1 \"\" \"${version}\" \"User Commands\"
.nh
.ad l
.SH NAME
tallyfold\\-report \\- ${whatis}
.SH SYNOPSIS
.nf
${usage}
.fi
.SH DESCRIPTION
${description}
${body}.SH EXAMPLES
${examples_roff}.SH SEE ALSO
.BR gplink (1),
which writes the maps of the MPLINK family with its option \\fB\\-m\\fR.
.PP
The README,
.IR ${readme} ,
tells what is counted, shows each format and explains the checks against the map's own totals.
")
