// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QLabel>
#include <QMessageBox>
#include <QWidget>

namespace {

// The texts of this file, translated in the context "Accessibility".
struct Words
{
    Q_DECLARE_TR_FUNCTIONS(Accessibility)
};

// Marks the windows that are announced as application windows. Qt asks the factory once for each
// object, the first time assistive technology asks about it.
constexpr char ApplicationWindowProperty[] = "lstprintApplicationWindow";

QAccessibleInterface *applicationWindowFactory(const QString &, QObject *object)
{
    auto *const widget = qobject_cast<QWidget *>(object);
    if (widget == nullptr || !widget->isWindow() || !widget->property(ApplicationWindowProperty).toBool())
        return nullptr;
    return new QAccessibleWidget(widget, QAccessible::Window);
}

} // namespace

namespace Accessibility {

void exposeAsApplicationWindow(QWidget &window)
{
    static const bool installed = [] {
        QAccessible::installFactory(applicationWindowFactory);
        return true;
    }();
    Q_UNUSED(installed);
    window.setProperty(ApplicationWindowProperty, true);
}

void nameIcon(QMessageBox &box)
{
    // Qt's message box shows its icon in a label of this name, which assistive technology sees as
    // an image without a name.
    auto *const icon = box.findChild<QLabel *>(QStringLiteral("qt_msgboxex_icon_label"));
    if (icon == nullptr)
        return;
    if (box.icon() == QMessageBox::Critical)
        icon->setAccessibleName(Words::tr("Error"));
    else if (box.icon() == QMessageBox::Information)
        icon->setAccessibleName(Words::tr("Information"));
}

} // namespace Accessibility
