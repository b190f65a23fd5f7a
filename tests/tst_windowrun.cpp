// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "pdftools.h"
#include "picturebox.h"
#include "printersurface.h"
#include "printrun.h"
#include "progresswindow.h"
#include "windowfixture.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <qpa/qwindowsysteminterface.h>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

// Printing from the window: the run's state between presses, its messages, and what the window
// does while a run holds the thread.
// A Unix socket that takes connections and never answers: the kernel completes each connection
// from the listen queue, and nothing ever reads or writes on it.
class MuteServer
{
public:
    explicit MuteServer(const QString &path) : m_fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0))
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(path);
        if (m_fd < 0 || size_t(name.size()) >= sizeof address.sun_path)
            return;
        std::copy(name.cbegin(), name.cend(), address.sun_path);
        m_listening = ::bind(m_fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0 &&
                      ::listen(m_fd, 16) == 0;
    }
    ~MuteServer()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    MuteServer(const MuteServer &) = delete;
    MuteServer &operator=(const MuteServer &) = delete;
    [[nodiscard]] bool listening() const { return m_listening; }

private:
    int m_fd;
    bool m_listening = false;
};

class TestWindowRun : public QObject
{
    Q_OBJECT

    [[nodiscard]] static ProgressWindow *progressWindow(const frmPrinter &window)
    {
        return window.findChild<ProgressWindow *>("progressWindow");
    }

private slots:
    void cleanup()
    {
        // A run must never leave the busy cursor behind; clear it anyway so one failure stays one.
        const bool leftBusy = QGuiApplication::overrideCursor() != nullptr;
        while (QGuiApplication::overrideCursor() != nullptr)
            QGuiApplication::restoreOverrideCursor();
        QVERIFY(!leftBusy);
    }

    void choicesAreReadWhenPrinting_data()
    {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("surfaceOrientation");
        QTest::addColumn<bool>("fitted");
        QTest::newRow("Portrait, Fit in Page") << 0 << 0 << int(PrintSurface::Portrait) << true;
        QTest::newRow("Landscape, Fit in Page") << 1 << 0 << int(PrintSurface::Landscape) << true;
        QTest::newRow("Portrait, Actual Size") << 0 << 1 << int(PrintSurface::Portrait) << false;
        QTest::newRow("Landscape, Actual Size") << 1 << 1 << int(PrintSurface::Landscape) << false;
    }
    void choicesAreReadWhenPrinting()
    {
        QFETCH(int, orientation);
        QFETCH(int, size);
        QFETCH(int, surfaceOrientation);
        QFETCH(bool, fitted);

        WindowFixture f;
        f.folder.write("parts.lst", WindowFixture::listFile(2, "lamp.png"));
        f.folder.writePicture("lamp.png", 30, 20);
        int orientationSet = 0;
        f.configure = [&orientationSet](HookedSurface &surface) {
            surface.beforeNewPage = [&orientationSet, &surface](qint64) {
                orientationSet = surface.orientationSet;
            };
        };
        f.window->optOrientation(orientation)->click();
        f.window->optSize(size)->click();
        f.window->findChild<QPushButton *>("cmdPrint")->click();
        QVERIFY(waitForRunEnd(*f.window));

        QCOMPARE(f.surfacesMade, 1);
        QCOMPARE(orientationSet, surfaceOrientation);
        const QStringList pictures = f.logs.value(0).filter(QStringLiteral("picture 450x300"));
        QCOMPARE(pictures.size(), 2);
        QCOMPARE(pictures.first().contains(" in box "), fitted);
        // The run loaded its pictures into the window's hidden holder.
        QCOMPARE(f.window->Image1().size(), QSize(30, 20));
        QVERIFY(f.sink.messages.isEmpty());
    }

