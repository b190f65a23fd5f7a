// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "cupsjobs.h"
#include "pdftools.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include <cups/cups.h>

// The built lstprint printing with job options on a print server other than the local one, and on
// printers by their address: the private cupsd reached over TCP on the loopback address (through
// CUPS_SERVER, through client.conf, or through the ipp:// address of its queues). What a job asked
// for is read back from what cupsd recorded for it (ipptool's Get-Job-Attributes), and what it
// printed from the file its queue wrote.
class TestPrintServers : public QObject
{
    Q_OBJECT

    QString m_program;
    QString m_cupsDir;
    QString m_port;

    // The PDF that the queue wrote for the job, once it is complete (jobs print asynchronously).
    QString waitForJobOutput(int job) const
    {
        const QDir out(m_cupsDir + QStringLiteral("/out"));
        const QString suffix = QStringLiteral("job_%1.pdf").arg(job);
        QString found;
        const auto lookUp = [&] {
            const QStringList names = out.entryList({QLatin1Char('*') + suffix}, QDir::Files);
            return names.isEmpty() ? QString() : out.filePath(names.first());
        };
        [&] { QTRY_VERIFY_WITH_TIMEOUT(!(found = lookUp()).isEmpty(), 60000); }();
        if (!found.isEmpty())
            [&] { QTRY_VERIFY_WITH_TIMEOUT(PdfTools::pageCount(found) > 0, 30000); }();
        return found;
    }

private slots:
    void initTestCase()
    {
        m_program = qEnvironmentVariable("LSTPRINT_PROGRAM");
        QVERIFY2(QFileInfo(m_program).isExecutable(), "LSTPRINT_PROGRAM names the built lstprint");
        m_cupsDir = qEnvironmentVariable("LSTPRINT_CUPS_DIR");
        QVERIFY(!m_cupsDir.isEmpty());
        QFile unavailable(m_cupsDir + QStringLiteral("/unavailable"));
        if (unavailable.open(QIODevice::ReadOnly))
            LSTPRINT_SKIP("no private print system: " + QString::fromUtf8(unavailable.readAll()).trimmed());
        QFile port(m_cupsDir + QStringLiteral("/port"));
        QVERIFY(port.open(QIODevice::ReadOnly));
        m_port = QString::fromUtf8(port.readAll()).trimmed();
        if (QStandardPaths::findExecutable(QStringLiteral("ipptool")).isEmpty())
            LSTPRINT_SKIP("ipptool is not installed (cups-ipp-utils)");
        QVERIFY(PdfTools::available());
    }

