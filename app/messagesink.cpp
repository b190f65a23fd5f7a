// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "messagesink.h"

#include "accessibility.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QScopeGuard>

MessageBoxSink::MessageBoxSink(QWidget *parent, QString title) : m_parent(parent), m_title(std::move(title))
{
}

void MessageBoxSink::error(const QString &text)
{
    show(true, text);
}

void MessageBoxSink::information(const QString &text)
{
    show(false, text);
}

void MessageBoxSink::show(bool isError, const QString &text)
{
    // The override cursor is a stack: an arrow pushed on top of the busy cursor is popped again
    // when the box is answered, whichever way it is left.
    const bool busy = QGuiApplication::overrideCursor() != nullptr;
    if (busy)
        QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    const auto restore = qScopeGuard([busy] {
        if (busy)
            QGuiApplication::restoreOverrideCursor();
    });

    // Messages separate their lines with CR LF; the box breaks lines at LF alone and would show
    // the CR as a stray character.
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));

    QMessageBox box(isError ? QMessageBox::Critical : QMessageBox::Information, m_title, shown,
                    QMessageBox::Ok, m_parent);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Ok);
    Accessibility::nameIcon(box);
    box.exec();
}