    void secondRunPrintsTheSame()
    {
        WindowFixture f(3);
        f.folder.writePicture("logo.gif", 40, 12, "gif");
        f.folder.write("parts.lst", WindowFixture::listFile(3, "chair.png"));
        f.folder.writePicture("chair.png", 25, 50);
        auto *const print = f.window->findChild<QPushButton *>("cmdPrint");
        print->click();
        QVERIFY(waitForRunEnd(*f.window));
        print->click();
        QVERIFY(waitForRunEnd(*f.window));

        QCOMPARE(f.surfacesMade, 2);
        QCOMPARE(f.logs.size(), 2);
        QCOMPARE(f.logs[0].count("new page"), 3);
        QCOMPARE(f.logs[0].last(), QStringLiteral("end document"));
        QCOMPARE(f.logs[1], f.logs[0]);
        QVERIFY(f.sink.messages.isEmpty());
        QVERIFY(!f.window->running());
    }

    void unloadClosesTheListFile_data()
    {
        QTest::addColumn<int>("runs");
        QTest::addColumn<QString>("how");
        for (const int runs : {0, 1, 2}) {
            for (const char *how : {"Exit", "Esc", "close box"})
                QTest::addRow("%d runs, %s", runs, how) << runs << QString::fromLatin1(how);
        }
    }
    void unloadClosesTheListFile()
    {
        QFETCH(int, runs);
        QFETCH(QString, how);

        WindowFixture f;
        QVERIFY(f.showActive());
        for (int i = 0; i < runs; ++i)
            QVERIFY(printToEnd(*f.window));
        const PrintRun &run = f.window->printRun();
        QCOMPARE(run.listFileOpen(), runs > 0);
        QCOMPARE(run.listFileName(), runs > 0 ? QStringLiteral("parts.lst") : QString());

        if (how == "Exit") {
            f.window->findChild<QPushButton *>("cmdExit")->click();
        } else if (how == "Esc") {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        } else {
            // What the window system sends for the title bar's close box.
            QCloseEvent event;
            event.setAccepted(false);
            QApplication::sendEvent(f.window.get(), &event);
            QVERIFY2(event.isAccepted(), "closing is never refused");
            f.window->hide();
        }
        QTRY_VERIFY(f.window->isHidden());
        QVERIFY(!run.listFileOpen());
        // The run's other state stays; closing only closes the file, and asks nothing.
        QCOMPARE(run.listFileName(), runs > 0 ? QStringLiteral("parts.lst") : QString());
        QCOMPARE(run.fieldList().count(), runs > 0 ? 3 : 0);
        QVERIFY(f.sink.messages.isEmpty());
        QCOMPARE(f.surfacesMade, runs);
    }

