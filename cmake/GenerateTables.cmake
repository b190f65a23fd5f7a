# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 LST File print utility developers

# Makes what is generated from the tables of data/: the exit statuses (data/exit-statuses.txt) and
# the error numbers (data/errors.txt), each a line "<tag><TAB><meaning>" ('#' begins a comment).
# Run at build time in script mode:
#
#   cmake -DMODE=manpage -DEXIT_STATUSES=<file> -DERRORS=<file> -DINPUT=<lstprint.1.in>
#         -DOUTPUT=<lstprint.1> -DPROJECT_VERSION=<v> -DLSTPRINT_RELEASE_DATE=<date>
#         -DLSTPRINT_COPYRIGHT_YEAR=<year> -DLSTPRINT_VENDOR=<copyright holder> -P GenerateTables.cmake
#       the manual page, its EXIT STATUS and DIAGNOSTICS entries in place of
#       @LSTPRINT_EXIT_STATUS_ENTRIES@ and @LSTPRINT_ERROR_ENTRIES@
#   cmake -DMODE=help -DEXIT_STATUSES=<file> -DOUTPUT=<header> -P GenerateTables.cmake
#       a C++ header with the exit statuses as a table, for the end of --help
cmake_minimum_required(VERSION 3.25)

# Reads a table into <prefix>_TAGS and <prefix>_MEANINGS, the semicolons of the meanings kept as
# the placeholder <semicolon> (a CMake list cannot hold them).
function(read_table file prefix)
    file(READ "${file}" content)
    string(REPLACE ";" "<semicolon>" content "${content}")
    string(REPLACE "\n" ";" lines "${content}")
    set(tags)
    set(meanings)
    foreach(line IN LISTS lines)
        if(line STREQUAL "" OR line MATCHES "^#")
            continue()
        endif()
        if(NOT line MATCHES "^([^\t]+)\t(.+)$")
            message(FATAL_ERROR "${file}: not a line of \"<tag><TAB><meaning>\": ${line}")
        endif()
        list(APPEND tags "${CMAKE_MATCH_1}")
        list(APPEND meanings "${CMAKE_MATCH_2}")
    endforeach()
    if(NOT tags)
        message(FATAL_ERROR "${file}: the table is empty")
    endif()
    set(${prefix}_TAGS "${tags}" PARENT_SCOPE)
    set(${prefix}_MEANINGS "${meanings}" PARENT_SCOPE)
endfunction()

# The entries of a man(7) tagged list, the first with the given indent: the tag in bold, the
# meaning on one line, hyphens as roff's minus signs (they are options and ranges).
function(roff_entries prefix indent out)
    set(text "")
    set(first TRUE)
    foreach(tag meaning IN ZIP_LISTS ${prefix}_TAGS ${prefix}_MEANINGS)
        string(REPLACE "<semicolon>" ";" meaning "${meaning}")
        string(REPLACE "-" "\\-" meaning "${meaning}")
        if(first)
            string(APPEND text ".TP ${indent}\n")
            set(first FALSE)
        else()
            string(APPEND text ".TP\n")
        endif()
        if(tag MATCHES " ")
            set(tag "\"${tag}\"")
        endif()
        string(APPEND text ".B ${tag}\n${meaning}\n")
    endforeach()
    string(REGEX REPLACE "\n$" "" text "${text}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

function(cxx_string value out)
    string(REPLACE "<semicolon>" ";" value "${value}")
    string(REPLACE "\\" "\\\\" value "${value}")
    string(REPLACE "\"" "\\\"" value "${value}")
    set(${out} "\"${value}\"" PARENT_SCOPE)
endfunction()

if(MODE STREQUAL "manpage")
    read_table("${EXIT_STATUSES}" EXIT)
    read_table("${ERRORS}" ERROR)
    roff_entries(EXIT 9 LSTPRINT_EXIT_STATUS_ENTRIES)
    roff_entries(ERROR 5 LSTPRINT_ERROR_ENTRIES)
    configure_file("${INPUT}" "${OUTPUT}" @ONLY)
elseif(MODE STREQUAL "help")
    read_table("${EXIT_STATUSES}" EXIT)
    set(rows "")
    foreach(tag meaning IN ZIP_LISTS EXIT_TAGS EXIT_MEANINGS)
        cxx_string("${tag}" tag)
        cxx_string("${meaning}" meaning)
        string(APPEND rows "    {${tag}, QT_TRANSLATE_NOOP(\"CommandLine\", ${meaning})},\n")
    endforeach()
    # Written only when it changed, so that an unchanged table rebuilds nothing.
    file(CONFIGURE OUTPUT "${OUTPUT}" CONTENT "// Made from data/exit-statuses.txt at build time: edit that file, not this one.
#pragma once

#include <QtGlobal>

// The meanings are the command line's texts: lupdate finds them here, and --help translates them.
struct ExitStatusEntry
{
    const char *status;
    const char *meaning;
};

inline constexpr ExitStatusEntry ExitStatusTable[] = {
${rows}};
" @ONLY)
else()
    message(FATAL_ERROR "MODE must be manpage or help, not \"${MODE}\"")
endif()
