// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "translations.h"

#include "version.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QTranslator>

#include <limits>

namespace {

constexpr char FilePrefix[] = "lstprint";

// A translator that lives as long as the application, or none when the file is not there.
QTranslator *loaded(const QLocale &locale, const QString &name, const QString &folder)
{
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(locale, name, QStringLiteral("_"), folder))
        return translator;
    delete translator;
    return nullptr;
}

} // namespace

void Translations::installEnglish()
{
    // Once per application object: the translator goes with the application that owns it.
    static QPointer<QTranslator> installed;
    if (installed || !QCoreApplication::instance())
        return;
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(QStringLiteral(":/lstprint/translations/lstprint_en.qm")) &&
        QCoreApplication::installTranslator(translator))
        installed = translator;
    else
        delete translator;
}

QString Translations::install(const QStringList &folders)
{
    installEnglish();
    for (const QString &name : QLocale::system().uiLanguages()) {
        const QLocale locale(name);
        if (locale.language() == QLocale::English || locale.language() == QLocale::C)
            return {};
        for (const QString &folder : folders) {
            QTranslator *translator = loaded(locale, QLatin1String(FilePrefix), folder);
            if (!translator)
                continue;
            // Qt's own first: the last translator installed is asked first, so none of Qt's texts
            // can stand in for one of the program's.
            if (QTranslator *qt = loaded(locale, QStringLiteral("qtbase"),
                                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
                QCoreApplication::installTranslator(qt);
            QCoreApplication::installTranslator(translator);
            return locale.name();
        }
    }
    return {};
}

QStringList Translations::folders(const QString &programFolder)
{
    const QDir program(programFolder);
    QStringList result{program.filePath(QStringLiteral("translations")),
                       QDir::cleanPath(program.filePath(QStringLiteral("../share/lstprint/translations")))};
    const QString built = QString::fromUtf8(InstalledTranslations);
    if (!result.contains(built))
        result << built;
    return result;
}

int Translations::countForPlural(qint64 count)
{
    return count > std::numeric_limits<int>::max() ? std::numeric_limits<int>::max() : int(count);
}

QString Translations::restoreCount(QString translated, qint64 count)
{
    // Only %n has been replaced when this is called: the text's %1, %2 ... are still to come, so
    // the digits of INT_MAX can only be the count.
    if (count > std::numeric_limits<int>::max())
        translated.replace(QString::number(std::numeric_limits<int>::max()), QString::number(count));
    return translated;
}
