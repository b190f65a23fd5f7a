// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "picturebox.h"
#include "printerror.h"
#include "printrun.h"
#include "translations.h"
#include "windowfixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QGroupBox>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QtTest>

#include <cmath>

// The window's controls, their keys and the hidden picture holder.
class TestFrmPrinter : public QObject
{
    Q_OBJECT

    std::unique_ptr<WindowFixture> f;

    [[nodiscard]] QAbstractButton *button(const QString &name) const
    {
        return qobject_cast<QAbstractButton *>(f->child(name));
    }
    // The checked index of each option array.
    [[nodiscard]] QPair<int, int> selections() const
    {
        return {f->window->findChild<QButtonGroup *>("optOrientation")->checkedId(),
                f->window->findChild<QButtonGroup *>("optSize")->checkedId()};
    }

private slots:
    void init() { f = std::make_unique<WindowFixture>(); }
    void cleanup() { f.reset(); }

    void controls_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("kind");
        QTest::addColumn<QString>("parentName");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QRect>("geometry");

        // Twips from the form divided by 15, rounded.
        QTest::newRow("Print") << "cmdPrint" << QByteArray("QPushButton") << "frmPrinter"
                               << "&Print" << QRect(71, 83, 60, 25);
        QTest::newRow("Exit") << "cmdExit" << QByteArray("QPushButton") << "frmPrinter"
                              << "&Exit" << QRect(135, 83, 57, 25);
        QTest::newRow("Orientation frame") << "Frame2" << QByteArray("QGroupBox") << "frmPrinter"
                                           << "Orientation" << QRect(11, 9, 121, 61);
        QTest::newRow("Portrait") << "optOrientation_0" << QByteArray("QRadioButton") << "Frame2"
                                  << "Portrait" << QRect(23, 16, 63, 17);
        QTest::newRow("Landscape") << "optOrientation_1" << QByteArray("QRadioButton") << "Frame2"
                                   << "Landscape" << QRect(23, 37, 74, 17);
        QTest::newRow("Picture Size frame") << "Frame3" << QByteArray("QGroupBox") << "frmPrinter"
                                            << "Picture Size" << QRect(130, 9, 121, 61);
        QTest::newRow("Fit in Page") << "optSize_0" << QByteArray("QRadioButton") << "Frame3"
                                     << "Fit in Page" << QRect(20, 17, 74, 17);
        QTest::newRow("Actual Size") << "optSize_1" << QByteArray("QRadioButton") << "Frame3"
                                     << "Actual Size" << QRect(20, 38, 79, 17);
        QTest::newRow("Image1") << "Image1" << QByteArray("PictureBox") << "frmPrinter" << QString()
                                << QRect(9, 85, 53, 20);
    }
    void controls()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, kind);
        QFETCH(QString, parentName);
        QFETCH(QString, caption);
        QFETCH(QRect, geometry);

        QWidget *const widget = f->child(name);
        QVERIFY2(widget, qPrintable(name));
        QCOMPARE(QByteArray(widget->metaObject()->className()), kind);
        QCOMPARE(widget->parentWidget()->objectName(), parentName);
        QCOMPARE(widget->geometry(), geometry);
        QVERIFY2(!widget->testAttribute(Qt::WA_SetFont), "no control has a font of its own");
        if (auto *const box = qobject_cast<QGroupBox *>(widget))
            QCOMPARE(box->title(), caption);
        else if (auto *const optionOrCommand = qobject_cast<QAbstractButton *>(widget))
            QCOMPARE(optionOrCommand->text(), caption);
    }

    void optionArrays_data()
    {
        QTest::addColumn<QString>("array");
        QTest::addColumn<int>("index");
        QTest::newRow("Portrait") << "optOrientation" << 0;
        QTest::newRow("Landscape") << "optOrientation" << 1;
        QTest::newRow("Fit in Page") << "optSize" << 0;
        QTest::newRow("Actual Size") << "optSize" << 1;
    }
    void optionArrays()
    {
        QFETCH(QString, array);
        QFETCH(int, index);
        QRadioButton *const byAccessor =
            array == "optSize" ? f->window->optSize(index) : f->window->optOrientation(index);
        QCOMPARE(byAccessor, f->child(QStringLiteral("%1_%2").arg(array).arg(index)));
        const auto *const group = f->window->findChild<QButtonGroup *>(array);
        QVERIFY(group);
        QVERIFY(group->exclusive());
        QCOMPARE(group->buttons().size(), 2);
        QCOMPARE(group->id(byAccessor), index);
        QCOMPARE(f->window->optOrientation(2), nullptr);
        QCOMPARE(f->window->optSize(-1), nullptr);
    }

    void window()
    {
        frmPrinter &window = *f->window;
        QCOMPARE(window.objectName(), QStringLiteral("frmPrinter"));
        QCOMPARE(window.windowTitle(), QStringLiteral("LST File print utility"));
        QVERIFY(window.isWindow());
        QCOMPARE(window.minimumSize(), QSize(263, 117));
        QCOMPARE(window.maximumSize(), QSize(263, 117));
        QVERIFY(!window.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
        QVERIFY(f->showActive());
        QCOMPARE(window.size(), QSize(263, 117));
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        // Centred before the window frame is known: off by at most the frame's width.
        QVERIFY2((window.geometry().center() - screen.center()).manhattanLength() <= 8,
                 qPrintable(QStringLiteral("window at %1,%2").arg(window.x()).arg(window.y())));
    }

    void startState()
    {
        // Before the window shows: the print run is empty and nothing is open.
        const PrintRun &run = f->window->printRun();
        QCOMPARE(run.fieldList().count(), 0);
        QVERIFY(run.listFileName().isEmpty());
        QVERIFY(!run.listFileOpen());
        QCOMPARE(run.programFolder(), f->folder.path());

        QVERIFY(f->showActive());
        QCOMPARE(selections(), qMakePair(0, 0));
        QVERIFY(f->window->portraitSelected());
        QVERIFY(f->window->fitInPageSelected());
        QCOMPARE(QApplication::focusWidget(), f->window->optOrientation(0));
        QCOMPARE(f->child("Frame2")->focusPolicy(), Qt::NoFocus);
        QCOMPARE(f->child("Frame3")->focusPolicy(), Qt::NoFocus);
        QCOMPARE(f->child("Image1")->focusPolicy(), Qt::NoFocus);
        QCOMPARE(f->surfacesMade, 0);
        QVERIFY(f->sink.messages.isEmpty());
    }

    void focusChain()
    {
        // The order of the focus chain among the controls that can take the focus.
        const QStringList expected{"optOrientation_0", "optOrientation_1", "optSize_0",
                                   "optSize_1",        "cmdPrint",         "cmdExit"};
        QStringList chain;
        QWidget *widget = f->window->optOrientation(0);
        do {
            if (widget->focusPolicy() != Qt::NoFocus && f->window->isAncestorOf(widget))
                chain << widget->objectName();
            widget = widget->nextInFocusChain();
        } while (widget != f->window->optOrientation(0) && chain.size() <= expected.size());
        QCOMPARE(chain, expected);
    }

    void tabKey_data()
    {
        QTest::addColumn<QStringList>("arrowsOn");
        QTest::addColumn<int>("chosen");
        QTest::addColumn<QStringList>("stops");
        // Each option array is one stop of the Tab key, at its focused option; arrows move within it.
        QTest::newRow("at start") << QStringList{} << 0
                                  << QStringList{"optOrientation_0", "optSize_0", "cmdPrint", "cmdExit",
                                                 "optOrientation_0"};
        QTest::newRow("second options chosen")
            << QStringList{"optOrientation_0", "optSize_0"} << 1
            << QStringList{"optSize_1", "cmdPrint", "cmdExit", "optOrientation_1", "optSize_1"};
    }
    void tabKey()
    {
        QFETCH(QStringList, arrowsOn);
        QFETCH(int, chosen);
        QFETCH(QStringList, stops);

        QVERIFY(f->showActive());
        for (const QString &name : arrowsOn) {
            f->child(name)->setFocus();
            QTest::keyClick(f->child(name), Qt::Key_Down);
        }
        QCOMPARE(selections(), qMakePair(chosen, chosen));
        QStringList tabbed{QApplication::focusWidget()->objectName()};
        for (qsizetype i = 1; i < stops.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            tabbed << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(tabbed, stops);

        // Shift+Tab goes back the same way.
        QStringList backwards{tabbed.last()};
        for (qsizetype i = 1; i < stops.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
            backwards.prepend(QApplication::focusWidget()->objectName());
        }
        QCOMPARE(backwards, stops);
    }

    void keys_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<int>("runs");
        QTest::addColumn<bool>("closed");

        const Qt::KeyboardModifiers none = Qt::NoModifier;
        const Qt::KeyboardModifiers alt = Qt::AltModifier;
        const Qt::KeyboardModifiers keypad = Qt::KeypadModifier;
        const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
        QTest::newRow("Alt+P on Portrait") << "optOrientation_0" << int(Qt::Key_P) << alt << 1 << false;
        QTest::newRow("Alt+P on Exit") << "cmdExit" << int(Qt::Key_P) << alt << 1 << false;
        QTest::newRow("Alt+E on Actual Size") << "optSize_1" << int(Qt::Key_E) << alt << 0 << true;
        QTest::newRow("Alt+E on Print") << "cmdPrint" << int(Qt::Key_E) << alt << 0 << true;
        QTest::newRow("Esc on Portrait") << "optOrientation_0" << int(Qt::Key_Escape) << none << 0 << true;
        QTest::newRow("Esc on Fit in Page") << "optSize_0" << int(Qt::Key_Escape) << none << 0 << true;
        QTest::newRow("Esc on Print") << "cmdPrint" << int(Qt::Key_Escape) << none << 0 << true;
        QTest::newRow("Enter on Portrait") << "optOrientation_0" << int(Qt::Key_Return) << none << 0 << false;
        QTest::newRow("keypad Enter on Landscape")
            << "optOrientation_1" << int(Qt::Key_Enter) << keypad << 0 << false;
        QTest::newRow("Enter on Actual Size") << "optSize_1" << int(Qt::Key_Return) << none << 0 << false;
        QTest::newRow("Enter on Print") << "cmdPrint" << int(Qt::Key_Return) << none << 1 << false;
        QTest::newRow("keypad Enter on Print") << "cmdPrint" << int(Qt::Key_Enter) << keypad << 1 << false;
        QTest::newRow("Ctrl+Enter on Print") << "cmdPrint" << int(Qt::Key_Return) << ctrl << 0 << false;
        QTest::newRow("Enter on Exit") << "cmdExit" << int(Qt::Key_Return) << none << 0 << true;
        QTest::newRow("Space on Print") << "cmdPrint" << int(Qt::Key_Space) << none << 1 << false;
        QTest::newRow("Alt+O: frames have no access key")
            << "cmdPrint" << int(Qt::Key_O) << alt << 0 << false;
        QTest::newRow("Alt+L: options have no access key")
            << "optOrientation_0" << int(Qt::Key_L) << alt << 0 << false;
        QTest::newRow("P alone") << "optOrientation_0" << int(Qt::Key_P) << none << 0 << false;
    }
    void keys()
    {
        QFETCH(QString, focus);
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(int, runs);
        QFETCH(bool, closed);

        QVERIFY(f->showActive());
        f->child(focus)->setFocus();
        QCOMPARE(QApplication::focusWidget(), f->child(focus));
        const QPair<int, int> before = selections();

        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), modifiers);
        // Access keys click through a short animation; give anything else the same time to happen.
        QTRY_COMPARE(f->surfacesMade, runs);
        QTRY_COMPARE(f->window->isHidden(), closed);
        QTest::qWait(150);
        QCOMPARE(f->surfacesMade, runs);
        QCOMPARE(f->window->isHidden(), closed);
        QCOMPARE(f->logs.size(), runs);
        QCOMPARE(selections(), before);
        QVERIFY(f->sink.messages.isEmpty());
    }

    void optionsChosen_data()
    {
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<int>("orientation");
        QTest::addColumn<int>("size");

        QTest::newRow("none") << QStringList{} << 0 << 0;
        QTest::newRow("Landscape") << QStringList{"optOrientation_1"} << 1 << 0;
        QTest::newRow("Actual Size") << QStringList{"optSize_1"} << 0 << 1;
        QTest::newRow("both second") << QStringList{"optOrientation_1", "optSize_1"} << 1 << 1;
        QTest::newRow("Landscape then Fit in Page") << QStringList{"optOrientation_1", "optSize_0"} << 1 << 0;
        QTest::newRow("back to Portrait")
            << QStringList{"optSize_1", "optOrientation_1", "optOrientation_0"} << 0 << 1;
        QTest::newRow("same twice") << QStringList{"optSize_1", "optSize_1"} << 0 << 1;
    }
    void optionsChosen()
    {
        QFETCH(QStringList, clicks);
        QFETCH(int, orientation);
        QFETCH(int, size);

        QVERIFY(f->showActive());
        for (const QString &name : clicks) {
            QWidget *const option = f->child(name);
            QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(8, option->height() / 2));
        }
        QCOMPARE(selections(), qMakePair(orientation, size));
        QCOMPARE(f->window->portraitSelected(), orientation == 0);
        QCOMPARE(f->window->fitInPageSelected(), size == 0);
        for (int index = 0; index < 2; ++index) {
            QCOMPARE(f->window->optOrientation(index)->isChecked(), index == orientation);
            QCOMPARE(f->window->optSize(index)->isChecked(), index == size);
        }
    }

    void toolTips_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("Print") << "cmdPrint";
        QTest::newRow("Exit") << "cmdExit";
    }
    void toolTips()
    {
        QFETCH(QString, name);
        auto *const command = qobject_cast<QPushButton *>(f->child(name));
        QCOMPARE(command->toolTip(), QStringLiteral("Start Printing..."));
        QVERIFY(!command->autoDefault());
        QVERIFY(!command->isDefault());
    }

    void captionColours_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QColor>("design");
        QTest::addColumn<QColor>("window"); // invalid: the style's own light palette
        const QList<std::pair<const char *, QColor>> palettes{
            {"light", QColor()}, {"dark", QColor(53, 53, 53)}, {"near black", QColor(18, 18, 18)}};
        for (const auto &[paletteName, window] : palettes) {
            const auto row = [&](const char *caption, const char *name, QColor design) {
                QTest::addRow("%s, %s", caption, paletteName) << name << design << window;
            };
            row("Orientation", "Frame2", QColor(0, 0, 128));
            row("Picture Size", "Frame3", QColor(0, 0, 128));
            row("Portrait", "optOrientation_0", QColor(29, 19, 145));
            row("Landscape", "optOrientation_1", QColor(29, 19, 145));
            row("Fit in Page", "optSize_0", QColor(29, 19, 145));
            row("Actual Size", "optSize_1", QColor(29, 19, 145));
        }
    }
    void captionColours()
    {
        QFETCH(QString, name);
        QFETCH(QColor, design);
        QFETCH(QColor, window);
        // A dark desktop theme reaches the window as a new application palette, after it exists.
        const QPalette before = QApplication::palette();
        const auto restore = qScopeGuard([&before] { QApplication::setPalette(before); });
        if (window.isValid()) {
            QPalette dark(Qt::white, window);
            dark.setColor(QPalette::Base, window.darker(120));
            dark.setColor(QPalette::Text, Qt::white);
            dark.setColor(QPalette::ButtonText, Qt::white);
            QApplication::setPalette(dark);
            QCoreApplication::processEvents();
        }
        const QColor background = f->window->palette().color(QPalette::Window);

        // Thick strokes, so that some pixels of the caption are the colour itself and not a blend
        // with the background.
        QFont bold = f->window->font();
        bold.setPixelSize(16);
        bold.setBold(true);
        f->window->setFont(bold);
        QVERIFY(f->showActive());
        QWidget *const widget = f->child(name);
        // Away from the options, whose focus frame some styles draw in black or white.
        f->child("cmdExit")->setFocus();

        // Whatever role the style takes the caption colour from, the caption comes out in one
        // colour: the caption pixels farthest from the background are the colour itself.
        const QImage image = widget->grab().toImage();
        const QRect captionArea =
            qobject_cast<QGroupBox *>(widget)
                ? QRect(0, 0, image.width(), widget->fontMetrics().height())
                : QRect(image.height(), 0, image.width() - image.height(), image.height());
        QColor caption = background;
        for (int y = captionArea.top(); y <= captionArea.bottom(); ++y) {
            for (int x = captionArea.left(); x <= captionArea.right(); ++x) {
                const QColor pixel = image.pixelColor(x, y);
                if (frmPrinter::contrast(pixel, background) > frmPrinter::contrast(caption, background))
                    caption = pixel;
            }
        }
        const double ratio = frmPrinter::contrast(caption, background);
        qInfo("%s on %s: %s, contrast %.2f : 1", qPrintable(name), qPrintable(background.name()),
              qPrintable(caption.name()), ratio);
        QVERIFY2(ratio >= 4.5, qPrintable(QStringLiteral("contrast %1 : 1").arg(ratio)));
        if (!window.isValid()) {
            // On a light window, the design's own colours.
            const int distance = std::abs(caption.red() - design.red()) +
                                 std::abs(caption.green() - design.green()) +
                                 std::abs(caption.blue() - design.blue());
            QVERIFY2(distance <= 24, qPrintable(QStringLiteral("caption pixel %1").arg(caption.name())));
        } else {
            // On a dark one, a lighter blue of the design's hue.
            QVERIFY2(std::abs(caption.hslHue() - design.hslHue()) <= 4, qPrintable(caption.name()));
            QVERIFY(caption.lightness() > design.lightness());
        }
    }

    // The form grows with the desktop's font, in proportion, and no caption is cut short. Each row
    // starts this test program again in the row's environment to run layoutAtThisScale there.
    void layoutScales_data()
    {
        QTest::addColumn<QStringList>("environment");
        QTest::addColumn<double>("scale");
        QTest::newRow("the usual 9-point font") << QStringList() << 1.0;
        QTest::newRow("a 14-point desktop font")
            << QStringList{"LSTPRINT_TEST_DESKTOP_POINTS=14"} << 14.0 / 9.0;
        QTest::newRow("144 dots per inch, scaling off")
            << QStringList{"QT_FONT_DPI=144", "QT_ENABLE_HIGHDPI_SCALING=0"} << 1.5;
        QTest::newRow("twice the scale") << QStringList{"QT_SCALE_FACTOR=2"} << 1.0;
        // German captions are longer: they still show whole, in the user's language.
        QTest::newRow("German") << QStringList{"LANG=de_DE.UTF-8", "LSTPRINT_TEST_GERMAN=1"} << 1.0;
    }
    void layoutScales()
    {
        QFETCH(QStringList, environment);
        QFETCH(double, scale);
        // The text height of the usual window, for the others to be measured against.
        const QFontInfo usual(f->window->font());
        const double usualPixels = usual.pointSizeF() * f->window->logicalDpiY() / 72.0;

        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *variable : {"QT_FONT_DPI", "QT_ENABLE_HIGHDPI_SCALING", "QT_SCALE_FACTOR"})
            env.remove(QLatin1String(variable));
        for (const QString &setting : environment)
            env.insert(setting.section('=', 0, 0), setting.section('=', 1));
        // A row's language is its LANG alone: the tests' own locale settings would come before it.
        if (env.contains("LSTPRINT_TEST_GERMAN")) {
            for (const char *variable : {"LC_ALL", "LC_MESSAGES", "LANGUAGE"})
                env.remove(QLatin1String(variable));
        }
        env.insert("LSTPRINT_TEST_SCALE", QString::number(scale, 'g', 10));
        env.insert("LSTPRINT_TEST_TEXT_PIXELS", QString::number(usualPixels * scale, 'g', 10));
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(), {"layoutAtThisScale"});
        QVERIFY(child.waitForFinished(60000));
        const QByteArray output = child.readAll();
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, output.constData());
        QVERIFY2(output.contains("PASS   : TestFrmPrinter::layoutAtThisScale()"), output.constData());
    }
    void layoutAtThisScale()
    {
        const double scale = qEnvironmentVariable("LSTPRINT_TEST_SCALE", "1").toDouble();
        const double textPixels = qEnvironmentVariable("LSTPRINT_TEST_TEXT_PIXELS", "0").toDouble();
        if (qEnvironmentVariableIsSet("LSTPRINT_TEST_DESKTOP_POINTS")) {
            QFont desktop = QApplication::font();
            desktop.setPointSizeF(qEnvironmentVariable("LSTPRINT_TEST_DESKTOP_POINTS").toDouble());
            QApplication::setFont(desktop);
            f = std::make_unique<WindowFixture>();
        }
        if (qEnvironmentVariableIsSet("LSTPRINT_TEST_GERMAN")) {
            // As the program does: the translations the build made, for the locale of LANG.
            QCOMPARE(Translations::install({qEnvironmentVariable("LSTPRINT_TEST_TRANSLATIONS")}),
                     QStringLiteral("de_DE"));
            f = std::make_unique<WindowFixture>();
            QCOMPARE(f->window->findChild<QAbstractButton *>("cmdPrint")->text(), QStringLiteral("&Drucken"));
            QCOMPARE(f->window->findChild<QAbstractButton *>("optSize_0")->text(),
                     QStringLiteral("Einpassen"));
            // The messages the window shows.
            QCOMPARE(PrintError(PrintError::NoListFile, QStringLiteral("x")).messageText(),
                     QStringLiteral("Fehler 101\r\nx"));
        }
        frmPrinter &window = *f->window;
        QVERIFY(f->showActive());
        QVERIFY2(std::abs(window.layoutScale() - scale) < 0.01,
                 qPrintable(QString::number(window.layoutScale())));
        const QSize expected(int(std::lround(263 * scale)), int(std::lround(117 * scale)));
        QVERIFY(std::abs(window.width() - expected.width()) <= 1 &&
                std::abs(window.height() - expected.height()) <= 1);
        // Every control where the form puts it, grown by the scale (within rounding), inside its frame.
        const QRect print = window.findChild<QWidget *>("cmdPrint")->geometry();
        QVERIFY(std::abs(print.x() - 71 * scale) <= 1 && std::abs(print.width() - 60 * scale) <= 1);
        for (const QWidget *control : window.findChildren<QWidget *>()) {
            if (control->window() != &window)
                continue;
            QVERIFY2(control->parentWidget()->rect().contains(control->geometry()),
                     qPrintable(control->objectName()));
        }
        // Text at least as much larger than the usual window's as the form is (the options' circles
        // keep the style's size, which leaves their captions a little more room), shown whole.
        qInfo("%.3g times the form, text %s at %.3g pixels", window.layoutScale(),
              qPrintable(QFontInfo(window.font()).family()),
              QFontInfo(window.font()).pointSizeF() * window.logicalDpiY() / 72.0);
        if (textPixels > 0) {
            const double pixels = QFontInfo(window.font()).pointSizeF() * window.logicalDpiY() / 72.0;
            QVERIFY2(pixels >= textPixels * 0.95, qPrintable(QString::number(pixels)));
        }
        for (const QAbstractButton *button : window.findChildren<QAbstractButton *>())
            QVERIFY2(
                frmPrinter::captionFits(*button),
                qPrintable(
                    QStringLiteral("%1 is cut short at %2 pixels").arg(button->text()).arg(button->width())));
        for (const QGroupBox *box : window.findChildren<QGroupBox *>())
            QVERIFY(box->fontMetrics().horizontalAdvance(box->title()) < box->width());
    }

    // The layout is fixed; the window's font is chosen so that every caption shows whole.
    void captionsFit()
    {
        const auto buttons = f->window->findChildren<QAbstractButton *>();
        QCOMPARE(buttons.size(), 7); // with the progress window's Cancel
        for (const QAbstractButton *button : buttons)
            QVERIFY2(
                frmPrinter::captionFits(*button),
                qPrintable(
                    QStringLiteral("%1 is cut short at %2 pixels").arg(button->text()).arg(button->width())));
        QVERIFY(QFontInfo(f->window->font()).pointSizeF() >= 6.5);
    }

    void image1_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<QByteArray>("format");
        QTest::newRow("gif") << 200 << 60 << QByteArray("gif");
        QTest::newRow("png") << 48 << 300 << QByteArray("png");
        QTest::newRow("one pixel bmp") << 1 << 1 << QByteArray("bmp");
        QTest::newRow("jpg") << 640 << 480 << QByteArray("jpg");
    }
    void image1()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(QByteArray, format);

        PictureBox &image1 = f->window->Image1();
        QCOMPARE(&image1, f->child("Image1"));
        QVERIFY(image1.picture().isNull());
        QVERIFY(f->showActive());
        QVERIFY(image1.isHidden());

        // A picture of a colour that nothing else in the window has.
        QImage picture(width, height, QImage::Format_RGB32);
        picture.fill(QColor(255, 0, 255));
        const QString path = f->folder.filePath("picture." + QString::fromLatin1(format));
        if (format == "gif")
            f->folder.write("picture.gif", makeGif(width, height));
        else
            QVERIFY(picture.save(path, format.constData()));
        image1.LoadPicture(path);

        // Natural size: pixels at the screen's resolution, in twips and in pixels of 15 twips.
        const double dpi = image1.logicalDpi();
        QCOMPARE(dpi, QGuiApplication::primaryScreen()->logicalDotsPerInch());
        QVERIFY(qAbs(image1.Width() - width * 1440.0 / dpi) < 0.5);
        QVERIFY(qAbs(image1.Height() - height * 1440.0 / dpi) < 0.5);
        QCOMPARE(image1.size(),
                 QSize(int(std::lround(width * 96.0 / dpi)), int(std::lround(height * 96.0 / dpi))));

        // Loaded, but still never seen.
        QVERIFY(image1.isHidden());
        const QImage shot = f->window->grab().toImage();
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                QVERIFY(shot.pixelColor(x, y) != QColor(255, 0, 255));

        // A failed load leaves the picture and the size as they were.
        const QSize loaded = image1.size();
        QVERIFY_THROWS_EXCEPTION(PrintError, image1.LoadPicture(f->folder.filePath("missing.png")));
        QCOMPARE(image1.size(), loaded);
        QCOMPARE(image1.picture().image().size(), QSize(width, height));
    }
};

QTEST_MAIN(TestFrmPrinter)
#include "tst_frmprinter.moc"
