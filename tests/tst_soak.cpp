// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "printersurface.h"
#include "windowfixture.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QtTest>

#if defined(__SANITIZE_ADDRESS__)
// From the sanitizer runtime's allocator interface (a header gcc does not install).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

namespace {

// The bytes the heap holds for the program: what has been allocated and not freed. A leak grows
// it by exactly what is lost, where the resident size also moves with the allocator's caches and
// (under AddressSanitizer) with its quarantine of freed memory.
qint64 heapBytesInUse()
{
#if defined(__SANITIZE_ADDRESS__)
    return qint64(__sanitizer_get_current_allocated_bytes());
#else
    const struct mallinfo2 info = mallinfo2();
    return qint64(info.uordblks + info.hblkhd);
#endif
}

int openFileDescriptors()
{
    return int(QDir(QStringLiteral("/proc/self/fd"))
                   .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
                   .size());
}

qint64 residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

QByteArray pngPicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(width * 3 % 256, 120, height * 5 % 256));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "png");
    return bytes;
}

QByteArray withRecords(const QByteArray &header, const QList<QByteArray> &records)
{
    QByteArray list = header + "\r\n";
    for (const QByteArray &record : records)
        list += record + "\r\n";
    return list;
}

// What the program folder holds for one run: the list file (none when null), the logo (none when
// null) and pictures by name. Good content and bad by turns.
struct Content
{
    const char *what;
    QByteArray list;
    QByteArray logo;
    QMap<QString, QByteArray> pictures;
};

QList<Content> contents()
{
    const QByteArray header("id,name,filename");
    const QByteArray threeRecords = withRecords(
        header, {"\"1\",\"Chair\",\"chair.png\"", "\"2\",\"Desk\",\"desk.gif\"", "\"3\",\"Lamp\",\"\""});
    const QByteArray chair = pngPicture(25, 50);
    const QByteArray desk = makeGif(60, 40);
    const QByteArray logo = makeGif(40, 12);

    QByteArray manyFields(QByteArray(2000, 'k'));
    QByteArray manyValues("\"first\"");
    for (int i = 1; i < 40; ++i) {
        manyFields += ",f" + QByteArray::number(i);
        manyValues += ",\"v" + QByteArray::number(i) + "\"";
    }

    return {
        {"good list, pictures and logo", threeRecords, logo, {{"chair.png", chair}, {"desk.gif", desk}}},
        {"record with too many fields",
         withRecords(header, {"\"1\",\"Chair\",\"chair.png\"", "\"2\",\"x\",\"desk.gif\",\"extra\""}),
         logo,
         {{"chair.png", chair}, {"desk.gif", desk}}},
        {"the pictures changed, no logo",
         threeRecords,
         {},
         {{"chair.png", pngPicture(40, 30)}, {"desk.gif", makeGif(20, 90)}}},
        {"picture cut short",
         threeRecords,
         logo,
         {{"chair.png", chair}, {"desk.gif", desk.left(desk.size() / 2)}}},
        {"UTF-16 list",
         utf16WithMark(QStringLiteral("id,name,filename\r\n\"1\",\"Café\",\"desk.gif\"\r\n")),
         logo,
         {{"desk.gif", desk}}},
        {"no list file", {}, logo, {{"chair.png", chair}}},
        {"a long field name among forty", withRecords(manyFields, {manyValues, manyValues}), logo, {}},
        {"empty list file", QByteArray(""), {}, {}},
        {"pictures missing", threeRecords, logo, {}},
        {"repeated field name and a logo that is not a picture",
         withRecords("id,name,ID", {"\"1\",\"2\",\"3\""}),
         "not a picture",
         {}},
    };
}

// Empties the folder and puts content in it.
void fill(const ProgramFolder &folder, const Content &content)
{
    QDir dir(folder.path());
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden))
        QVERIFY(dir.remove(name));
    if (!content.list.isNull())
        folder.write(QStringLiteral("parts.lst"), content.list);
    if (!content.logo.isNull())
        folder.write(QStringLiteral("logo.gif"), content.logo);
    for (auto picture = content.pictures.cbegin(); picture != content.pictures.cend(); ++picture)
        folder.write(picture.key(), picture.value());
}

// The default printer of a window where there is no print system: the document is rendered as
// PDF and saved in saveFolder. Every drawing operation is also logged, as the recording surface logs
// it, and the log is handed over when the window is done with the surface.
class LoggedPrinterSurface : public PrinterSurface
{
public:
    LoggedPrinterSurface(const QString &saveFolder, QList<QStringList> &logs)
        : PrinterSurface(saveFolder, [] { return Cups::DefaultPrinter{}; }), m_logs(logs)
    {
    }
    ~LoggedPrinterSurface() override { m_logs.append(m_log); }
    LoggedPrinterSurface(const LoggedPrinterSurface &) = delete;
    LoggedPrinterSurface &operator=(const LoggedPrinterSurface &) = delete;

