# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 LST File print utility developers

# Warnings for the project's own targets (not for generated or third-party code).
function(lstprint_set_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                                             -Wold-style-cast -Wcast-align -Woverloaded-virtual)
    if(LSTPRINT_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()
