// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include <QString>
#include <QStringList>

// The program's words in the user's language. The English texts in the code are the program's
// own; a translation is a file lstprint_<language>.qm made from translations/lstprint_<language>.ts.
namespace Translations {

// Installs the English plural forms, which are built into the program: a text such as
// "%n page(s)" reads "1 page" and "2 pages" through them. Every process that shows the program's
// texts installs them first, the tests too.
void installEnglish();

// installEnglish(), then the translation of the first of the user's languages (Qt reads LANGUAGE,
// LC_ALL, LC_MESSAGES and LANG) that the program has in one of folders, together with Qt's own
// translation for that language (its buttons, the command line's headings). English and the C
// locale are the program's own language: a preference for either ends the search. Returns the
// name of the language installed, empty when the texts stay English.
QString install(const QStringList &folders);

// Where translations are looked for: translations/ beside the program (the build tree), the
// share folder of the prefix the program is installed under, and the folder it was built to be
// installed in (a copy of the program put in a data folder finds the installed translations).
[[nodiscard]] QStringList folders(const QString &programFolder);

// A count for tr(), which takes an int: counts past INT_MAX are given as INT_MAX, for which the
// plural form is chosen, and shown by restoreCount().
[[nodiscard]] int countForPlural(qint64 count);
// The translated text with the true count in place of the one countForPlural() gave tr().
[[nodiscard]] QString restoreCount(QString translated, qint64 count);

} // namespace Translations
