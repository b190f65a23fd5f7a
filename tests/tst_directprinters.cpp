// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "cupsjobs.h"
#include "cupsprinter.h"
#include "frmprinter.h"
#include "pdfsurface.h"
#include "pdftools.h"
#include "printrun.h"
#include "rasterreader.h"
#include "testsupport.h"
#include "windowfixture.h"

#include <QImageReader>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QtTest>

#include <csignal>

namespace {

// The share of pixels (0 to 1) in which a channel differs by more than levels; 1 when the images
// differ in size by more than a pixel or two (a sheet's pixels are its size at the resolution,
// rounded either way), and otherwise the parts both have are compared.
double differingShare(const QImage &sent, const QImage &expected, int levels)
{
    if (std::abs(sent.width() - expected.width()) > 2 || std::abs(sent.height() - expected.height()) > 2)
        return 1;
    const QImage::Format format = sent.format();
    const QImage other = expected.convertToFormat(format);
    const int width = std::min(sent.width(), other.width());
    const int height = std::min(sent.height(), other.height());
    const int channels = format == QImage::Format_Grayscale8 ? 1 : 3;
    qint64 differing = 0;
    for (int y = 0; y < height; ++y) {
        const uchar *const a = sent.constScanLine(y);
        const uchar *const b = other.constScanLine(y);
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < channels; ++c) {
                if (std::abs(int(a[x * channels + c]) - int(b[x * channels + c])) > levels) {
                    ++differing;
                    break;
                }
            }
        }
    }
    return double(differing) / (double(width) * height);
}

// One side of a sheet as a row expects it: a page of the document (from 1), or a blank back (0),
// and whether it is a back that the printer takes turned over its top edge (rows last first).
struct ExpectedSide
{
    int page = 0;
    bool flipped = false;
};

// "1 2f 3 -": pages from 1, "f" a flipped back, "-" a blank page.
QList<ExpectedSide> parseSides(const QString &text)
{
    QList<ExpectedSide> sides;
    for (const QString &word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        ExpectedSide side;
        side.flipped = word.endsWith(QLatin1Char('f'));
        side.page = word.startsWith(QLatin1Char('-')) ? 0 : QString(word).remove(QLatin1Char('f')).toInt();
        sides << side;
    }
    return sides;
}

} // namespace

// Printing straight to driverless printers by their address, as most home and office printers are
// reached without a driver: the test printers of tests/cups/ipp-printers.sh (ippeveprinter), which
// keep every document they receive. For each printer the document sent is read back (PDF, or PWG
// or Apple raster through the test's own reader) and each page compared with the same page of the
// document rendered by pdftoppm at the same resolution; the job's attributes are read back through
// ipptool.
class TestDirectPrinters : public QObject
{
    Q_OBJECT

    QString m_program;
    QString m_printers;
    ProgramFolder m_data;
    QTemporaryDir m_work;
    QMap<QString, QString> m_references; // printer and orientation -> the document as the run draws it

    [[nodiscard]] QString address(const QString &printer) const
    {
        QFile port(m_printers + QStringLiteral("/%1.port").arg(printer));
        if (!port.open(QIODevice::ReadOnly))
            return {};
        return QStringLiteral("ipp://localhost:%1/ipp/print")
            .arg(QString::fromUtf8(port.readAll()).trimmed());
    }

    [[nodiscard]] QDir spool(const QString &printer) const
    {
        return QDir(m_printers + QStringLiteral("/spool/") + printer);
    }

    // The document the printer kept for the job.
    [[nodiscard]] QString keptDocument(const QString &printer, int job) const
    {
        const QStringList names = spool(printer).entryList({QStringLiteral("%1-*").arg(job)}, QDir::Files);
        for (const QString &name : names) {
            if (!name.endsWith(QLatin1String(".prn")))
                return spool(printer).filePath(name);
        }
        return {};
    }

