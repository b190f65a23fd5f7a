# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 LST File print utility developers

# The translations: translations/lstprint_<language>.ts, made into .qm files by Qt Linguist's
# lrelease (qt6-l10n-tools). lstprint_en.ts holds only the English plural forms, which are built
# into the program; the other languages are installed here, where the program looks for them.
set(LSTPRINT_TRANSLATIONS_SOURCE_DIR ${PROJECT_SOURCE_DIR}/translations)
set(LSTPRINT_TRANSLATIONS_INSTALL_DIR ${CMAKE_INSTALL_DATADIR}/lstprint/translations)
set(LSTPRINT_INSTALLED_TRANSLATIONS ${CMAKE_INSTALL_FULL_DATADIR}/lstprint/translations)
# The languages besides English, each a translations/lstprint_<language>.ts.
set(LSTPRINT_LANGUAGES de)

find_program(LSTPRINT_LRELEASE lrelease HINTS ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS} REQUIRED)

# lstprint_release_translation(<language> <qm file>): the rule that compiles a language's .ts.
function(lstprint_release_translation language qm)
    set(ts ${LSTPRINT_TRANSLATIONS_SOURCE_DIR}/lstprint_${language}.ts)
    add_custom_command(OUTPUT ${qm}
        COMMAND ${LSTPRINT_LRELEASE} -silent -nounfinished ${ts} -qm ${qm}
        DEPENDS ${ts}
        COMMENT "Compiling the ${language} translation"
        VERBATIM)
endfunction()