    void errorLeavingTheRunIsShownOnce_data()
    {
        QTest::addColumn<QString>("failOn");
        QTest::addColumn<bool>("factoryFails");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("pagesBeforeFailure");
        QTest::addColumn<int>("number"); // of the surface's failure

        QTest::newRow("printer refuses the document")
            << "end document" << false << "Error 405\r\nThe printer failed during end document." << 2 << 405;
        QTest::newRow("no printer and nowhere to save")
            << QString() << true << "Error 404\r\nThe folder cannot be written." << 0 << 405;
        // A document that cannot be written (a full disk) takes no more pages: the run ends at the
        // first failure, with one message, and the document is thrown away.
        QTest::newRow("document not writable on the first page")
            << "text" << false << "Error 401\r\nThe printer failed during text." << 0 << 401;
    }
    void errorLeavingTheRunIsShownOnce()
    {
        QFETCH(QString, failOn);
        QFETCH(bool, factoryFails);
        QFETCH(QString, expected);
        QFETCH(int, pagesBeforeFailure);
        QFETCH(int, number);

        WindowFixture f;
        QVERIFY(f.showActive());
        f.configure = [failOn, number](HookedSurface &surface) {
            surface.failOn = failOn;
            surface.failNumber = number;
        };
        if (factoryFails) {
            f.window->setSurfaceFactory([&f](const QString &) -> std::unique_ptr<PrintSurface> {
                ++f.surfacesMade;
                throw PrintError(PrintError::OutputFolderNotWritable,
                                 QStringLiteral("The folder cannot be written."));
            });
        }
        f.window->findChild<QPushButton *>("cmdPrint")->click();
        QVERIFY(waitForRunEnd(*f.window));

        QCOMPARE(f.surfacesMade, 1);
        QCOMPARE(f.sink.messages.size(), 1);
        const Message &message = f.sink.messages.first();
        QCOMPARE(message.kind, Message::Error);
        QCOMPARE(message.text, expected);
        QVERIFY2(!message.overrideCursor, "the busy cursor is gone before the box appears");
        QCOMPARE(f.logs.value(0).count("new page"), pagesBeforeFailure);
        if (number == PrintError::DocumentNotWritable)
            QCOMPARE(f.logs.value(0).last(), QStringLiteral("discard document"));

        // The program carries on: the window is still there and the next press prints.
        QVERIFY(!f.window->running());
        QVERIFY(f.window->isVisible());
        f.configure = nullptr;
        f.window->setSurfaceFactory(nullptr);
        f.window->setSurfaceFactory([&f](const QString &) -> std::unique_ptr<PrintSurface> {
            ++f.surfacesMade;
            return std::make_unique<HookedSurface>(f.logs);
        });
        f.window->findChild<QPushButton *>("cmdPrint")->click();
        QVERIFY(waitForRunEnd(*f.window));
        QCOMPARE(f.surfacesMade, 2);
        QCOMPARE(f.sink.messages.size(), 1);
        QCOMPARE(f.logs.last().count("new page"), 2);
        QCOMPARE(f.logs.last().last(), QStringLiteral("end document"));
    }

    void errorsInsideTheRunKeepTheBusyCursor()
    {
        // Errors the run traps itself are reported while it is still under way; the message box
        // takes care of the cursor (see messageBoxes).
        WindowFixture f(3);
        f.configure = [](HookedSurface &surface) {
            surface.failOn = QStringLiteral("text");
            surface.failSkip = 2;
        };
        QVERIFY(printToEnd(*f.window));
        QCOMPARE(f.sink.messages.size(), 1);
        QCOMPARE(f.sink.messages.first().kind, Message::Error);
        QVERIFY(f.sink.messages.first().text.startsWith("Error 405\r\n"));
        QCOMPARE(f.sink.messages.first().overrideCursor, std::optional(Qt::WaitCursor));
        QCOMPARE(f.logs.value(0).last(), QStringLiteral("end document"));
    }

    void savedAsPdfIsTold_data()
    {
        QTest::addColumn<int>("records");
        QTest::addColumn<QByteArray>("pictureName"); // of every record; none is in the folder
        QTest::addColumn<QString>("pages");
        QTest::addColumn<QString>("missing"); // the sentence added to the message
        QTest::newRow("one record") << 1 << QByteArray() << "1 page" << QString();
        QTest::newRow("three records") << 3 << QByteArray() << "3 pages" << QString();
        QTest::newRow("no records") << 0 << QByteArray() << QString() << QString();
        QTest::newRow("pictures missing")
            << 7 << QByteArray("lamp.gif") << "7 pages"
            << " 7 records name a picture that is not in the folder: record 1 (lamp.gif), record 2 "
               "(lamp.gif), "
               "record 3 (lamp.gif), record 4 (lamp.gif), record 5 (lamp.gif) and 2 more.";
    }
    void savedAsPdfIsTold()
    {
        QFETCH(int, records);
        QFETCH(QByteArray, pictureName);
        QFETCH(QString, pages);
        QFETCH(QString, missing);
        QVERIFY2(PdfTools::available(), "poppler-utils is needed");

        WindowFixture f(records);
        f.folder.write("parts.lst", WindowFixture::listFile(records, pictureName));
        // The default printer's way when the system has no print queue.
        f.window->setSurfaceFactory([&f](const QString &programFolder) -> std::unique_ptr<PrintSurface> {
            ++f.surfacesMade;
            return std::make_unique<PrinterSurface>(programFolder, [] { return Cups::DefaultPrinter(); });
        });
        QVERIFY(printToEnd(*f.window));

        QCOMPARE(f.surfacesMade, 1);
        const QString pdf = f.folder.filePath("parts.pdf");
        if (records == 0) {
            QVERIFY(f.sink.messages.isEmpty());
            QVERIFY(!QFile::exists(pdf));
            return;
        }
        QCOMPARE(f.sink.messages.size(), 1);
        QCOMPARE(f.sink.messages.first().kind, Message::Information);
        QCOMPARE(f.sink.messages.first().text,
                 QStringLiteral("No printer is set up, so the document was saved as %1 (%2).")
                         .arg(QDir::toNativeSeparators(pdf), pages) +
                     missing);
        QVERIFY(!f.sink.messages.first().overrideCursor);
        QCOMPARE(PdfTools::pageCount(pdf), records);
    }

