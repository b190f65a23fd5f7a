// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "cupsjobs.h"
#include "exportsurface.h"
#include "pageview.h"
#include "pdfsurface.h"
#include "pdftools.h"
#include "previewwindow.h"
#include "printdialog.h"
#include "printrun.h"
#include "testsupport.h"
#include "windowfixture.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTimer>
#include <QTreeWidget>

#include <QtTest>

namespace {

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A PDF of this program without what differs from one run to the next: its creation date and
// its file identifier.
QByteArray withoutRunMarks(QByteArray pdf)
{
    static const QRegularExpression marks(
        QStringLiteral("/CreationDate\\([^)]*\\)|/ID\\[<[0-9a-f]*><[0-9a-f]*>\\]"));
    return QString::fromLatin1(pdf).remove(marks).toLatin1();
}

// The document that --pdf makes of the folder's list with these choices, made as it makes it.
QByteArray pdfOptionMakes(const QString &folder, const QString &path, bool landscape, bool actualSize)
{
    PictureSlot image1(96);
    CapturingReporter reporter;
    FixedChoices choices;
    choices.portrait = !landscape;
    choices.fitInPage = !actualSize;
    PrintRun run(folder, image1, reporter, choices);
    run.setListFileChoice(QStringLiteral("parts.lst"));
    const std::unique_ptr<PdfSurface> surface = ExportSurface::make(path);
    run.cmdPrint_Click(*surface);
    return contentOf(path);
}

// Answers the next modal dialog of type T with answer, from the event loop.
template<typename T> void answerDialog(std::function<void(T &)> answer)
{
    QTimer::singleShot(0, qApp, [answer = std::move(answer)] {
        QTRY_VERIFY(qobject_cast<T *>(QApplication::activeModalWidget()) != nullptr);
        answer(*qobject_cast<T *>(QApplication::activeModalWidget()));
    });
}

PreviewData dataOf(const ProgramFolder &folder)
{
    return {folder.path(), QStringLiteral("parts.lst"), QString(), RecordSelection()};
}

bool waitForDocument(PreviewWindow &window)
{
    return QTest::qWaitFor([&window] { return window.document().state() != PreviewDocument::State::Making; },
                           60000);
}

// What the view shows of page index, the window large enough for the whole page.
QImage shownPage(PreviewWindow &window, int index)
{
    window.view().setCurrentPage(index);
    (void)window.view().viewport()->grab(); // painted now, whether or not the window is on screen yet
    return window.view().shownImage();
}

} // namespace