    void jobAsRecorded_data()
    {
        // How the print system is reached: "CUPS_SERVER" (127.0.0.1:PORT), "client.conf" (a
        // ServerName line in ~/.cups/client.conf), "address" (--printer ipp://127.0.0.1:PORT/...)
        // or "LPDEST" (the default printer given by that address); with the last two CUPS_SERVER
        // names a socket that does not exist, so that only the address reaches the printer.
        QTest::addColumn<QString>("reach");
        QTest::addColumn<QString>("queue");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("lpoptions"); // ~/.cups/lpoptions
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said"); // the first line on standard error, as a pattern
        // What cupsd recorded for the job, "name=value" each ("!name=value": not that); empty: no
        // job may have been made.
        QTest::addColumn<QStringList>("recorded");
        QTest::addColumn<int>("copies"); // the copies of the 6 pages the queue wrote, collated; 0: none

        const QStringList twoSidedTwice{"-n", "2", "-o", "sides=two-sided-long-edge"};
        const QStringList twoSidedCollated{"copies=2", "sides=two-sided-long-edge",
                                           "multiple-document-handling=separate-documents-collated-copies"};
        const QString sent = QStringLiteral("Sent 6 pages to printer %1, job [0-9]+\\.");
        const QString address = QStringLiteral("ipp://127\\.0\\.0\\.1:[0-9]+/printers/");

        QTest::newRow("CUPS_SERVER, two copies, two-sided")
            << "CUPS_SERVER"
            << "lstprint-duplex" << twoSidedTwice << "" << 0 << sent.arg("lstprint-duplex")
            << twoSidedCollated << 2;
        QTest::newRow("client.conf, one -o with two options")
            << "client.conf"
            << "lstprint-duplex"
            << QStringList{"-o", "sides=two-sided-short-edge print-color-mode=monochrome"} << "" << 0
            << sent.arg("lstprint-duplex")
            << QStringList{"sides=two-sided-short-edge", "print-color-mode=monochrome", "copies=1"} << 1;
        QTest::newRow("address, two copies, two-sided")
            << "address"
            << "lstprint-duplex" << twoSidedTwice << "" << 0 << sent.arg(address + "lstprint-duplex")
            << twoSidedCollated << 2;
        QTest::newRow("LPDEST names an address")
            << "LPDEST"
            << "lstprint-duplex" << QStringList{"--copies=3"} << "" << 0
            << sent.arg(address + "lstprint-duplex")
            << QStringList{"copies=3", "multiple-document-handling=separate-documents-collated-copies"} << 3;
        // The queue's lpoptions apply beneath the options given; number-up from there is left out.
        QTest::newRow("lpoptions beneath -o")
            << "CUPS_SERVER"
            << "lstprint-duplex" << QStringList{"-o", "sides=two-sided-long-edge"}
            << "Dest lstprint-duplex copies=2 sides=two-sided-short-edge number-up=2\n"
            << 0 << sent.arg("lstprint-duplex") << (twoSidedCollated + QStringList{"!number-up=2"}) << 2;
        QTest::newRow("-n over lpoptions' copies")
            << "CUPS_SERVER"
            << "lstprint-duplex" << QStringList{"-n", "1"} << "Dest lstprint-duplex copies=4\n"
            << 0 << sent.arg("lstprint-duplex")
            << QStringList{"copies=1", "!multiple-document-handling=separate-documents-collated-copies"} << 1;

        // What the printer does not offer: nothing is printed, and no job is made.
        QTest::newRow("queue without two-sided printing")
            << "CUPS_SERVER"
            << "lstprinttest" << twoSidedTwice << "" << 3
            << "Error 409: The printer lstprinttest does not offer sides=two-sided-long-edge; it offers "
               "sides=one-sided: nothing is printed\\."
            << QStringList{} << 0;
        QTest::newRow("address, a print quality not offered")
            << "address"
            << "lstprint-duplex" << QStringList{"-o", "print-quality=high"} << "" << 3
            << "Error 409: The printer " + address +
                   "lstprint-duplex does not offer print-quality=high; it offers print-quality=normal: "
                   "nothing is printed\\."
            << QStringList{} << 0;
        QTest::newRow("address, more copies than offered")
            << "address"
            << "lstprint-duplex" << QStringList{"-n", "10000"} << "" << 3
            << "Error 409: .* does not offer copies=10000; it offers copies=1-9999: nothing is printed\\."
            << QStringList{} << 0;
        QTest::newRow("address, an option the printer does not know")
            << "address"
            << "lstprint-duplex" << QStringList{"-o", "frobnicate=yes"} << "" << 3
            << "Error 409: The printer " + address +
                   "lstprint-duplex has no option frobnicate: nothing is "
                   "printed\\."
            << QStringList{} << 0;
        QTest::newRow("address of no printer")
            << "address"
            << "no-such-queue" << QStringList{} << "" << 3
            << "Error 407: There is no printer " + address + "no-such-queue to print on \\(.+\\)\\."
            << QStringList{} << 0;
    }
    void jobAsRecorded()
    {
        QFETCH(QString, reach);
        QFETCH(QString, queue);
        QFETCH(QStringList, options);
        QFETCH(QString, lpoptions);
        QFETCH(int, status);
        QFETCH(QString, said);
        QFETCH(QStringList, recorded);
        QFETCH(int, copies);

        ProgramFolder data;
        data.copyDemo();
        QTemporaryDir home;
        QVERIFY(home.isValid());
        QVERIFY(QDir(home.path()).mkpath(QStringLiteral(".cups")));
        const auto write = [&home](const QString &name, const QString &text) {
            QFile file(QDir(home.path()).filePath(QStringLiteral(".cups/") + name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(text.toUtf8());
        };
        if (!lpoptions.isEmpty())
            write(QStringLiteral("lpoptions"), lpoptions);

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name :
             {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "PRINTER", "LPDEST", "CUPS_SERVER"})
            env.remove(QLatin1String(name));
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        env.insert(QStringLiteral("HOME"), home.path());
        const QString server = QStringLiteral("127.0.0.1:") + m_port;
        const QString printerAddress = QStringLiteral("ipp://%1/printers/%2").arg(server, queue);
        QStringList arguments{QStringLiteral("--print")};
        if (reach == QLatin1String("CUPS_SERVER"))
            env.insert(QStringLiteral("CUPS_SERVER"), server);
        else if (reach == QLatin1String("client.conf"))
            write(QStringLiteral("client.conf"), QStringLiteral("ServerName %1\n").arg(server));
        else
            env.insert(QStringLiteral("CUPS_SERVER"),
                       QDir(home.path()).filePath(QStringLiteral("no-such-socket")));
        if (reach == QLatin1String("LPDEST"))
            env.insert(QStringLiteral("LPDEST"), printerAddress);
        else
            arguments << QStringLiteral("--printer")
                      << (reach == QLatin1String("address") ? printerAddress : queue);
        arguments << options << data.path();

        const int jobsBefore = lastJobId();
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(m_program, arguments);
        QVERIFY(process.waitForFinished(120000));
        const QString errors = QString::fromLocal8Bit(process.readAllStandardError());
        QCOMPARE(process.exitCode(), status);
        const QString first = errors.section(QLatin1Char('\n'), 0, 0);
        QVERIFY2(QRegularExpression(QRegularExpression::anchoredPattern(said)).match(first).hasMatch(),
                 qPrintable(errors));

        if (recorded.isEmpty()) {
            QCOMPARE(lastJobId(), jobsBefore);
            return;
        }
        const int job = QRegularExpression(QStringLiteral("job ([0-9]+)")).match(first).captured(1).toInt();
        QVERIFY(job > jobsBefore);
        const QStringList attributes =
            jobAttributes(QStringLiteral("ipp://127.0.0.1:%1/jobs/%2").arg(m_port).arg(job));
        qInfo().noquote()
            << "cupsd recorded:"
            << attributes.filter(QRegularExpression(
                   "^(copies|sides|multiple-document-handling|number-up|print-color-mode|media|job-name)="));
        for (const QString &expected : recorded) {
            if (expected.startsWith(QLatin1Char('!')))
                QVERIFY2(!attributes.contains(expected.mid(1)), qPrintable(expected));
            else
                QVERIFY2(attributes.contains(expected), qPrintable(expected + " in " + attributes.join(' ')));
        }

        // The queue's A4 sheets, the copies one whole document after the other: page i of a copy is
        // page i of the first, and the pages of one copy differ from each other.
        const QString arrived = waitForJobOutput(job);
        QVERIFY(!arrived.isEmpty());
        QCOMPARE(PdfTools::pageCount(arrived), 6 * copies);
        QCOMPARE(PdfTools::pageSize(arrived), QStringLiteral("595 x 842"));
        const QList<QImage> pages = PdfTools::renderPages(arrived, 18);
        QCOMPARE(pages.size(), 6 * copies);
        QVERIFY(PdfTools::differingShare(pages[0], pages[1], 32) > 0.001);
        for (int i = 6; i < pages.size(); ++i)
            QVERIFY2(PdfTools::differingShare(pages[i], pages[i % 6], 32) < 0.001,
                     qPrintable(QString::number(i)));
    }

    // A printer's address that nothing answers at is error 403 at once, not after libcups's
    // own minute of waiting.
    void unreachableAddress()
    {
        ProgramFolder data;
        data.copyDemo();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        QProcess process;
        process.setProcessEnvironment(env);
        QElapsedTimer clock;
        clock.start();
        process.start(m_program,
                      {"--print", "--printer", "ipp://127.0.0.1:1/ipp/print", "-n", "2", data.path()});
        QVERIFY(process.waitForFinished(60000));
        const qint64 took = clock.elapsed();
        const QString errors = QString::fromLocal8Bit(process.readAllStandardError());
        QCOMPARE(process.exitCode(), 3);
        QVERIFY2(QRegularExpression(
                     "^Error 403: Nothing can be printed: the print system cannot be reached \\(the "
                     "printer ipp://127\\.0\\.0\\.1:1/ipp/print cannot be connected to: .+\\)\\.\n")
                     .match(errors)
                     .hasMatch(),
                 qPrintable(errors));
        QVERIFY2(took < 5000, qPrintable(QStringLiteral("%1 ms").arg(took)));
    }
};

QTEST_GUILESS_MAIN(TestPrintServers)
#include "tst_printservers.moc"