    // The whole way a user goes, on whatever display the test is started on (a Wayland compositor
    // among them, where LSTPRINT_TEST_PLATFORM says so): the window shows, fixed in size for the
    // window system too, Print is pressed, and the document is saved with a page per record.
    void printsOnThisDisplay()
    {
        if (qEnvironmentVariableIsSet("LSTPRINT_TEST_PLATFORM"))
            QCOMPARE(QGuiApplication::platformName(), qEnvironmentVariable("LSTPRINT_TEST_PLATFORM"));
        WindowFixture f(3);
        f.window->setSurfaceFactory([](const QString &programFolder) -> std::unique_ptr<PrintSurface> {
            return std::make_unique<PrinterSurface>(programFolder, [] { return Cups::DefaultPrinter(); });
        });
        // Wayland has no activation a client can ask for: shown is what can be waited for.
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        const QWindow *const handle = f.window->windowHandle();
        QCOMPARE(handle->minimumSize(), f.window->size());
        QCOMPARE(handle->maximumSize(), f.window->size());

        QTest::mouseClick(f.child("cmdPrint"), Qt::LeftButton);
        QVERIFY(waitForRunEnd(*f.window));
        const QString pdf = f.folder.filePath("parts.pdf");
        QCOMPARE(
            f.sink.texts(Message::Information),
            QStringList(QStringLiteral("No printer is set up, so the document was saved as %1 (3 pages).")
                            .arg(QDir::toNativeSeparators(pdf))));
        QCOMPARE(PdfTools::pageCount(pdf), 3);
    }

    void printSystemOutOfReach_data()
    {
        QTest::addColumn<bool>("answers");  // false: the socket takes connections and never answers
        QTest::addColumn<bool>("listFile"); // false: the folder has none
        QTest::addColumn<QString>("reason");
        QTest::newRow("no socket") << true << true << "the socket %1 does not exist";
        QTest::newRow("server never answers")
            << false << true << "the print server %1 did not answer within 10 seconds";
        QTest::newRow("no list file, server never answers") << false << false << QString();
    }
    // A print system that is set up (CUPS_SERVER names it) but out of reach: the document is saved
    // beside the list file all the same, and the message says why, not that no printer is set up.
    // The list file is opened before the print system is asked anything, so a folder without one
    // reports that at once even when the server never answers; and a server that never answers
    // holds a run up for seconds, not minutes.
    void printSystemOutOfReach()
    {
        QFETCH(bool, answers);
        QFETCH(bool, listFile);
        QFETCH(QString, reason);
        WindowFixture f(2);
        f.window->setSurfaceFactory({});
        if (!listFile)
            QVERIFY(QFile::remove(f.folder.filePath("parts.lst")));
        QTemporaryDir sockets;
        const QString socket = sockets.filePath("cups.sock");
        std::optional<MuteServer> mute;
        if (!answers) {
            mute.emplace(socket);
            QVERIFY(mute->listening());
        }
        qputenv("CUPS_SERVER", QFile::encodeName(socket));
        const auto restore = qScopeGuard([] { qunsetenv("CUPS_SERVER"); });

        const qint64 startedAt = monotonicMilliseconds();
        QVERIFY(printToEnd(*f.window));
        const qint64 runMs = monotonicMilliseconds() - startedAt;

        QVERIFY2(runMs < Cups::ConnectTimeoutMs + Cups::AnswerTimeoutSeconds * 1000 + 5000,
                 qPrintable(QString::number(runMs)));
        const QString pdf = f.folder.filePath("parts.pdf");
        if (!listFile) {
            QCOMPARE(f.sink.texts(Message::Error).value(0).section("\r\n", 0, 0),
                     QStringLiteral("Error 101"));
            QVERIFY2(f.sink.messages.first().atMs - startedAt < 1000,
                     qPrintable(QString::number(f.sink.messages.first().atMs - startedAt)));
            QVERIFY(!QFile::exists(pdf));
            return;
        }
        QCOMPARE(f.sink.texts(Message::Error), QStringList{});
        QCOMPARE(f.sink.texts(Message::Information),
                 QStringList{
                     QStringLiteral("The print system could not be reached (%1), so the document was "
                                    "saved as %2 (2 pages).")
                         .arg(reason.arg(QDir::toNativeSeparators(socket)), QDir::toNativeSeparators(pdf))});
        QCOMPARE(PdfTools::pageCount(pdf), 2);
    }

