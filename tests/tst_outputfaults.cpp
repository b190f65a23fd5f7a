// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "testsupport.h"

#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include <unistd.h>

// What the user sees when the output goes wrong, through the built program as a script runs it:
// full file systems, a file size limit, devices and FIFOs as targets, closed standard descriptors,
// no fixed-pitch font, a working folder deeper than the system's path limit, names that are not
// UTF-8, names at the limits, the work files of a run that was killed, standard output that is the
// list file. Each case is a shell script run in a folder of its own (W) with the program (P) and a
// copy of the demo folder (W/data); its standard error, its exit status and then a check script
// tell what happened. No case may leave a broken document where a good one was, or say "Printed"
// over a document that is not whole.
class TestOutputFaults : public QObject
{
    Q_OBJECT

    QString m_program;
    QString m_demo;
    QStringList m_mounts;

    struct Finished
    {
        int status = -1;
        QStringList errorLines;
        QString output;
    };

    Finished runScript(const QString &script, const QString &folder) const
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name :
             {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_RUNTIME_DIR", "TMPDIR"})
            env.remove(QLatin1String(name));
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        env.insert(QStringLiteral("CUPS_SERVER"), folder + QStringLiteral("/no-cups-here"));
        env.insert(QStringLiteral("P"), m_program);
        env.insert(QStringLiteral("W"), folder);
        env.insert(QStringLiteral("CUPSD"), qEnvironmentVariable("LSTPRINT_CUPS_DIR"));
        env.insert(QStringLiteral("CUPSD_SCRIPT"), qEnvironmentVariable("LSTPRINT_CUPSD_SCRIPT"));
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(folder);
        process.start(QStringLiteral("bash"), {QStringLiteral("-c"), QStringLiteral("set -u\n") + script});
        Finished finished;
        if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
            return finished;
        finished.status = process.exitCode();
        finished.errorLines = QString::fromUtf8(process.readAllStandardError()).split(QLatin1Char('\n'));
        if (!finished.errorLines.isEmpty() && finished.errorLines.last().isEmpty())
            finished.errorLines.removeLast();
        finished.output = QString::fromUtf8(process.readAllStandardOutput());
        return finished;
    }

private slots:
    void initTestCase()
    {
        m_program = qEnvironmentVariable("LSTPRINT_PROGRAM");
        m_demo = qEnvironmentVariable("LSTPRINT_DEMO_DIR");
        QVERIFY2(QFileInfo(m_program).isExecutable(), "LSTPRINT_PROGRAM names the built lstprint");
        QVERIFY(QFileInfo(m_demo).isDir());
        if (::geteuid() != 0)
            LSTPRINT_SKIP(QStringLiteral("small file systems are mounted for these cases, which takes root"));
        if (QFileInfo::exists(qEnvironmentVariable("LSTPRINT_CUPS_DIR") + QStringLiteral("/unavailable")))
            LSTPRINT_SKIP(QStringLiteral("no private print system"));
    }