    void printText(const QString &text) override
    {
        m_log << QStringLiteral("text (%1,%2) \"%3\"").arg(fmt(currentX()), fmt(currentY()), text);
        PrinterSurface::printText(text);
    }
    void drawPicture(const Picture &picture, float x, float y) override
    {
        m_log << QStringLiteral("picture %1x%2 (%3,%4)")
                     .arg(fmt(picture.width()), fmt(picture.height()), fmt(x), fmt(y));
        PrinterSurface::drawPicture(picture, x, y);
    }
    void drawPicture(const Picture &picture, float x, float y, float width, float height) override
    {
        m_log << QStringLiteral("picture %1x%2 in box (%3,%4) %5x%6")
                     .arg(fmt(picture.width()), fmt(picture.height()), fmt(x), fmt(y), fmt(width),
                          fmt(height));
        PrinterSurface::drawPicture(picture, x, y, width, height);
    }
    void newPage() override
    {
        m_log << QStringLiteral("new page");
        PrinterSurface::newPage();
    }

private:
    QStringList m_log;
    QList<QStringList> &m_logs;
};

// The window's run with the surface of a printer with nowhere to print, saving in saveFolder:
// what it drew, what it said, and the size of the PDF it saved (-1 for none), which is then removed.
struct RunResult
{
    QStringList drawn;
    QStringList said;
    qint64 pdfBytes = -1;
};

RunResult printIn(frmPrinter &window, CapturingSink &sink, const QString &saveFolder)
{
    QList<QStringList> logs;
    window.setSurfaceFactory([&logs, &saveFolder](const QString &) -> std::unique_ptr<PrintSurface> {
        return std::make_unique<LoggedPrinterSurface>(saveFolder, logs);
    });
    sink.messages.clear();
    [&] { QVERIFY(printToEnd(window)); }();
    RunResult result;
    result.drawn = logs.value(0);
    for (const Message &message : sink.messages)
        result.said << QString::number(int(message.kind)) + ' ' + message.text;
    sink.messages.clear();
    const QString pdf = QDir(saveFolder).filePath(QStringLiteral("parts.pdf"));
    if (QFileInfo::exists(pdf)) {
        result.pdfBytes = QFileInfo(pdf).size();
        QFile::remove(pdf);
    }
    return result;
}

} // namespace

// Many print runs in one window: 200 presses of Print while the folder changes between them, good
// content and bad by turns. Each run prints and says what a window started afresh on the same
// content prints and says, and after the last run the window holds as many open files and as much
// heap memory as after the tenth, when every kind of content has been printed once.
class TestSoak : public QObject
{
    Q_OBJECT

private slots:
    void manyRunsInOneWindow()
    {
        constexpr int Runs = 200;
        constexpr qint64 HeapSlack = 2 * 1024 * 1024;
        const QList<Content> kinds = contents();
        QCOMPARE(kinds.size(), 10);

        QElapsedTimer clock;
        clock.start();
        WindowFixture f;
        const QTemporaryDir saved; // where the PDFs go, since there is no printer
        QVERIFY(saved.isValid());
        qint64 heapAt10 = 0;
        int filesAt10 = 0;
        int pages = 0;
        int messages = 0;
        for (int run = 1; run <= Runs; ++run) {
            const Content &content = kinds[(run - 1) % kinds.size()];
            fill(f.folder, content);
            if (QTest::currentTestFailed())
                return;

            const RunResult result = printIn(*f.window, f.sink, saved.path());
            RunResult fresh;
            {
                CapturingSink freshSink;
                frmPrinter window(f.folder.path());
                window.setMessageSink(&freshSink);
                window.printRun().setClock([] { return QDate(2026, 3, 14); });
                fresh = printIn(window, freshSink, saved.path());
            }
            QVERIFY2(result.drawn == fresh.drawn,
                     qPrintable(QStringLiteral("run %1 (%2) drew\n%3\nwhere a fresh window draws\n%4")
                                    .arg(run)
                                    .arg(QLatin1String(content.what), result.drawn.join('\n'),
                                         fresh.drawn.join('\n'))));
            QVERIFY2(result.said == fresh.said,
                     qPrintable(QStringLiteral("run %1 (%2) said\n%3\nwhere a fresh window says\n%4")
                                    .arg(run)
                                    .arg(QLatin1String(content.what), result.said.join('\n'),
                                         fresh.said.join('\n'))));
            QCOMPARE(result.pdfBytes, fresh.pdfBytes);
            pages += int(result.drawn.count(QStringLiteral("new page")));
            messages += int(result.said.size());

            if (run == 10 || run == Runs) {
                QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
                QCoreApplication::processEvents();
                const qint64 heap = heapBytesInUse();
                const int files = openFileDescriptors();
                qInfo("after run %d: %d open files, %lld bytes of heap in use, %lld KiB resident, %lld ms",
                      run, files, heap, residentKiB(), clock.elapsed());
                if (run == 10) {
                    heapAt10 = heap;
                    filesAt10 = files;
                } else {
                    QCOMPARE(files, filesAt10);
                    QVERIFY2(heap - heapAt10 < HeapSlack,
                             qPrintable(QStringLiteral("the heap grew by %1 bytes from run 10 to run %2")
                                            .arg(heap - heapAt10)
                                            .arg(Runs)));
                }
            }
        }
        // The content really was good and bad by turns.
        QVERIFY(pages >= Runs);
        QVERIFY(messages >= Runs);
    }
};

QTEST_MAIN(TestSoak)
#include "tst_soak.moc"