    void closeDuringARun_data()
    {
        QTest::addColumn<bool>("fromWindowSystem");
        QTest::addColumn<int>("atPage");
        QTest::newRow("close box, progress window up") << true << 3;
        QTest::newRow("close box, before it shows") << true << 1;
        QTest::newRow("called") << false << 3;
    }
    // The close box during a run: the run stops as Cancel stops it, nothing is said, the window
    // closes and the program ends with status 0.
    void closeDuringARun()
    {
        QFETCH(bool, fromWindowSystem);
        QFETCH(int, atPage);

        WindowFixture f(20);
        QVERIFY(f.showActive());
        f.window->setProgressTiming(0, 0);
        f.beforeNewPage = [&](qint64 page) {
            if (page != atPage)
                return;
            if (fromWindowSystem)
                QWindowSystemInterface::handleCloseEvent(f.window->windowHandle());
            else
                f.window->close();
        };
        QTimer::singleShot(0, f.window.get(), &frmPrinter::cmdPrint_Click);
        QTimer::singleShot(20000, [] { QCoreApplication::exit(1); });
        QCOMPARE(QApplication::exec(), 0);

        QVERIFY(!f.window->isVisible());
        QCOMPARE(f.logs.value(0).count("new page"), atPage);
        QCOMPARE(f.logs.value(0).last(), QStringLiteral("discard document"));
        QCOMPARE(f.sink.messages.size(), 0);
        QVERIFY(!f.window->printRun().listFileOpen());
    }

