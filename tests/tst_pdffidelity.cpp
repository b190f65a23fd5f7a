// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "dataset.h"
#include "pdfsurface.h"
#include "pdftools.h"
#include "picture.h"
#include "qtreferencesurface.h"
#include "testsupport.h"

#include <QDirIterator>
#include <QtTest>

#include <cstdio>

#include <jpeglib.h>
#include <lcms2.h>
#include <zlib.h>

namespace {

// Profiles that Ghostscript ships, standing for the profiles a camera or a prepress tool embeds.
const QString Profiles = QStringLiteral("/usr/share/color/icc/ghostscript/");

QPageLayout a4()
{
    return {QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0.25, 0.25, 0.25, 0.25),
            QPageLayout::Inch};
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void print(const QString &folder, PrintSurface &surface, bool portrait, bool fitInPage)
{
    CapturingReporter reporter;
    FixedChoices choices;
    choices.portrait = portrait;
    choices.fitInPage = fitInPage;
    PictureSlot image1(96);
    PrintRun run(folder, image1, reporter, choices);
    run.setClock([] { return QDate(2026, 12, 7); });
    run.cmdPrint_Click(surface);
    QCOMPARE(reporter.messages, QStringList());
}

// Patches of colours, saturated and muted, light and dark: 6 across, 4 down, 20 pixels each.
QImage patches()
{
    static const QRgb colours[] = {0xff0000, 0x00ff00, 0x0000ff, 0x00ffff, 0xff00ff, 0xffff00,
                                   0xff8000, 0x8000ff, 0x0080ff, 0x80ff00, 0xff0080, 0x00ff80,
                                   0xc08060, 0x6080c0, 0x80c060, 0xe0c0a0, 0x204060, 0x602040,
                                   0x000000, 0x404040, 0x808080, 0xc0c0c0, 0xffffff, 0x30a090};
    QImage image(120, 80, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, 0xff000000 | colours[(y / 20) * 6 + x / 20]);
    return image;
}

// A JPEG by libjpeg: quality 100, no chroma subsampling; components 1 (grey), 3 or 4 (CMYK, stored
// inverted as Adobe's programs store it); with an ICC profile when one is given.
QByteArray jpegOf(const QImage &image, int components, const QByteArray &profile = {},
                  bool arithmetic = false)
{
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(image.width());
    info.image_height = JDIMENSION(image.height());
    info.input_components = components;
    info.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 4 ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 100, TRUE);
    for (int i = 0; i < info.num_components; ++i)
        info.comp_info[i].h_samp_factor = info.comp_info[i].v_samp_factor = 1;
    info.arith_code = arithmetic ? TRUE : FALSE;
    jpeg_start_compress(&info, TRUE);
    if (!profile.isEmpty())
        jpeg_write_icc_profile(&info, reinterpret_cast<const JOCTET *>(profile.constData()),
                               unsigned(profile.size()));
    std::vector<JSAMPLE> row(size_t(image.width() * components));
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            JSAMPLE *out = row.data() + x * components;
            if (components == 1) {
                out[0] = JSAMPLE(qGray(pixel));
            } else if (components == 3) {
                out[0] = JSAMPLE(qRed(pixel));
                out[1] = JSAMPLE(qGreen(pixel));
                out[2] = JSAMPLE(qBlue(pixel));
            } else { // inks: cyan where there is no red, and so on, black under dark patches;
                     // stored inverted, as 255 less the ink
                out[0] = JSAMPLE(qRed(pixel));
                out[1] = JSAMPLE(qGreen(pixel));
                out[2] = JSAMPLE(qBlue(pixel));
                out[3] = JSAMPLE(255 - (qGray(pixel) < 64 ? 128 : 0));
            }
        }
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    const QByteArray jpeg(reinterpret_cast<const char *>(buffer), qsizetype(size));
    std::free(buffer);
    return jpeg;
}

// A PNG with one more chunk right after its header.
QByteArray pngWithChunk(const QImage &image, const QByteArray &type, const QByteArray &body)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "png");
    QByteArray chunk;
    for (int shift : {24, 16, 8, 0})
        chunk += char((body.size() >> shift) & 0xff);
    chunk += type + body;
    const uLong crc = crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef *>(chunk.constData() + 4),
                            uInt(chunk.size() - 4));
    for (int shift : {24, 16, 8, 0})
        chunk += char((crc >> shift) & 0xff);
    return png.insert(8 + 25, chunk); // the signature and IHDR
}