    void cleanup()
    {
        for (const QString &mount : std::as_const(m_mounts))
            QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), mount});
        m_mounts.clear();
    }

    void faultsAreToldAndNothingIsLost_data()
    {
        QTest::addColumn<QString>(
            "setup");                     // shell, before the run: small file systems are "mount W/NAME SIZE"
        QTest::addColumn<QString>("run"); // shell: the program's run, its standard error is checked
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("errors"); // every line of standard error, as patterns
        QTest::addColumn<QString>("check");      // shell, after the run: exit 0 when all is as it should be

        // An earlier good document of the demo, to put where a run may replace it.
        const QString oldPdf = QStringLiteral("\"$P\" -q --pdf \"$W/old.pdf\" \"$W/data\"\n");
        const QString noWorkFiles = QStringLiteral("! ls -A \"$1\" | grep -q '^\\.out\\.pdf-'\n");
        const QString nothing = QStringLiteral("Nothing was printed\\.");
        const QString full =
            QStringLiteral("Error 401: The print document could not be written to %1: No space left "
                           "on device\\.");

        QTest::newRow("full file system, --pdf over a good document")
            << QStringLiteral("%1mount fs 160k\ncp old.pdf fs/out.pdf\n").arg(oldPdf)
            << QStringLiteral("\"$P\" --pdf fs/out.pdf data") << 3
            << QStringList{full.arg(QStringLiteral("fs/out\\.pdf")), nothing}
            << QStringLiteral("cmp old.pdf fs/out.pdf && ! ls -A fs | grep -q '^\\.'");
        QTest::newRow("full temporary folder, --pdf -")
            << QStringLiteral("mount tmp 64k\n")
            << QStringLiteral("TMPDIR=$W/tmp \"$P\" --pdf - data > out.pdf") << 3
            << QStringList{full.arg(QStringLiteral(".*/tmp/lstprint-[A-Za-z0-9]{6}/document\\.pdf")), nothing}
            << QStringLiteral("[ ! -s out.pdf ] && [ -z \"$(ls -A tmp)\" ]");
        // The job is never sent: the print system gets a whole document or nothing.
        QTest::newRow("full temporary folder, --print")
            << QStringLiteral("mount tmp 64k\ngrep -c 'Print-Job\\|Create-Job' \"$CUPSD/log/access_log\" > "
                              "jobs || true\n")
            << QStringLiteral("CUPS_SERVER=$CUPSD/cups.sock TMPDIR=$W/tmp \"$P\" --print data") << 3
            << QStringList{full.arg(QStringLiteral(".*/tmp/lstprint-[A-Za-z0-9]{6}/document\\.pdf")), nothing}
            << QStringLiteral("[ \"$(grep -c 'Print-Job\\|Create-Job' \"$CUPSD/log/access_log\" || true)\" = "
                              "\"$(cat jobs)\" ] && "
                              "[ -z \"$(ls -A tmp)\" ]");
        QTest::newRow("file size limit")
            << oldPdf << QStringLiteral("cp old.pdf out.pdf; ulimit -f 40; \"$P\" --pdf out.pdf data") << 3
            << QStringList{QStringLiteral(
                               "Error 401: The print document could not be written to out\\.pdf: File too "
                               "large\\."),
                           nothing}
            << QStringLiteral("cmp old.pdf out.pdf && ! ls -A | grep -q '^\\.out'");
        QTest::newRow("/dev/null, written in place")
            << QString() << QStringLiteral("\"$P\" --pdf /dev/null data") << 0
            << QStringList{QStringLiteral("Printed 6 pages to /dev/null\\.")}
            << QStringLiteral("[ -c /dev/null ]");
        QTest::newRow("/dev/full") << QString() << QStringLiteral("\"$P\" --pdf /dev/full data") << 3
                                   << QStringList{full.arg(QStringLiteral("/dev/full")), nothing}
                                   << QStringLiteral("[ -c /dev/full ]");
        QTest::newRow("a FIFO, through a link")
            << QStringLiteral("mkfifo fifo\nln -s fifo link.pdf\n(cat fifo > received.pdf &)\n")
            << QStringLiteral("\"$P\" --pdf link.pdf data") << 0
            << QStringList{QStringLiteral("Printed 6 pages to link\\.pdf\\.")}
            << QStringLiteral(
                   "sleep 1; [ -p fifo ] && [ -L link.pdf ] && pdfinfo received.pdf | grep -q '^Pages: *6$'");
        QTest::newRow("standard descriptors closed")
            << QStringLiteral("echo 'not a picture' > data/lamp.gif\n")
            << QStringLiteral("\"$P\" --pdf out.pdf data <&- >&- 2>&-; echo $? > status") << 0
            << QStringList{}
            << QStringLiteral("[ \"$(cat status)\" = 1 ] && pdfinfo out.pdf | grep -q '^Pages: *6$' && "
                              "! grep -aq 'Error 302' out.pdf && qpdf --check out.pdf >/dev/null");
        const QString fonts =
            QStringLiteral("mkdir -p fonts cache\n"
                           "printf '<?xml version=\"1.0\"?><fontconfig><dir>%s</dir>"
                           "<cachedir>%s</cachedir></fontconfig>' \"$W/fonts\" \"$W/cache\" > fonts.conf\n");
        QTest::newRow("no font at all")
            << fonts << QStringLiteral("FONTCONFIG_FILE=$W/fonts.conf \"$P\" --pdf out.pdf data") << 3
            << QStringList{QStringLiteral("Error 408: No font is installed; install fonts-urw-base35 .*"),
                           nothing}
            << QStringLiteral("[ ! -e out.pdf ]");
        QTest::newRow("only proportional fonts")
            << fonts + QStringLiteral("cp /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf fonts/\n")
            << QStringLiteral("FONTCONFIG_FILE=$W/fonts.conf \"$P\" --pdf out.pdf data") << 3
            << QStringList{QStringLiteral(
                               "Error 408: No fixed-pitch font is installed \\(only proportional ones such "
                               "as DejaVu Sans\\); install fonts-urw-base35 .*"),
                           nothing}
            << QStringLiteral("[ ! -e out.pdf ]");
        // 45 folders of 99 letters: 4,500 bytes below the case's folder, deeper than PATH_MAX.
        const QString deep =
            QStringLiteral("d=$(printf 'd%.0s' $(seq 99)); for i in $(seq 45); do mkdir $d; cd $d; done\n");
        QTest::newRow("working folder deeper than PATH_MAX")
            << QString()
            << deep + QStringLiteral(
                          "cp -r \"$W/data\" data; \"$P\" --pdf o.pdf data && pdfinfo o.pdf > \"$W/info\"")
            << 0 << QStringList{QStringLiteral("Printed 6 pages to o\\.pdf\\.")}
            << QStringLiteral("grep -q '^Pages: *6$' info && [ ! -e /o.pdf ] && [ ! -e /data ]");
        QTest::newRow("names that are not UTF-8")
            << QStringLiteral("mv data $'caf\\xe9'\n")
            << QStringLiteral("\"$P\" --pdf $'o\\xe9.pdf' $'caf\\xe9'") << 0
            << QStringList{QStringLiteral("Printed 6 pages to o\\\\xe9\\.pdf\\.")}
            << QStringLiteral("pdfinfo $'o\\xe9.pdf' | grep -q '^Pages: *6$'");
        QTest::newRow("a name as long as a name may be")
            << QString() << QStringLiteral("\"$P\" -q --pdf $(printf 'n%.0s' $(seq 251)).pdf data") << 0
            << QStringList{}
            << QStringLiteral("[ -f $(printf 'n%.0s' $(seq 251)).pdf ] && [ -z \"$(ls -A | grep '^\\.')\" ]");
        // OUT's path within 8 bytes of PATH_MAX (4,096 with its terminating zero): the work file's
        // longer name beside it must still fit.
        QTest::newRow("a path as long as a path may be")
            << QString()
            << QStringLiteral(
                   "name=$(printf 'o%.0s' $(seq 200)).pdf; dir=$PWD\n"
                   "while [ $((${#dir} + 101 + 1 + ${#name})) -le 4090 ]; do dir=$dir/$(printf 'd%.0s' $(seq "
                   "100)); done\n"
                   "dir=$dir/$(printf 'e%.0s' $(seq $((4090 - ${#dir} - 2 - ${#name}))))\n"
                   "mkdir -p \"$dir\" && [ $((${#dir} + 1 + ${#name})) -ge 4088 ] || exit 9\n"
                   "\"$P\" -q --pdf \"$dir/$name\" \"$W/data\" && [ -f \"$dir/$name\" ] && touch \"$W/made\"")
            << 0 << QStringList{} << QStringLiteral("[ -e made ]");
        QTest::newRow("the work files of killed runs")
            << QStringLiteral(
                   "echo stale > .out.pdf-abcDE1\necho held > .out.pdf-abcDE2\n"
                   "(flock .out.pdf-abcDE2 sleep 30 &) ; sleep 0.3\n"
                   "mkdir -p tmp/lstprint-abcDE3 && echo stale > tmp/lstprint-abcDE3/document.pdf\n")
            << QStringLiteral(
                   "\"$P\" -q --pdf out.pdf data && TMPDIR=$W/tmp \"$P\" -q --pdf - data > copy.pdf")
            << 0 << QStringList{}
            << QStringLiteral(
                   "[ ! -e .out.pdf-abcDE1 ] && [ -e .out.pdf-abcDE2 ] && [ -z \"$(ls -A tmp)\" ] && "
                   "pdfinfo copy.pdf | grep -q '^Pages: *6$'");
        QTest::newRow("standard output closed, --pdf -")
            << QStringLiteral("mkdir tmp\n") << QStringLiteral("TMPDIR=$W/tmp \"$P\" --pdf - data >&-") << 3
            << QStringList{QStringLiteral(
                               "Error 401: The print document cannot be written to standard output: it "
                               "is closed\\."),
                           nothing}
            << QStringLiteral("[ -z \"$(ls -A tmp)\" ]");
        // The print server's limit is set for the run and lifted again within it.
        QTest::newRow("a print server that refuses a document of its size")
            << QStringLiteral("CUPS_SERVER=$CUPSD/cups.sock lpstat -W all -o | sed -n "
                              "'s/^[^ ]*-\\([0-9]*\\) .*/\\1/p' | sort -n | tail -n 1 > last\n"
                              "[ -s last ] || echo 0 > last\n")
            << QStringLiteral("\"$CUPSD_SCRIPT\" limit \"$CUPSD\" 50000 || exit 9\n"
                              "CUPS_SERVER=$CUPSD/cups.sock \"$P\" --print data; status=$?\n"
                              "\"$CUPSD_SCRIPT\" limit \"$CUPSD\" 0 || exit 9\n"
                              "exit $status")
            << 3
            << QStringList{QStringLiteral("Error 402: The printer lstprinttest did not accept the print job "
                                          "parts\\.lst: the print server refuses a document of its size "
                                          "\\([0-9.]+ KiB\\)\\."),
                           nothing}
            << QStringLiteral("sleep 2; for f in \"$CUPSD\"/out/*job_*.pdf; do [ -e \"$f\" ] || continue\n"
                              "  id=${f##*job_}; [ \"${id%.pdf}\" -le \"$(cat last)\" ] || exit 1\n"
                              "done");
        QTest::newRow("standard output appended to the list file")
            << QStringLiteral("cp data/parts.lst before.lst\n")
            << QStringLiteral("\"$P\" --pdf - data/parts.lst >> data/parts.lst") << 2
            << QStringList{QStringLiteral("lstprint: standard output is the list file data/parts\\.lst: .*"),
                           QStringLiteral("Try 'lstprint --help' for more information\\.")}
            << QStringLiteral("cmp before.lst data/parts.lst");
    }

    void faultsAreToldAndNothingIsLost()
    {
        QFETCH(QString, setup);
        QFETCH(QString, run);
        QFETCH(int, status);
        QFETCH(QStringList, errors);
        QFETCH(QString, check);

        ProgramFolder folder;
        const QString w = folder.path();
        QVERIFY(QProcess::execute(QStringLiteral("cp"),
                                  {QStringLiteral("-r"), m_demo, w + QStringLiteral("/data")}) == 0);
        // "mount NAME SIZE" lines make small file systems, unmounted again after the case.
        QString script;
        for (const QString &line : setup.split(QLatin1Char('\n'))) {
            const QStringList words = line.split(QLatin1Char(' '));
            if (words.size() == 3 && words[0] == QLatin1String("mount")) {
                const QString where = w + QLatin1Char('/') + words[1];
                QVERIFY(QDir().mkpath(where));
                QCOMPARE(
                    QProcess::execute(QStringLiteral("mount"),
                                      {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                       QStringLiteral("size=") + words[2], QStringLiteral("tmpfs"), where}),
                    0);
                m_mounts << where;
            } else {
                script += line + QLatin1Char('\n');
            }
        }
        const Finished prepared = runScript(script, w);
        QVERIFY2(prepared.status == 0, qPrintable(prepared.errorLines.join(QLatin1Char('\n'))));

        const Finished finished = runScript(run, w);
        QCOMPARE(finished.status, status);
        QVERIFY2(finished.errorLines.size() == errors.size(),
                 qPrintable(finished.errorLines.join(QLatin1Char('\n'))));
        for (qsizetype i = 0; i < errors.size(); ++i) {
            const QRegularExpression pattern(QStringLiteral("^%1$").arg(errors[i]));
            QVERIFY2(pattern.match(finished.errorLines[i]).hasMatch(),
                     qPrintable(finished.errorLines[i] + QStringLiteral("\ndoes not match\n") + errors[i]));
        }
        const Finished checked = runScript(check, w);
        QVERIFY2(checked.status == 0, qPrintable(QStringLiteral("after the run: ") + check));
    }
};

QTEST_GUILESS_MAIN(TestOutputFaults)
#include "tst_outputfaults.moc"