// The preview window: its pages are the document's, printed and saved as they are.
class TestPreview : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(PdfTools::available()); }

    // The pages shown (the first one while the run is still going, from the bytes written so far;
    // all of them once it is done) are the pages pdftoppm renders of the saved PDF; the saved PDF
    // is the document shown byte for byte, and the one that --pdf makes but for its date and
    // identifier. Each choice is changed through its toggle, which makes the document again.
    void pagesShownAreThePdfsPages_data()
    {
        QTest::addColumn<bool>("landscape");
        QTest::addColumn<bool>("actualSize");
        QTest::newRow("portrait, fit in page") << false << false;
        QTest::newRow("landscape, actual size") << true << true;
    }
    void pagesShownAreThePdfsPages()
    {
        QFETCH(bool, landscape);
        QFETCH(bool, actualSize);
        ProgramFolder folder;
        folder.copyDemo();
        CapturingSink sink;
        PreviewWindow window(dataOf(folder), false, false);
        window.setMessageSink(&sink);
        window.resize(1300, 1300);
        // 72 dots per inch (three quarters of the screen's 96): a page of whole points is then a
        // whole number of pixels, which pdftoppm and Poppler's own rendering round alike.
        window.view().setZoom(0.75);
        window.show();
        if (landscape)
            window.findChild<QAction *>(QStringLiteral("landscape"))->trigger();
        if (actualSize)
            window.findChild<QAction *>(QStringLiteral("actualSize"))->trigger();
        QImage whileMaking;
        connect(&window.document(), &PreviewDocument::pagesMadeChanged, this, [&] {
            if (whileMaking.isNull() && window.document().state() == PreviewDocument::State::Making &&
                window.view().loadedPageCount() > 0)
                whileMaking = shownPage(window, 0);
        });
        QVERIFY(waitForDocument(window));
        QCOMPARE(window.document().state(), PreviewDocument::State::Finished);
        QVERIFY2(!whileMaking.isNull(), "the first page is shown while the run goes on");

        QTemporaryDir out;
        const QString saved = out.filePath(QStringLiteral("saved.pdf"));
        answerDialog<QFileDialog>([&saved](QFileDialog &dialog) {
            dialog.selectFile(saved);
            static_cast<QDialog &>(dialog).accept(); // as its Save button does
        });
        window.findChild<QAction *>(QStringLiteral("saveAsPdf"))->trigger();
        QCOMPARE(sink.texts(Message::Error), QStringList());
        const QByteArray shown = contentOf(window.document().documentPath());
        QCOMPARE(contentOf(saved), shown);
        QCOMPARE(withoutRunMarks(shown),
                 withoutRunMarks(pdfOptionMakes(folder.path(), out.filePath(QStringLiteral("option.pdf")),
                                                landscape, actualSize)));

        const QList<QImage> rendered = PdfTools::renderPages(saved, 72);
        QCOMPARE(rendered.size(), window.view().pageCount());
        QCOMPARE(rendered.size(), 6);
        QCOMPARE(whileMaking, rendered.first().convertToFormat(whileMaking.format()));
        for (int page = 0; page < rendered.size(); ++page) {
            const QImage image = shownPage(window, page);
            QCOMPARE(window.view().shownDotsPerInch(), 72.0);
            QCOMPARE(image.size(), rendered[page].size());
            QVERIFY2(image == rendered[page].convertToFormat(image.format()),
                     qPrintable(QStringLiteral("page %1 differs from pdftoppm's").arg(page + 1)));
        }
    }

    // The keys of the page view and the page number box, and the zoom keys.
    void navigationKeys_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("zoomPercent"); // 0: not looked at

        const QString view = QStringLiteral("pageView");
        const QString box = QStringLiteral("pageNumber");
        QTest::newRow("Page Down") << view << QStringList{"PgDown"} << 2 << 0;
        QTest::newRow("Page Down twice, Page Up")
            << view << QStringList{"PgDown", "PgDown", "PgUp"} << 2 << 0;
        QTest::newRow("Page Up on the first page") << view << QStringList{"PgUp"} << 1 << 0;
        QTest::newRow("End") << view << QStringList{"End"} << 5 << 0;
        QTest::newRow("End, Page Down") << view << QStringList{"End", "PgDown"} << 5 << 0;
        QTest::newRow("End, Home") << view << QStringList{"End", "Home"} << 1 << 0;
        QTest::newRow("Ctrl+End in the box") << box << QStringList{"Ctrl+End"} << 5 << 0;
        QTest::newRow("Ctrl+End, Ctrl+Home in the box")
            << box << QStringList{"Ctrl+End", "Ctrl+Home"} << 1 << 0;
        QTest::newRow("a page number") << box << QStringList{"Ctrl+A", "4", "Return"} << 4 << 0;
        QTest::newRow("a page number past the end is refused")
            << box << QStringList{"Ctrl+A", "9", "Return"} << 1 << 0;
        QTest::newRow("100 %") << view << QStringList{"Ctrl+0"} << 1 << 100;
        QTest::newRow("zoom in") << view << QStringList{"Ctrl+0", "Ctrl++"} << 1 << 125;
        QTest::newRow("zoom in, Ctrl+=") << view << QStringList{"Ctrl+0", "Ctrl+="} << 1 << 125;
        QTest::newRow("zoom out") << view << QStringList{"Ctrl+0", "Ctrl+-"} << 1 << 80;
    }
    void navigationKeys()
    {
        QFETCH(QString, focus);
        QFETCH(QStringList, keys);
        QFETCH(int, page);
        QFETCH(int, zoomPercent);
        ProgramFolder folder;
        folder.write(QStringLiteral("parts.lst"), WindowFixture::listFile(5));
        PreviewWindow window(dataOf(folder), false, false);
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QVERIFY(waitForDocument(window));
        QCOMPARE(window.view().pageCount(), 5);
        QWidget *const target = window.findChild<QWidget *>(focus);
        QVERIFY(target);
        target->setFocus();
        QWidget *const receiver = focus == QLatin1String("pageNumber")
                                      ? static_cast<QWidget *>(window.findChild<QSpinBox *>(focus))
                                      : target;
        for (const QString &key : keys)
            QTest::keySequence(receiver, QKeySequence(key));
        QCOMPARE(window.view().currentPage() + 1, page);
        QCOMPARE(window.findChild<QSpinBox *>(QStringLiteral("pageNumber"))->value(), page);
        if (zoomPercent > 0)
            QCOMPARE(qRound(window.view().zoom() * 100), zoomPercent);
    }

    // Print sends the document shown, as it is, to the printer chosen (a queue, or a printer at
    // its address): one job, the same bytes, with the copies and sides chosen and the paper the
    // document is laid out on, also on a queue whose own paper is another.
    void printSendsTheShownDocument_data()
    {
        QTest::addColumn<QString>("queue");
        QTest::addColumn<bool>("byAddress");
        QTest::addColumn<int>("copies");
        QTest::addColumn<QString>("sides"); // empty: one-sided, and two-sided is not offered
        QTest::newRow("a queue") << "lstprint-a4" << false << 1 << "";
        QTest::newRow("a queue on other paper") << "lstprint-letter" << false << 1 << "";
        QTest::newRow("an address, two copies, two-sided")
            << "lstprint-duplex" << true << 2 << "two-sided-long-edge";
    }
    void printSendsTheShownDocument()
    {
        QFETCH(QString, queue);
        QFETCH(bool, byAddress);
        QFETCH(int, copies);
        QFETCH(QString, sides);
        const QString cupsDir = qEnvironmentVariable("LSTPRINT_CUPS_DIR");
        if (cupsDir.isEmpty() || QFile::exists(cupsDir + QStringLiteral("/unavailable")))
            LSTPRINT_SKIP(QStringLiteral("no private cupsd: ") +
                          QString::fromUtf8(contentOf(cupsDir + QStringLiteral("/unavailable"))).trimmed());
        const QString port = QString::fromUtf8(contentOf(cupsDir + QStringLiteral("/port"))).trimmed();
        const QString printer =
            byAddress ? QStringLiteral("ipp://127.0.0.1:%1/printers/%2").arg(port, queue) : queue;
        ProgramFolder folder;
        folder.copyDemo();
        CapturingSink sink;
        PreviewWindow window(dataOf(folder), false, false);
        window.setMessageSink(&sink);
        window.show();
        QVERIFY(waitForDocument(window));
        const int before = lastJobId();
        QStringList sidesOffered;
        answerDialog<PrintDialog>([&](PrintDialog &dialog) {
            auto *const printers = dialog.findChild<QComboBox *>(QStringLiteral("printer"));
            auto *const sidesBox = dialog.findChild<QComboBox *>(QStringLiteral("sides"));
            if (byAddress) {
                printers->setCurrentIndex(printers->count() - 1); // "Printer at an address..."
                auto *const address = dialog.findChild<QLineEdit *>(QStringLiteral("address"));
                address->setText(printer);
                emit address->editingFinished();
            } else {
                printers->setCurrentIndex(printers->findData(queue));
            }
            for (int i = 0; i < sidesBox->count(); ++i)
                sidesOffered << sidesBox->itemData(i).toString();
            if (!sides.isEmpty())
                sidesBox->setCurrentIndex(sidesBox->findData(sides.toUtf8()));
            dialog.findChild<QSpinBox *>(QStringLiteral("copies"))->setValue(copies);
            dialog.findChild<QPushButton *>(QStringLiteral("print"))->click();
        });
        window.findChild<QAction *>(QStringLiteral("print"))->trigger();
        QCOMPARE(sink.texts(Message::Error), QStringList());
        QCOMPARE(sidesOffered.size() > 1, !sides.isEmpty());
        const int job = lastJobId();
        QCOMPARE(job, before + 1);
        QCOMPARE(sink.texts(Message::Information),
                 QStringList{QStringLiteral("Sent 6 pages to printer %1, job %2.").arg(printer).arg(job)});
        // The print system keeps the document it was sent (PreserveJobFiles), and what the job asked.
        const QString spool =
            QString::fromUtf8(contentOf(cupsDir + QStringLiteral("/daemon-root"))).trimmed() +
            QStringLiteral("/spool/d%1-001").arg(job, 5, 10, QLatin1Char('0'));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(spool), 10000);
        QCOMPARE(contentOf(spool), contentOf(window.document().documentPath()));
        const QMap<QString, QString> paperOf{
            {QStringLiteral("595 x 842"), QStringLiteral("iso_a4_210x297mm")},
            {QStringLiteral("612 x 792"), QStringLiteral("na_letter_8.5x11in")}};
        const QStringList asked =
            jobAttributes(QStringLiteral("ipp://127.0.0.1:%1/jobs/%2").arg(port).arg(job));
        QVERIFY2(asked.contains(QStringLiteral("media=") +
                                paperOf.value(PdfTools::pageSize(window.document().documentPath()))),
                 qPrintable(asked.join(QLatin1Char(' '))));
        QVERIFY(asked.contains(QStringLiteral("copies=%1").arg(copies)) ||
                (copies == 1 && asked.filter("copies=").isEmpty()));
        if (!sides.isEmpty())
            QVERIFY(asked.contains(QStringLiteral("sides=") + sides));
    }

    // The run's errors are listed with their records, each going to its page; no message box.
    void errorsPanelListsTheFailingRecords()
    {
        ProgramFolder folder;
        folder.write(QStringLiteral("bad.gif"), "not a picture");
        // A picture that is not one costs its record's picture; a record with too many fields ends
        // the run, as a failed read does.
        folder.write(QStringLiteral("parts.lst"), "id,name,filename\r\n"
                                                  "\"1\",\"Lamp\",\"\"\r\n"
                                                  "\"2\",\"Chair\",\"bad.gif\"\r\n"
                                                  "\"3\",\"Shelf\",\"\"\r\n"
                                                  "\"4\",\"Desk\",\"\",\"extra\"\r\n");
        CapturingSink sink;
        PreviewWindow window(dataOf(folder), false, false);
        window.setMessageSink(&sink);
        window.show();
        QVERIFY(waitForDocument(window));
        QCOMPARE(sink.messages.size(), 0);
        auto *const errors = window.findChild<QTreeWidget *>(QStringLiteral("recordErrors"));
        QVERIFY(errors->isVisible());
        QStringList rows;
        for (int i = 0; i < errors->topLevelItemCount(); ++i) {
            const QTreeWidgetItem *const item = errors->topLevelItem(i);
            rows << QStringLiteral("%1 | %2 | %3")
                        .arg(item->text(0), item->text(1), item->text(2).section(':', 0, 0));
        }
        QCOMPARE(rows, (QStringList{"2 | 2 | Error 302", "4 | 3 | Error 105"}));
        QCOMPARE(window.view().pageCount(), 3);
        emit errors->itemActivated(errors->topLevelItem(0), 0);
        QCOMPARE(window.view().currentPage(), 1);
        emit errors->itemActivated(errors->topLevelItem(1), 0);
        QCOMPARE(window.view().currentPage(), 2);
    }
};

QTEST_MAIN(TestPreview)
#include "tst_preview.moc"