    void inputDuringARun_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<bool>("toMainWindow");
        QTest::addColumn<int>("atPage"); // queued as this page is finished
        QTest::addColumn<int>("pages");  // drawn
        QTest::addColumn<QString>("message");
        const QString cancelled("Printing cancelled after page 3 of 6: nothing was sent to the printer.");
        QTest::newRow("Cancel clicked") << "click" << false << 3 << 3 << cancelled;
        QTest::newRow("Esc") << "Esc" << false << 3 << 3 << cancelled;
        QTest::newRow("Alt+C") << "Alt+C" << false << 3 << 3 << cancelled;
        QTest::newRow("Enter on the focused Cancel") << "Return" << false << 3 << 3 << cancelled;
        QTest::newRow("Esc before the progress window shows") << "Esc" << false << 1 << 6 << "";
        QTest::newRow("Cancel after the last page") << "click" << false << 6 << 6 << "";
        QTest::newRow("Esc (Exit) on the main window") << "Esc" << true << 3 << 6 << "";
        QTest::newRow("Alt+P on the main window") << "Alt+P" << true << 3 << 6 << "";
        QTest::newRow("Print clicked") << "click" << true << 3 << 6 << "";
    }
    // Once the progress window shows, its input reaches it and nothing else does.
    void inputDuringARun()
    {
        QFETCH(QString, input);
        QFETCH(bool, toMainWindow);
        QFETCH(int, atPage);
        QFETCH(int, pages);
        QFETCH(QString, message);

        WindowFixture f(6);
        QVERIFY(f.showActive());
        f.window->setProgressTiming(0, 0); // shows once the first page is done
        QWidget *const target = toMainWindow ? f.child("cmdPrint") : f.child("cmdCancel");
        QVERIFY(target != nullptr);
        f.beforeNewPage = [&](qint64 page) {
            if (page != atPage)
                return;
            // The window system lets the user make the main window active, though it takes nothing.
            if (toMainWindow)
                QWindowSystemInterface::handleWindowActivated(f.window->windowHandle());
            queueInput(target, input);
        };
        QVERIFY(printToEnd(*f.window));
        QCoreApplication::processEvents();

        QCOMPARE(f.surfacesMade, 1);
        QCOMPARE(f.logs.value(0).count("new page"), pages);
        QCOMPARE(f.logs.value(0).last(), message.isEmpty() ? "end document" : "discard document");
        QCOMPARE(f.sink.texts(Message::Information),
                 message.isEmpty() ? QStringList() : QStringList{message});
        QVERIFY(f.window->isVisible());
        QVERIFY(!f.window->running());
    }

    void noSecondRunInsideTheFirst_data()
    {
        QTest::addColumn<bool>("posted");
        QTest::newRow("queued press") << true;
        QTest::newRow("direct press") << false;
    }
    void noSecondRunInsideTheFirst()
    {
        QFETCH(bool, posted);

        WindowFixture f(3);
        f.window->setProgressTiming(0, 0);
        auto *const print = f.window->findChild<QPushButton *>("cmdPrint");
        QList<int> surfacesSeen;
        bool pressed = false;
        f.beforeNewPage = [&](qint64 page) {
            surfacesSeen << f.surfacesMade;
            if (page != 1 || pressed)
                return;
            pressed = true;
            if (posted)
                QMetaObject::invokeMethod(print, &QPushButton::click, Qt::QueuedConnection);
            else
                print->click();
        };
        print->click();
        QVERIFY(waitForRunEnd(*f.window));

        QCOMPARE(surfacesSeen, (QList<int>{1, 1, 1}));
        QCOMPARE(f.logs.size(), 1);
        QCOMPARE(f.logs.first().count("new page"), 3);
        QCoreApplication::processEvents();
        QCOMPARE(f.surfacesMade, 1);
    }

    void busyWhileRunning_data()
    {
        QTest::addColumn<int>("showAfterMs");
        QTest::addColumn<QStringList>("progress");
        // Seen as each page after the first is finished: the run reports a record once its page
        // is done.
        QTest::newRow("long run") << 0
                                  << QStringList{"", "Printing page 2 of 4", "Printing page 3 of 4",
                                                 "Printing page 4 of 4"};
        QTest::newRow("short run") << 60000 << QStringList{"", "", "", ""};
    }
    void busyWhileRunning()
    {
        QFETCH(int, showAfterMs);
        QFETCH(QStringList, progress);

        WindowFixture f(4);
        QVERIFY(f.showActive());
        f.window->setProgressTiming(showAfterMs, 0);
        QStringList seen;
        QList<Qt::CursorShape> cursors;
        QList<bool> running;
        f.beforeNewPage = [&](qint64) {
            const ProgressWindow *const window = progressWindow(*f.window);
            seen << (window->isVisible() ? window->text() : QString());
            const QCursor *const cursor = QGuiApplication::overrideCursor();
            cursors << (cursor != nullptr ? cursor->shape() : Qt::ArrowCursor);
            running << f.window->running();
            if (window->isVisible()) {
                QCOMPARE(QApplication::activeWindow(), window);
                QVERIFY(window->findChild<QLabel *>("progressLabel")->isVisible());
                QCOMPARE(QApplication::focusWidget(), window->findChild<QAbstractButton *>("cmdCancel"));
            }
        };
        QVERIFY(printToEnd(*f.window));

        QCOMPARE(seen, progress);
        QCOMPARE(cursors, QList<Qt::CursorShape>(4, Qt::WaitCursor));
        QCOMPARE(running, QList<bool>(4, true));
        QVERIFY(progressWindow(*f.window)->isHidden());
        QVERIFY(!f.window->running());
        QVERIFY(QApplication::activeModalWidget() == nullptr);
    }

    void progressText_data()
    {
        QTest::addColumn<qint64>("done");
        QTest::addColumn<qint64>("total");
        QTest::addColumn<QString>("text");
        QTest::newRow("first done") << qint64(1) << qint64(6) << "Printing page 2 of 6";
        QTest::newRow("last done") << qint64(6) << qint64(6) << "Printing page 6 of 6";
        QTest::newRow("file grew") << qint64(7) << qint64(6) << "Printing page 8";
        QTest::newRow("count unknown") << qint64(3) << qint64(0) << "Printing page 4";
        QTest::newRow("large") << qint64(99999) << qint64(1000000) << "Printing page 100000 of 1000000";
    }
    void progressText()
    {
        QFETCH(qint64, done);
        QFETCH(qint64, total);
        QFETCH(QString, text);
        ProgressWindow window(nullptr);
        window.setProgress(done, total);
        QCOMPARE(window.text(), text);
    }

    void messageBoxes_data()
    {
        QTest::addColumn<bool>("error");
        QTest::addColumn<bool>("busy");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("error during a run") << true << true << "Error 301\r\nNo picture."
                                            << "Error 301\nNo picture.";
        QTest::newRow("error") << true << false << "Error 402\r\nRefused."
                               << "Error 402\nRefused.";
        QTest::newRow("information") << false << false << "Saved."
                                     << "Saved.";
    }
    void messageBoxes()
    {
        QFETCH(bool, error);
        QFETCH(bool, busy);
        QFETCH(QString, text);
        QFETCH(QString, shown);

        QWidget parent;
        MessageBoxSink sink(&parent, QStringLiteral("LST File print utility"));
        if (busy)
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);

        struct Seen
        {
            QString title, text;
            QMessageBox::Icon icon = QMessageBox::NoIcon;
            QMessageBox::StandardButtons buttons;
            bool arrow = false;
            QWidget *parent = nullptr;
        } seen;
        bool answered = false;
        // The box is modal: look at it and answer it from inside its own event loop.
        QTimer answer;
        answer.setInterval(10);
        connect(&answer, &QTimer::timeout, [&] {
            auto *const box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (box == nullptr || answered)
                return;
            answered = true;
            const QCursor *const cursor = QGuiApplication::overrideCursor();
            seen = {box->windowTitle(),
                    box->text(),
                    box->icon(),
                    box->standardButtons(),
                    cursor != nullptr && cursor->shape() == Qt::ArrowCursor,
                    box->parentWidget()};
            QTest::keyClick(box, Qt::Key_Escape);
        });
        answer.start();
        if (error)
            sink.error(text);
        else
            sink.information(text);
        answer.stop();

        QVERIFY(answered);
        QCOMPARE(seen.title, QStringLiteral("LST File print utility"));
        QCOMPARE(seen.text, shown);
        QCOMPARE(seen.icon, error ? QMessageBox::Critical : QMessageBox::Information);
        QCOMPARE(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(seen.parent, &parent);
        QCOMPARE(seen.arrow, busy);
        // The busy cursor is back after the box when it was there before.
        const QCursor *const after = QGuiApplication::overrideCursor();
        QCOMPARE(after != nullptr && after->shape() == Qt::WaitCursor, busy);
        if (busy)
            QGuiApplication::restoreOverrideCursor();
    }
};

QTEST_MAIN(TestWindowRun)
#include "tst_windowrun.moc"
