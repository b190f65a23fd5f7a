# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 LST File print utility developers

# Debian's hardening flags, as dpkg-buildflags gives them with every hardening feature asked for
# (fortified libc calls, stack protector, format checks, read-only relocations bound at start-up).
# Only the hardening flags are taken: optimisation and debugging stay the build type's. Not for the
# sanitizer and fuzzing builds, which instrument the same calls themselves, nor for an unoptimised
# build, where glibc cannot fortify.
option(LSTPRINT_HARDENING "Build with Debian's hardening flags (dpkg-buildflags)" ON)
find_program(LSTPRINT_DPKG_BUILDFLAGS dpkg-buildflags)
if(LSTPRINT_HARDENING AND LSTPRINT_DPKG_BUILDFLAGS AND NOT LSTPRINT_SANITIZE AND NOT LSTPRINT_FUZZ
   AND NOT CMAKE_BUILD_TYPE STREQUAL "Debug")
    function(lstprint_buildflags kind out)
        execute_process(COMMAND env DEB_BUILD_MAINT_OPTIONS=hardening=+all ${LSTPRINT_DPKG_BUILDFLAGS} --get ${kind}
                        OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
        separate_arguments(flags UNIX_COMMAND "${flags}")
        list(FILTER flags EXCLUDE REGEX "^(-O.*|-g.*|-ffile-prefix-map=.*)$")
        set(${out} ${flags} PARENT_SCOPE)
    endfunction()
    lstprint_buildflags(CPPFLAGS cppflags)
    lstprint_buildflags(CXXFLAGS cxxflags)
    lstprint_buildflags(LDFLAGS ldflags)
    add_compile_options(${cppflags} ${cxxflags})
    add_link_options(${ldflags})
    message(STATUS "Hardening: ${cppflags} ${cxxflags} ${ldflags}")
endif()
