# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 LST File print utility developers

# The libFuzzer build (LSTPRINT_FUZZ): clang only, its own build directory. The libraries are built
# with coverage for the fuzzer plus AddressSanitizer and UndefinedBehaviorSanitizer; only the fuzz
# target links libFuzzer's driver. Qt from the system (built with gcc) links as it is.
if(LSTPRINT_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "LSTPRINT_FUZZ needs clang (e.g. -DCMAKE_CXX_COMPILER=clang++-14)")
    endif()
    if(LSTPRINT_SANITIZE)
        message(FATAL_ERROR "LSTPRINT_FUZZ brings its own sanitizers: leave LSTPRINT_SANITIZE off")
    endif()
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
                        -fno-omit-frame-pointer -g)
    add_link_options(-fsanitize=address,undefined)
endif()
