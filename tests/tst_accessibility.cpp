// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "messagesink.h"
#include "progresswindow.h"
#include "windowfixture.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QTimer>
#include <QtTest>

namespace {

// What assistive technology hears about an object: its role, name and description.
struct Told
{
    QAccessible::Role role = QAccessible::NoRole;
    QString name;
    QString description;
};

Told toldAbout(QObject *object)
{
    QAccessibleInterface *const face = QAccessible::queryAccessibleInterface(object);
    if (face == nullptr)
        return {};
    return {face->role(), face->text(QAccessible::Name), face->text(QAccessible::Description)};
}

} // namespace

// What a screen reader is told about the windows: their roles and names, the controls, the
// progress of a run as text that changes, and the message boxes' icons.
class TestAccessibility : public QObject
{
    Q_OBJECT

private slots:
    void mainWindow_data()
    {
        QTest::addColumn<QString>("name"); // object name; empty: the window itself
        QTest::addColumn<int>("role");
        QTest::addColumn<QString>("told");
        QTest::addColumn<QString>("description");
        QTest::newRow("window") << "" << int(QAccessible::Window) << "LST File print utility"
                                << "";
        QTest::newRow("Print") << "cmdPrint" << int(QAccessible::Button) << "Print"
                               << "Start Printing...";
        QTest::newRow("Exit") << "cmdExit" << int(QAccessible::Button) << "Exit"
                              << "Start Printing...";
        QTest::newRow("Orientation") << "Frame2" << int(QAccessible::Grouping) << "Orientation"
                                     << "";
        QTest::newRow("Portrait") << "optOrientation_0" << int(QAccessible::RadioButton) << "Portrait"
                                  << "";
        QTest::newRow("Actual Size") << "optSize_1" << int(QAccessible::RadioButton) << "Actual Size"
                                     << "";
    }
    void mainWindow()
    {
        QFETCH(QString, name);
        QFETCH(int, role);
        QFETCH(QString, told);
        QFETCH(QString, description);
        WindowFixture f;
        QVERIFY(f.showActive());
        QObject *const object = name.isEmpty() ? static_cast<QObject *>(f.window.get()) : f.child(name);
        QVERIFY(object != nullptr);
        const Told about = toldAbout(object);
        QCOMPARE(int(about.role), role);
        QCOMPARE(about.name, told);
        QCOMPARE(about.description, description);
        // The look is the window's own: its size and title stay.
        QCOMPARE(f.window->size(), QSize(263, 117));
        QCOMPARE(f.window->windowTitle(), QStringLiteral("LST File print utility"));
    }

    // At start the focus is on Portrait, and shown there, before any key has been pressed.
    void focusShownAtStart()
    {
        WindowFixture f;
        QVERIFY(f.showActive());
        QCOMPARE(QApplication::focusWidget(), f.child("optOrientation_0"));
        QVERIFY(f.window->testAttribute(Qt::WA_KeyboardFocusChange));
        QAccessibleInterface *const portrait =
            QAccessible::queryAccessibleInterface(f.child("optOrientation_0"));
        QVERIFY(portrait->state().focused);
    }

    // The progress window is a dialog named for the list file, its bar is named, and the page count
    // reaches a screen reader as text that changes: the label's name, and Cancel's description,
    // which a screen reader speaks when it changes while Cancel has the focus, and which changes
    // only every few seconds.
    void progressWindow()
    {
        WindowFixture f(6);
        QVERIFY(f.showActive());
        f.window->setProgressTiming(0, 0);
        QList<Told> seen;  // dialog, label, bar, Cancel at page 4
        QStringList texts; // the label's name and Cancel's description at each page
        double barValue = -1;
        f.beforeNewPage = [&](qint64 page) {
            auto *const dialog = f.window->findChild<ProgressWindow *>("progressWindow");
            if (!dialog->isVisible())
                return;
            texts << toldAbout(dialog->findChild<QLabel *>("progressLabel")).name + " / " +
                         toldAbout(dialog->findChild<QWidget *>("cmdCancel")).description;
            if (page != 4)
                return;
            seen = {toldAbout(dialog), toldAbout(dialog->findChild<QLabel *>("progressLabel")),
                    toldAbout(dialog->findChild<QProgressBar *>("progressBar")),
                    toldAbout(dialog->findChild<QWidget *>("cmdCancel"))};
            QAccessibleInterface *const bar =
                QAccessible::queryAccessibleInterface(dialog->findChild<QProgressBar *>("progressBar"));
            if (QAccessibleValueInterface *const value = bar->valueInterface())
                barValue = value->currentValue().toDouble();
        };
        QVERIFY(printToEnd(*f.window));

        QCOMPARE(seen.size(), 4);
        QCOMPARE(seen[0].role, QAccessible::Dialog);
        QCOMPARE(seen[0].name, QStringLiteral("Printing parts.lst – LST File print utility"));
        QCOMPARE(seen[1].role, QAccessible::StaticText);
        QCOMPARE(seen[1].name, QStringLiteral("Printing page 4 of 6"));
        QCOMPARE(seen[2].role, QAccessible::ProgressBar);
        QCOMPARE(seen[2].name, QStringLiteral("Pages printed"));
        QCOMPARE(barValue, 3.0);
        QCOMPARE(seen[3].role, QAccessible::Button);
        QCOMPARE(seen[3].name, QStringLiteral("Cancel"));
        QCOMPARE(texts, (QStringList{"Printing page 2 of 6 / Printing page 2 of 6",
                                     "Printing page 3 of 6 / Printing page 2 of 6",
                                     "Printing page 4 of 6 / Printing page 2 of 6",
                                     "Printing page 5 of 6 / Printing page 2 of 6",
                                     "Printing page 6 of 6 / Printing page 2 of 6"}));
    }

    void messageBoxIcons_data()
    {
        QTest::addColumn<bool>("error");
        QTest::addColumn<QString>("icon");
        QTest::newRow("error") << true << "Error";
        QTest::newRow("information") << false << "Information";
    }
    void messageBoxIcons()
    {
        QFETCH(bool, error);
        QFETCH(QString, icon);
        QWidget parent;
        MessageBoxSink sink(&parent, QStringLiteral("LST File print utility"));
        Told box;
        Told iconTold;
        QTimer answer;
        answer.setInterval(10);
        connect(&answer, &QTimer::timeout, [&] {
            auto *const shown = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (shown == nullptr || box.role != QAccessible::NoRole)
                return;
            box = toldAbout(shown);
            iconTold = toldAbout(shown->findChild<QLabel *>("qt_msgboxex_icon_label"));
            QTest::keyClick(shown, Qt::Key_Escape);
        });
        answer.start();
        if (error)
            sink.error(QStringLiteral("Error 101\r\nNo list file."));
        else
            sink.information(QStringLiteral("Saved."));
        answer.stop();
        QCOMPARE(box.role, QAccessible::AlertMessage);
        QCOMPARE(box.name, QStringLiteral("LST File print utility"));
        QCOMPARE(iconTold.role, QAccessible::Graphic);
        QCOMPARE(iconTold.name, icon);
    }
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
