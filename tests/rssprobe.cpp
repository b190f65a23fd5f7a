// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

// Prints a generated list file of N records with the real PDF renderer in a fresh process and
// reports its peak resident memory, for tst_longrun (and for measuring by hand):
//
//   lstprint_rssprobe RECORDS [--no-printer]
//       ->   records=R pages=P written=W errors=E peak_kib=K seconds=S [saved_bytes=B]
//
// With --no-printer the document goes the way of the window's where there is no printer: rendered
// in the temporary folder by PrinterSurface and saved beside the list file, whose size is reported.
//
// The program folder has a logo and three pictures (GIF, JPEG, PNG) that the records name in turn,
// so that pages carry pictures as real ones do.

#include "paperlayout.h"
#include "pdfsurface.h"
#include "printersurface.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>

#include <cstdio>

namespace {

class CountingReporter : public ErrorReporter
{
public:
    int count = 0;

protected:
    void showError(const PrintError &) override { ++count; }
};

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

bool fillFolder(const QDir &folder, qint64 records)
{
    QImage image(320, 240, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x % 256, y, (x * y) % 256));
    if (!writeFile(folder.filePath("logo.gif"), makeGif(200, 60)) ||
        !writeFile(folder.filePath("a.gif"), makeGif(320, 240)) ||
        !image.save(folder.filePath("b.jpg"), "jpg") || !image.save(folder.filePath("c.png"), "png"))
        return false;

    // Written as it is made, a record at a time: the file is large, the process should not be.
    QFile list(folder.filePath("long.lst"));
    if (!list.open(QIODevice::WriteOnly))
        return false;
    list.write("id,name,filename,colour,size,price,supplier,notes\r\n");
    const char *pictures[] = {"a.gif", "b.jpg", "c.png"};
    for (qint64 i = 1; i <= records; ++i) {
        const QByteArray line =
            QStringLiteral("\"%1\",\"Part number %1\",\"%2\",\"colour %3\",\"%4 cm\",\"%5.00\","
                           "\"Supplier %6\",\"Café Möbel, row %1\"\r\n")
                .arg(i)
                .arg(QLatin1String(pictures[i % 3]))
                .arg(i % 17)
                .arg(i % 200)
                .arg(i % 1000)
                .arg(i % 23)
                .toUtf8();
        if (list.write(line) != line.size())
            return false;
    }
    return list.flush();
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const qint64 records = argc > 1 ? QByteArray(argv[1]).toLongLong() : 0;
    const bool noPrinter = argc > 2 && qstrcmp(argv[2], "--no-printer") == 0;
    if (records <= 0 || argc > 3 || (argc == 3 && !noPrinter)) {
        std::fprintf(stderr, "usage: lstprint_rssprobe RECORDS [--no-printer]\n");
        return 2;
    }
    QTemporaryDir dir;
    const QDir folder(dir.path());
    if (!dir.isValid() || !fillFolder(folder, records)) {
        std::fprintf(stderr, "lstprint_rssprobe: the program folder could not be made\n");
        return 1;
    }

    QElapsedTimer timer;
    timer.start();
    CountingReporter reporter;
    FixedChoices choices;
    PictureSlot image1;
    PrintRun run(dir.path(), image1, reporter, choices);
    std::unique_ptr<PrintSurface> surface;
    if (noPrinter)
        surface = std::make_unique<PrinterSurface>(dir.path(), [] { return Cups::DefaultPrinter(); });
    else
        surface = std::make_unique<PdfSurface>(folder.filePath("long.pdf"), localePageLayout());
    qint64 pages = 0;
    run.setProgressHandler([&pages](qint64 done) { pages = done; });
    run.cmdPrint_Click(*surface);
    std::printf("records=%lld pages=%lld written=%d errors=%d peak_kib=%lld seconds=%.1f", records, pages,
                surface->outcome().pages, reporter.count, peakRssKiB(), double(timer.elapsed()) / 1000.0);
    if (noPrinter)
        std::printf(" saved_bytes=%lld", QFileInfo(surface->outcome().pdfPath).size());
    std::printf("\n");
    return 0;
}
