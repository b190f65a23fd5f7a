# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 LST File print utility developers

# The Debian package: `cpack -G DEB` in the build folder makes lstprint_<version>_<arch>.deb from
# the install rules. Only the program and its desktop files are installed; the tests, the
# benchmark and the fuzz targets have no install rules.
set(CPACK_PACKAGE_NAME lstprint)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR ${LSTPRINT_VENDOR})
set(CPACK_PACKAGE_CONTACT ${LSTPRINT_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "print the records of a list file as record sheets")
# The extended description, in lines short enough for the package tools to show as they are.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "lstprint turns a list file of comma-separated records into printed record"
    "sheets, one page per record: a logo, a grid of the record's fields, its"
    "picture and a footer. The document goes to the default CUPS printer or to a"
    "PDF file. It has a small window and a command line for scripts and for"
    "machines without a display.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Stripped as Debian's own packages are: without the compiler's .comment and .note sections either.
set(LSTPRINT_STRIP ${CMAKE_STRIP})
configure_file(${CMAKE_CURRENT_LIST_DIR}/strip-for-package.in ${CMAKE_BINARY_DIR}/strip-for-package @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_STRIP ${CMAKE_BINARY_DIR}/strip-for-package)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the program links are read from the binary by dpkg-shlibdeps. Qt's platform and
# picture plugins, which it loads at run time, ship in libqt6gui6, one of those libraries.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The grid is laid out in Courier's metrics, and fontconfig gives the first of these for "courier".
# Without one it would find some other fixed-pitch face with other metrics, or none at all.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-urw-base35 | fonts-liberation2 | fonts-liberation")
# Qt's own words in the user's language (the buttons of the message boxes, the headings of --help),
# beside the program's translations; without them those stay English.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")

include(CPack)
