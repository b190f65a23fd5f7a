// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

// Part of every test program: as the program does, the tests install its English plural forms as
// soon as the application object exists, so that the texts they check read "1 page", "2 pages".
// The tests run in the C locale (tests/CMakeLists.txt), whose texts are the English ones.

#include "translations.h"

#include <QCoreApplication>

namespace {

void installProgramTexts()
{
    Translations::installEnglish();
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(installProgramTexts)