    // Gives the printer a job of its own (a JPEG), retrying while it is still busy with an earlier
    // one; it is then busy for a few seconds.
    [[nodiscard]] bool occupy(const QString &printer) const
    {
        for (int attempt = 0; attempt < 100; ++attempt) {
            QProcess ipptool;
            ipptool.start(QStringLiteral("ipptool"),
                          {QStringLiteral("-f"), m_data.filePath(QStringLiteral("desk.jpg")),
                           address(printer), QStringLiteral("print-job.test")});
            if (ipptool.waitForFinished(30000) && ipptool.exitCode() == 0)
                return true;
            QTest::qWait(200);
        }
        return false;
    }

    // The document as the run draws it for the printer: the same print run on a PDF surface with
    // the paper the printer reports, written to a file of the test's own.
    [[nodiscard]] QString reference(const QString &printer, bool landscape)
    {
        const QString key = printer + (landscape ? QStringLiteral("-landscape") : QString());
        if (m_references.contains(key))
            return m_references.value(key);
        const Cups::DefaultPrinter found = Cups::lookUpPrinter(address(printer));
        if (!found.printer)
            return {};
        const QString path = m_work.filePath(key + QStringLiteral(".pdf"));
        PdfSurface surface(path, found.printer->layout, found.printer->landscapeSupported);
        PictureSlot image1(96);
        CapturingReporter reporter;
        FixedChoices choices;
        choices.portrait = !landscape;
        PrintRun run(m_data.path(), image1, reporter, choices);
        run.cmdPrint_Click(surface);
        m_references.insert(key, path);
        return path;
    }

    // A page of a PDF as pdftoppm renders it, in grey or in colour.
    [[nodiscard]] static QImage render(const QString &pdf, int page, int dpi, bool grey)
    {
        const QString prefix = QFileInfo(pdf).absolutePath() + QStringLiteral("/page");
        QProcess pdftoppm;
        QStringList arguments{QStringLiteral("-r"),         QString::number(dpi), QStringLiteral("-f"),
                              QString::number(page),        QStringLiteral("-l"), QString::number(page),
                              QStringLiteral("-singlefile")};
        if (grey)
            arguments << QStringLiteral("-gray");
        pdftoppm.start(QStringLiteral("pdftoppm"), arguments << pdf << prefix);
        if (!pdftoppm.waitForFinished(120000) || pdftoppm.exitCode() != 0)
            return {};
        const QString file = prefix + (grey ? QStringLiteral(".pgm") : QStringLiteral(".ppm"));
        QImage image(file);
        QFile::remove(file);
        return image;
    }

