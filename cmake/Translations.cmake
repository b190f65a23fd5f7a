# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 LST File print utility developers

# The translations: translations/lstprint_<language>.ts, made into .qm files by Qt's own CMake
# commands (Qt6LinguistTools, from qt6-tools-dev, which run lrelease). lstprint_en.ts holds only the
# English plural forms, which are built into the program; the other languages are installed here,
# where the program looks for them. tools/update-translations.sh brings the .ts files up to date
# with the code of every layer.
find_package(Qt6 6.4 REQUIRED COMPONENTS LinguistTools)
set(LSTPRINT_TRANSLATIONS_SOURCE_DIR ${PROJECT_SOURCE_DIR}/translations)
set(LSTPRINT_TRANSLATIONS_INSTALL_DIR ${CMAKE_INSTALL_DATADIR}/lstprint/translations)
set(LSTPRINT_INSTALLED_TRANSLATIONS ${CMAKE_INSTALL_FULL_DATADIR}/lstprint/translations)
# The languages besides English, each a translations/lstprint_<language>.ts.
set(LSTPRINT_LANGUAGES de)

# lstprint_release_translations(<target> <output folder> <qm files variable> <language>...): the
# languages' .qm files, compiled into the output folder whenever their .ts changes, before target.
# Texts not yet translated are left out, so that they show in English.
function(lstprint_release_translations target folder qmVariable)
    set(tsFiles "")
    foreach(language IN LISTS ARGN)
        set(ts ${LSTPRINT_TRANSLATIONS_SOURCE_DIR}/lstprint_${language}.ts)
        set_source_files_properties(${ts} PROPERTIES OUTPUT_LOCATION ${folder})
        list(APPEND tsFiles ${ts})
    endforeach()
    qt_add_lrelease(${target} TS_FILES ${tsFiles} QM_FILES_OUTPUT_VARIABLE qmFiles
        OPTIONS -silent -nounfinished)
    set(${qmVariable} ${qmFiles} PARENT_SCOPE)
endfunction()