QByteArray iccpBody(const QByteArray &profile)
{
    uLongf size = compressBound(uLong(profile.size()));
    QByteArray compressed(qsizetype(size), Qt::Uninitialized);
    compress(reinterpret_cast<Bytef *>(compressed.data()), &size,
             reinterpret_cast<const Bytef *>(profile.constData()), uLong(profile.size()));
    compressed.truncate(qsizetype(size));
    return QByteArray("profile\0\0", 9) + compressed;
}

// The picture as a colour-managed viewer shows it: its samples taken from profile to sRGB, in the
// relative colorimetric intent with black point compensation, as PDF viewers convert.
QImage managed(const QImage &image, cmsHPROFILE from, int components)
{
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    const cmsUInt32Number format = components == 4 ? TYPE_CMYK_8 : TYPE_BGRA_8;
    cmsHTRANSFORM transform = cmsCreateTransform(
        from, format, srgb, TYPE_BGRA_8, INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_BLACKPOINTCOMPENSATION);
    QImage out(image.size(), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        std::vector<unsigned char> in;
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (components == 4)
                in.insert(in.end(), {uchar(255 - qRed(pixel)), uchar(255 - qGreen(pixel)),
                                     uchar(255 - qBlue(pixel)), uchar(qGray(pixel) < 64 ? 128 : 0)});
            else
                in.insert(in.end(), {uchar(qBlue(pixel)), uchar(qGreen(pixel)), uchar(qRed(pixel)), 255});
        }
        cmsDoTransform(transform, in.data(), out.scanLine(y), cmsUInt32Number(image.width()));
        auto *row = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            row[x] |= 0xff000000;
    }
    cmsDeleteTransform(transform);
    cmsCloseProfile(srgb);
    return out;
}

// The mean difference per channel (of 255) over the middle of every patch, where no edge is.
std::array<double, 3> patchDifference(const QImage &shown, const QImage &expected)
{
    std::array<double, 3> sum{};
    qint64 count = 0;
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            if (x % 20 < 4 || x % 20 > 15 || y % 20 < 4 || y % 20 > 15)
                continue;
            const QRgb a = shown.pixel(x, y);
            const QRgb b = expected.pixel(x, y);
            sum[0] += std::abs(qRed(a) - qRed(b));
            sum[1] += std::abs(qGreen(a) - qGreen(b));
            sum[2] += std::abs(qBlue(a) - qBlue(b));
            ++count;
        }
    }
    for (double &channel : sum)
        channel /= double(count);
    return sum;
}

} // namespace