    // Compares each side the printer got with what it should be. format: "pdf" (the kept document
    // is the PDF itself) or "pwg"/"urf".
    void compareKept(const QString &kept, const QString &format, const QString &referencePdf, int dpi,
                     bool grey, const QString &sidesText, bool twoSided)
    {
        const QList<ExpectedSide> sides = parseSides(sidesText);
        if (format == QLatin1String("pdf")) {
            QCOMPARE(PdfTools::pageCount(kept), sides.size());
            for (qsizetype i = 0; i < sides.size(); ++i) {
                const double share = differingShare(render(kept, int(i + 1), 72, false),
                                                    render(referencePdf, sides[i].page, 72, false), 32);
                QVERIFY2(share <= 0.005,
                         qPrintable(QStringLiteral("page %1: %2 %").arg(i + 1).arg(share * 100)));
            }
            return;
        }
        QString failure;
        int index = 0;
        const RasterReader::Document document = RasterReader::read(kept, [&](const RasterReader::Page &page) {
            const int at = index++;
            if (!failure.isEmpty())
                return;
            if (at >= sides.size()) {
                failure = QStringLiteral("more sides than %1").arg(sides.size());
                return;
            }
            const ExpectedSide &side = sides[at];
            if (page.dotsPerInch != QSize(dpi, dpi) ||
                (page.image.format() == QImage::Format_Grayscale8) != grey || page.duplex != twoSided) {
                failure = QStringLiteral("side %1: %2 x %3 dpi, %4, duplex %5")
                              .arg(at + 1)
                              .arg(page.dotsPerInch.width())
                              .arg(page.dotsPerInch.height())
                              .arg(page.image.format() == QImage::Format_Grayscale8 ? "grey" : "colour")
                              .arg(page.duplex);
                return;
            }
            if (format == QLatin1String("pwg") &&
                (page.totalPageCount != sides.size() ||
                 page.mediaName != QLatin1String("na_letter_8.5x11in") ||
                 page.feedTransform != (side.flipped ? -1 : 1) || page.crossFeedTransform != 1)) {
                failure = QStringLiteral("side %1: header says %2 pages, media %3, transforms %4 %5")
                              .arg(at + 1)
                              .arg(page.totalPageCount)
                              .arg(page.mediaName)
                              .arg(page.crossFeedTransform)
                              .arg(page.feedTransform);
                return;
            }
            QImage expected;
            if (side.page == 0) {
                expected = QImage(page.image.size(), page.image.format());
                expected.fill(Qt::white);
            } else {
                expected = render(referencePdf, side.page, dpi, grey);
                // A landscape page lies on the sheet turned a quarter counter-clockwise.
                if (expected.width() > expected.height())
                    expected = expected.transformed(QTransform().rotate(270));
                if (side.flipped)
                    expected = expected.mirrored(false, true);
            }
            const double share = differingShare(page.image, expected, 32);
            if (share > 0.005)
                failure = QStringLiteral("side %1 (page %2): %3 % of the pixels differ")
                              .arg(at + 1)
                              .arg(side.page)
                              .arg(share * 100, 0, 'f', 2);
        });
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QVERIFY2(document.error.isEmpty(), qPrintable(document.error));
        QCOMPARE(document.format, format);
        QCOMPARE(index, sides.size());
        if (format == QLatin1String("urf"))
            QCOMPARE(document.pageCount, sides.size());
    }

private slots:
    void initTestCase()
    {
        m_program = qEnvironmentVariable("LSTPRINT_PROGRAM");
        QVERIFY2(QFileInfo(m_program).isExecutable(), "LSTPRINT_PROGRAM names the built lstprint");
        m_printers = qEnvironmentVariable("LSTPRINT_PRINTERS_DIR");
        QVERIFY(!m_printers.isEmpty());
        QFile unavailable(m_printers + QStringLiteral("/unavailable"));
        if (unavailable.open(QIODevice::ReadOnly))
            LSTPRINT_SKIP("no test printers: " + QString::fromUtf8(unavailable.readAll()).trimmed());
        for (const char *tool : {"ipptool", "pdftoppm"}) {
            if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
                LSTPRINT_SKIP(QStringLiteral("%1 is not installed").arg(QLatin1String(tool)));
        }
        QVERIFY(m_work.isValid());
        m_data.copyDemo();
        // A 600 dpi sheet rendered for comparison is larger than Qt reads by default.
        QImageReader::setAllocationLimit(1024);
        // Only the printer's own address reaches a printer here.
        qunsetenv("PRINTER");
        qunsetenv("LPDEST");
        qputenv("CUPS_SERVER", m_work.filePath(QStringLiteral("no-such-socket")).toUtf8());
    }

