// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include <QString>

// The utility's name as the user sees it: the window's caption, the title of its message boxes,
// the creator of the documents it writes and the print job's title when the document has no name.
inline const QString ApplicationTitle = QStringLiteral("LST File print utility");

// The program's file name, as commands and messages on the command line call it.
inline const QString ProgramName = QStringLiteral("lstprint");