// The pages the project's PDF writer makes are the pages Qt's engine made: the same text in the
// same places, the same renderings in poppler and in Ghostscript; its documents are clean for
// qpdf; its JPEGs are their files' own bytes; and its pictures show the colours their files say.
class TestPdfFidelity : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(PdfTools::available());
        for (const char *tool : {"gs", "qpdf", "mutool"}) {
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                LSTPRINT_SKIP(QStringLiteral("%1 is not installed").arg(QLatin1String(tool)));
        }
    }

    void pagesAreTodaysPages_data()
    {
        QTest::addColumn<QString>("data"); // "demo", or a data set's format ("text", "gif", "jpeg")
        QTest::addColumn<bool>("portrait");
        QTest::addColumn<bool>("fitInPage");
        QTest::addColumn<bool>("everyPage"); // else the first and the last
        for (const bool portrait : {true, false}) {
            for (const bool fit : {true, false})
                QTest::addRow("demo, %s, %s", portrait ? "portrait" : "landscape",
                              fit ? "fit in page" : "actual size")
                    << "demo" << portrait << fit << true;
        }
        QTest::newRow("text data set") << "text" << true << true << false;
        QTest::newRow("gif data set") << "gif" << true << true << false;
        QTest::newRow("jpeg data set") << "jpeg" << true << true << false;
    }

    void pagesAreTodaysPages()
    {
        QFETCH(QString, data);
        QFETCH(bool, portrait);
        QFETCH(bool, fitInPage);
        QFETCH(bool, everyPage);
        ProgramFolder folder;
        if (data == "demo") {
            folder.copyDemo();
        } else {
            // The benchmark's data sets, fewer records of each.
            DataSetOptions options;
            options.records = data == "text" ? 300 : data == "gif" ? 120 : 20;
            options.pictures = data == "text" ? 0 : 20;
            options.format = data.toLatin1();
            options.pictureSize = data == "jpeg" ? QSize(800, 600) : QSize(400, 300);
            QString error;
            QVERIFY2(DataSet::write(options, folder.path(), &error), qPrintable(error));
        }
        ProgramFolder out;
        const QString reference = out.filePath("qt.pdf");
        const QString written = out.filePath("own.pdf");
        {
            QtReferenceSurface qt(reference, a4());
            print(folder.path(), qt, portrait, fitInPage);
            PdfSurface own(written, a4());
            print(folder.path(), own, portrait, fitInPage);
        }
        QVERIFY2(PdfTools::qpdfComplaints(written).isEmpty(), qPrintable(PdfTools::qpdfComplaints(written)));
        const int pages = PdfTools::pageCount(reference);
        QCOMPARE(PdfTools::pageCount(written), pages);
        QCOMPARE(PdfTools::text(written), PdfTools::text(reference));

        QList<int> compared{1, pages};
        if (everyPage) {
            compared.clear();
            for (int page = 1; page <= pages; ++page)
                compared << page;
        }
        for (const PdfTools::Renderer renderer :
             {PdfTools::Renderer::Poppler, PdfTools::Renderer::Ghostscript, PdfTools::Renderer::Mupdf}) {
            for (const int page : compared) {
                const double share =
                    PdfTools::differingShare(PdfTools::renderPage(written, page, 100, renderer),
                                             PdfTools::renderPage(reference, page, 100, renderer), 32);
                QVERIFY2(share <= 0.005, qPrintable(QStringLiteral("page %1 (%2): %3 % of the pixels differ")
                                                        .arg(page)
                                                        .arg(PdfTools::rendererName(renderer))
                                                        .arg(share * 100, 0, 'f', 2)));
            }
        }

        // Every JPEG in the document is one of the folder's files, byte for byte.
        QSet<QByteArray> files;
        for (const QString &name : QDir(folder.path()).entryList({"*.jpg", "*.jpeg"}, QDir::Files))
            files << contentOf(folder.filePath(name));
        const QStringList listed = PdfTools::images(written);
        QCOMPARE(listed.filter(QRegularExpression(" jpeg ")).isEmpty(), files.isEmpty());
        if (files.isEmpty())
            return;
        QTemporaryDir images;
        QProcess extract;
        extract.start(QStringLiteral("pdfimages"),
                      {QStringLiteral("-all"), written, images.filePath("image")});
        QVERIFY(extract.waitForFinished(300000));
        const QStringList jpegs = QDir(images.path()).entryList({"*.jpg"}, QDir::Files);
        QVERIFY(!jpegs.isEmpty());
        for (const QString &jpeg : jpegs)
            QVERIFY2(files.contains(contentOf(images.filePath(jpeg))),
                     qPrintable(jpeg + " is not a file's bytes"));
    }

    void picturesShowTheirFilesColours_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("passedThrough"); // the JPEG's own bytes are in the document
        QTest::newRow("sRGB JPEG, untagged, no chroma subsampling") << "jpeg" << true;
        QTest::newRow("grey JPEG") << "grey jpeg" << true;
        QTest::newRow("Adobe RGB JPEG") << "a98 jpeg" << true;
        QTest::newRow("CMYK JPEG with its profile") << "cmyk jpeg" << true;
        QTest::newRow("arithmetic-coded JPEG") << "arithmetic jpeg" << false;
        QTest::newRow("wide-gamut (ROMM) PNG") << "romm png" << false;
        QTest::newRow("PNG of gamma 1.0") << "linear png" << false;
    }

    void picturesShowTheirFilesColours()
    {
        QFETCH(QString, kind);
        QFETCH(bool, passedThrough);
        const QImage source = patches();
        QImage expected = source;
        QByteArray file;
        const auto profile = [](const char *name) { return contentOf(Profiles + QLatin1String(name)); };
        if (kind.contains("a98") || kind.contains("romm") || kind.contains("cmyk")) {
            if (!QFileInfo::exists(Profiles))
                LSTPRINT_SKIP(QStringLiteral("Ghostscript's profiles are not installed"));
        }
        if (kind == "jpeg" || kind == "arithmetic jpeg") {
            file = jpegOf(source, 3, {}, kind.startsWith("arithmetic"));
        } else if (kind == "grey jpeg") {
            file = jpegOf(source, 1);
            for (int y = 0; y < expected.height(); ++y)
                for (int x = 0; x < expected.width(); ++x)
                    expected.setPixel(x, y,
                                      qRgb(qGray(source.pixel(x, y)), qGray(source.pixel(x, y)),
                                           qGray(source.pixel(x, y))));
        } else if (kind == "a98 jpeg" || kind == "romm png" || kind == "cmyk jpeg") {
            const QByteArray icc = profile(kind == "a98 jpeg"   ? "a98.icc"
                                           : kind == "romm png" ? "rommrgb.icc"
                                                                : "default_cmyk.icc");
            QVERIFY(!icc.isEmpty());
            const int components = kind == "cmyk jpeg" ? 4 : 3;
            file = kind == "romm png" ? pngWithChunk(source, "iCCP", iccpBody(icc))
                                      : jpegOf(source, components, icc);
            cmsHPROFILE handle = cmsOpenProfileFromMem(icc.constData(), cmsUInt32Number(icc.size()));
            expected = managed(source, handle, components);
            cmsCloseProfile(handle);
        } else if (kind == "linear png") {
            file = pngWithChunk(source, "gAMA", QByteArray("\x00\x01\x86\xa0", 4)); // 1.0
            cmsCIExyY d65{0.3127, 0.3290, 1.0};
            cmsCIExyYTRIPLE primaries{{0.64, 0.33, 1.0}, {0.30, 0.60, 1.0}, {0.15, 0.06, 1.0}};
            cmsToneCurve *linear = cmsBuildGamma(nullptr, 1.0);
            cmsToneCurve *curves[] = {linear, linear, linear};
            cmsHPROFILE handle = cmsCreateRGBProfile(&d65, &primaries, curves);
            expected = managed(source, handle, 3);
            cmsCloseProfile(handle);
            cmsFreeToneCurve(linear);
        }

        ProgramFolder folder;
        folder.write("picture", file);
        const QString pdf = folder.filePath("out.pdf");
        {
            PictureLoader loader(96);
            PdfSurface surface(pdf, a4());
            surface.drawPicture(loader.load(folder.filePath("picture")), 0, 0);
            surface.endDocument();
        }
        QVERIFY2(PdfTools::qpdfComplaints(pdf).isEmpty(), qPrintable(PdfTools::qpdfComplaints(pdf)));

        QTemporaryDir images;
        QProcess extract;
        extract.start(QStringLiteral("pdfimages"), {QStringLiteral("-all"), pdf, images.filePath("image")});
        QVERIFY(extract.waitForFinished(300000));
        const QStringList jpegs = QDir(images.path()).entryList({"*.jpg"}, QDir::Files);
        QCOMPARE(jpegs.size(), passedThrough ? 1 : 0);
        if (passedThrough)
            QCOMPARE(contentOf(images.filePath(jpegs.first())), file);

        // At 96 dots per inch a picture pixel is a rendered pixel, a quarter inch from the corner.
        // mupdf, built without colour management, shows device colours only as they are.
        QList<PdfTools::Renderer> renderers{PdfTools::Renderer::Poppler, PdfTools::Renderer::Ghostscript};
        if (kind == "jpeg" || kind == "grey jpeg" || kind == "arithmetic jpeg")
            renderers << PdfTools::Renderer::Mupdf;
        for (const PdfTools::Renderer renderer : renderers) {
            const QImage shown =
                PdfTools::renderPage(pdf, 1, 96, renderer).copy(24, 24, source.width(), source.height());
            const std::array<double, 3> difference = patchDifference(shown, expected);
            const QString said = QStringLiteral("%1: mean differences %2/%3/%4 of 255")
                                     .arg(PdfTools::rendererName(renderer))
                                     .arg(difference[0], 0, 'f', 1)
                                     .arg(difference[1], 0, 'f', 1)
                                     .arg(difference[2], 0, 'f', 1);
            qInfo("%s", qPrintable(said));
            QVERIFY2(difference[0] <= 4 && difference[1] <= 4 && difference[2] <= 4, qPrintable(said));
        }
    }
};

QTEST_MAIN(TestPdfFidelity)
#include "tst_pdffidelity.moc"