    void printsWhatEachPrinterTakes_data()
    {
        QTest::addColumn<QString>("printer");
        QTest::addColumn<QStringList>("arguments");
        // "batch", "busy" (the printer busy first), "interrupted" (SIGINT while it is waited for),
        // "window" (LPDEST), "window, cancelled" (Cancel while the busy printer is waited for)
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("format"); // what the printer keeps: pdf, pwg, urf; empty: nothing
        QTest::addColumn<int>("dpi");
        QTest::addColumn<bool>("grey");
        QTest::addColumn<QString>("sides");        // as parseSides() reads it
        QTest::addColumn<QStringList>("recorded"); // job attributes, "!name=value": not that

        const QString all = QStringLiteral("1 2 3 4 5 6");
        const QString reversed = QStringLiteral("6 5 4 3 2 1");
        QTest::newRow("A: PDF, PWG raster, JPEG: the PDF")
            << "pdf" << QStringList() << "batch"
            << "pdf" << 72 << false << all << QStringList{"document-format-supplied=application/pdf"};
        QTest::newRow("B: PWG raster, no PDF: sRGB at 300 dpi, last page first for its face-up bin")
            << "pwg" << QStringList() << "batch"
            << "pwg" << 300 << false << reversed
            << QStringList{"document-format-supplied=image/pwg-raster", "!page-delivery=reverse-order"};
        QTest::newRow("B, monochrome asked for: sGray")
            << "pwg" << QStringList{"-o", "print-color-mode=monochrome"} << "batch"
            << "pwg" << 300 << true << reversed << QStringList{"print-color-mode=monochrome"};
        QTest::newRow("B, landscape pages turned onto the sheet")
            << "pwg" << QStringList{"-l", "-r", "1-3"} << "batch"
            << "pwg" << 300 << false << "3 2 1" << QStringList();
        QTest::newRow("C: Apple raster only: at its 600 dpi, two-sided, back side as it is")
            << "urf" << QStringList{"-o", "sides=two-sided-long-edge"} << "batch"
            << "urf" << 600 << true << "1 2 3 4 5 6"
            << QStringList{"document-format-supplied=image/urf", "sides=two-sided-long-edge"};
        QTest::newRow("D: PostScript and PWG raster, no copies of its own: the copies made here")
            << "ps" << QStringList{"-n", "2", "-r", "1-3"} << "batch"
            << "pwg" << 300 << true << "1 2 3 1 2 3"
            << QStringList{"document-format-supplied=image/pwg-raster", "!copies=2"};
        QTest::newRow("a monochrome raster printer") << "mono" << QStringList() << "batch"
                                                     << "pwg" << 300 << true << all << QStringList();
        QTest::newRow("two-sided, back side flipped, the printer reversing for its face-up bin")
            << "flipped" << QStringList{"-o", "sides=two-sided-long-edge"} << "batch"
            << "pwg" << 300 << true << "1 2f 3 4f 5 6f"
            << QStringList{"sides=two-sided-long-edge", "page-delivery=reverse-order"};
        QTest::newRow("a busy printer waited for until it is free")
            << "busy" << QStringList{"-r", "1-2"} << "busy"
            << "pwg" << 300 << true << "1 2" << QStringList();
        QTest::newRow("a busy printer, the wait ended by SIGINT: nothing sent")
            << "busy" << QStringList{"-r", "1-2"} << "interrupted"
            << "" << 0 << true << "" << QStringList();
        QTest::newRow("the window, LPDEST naming a printer without PDF")
            << "pwg" << QStringList() << "window"
            << "pwg" << 300 << false << reversed << QStringList();
        QTest::newRow("the window, a busy printer: Cancel ends the wait, nothing sent")
            << "busy" << QStringList() << "window, cancelled"
            << "" << 0 << true << "" << QStringList();
    }
    void printsWhatEachPrinterTakes()
    {
        QFETCH(QString, printer);
        QFETCH(QStringList, arguments);
        QFETCH(QString, how);
        QFETCH(QString, format);
        QFETCH(int, dpi);
        QFETCH(bool, grey);
        QFETCH(QString, sides);
        QFETCH(QStringList, recorded);

        const QString where = address(printer);
        QVERIFY(!where.isEmpty());
        const QStringList keptBefore = spool(printer).entryList(QDir::Files);
        const bool cancelled = how == QLatin1String("window, cancelled");
        if (how == QLatin1String("busy") || how == QLatin1String("interrupted") || cancelled)
            QVERIFY(occupy(printer));

        int job = 0;
        QString errors;
        if (how.startsWith(QLatin1String("window"))) {
            qputenv("LPDEST", where.toUtf8());
            const auto unset = qScopeGuard([] { qunsetenv("LPDEST"); });
            CapturingSink sink;
            frmPrinter window(m_data.path());
            window.setMessageSink(&sink);
            window.show();
            // The run waits inside its last step, letting the events through: Cancel is pressed
            // from a timer once the progress window says that the printer is waited for.
            QTimer canceller;
            if (cancelled) {
                auto *const label = window.findChild<QLabel *>(QStringLiteral("progressLabel"));
                auto *const cancel = window.findChild<QPushButton *>(QStringLiteral("cmdCancel"));
                QVERIFY(label && cancel);
                connect(&canceller, &QTimer::timeout, this, [&canceller, &where, label, cancel] {
                    if (label->isVisible() &&
                        label->text() == "Waiting for the printer " + where + ": it is busy") {
                        canceller.stop();
                        cancel->click();
                    }
                });
                canceller.start(100);
            }
            QVERIFY(printToEnd(window, 120000));
            QCOMPARE(sink.texts(Message::Error), QStringList());
            QCOMPARE(
                sink.texts(Message::Information),
                cancelled
                    ? QStringList{"Printing cancelled after page 6 of 6: nothing was sent to the printer."}
                    : QStringList());
            const QStringList kept = spool(printer).entryList(QDir::Files);
            for (const QString &name : kept) {
                if (!keptBefore.contains(name) && !name.endsWith(QLatin1String(".prn")))
                    job = name.section(QLatin1Char('-'), 0, 0).toInt();
            }
        } else {
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "PRINTER", "LPDEST"})
                env.remove(QLatin1String(name));
            env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
            QProcess process;
            process.setProcessEnvironment(env);
            process.start(m_program, QStringList{"--print", "--printer", where} + arguments +
                                         QStringList{m_data.path()});
            QVERIFY(process.waitForStarted());
            if (how == QLatin1String("interrupted")) {
                const auto errorsSoFar = [&] {
                    errors += QString::fromLocal8Bit(process.readAllStandardError());
                    return errors;
                };
                QTRY_VERIFY_WITH_TIMEOUT(errorsSoFar().contains(QLatin1String("Waiting for the printer")),
                                         30000);
                ::kill(pid_t(process.processId()), SIGINT);
            }
            QVERIFY(process.waitForFinished(120000));
            errors += QString::fromLocal8Bit(process.readAllStandardError());
            const QStringList lines = errors.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
            if (how == QLatin1String("interrupted")) {
                QCOMPARE(process.exitCode(), 130);
                QCOMPARE(lines, (QStringList{"Waiting for the printer " + where + ": it is busy",
                                             "Interrupted after page 2: nothing was sent to the printer."}));
            } else {
                QVERIFY2(process.exitCode() == 0, qPrintable(errors));
                const QRegularExpressionMatch sent =
                    QRegularExpression(QStringLiteral("^Sent [0-9]+ pages to printer %1, job ([0-9]+)\\.$")
                                           .arg(QRegularExpression::escape(where)))
                        .match(lines.value(lines.size() - 1));
                QVERIFY2(sent.hasMatch(), qPrintable(errors));
                job = sent.captured(1).toInt();
                if (how == QLatin1String("busy"))
                    QCOMPARE(lines.first(), "Waiting for the printer " + where + ": it is busy");
                else
                    QCOMPARE(lines.size(), 1);
            }
        }
        if (format.isEmpty()) {
            // The printer's own job is all it has.
            QStringList added = spool(printer).entryList(QDir::Files);
            added.removeIf(
                [&](const QString &name) { return keptBefore.contains(name) || name.endsWith(".prn"); });
            QCOMPARE(added.size(), 1);
            QVERIFY2(added.first().endsWith(QLatin1String(".jpg")), qPrintable(added.join(' ')));
            return;
        }
        QVERIFY(job > 0);
        QString kept;
        QTRY_VERIFY_WITH_TIMEOUT(!(kept = keptDocument(printer, job)).isEmpty(), 10000);
        QVERIFY2(kept.endsWith(QLatin1Char('.') + format), qPrintable(kept));

        const QStringList attributes = jobAttributes(address(printer) + QStringLiteral("/%1").arg(job));
        for (const QString &expected : recorded) {
            if (expected.startsWith(QLatin1Char('!')))
                QVERIFY2(!attributes.contains(expected.mid(1)), qPrintable(expected));
            else
                QVERIFY2(attributes.contains(expected), qPrintable(expected + " in " + attributes.join(' ')));
        }
        const bool landscape = arguments.contains(QLatin1String("-l"));
        const QString referencePdf = reference(printer, landscape);
        QVERIFY(!referencePdf.isEmpty());
        compareKept(kept, format, referencePdf, dpi, grey, sides,
                    arguments.contains(QLatin1String("sides=two-sided-long-edge")));
    }
};

QTEST_MAIN(TestDirectPrinters)
#include "tst_directprinters.moc"
