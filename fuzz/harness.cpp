// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "harness.h"

#include "colourprofile.h"
#include "jpegdecoder.h"
#include "listfile.h"
#include "outputdevice.h"
#include "pdfpictures.h"
#include "pdfwriter.h"
#include "picture.h"
#include "picturecheck.h"
#include "pngproof.h"
#include "printerror.h"
#include "printrun.h"
#include "printsurface.h"
#include "recordgrid.h"
#include "runcontext.h"

#include <QBuffer>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QVarLengthArray>

#include <algorithm>
#include <cmath>

#include <sys/stat.h>

namespace {

// Walks the characters (code points) of a text, by the rules of the format and not with the grid's
// own routines.
class CodePoints
{
public:
    explicit CodePoints(const QString &text) : m_text(text) {}
    [[nodiscard]] bool atEnd() const { return m_at >= m_text.size(); }
    char32_t next()
    {
        const char16_t first = m_text[m_at++].unicode();
        if (QChar::isHighSurrogate(first) && m_at < m_text.size() && m_text[m_at].isLowSurrogate())
            return QChar::surrogateToUcs4(first, m_text[m_at++].unicode());
        return first;
    }
    // Skips count characters (all of them for -1); how many there were.
    qsizetype skip(qsizetype count)
    {
        qsizetype skipped = 0;
        while ((count < 0 || skipped < count) && !atEnd()) {
            next();
            ++skipped;
        }
        return skipped;
    }
    // Whether the next 27 characters are there; if so, mismatch tells whether they differ from the
    // value's first 26 and spaces up to 27.
    bool readValueCell(const QString &value, bool &mismatch)
    {
        CodePoints wanted(value);
        mismatch = false;
        for (int i = 0; i < 27; ++i) {
            if (atEnd())
                return false;
            const char32_t expected = i < 26 && !wanted.atEnd() ? wanted.next() : U' ';
            mismatch = mismatch || next() != expected;
        }
        return true;
    }

private:
    const QString &m_text;
    qsizetype m_at = 0;
};

// A page of A4 paper (11,906 x 16,838 twips) less quarter-inch margins, with 8-point Courier's
// pitch. The first thing it is asked to do wrong is kept in broken.
class CheckingSurface : public SurfaceBase
{
public:
    static constexpr float Pitch = 96;
    static constexpr float Margin = 360;

    QString broken;
    qint64 pagesEnded = 0;
    int documentsEnded = 0;

    [[nodiscard]] float scaleWidth() const override { return paperWidth() - 2 * Margin; }
    [[nodiscard]] float scaleHeight() const override { return paperHeight() - 2 * Margin; }
    [[nodiscard]] float sheetRight() const override { return paperWidth() - Margin; }
    [[nodiscard]] float sheetBottom() const override { return paperHeight() - Margin; }
    [[nodiscard]] float textWidth(const QString &text) const override
    {
        return Pitch * float(CodePoints(text).skip(-1));
    }
    [[nodiscard]] float lineHeight() const override { return 180; }
    void printText(const QString &text) override
    {
        checkPosition(currentX(), currentY());
        // Lines of the list file end at CR and LF, so no key or value holds one.
        check(!text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n')),
              "a printed line holds a line break");
        // Only what can show on the sheet is built: no line begins below it, and none runs on past
        // its right edge by more than the few characters of slack the grid allows.
        check(currentY() < sheetBottom(), "a line was built below the sheet");
        check(currentX() + textWidth(text) < sheetRight() + 3 * Pitch, "a line was built past the sheet");
        if (gridOf != nullptr)
            m_lines.append({currentY(), text});
        markContent();
        setCurrentX(0);
        setCurrentY(currentY() + lineHeight());
    }
    void drawPicture(const Picture &picture, float x, float y) override
    {
        drawPicture(picture, x, y, picture.width(), picture.height());
    }
    void drawPicture(const Picture &picture, float x, float y, float width, float height) override
    {
        check(!picture.isNull(), "an empty picture was drawn");
        checkPosition(x, y);
        check(std::isfinite(width) && std::isfinite(height) && width > 0 && height > 0,
              "a picture was drawn in a box of no size");
        markContent();
    }
    void newPage() override
    {
        if (gridOf != nullptr)
            checkGridPage();
        m_lines.clear();
        SurfaceBase::newPage();
        ++pagesEnded;
    }
    void endDocument() override { ++documentsEnded; }

    // When set, every page is checked as a page with no logo and no picture of this run's record.
    const PrintRun *gridOf = nullptr;
    // A strip of paper as wide as the page but only about a dozen lines high, so that the grid
    // runs off it often and every page stays cheap.
    static constexpr float StripHeight = 2500;
    bool strip = false;

    void check(bool condition, const char *what)
    {
        if (!condition && broken.isEmpty())
            broken = QString::fromLatin1(what);
    }

private:
    struct Line
    {
        float y;
        QString text;
    };

    // The grid lines of the page (those that begin on the sheet), the organisation line and the
    // footer. Each grid line is as many characters long as the grid's cells (each key column as
    // wide as its longest key and one more, ':', 27 for a value), or cut a little past the sheet's
    // edge; every value cell that shows holds the value's first 26 characters. Characters are
    // code points, walked here without the grid's own routines.
    void checkGridPage()
    {
        const FieldList &fields = gridOf->fieldList();
        const int pairs = gridOf->pairsPerRow();
        if (pairs <= 0 || fields.count() == 0) {
            check(false, "a page was printed without fields");
            return;
        }
        const qsizetype rows = (fields.count() + pairs - 1) / pairs;
        QVarLengthArray<qsizetype, 4> keyWidths(pairs, 0);
        for (qsizetype i = 0; i < fields.count(); ++i) {
            qsizetype &width = keyWidths[i % pairs];
            width = std::max(width, CodePoints(fields.item(i + 1).Key()).skip(-1) + 1);
        }
        qsizetype shown = 0;
        float y = 0;
        while (shown < rows && y < sheetBottom()) {
            y = y + lineHeight();
            ++shown;
        }
        if (m_lines.size() != shown + 2) {
            check(false, "a page has the wrong number of lines");
            return;
        }
        check(m_lines[shown].text == PrintRun::OrganisationLine, "the organisation line is missing");
        check(m_lines[shown + 1].text.endsWith(QStringLiteral("  Page :") + PrintRun::pageField(page())),
              "the footer is wrong");
        for (qsizetype row = 0; row < shown; ++row) {
            const QString &text = m_lines[row].text;
            CodePoints line(text);
            bool whole = true;
            for (int pair = 0; whole && pair < pairs && row * pairs + pair < fields.count(); ++pair) {
                whole = line.skip(keyWidths[pair]) == keyWidths[pair];
                if (whole && !line.atEnd())
                    check(line.next() == U':', "a key column is not as wide as its longest key");
                else
                    whole = false;
                bool mismatch = false;
                if (whole)
                    whole = line.readValueCell(fields.item(row * pairs + pair + 1).valueText(), mismatch);
                check(!mismatch, "a value cell is not the value's first 26 characters");
            }
            if (whole)
                check(line.atEnd(), "a grid line is longer than its cells");
            else
                check(float(CodePoints(text).skip(-1)) * Pitch >= sheetRight() + 2 * Pitch,
                      "a grid line was cut on the sheet");
        }
    }

    [[nodiscard]] float paperWidth() const { return orientation() == Portrait ? 11906.0f : 16838.0f; }
    [[nodiscard]] float paperHeight() const
    {
        if (strip)
            return StripHeight;
        return orientation() == Portrait ? 16838.0f : 11906.0f;
    }

    void checkPosition(float x, float y)
    {
        check(std::isfinite(x) && std::isfinite(y), "drawing at a position that is not a number");
    }

    QList<Line> m_lines;
};

class CheckingReporter : public ErrorReporter
{
public:
    QString broken;
    int errors = 0;

protected:
    void showError(const PrintError &error) override
    {
        ++errors;
        if (broken.isEmpty() &&
            (error.number() <= 100 || error.number() >= 500 || error.description().isEmpty()))
            broken = QStringLiteral("an error without a number from the table or a description: ") +
                     error.logLine();
        const QString &description = error.description();
        if (broken.isEmpty() && std::any_of(description.begin(), description.end(),
                                            [](QChar c) { return c.category() == QChar::Other_Control; }))
            broken = QStringLiteral("a message holds a control character: ") + printableText(error.logLine());
    }
};

class Choices : public RunChoices
{
public:
    bool portrait = true;
    bool fit = true;
    [[nodiscard]] bool portraitSelected() const override { return portrait; }
    [[nodiscard]] bool fitInPageSelected() const override { return fit; }
};

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
}

QByteArray fileContent(const QString &path, bool &readable)
{
    QFile file(path);
    readable = file.open(QIODevice::ReadOnly);
    return readable ? file.readAll() : QByteArray();
}

QByteArray encoded(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// A GIF header and colour table claiming 65,535 x 65,535 pixels and carrying none of them.
QByteArray hugeGif()
{
    QByteArray gif("GIF89a\xFF\xFF\xFF\xFF\x80\x00\x00", 13);
    gif.append("\x00\x00\x00\xFF\xFF\xFF,\x00\x00\x00\x00\xFF\xFF\xFF\xFF\x00\x02\x02\x4C\x01\x00;", 22);
    return gif;
}

QString fillFolder(const QString &path, bool logo)
{
    QDir dir(path);
    if (!dir.mkpath(QStringLiteral("sub")) || !dir.mkpath(QStringLiteral("dir.gif")))
        return QStringLiteral("cannot make the folders in ") + path;
    QImage image(24, 16, QImage::Format_RGB32);
    image.fill(QColor(40, 90, 160));
    const QByteArray png = encoded(image, "png"); // Qt writes no GIF: PNG under both names
    const QByteArray jpeg = encoded(image, "jpg");
    if (png.isEmpty() || jpeg.isEmpty())
        return QStringLiteral("cannot encode a picture");
    bool written = (!logo || writeFile(dir.filePath(QStringLiteral("logo.gif")), png)) &&
                   writeFile(dir.filePath(QStringLiteral("a.gif")), png) &&
                   writeFile(dir.filePath(QStringLiteral("b.jpg")), jpeg) &&
                   writeFile(dir.filePath(QStringLiteral("sub/c.png")), png) &&
                   writeFile(dir.filePath(QStringLiteral("cut.jpg")), jpeg.left(jpeg.size() / 2)) &&
                   writeFile(dir.filePath(QStringLiteral("empty.gif")), QByteArray()) &&
                   writeFile(dir.filePath(QStringLiteral("text.gif")), QByteArray("id,name\n")) &&
                   writeFile(dir.filePath(QStringLiteral("huge.gif")), hugeGif());
    written = written &&
              ::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("fifo.gif"))).constData(), 0600) == 0;
    written = written && QFile::link(dir.filePath(QStringLiteral("missing.gif")),
                                     dir.filePath(QStringLiteral("dangling.gif")));
    return written ? QString() : QStringLiteral("cannot fill the program folder ") + path;
}

// Walks the lines of a list file by the rules of the format, without the reader: after a UTF-16
// byte-order mark its code units, otherwise its bytes (after a UTF-8 mark), CR and LF ending a line
// (a last odd byte of UTF-16 is part of the last line). visit(end) is called for each non-empty
// line with where it ends, just past its line end; returning false stops the walk.
template<typename Visit> void forEachLine(QByteArrayView list, Visit visit)
{
    const bool little = list.startsWith("\xFF\xFE");
    const bool big = list.startsWith("\xFE\xFF");
    const qsizetype unit = little || big ? 2 : 1;
    qsizetype at = little || big ? 2 : list.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    bool inLine = false;
    for (; at < list.size(); at += unit) {
        unsigned code = static_cast<unsigned char>(list[at]);
        if (unit == 2) {
            const unsigned second = at + 1 < list.size() ? static_cast<unsigned char>(list[at + 1]) : 0xFF;
            code = at + 1 >= list.size() ? 0xFFFF : little ? code | second << 8 : code << 8 | second;
        }
        const bool end = code == 0x0D || code == 0x0A;
        if (end && inLine && !visit(std::min(at + unit, list.size())))
            return;
        inLine = !end;
    }
    if (inLine)
        visit(list.size());
}

qint64 nonEmptyLines(QByteArrayView list)
{
    qint64 lines = 0;
    forEachLine(list, [&lines](qsizetype) { return ++lines, true; });
    return lines;
}

// The list as far as the end of its first count non-empty lines.
QByteArrayView firstLines(QByteArrayView list, qint64 count)
{
    qsizetype end = 0;
    qint64 lines = 0;
    forEachLine(list, [&](qsizetype lineEnd) {
        end = lineEnd;
        return ++lines < count;
    });
    return list.first(count > 0 ? end : 0);
}

// One press of Print on a checking surface, on the fixed date of every fuzzed run: the first
// thing found wrong, or nothing. Only the surface's own failures may leave a run, and a checking
// surface never fails.
QString printChecked(PrintRun &run, CheckingSurface &surface, const CheckingReporter &reporter)
{
    run.setClock([] { return QDate(2026, 12, 7); });
    try {
        run.cmdPrint_Click(surface);
    } catch (const PrintError &error) {
        return QStringLiteral("an error left the print run: ") + error.logLine();
    } catch (...) {
        return QStringLiteral("an exception left the print run");
    }
    if (!surface.broken.isEmpty())
        return surface.broken;
    if (!reporter.broken.isEmpty())
        return reporter.broken;
    if (surface.documentsEnded != 1)
        return QStringLiteral("the document was not ended exactly once");
    return {};
}

} // namespace

namespace FuzzHarness {

QString prepareFolders(const QString &root)
{
    QString failed = fillFolder(QDir(root).filePath(QStringLiteral("with-logo")), true);
    if (failed.isEmpty())
        failed = fillFolder(QDir(root).filePath(QStringLiteral("plain")), false);
    return failed;
}

QString runOne(const QString &root, QByteArrayView input)
{
    const unsigned options = input.isEmpty() ? 0 : static_cast<unsigned char>(input.front());
    const QByteArray rest = input.isEmpty() ? QByteArray() : input.sliced(1).toByteArray();
    const QString folder =
        QDir(root).filePath((options & 4) ? QStringLiteral("with-logo") : QStringLiteral("plain"));
    const QString listPath = QDir(folder).filePath(QStringLiteral("list.lst"));
    const QString picturePath = QDir(folder).filePath(QStringLiteral("fuzzed.pic"));
    const bool pictureMode = (options & 8) != 0;
    const QByteArray picture = pictureMode ? rest : QByteArray();
    const QByteArray list =
        pictureMode ? QByteArray("id,filename\n\"1\",\"fuzzed.pic\"\n\"2\",\"a.gif\"\n") : rest;
    if (!writeFile(listPath, list) || !writeFile(picturePath, picture))
        return QStringLiteral("cannot write into the program folder");

    Choices choices;
    choices.portrait = (options & 1) != 0;
    choices.fit = (options & 2) != 0;
    CheckingReporter reporter;
    PictureSlot image1;
    CheckingSurface surface;
    {
        PrintRun run(folder, image1, reporter, choices);
        if (QString failed = printChecked(run, surface, reporter); !failed.isEmpty())
            return failed;
        if (run.listFileName() != QLatin1String("list.lst"))
            return QStringLiteral("the list file was not found");
    }
    if (surface.pagesEnded > std::max<qint64>(0, nonEmptyLines(list) - 1))
        return QStringLiteral("more pages than records");

    bool readable = false;
    if (fileContent(listPath, readable) != list || !readable)
        return QStringLiteral("the list file changed");
    if (fileContent(picturePath, readable) != picture || !readable)
        return QStringLiteral("the picture changed");
    return {};
}

QString listGridOne(QByteArrayView input)
{
    constexpr qint64 MaxRecords = 2;
    const unsigned options = input.isEmpty() ? 0 : static_cast<unsigned char>(input.front());
    // The input's bytes themselves, not a copy. Every record goes through the same steps, so the
    // run is given the header and the first two records only, cut where this harness finds their
    // end; the reader still reads the whole list when it counts its lines below.
    QByteArray list =
        input.isEmpty() ? QByteArray() : QByteArray::fromRawData(input.data() + 1, input.size() - 1);
    const QByteArrayView head = firstLines(list, 1 + MaxRecords);
    QByteArray printedList = QByteArray::fromRawData(head.data(), head.size());
    QBuffer device(&printedList);

    Choices choices;
    choices.portrait = (options & 1) != 0;
    CheckingReporter reporter;
    PictureSlot image1;
    CheckingSurface surface;
    // A program folder that does not exist: no logo, no picture, nothing read but the list.
    PrintRun run(QStringLiteral("/nonexistent/lstprint-fuzz"), image1, reporter, choices);
    run.setListFileDevice(&device, QStringLiteral("list.lst"));
    surface.gridOf = &run;
    surface.strip = true;
    if (QString failed = printChecked(run, surface, reporter); !failed.isEmpty())
        return failed;

    // The progress window's count of records agrees with this one, and with the pages when no
    // record failed.
    QBuffer whole(&list);
    const qint64 lines = ListFileReader::countLines(whole);
    if (lines != nonEmptyLines(list))
        return QStringLiteral("the reader counts %1 lines, the format %2")
            .arg(lines)
            .arg(nonEmptyLines(list));
    const qint64 records = std::max<qint64>(0, lines - 1);
    const qint64 printed = std::min(records, MaxRecords);
    if (surface.pagesEnded > printed || (reporter.errors == 0 && surface.pagesEnded != printed))
        return QStringLiteral("%1 pages for %2 records").arg(surface.pagesEnded).arg(records);
    return {};
}

QString pictureOne(QByteArrayView input)
{
    static const PictureLoader loader;
    const QString name = QStringLiteral("fuzzed.pic");
    try {
        const Picture picture = loader.decodeData(input, name);
        if (picture.isNull() || !(picture.width() > 0) || !(picture.height() > 0))
            return QStringLiteral("a picture was accepted with no size");
        // A JPEG passed through keeps the file's bytes, undecoded, and its size is its header's.
        QSize pixels = picture.jpeg()  ? picture.jpeg()->pixels
                       : picture.png() ? picture.png()->pixels
                                       : picture.image().size();
        if (picture.jpeg()) {
            if (picture.jpeg()->bytes != input && !picture.jpeg()->repaired)
                return QStringLiteral("a JPEG passed through is not the file's bytes");
            if (picture.jpeg()->orientation >= 5)
                pixels.transpose();
        }
        if (picture.width() != float(pixels.width() * 15) || picture.height() != float(pixels.height() * 15))
            return QStringLiteral("an accepted picture's size is not its pixels at 96 dots per inch");
        // (Without a format of the four, nothing may be accepted at all.)
        const std::optional<PictureFormat> format = pictureFormatOf(input);
        PictureDefect defect = PictureDefect::Damaged;
        switch (format.value_or(PictureFormat::Gif)) {
        case PictureFormat::Gif:
            defect = format ? gifDefect(input) : PictureDefect::Damaged;
            break;
        case PictureFormat::Png:
            defect = pngDefect(input);
            break;
        case PictureFormat::Jpeg:
            defect = jpegLayout(input).defect;
            break;
        case PictureFormat::Bmp:
            defect = bmpDefect(input);
            break;
        }
        if (defect != PictureDefect::None)
            return QStringLiteral("a picture was accepted that is not a GIF, PNG, JPEG or BMP or whose "
                                  "structure is wrong");
    } catch (const PrintError &error) {
        if (error.number() != PrintError::PictureNotReadable && error.number() != PrintError::PictureTooLarge)
            return QStringLiteral("a picture was refused with the wrong error: ") + error.logLine();
        if (!error.description().contains(name))
            return QStringLiteral("the refusal does not name the file: ") + error.logLine();
    } catch (...) {
        return QStringLiteral("an exception other than PrintError left the picture loader");
    }
    return {};
}

QString jpegProofOne(QByteArrayView input)
{
    constexpr qint64 MaxPixels = 4'000'000; // decoding stays fast, the checks the same
    const JpegLayout layout = jpegLayout(input);
    QByteArray bytes = input.toByteArray();
    if (!layout.missingTables.empty()) {
        bytes = withStandardTables(input, layout);
        if (bytes.size() <= input.size())
            return QStringLiteral("tables put in made the JPEG no longer");
        const JpegLayout repaired = jpegLayout(bytes);
        if (!repaired.missingTables.empty())
            return QStringLiteral("tables put in left some missing");
        if (repaired.scans != layout.scans || repaired.defect != layout.defect)
            return QStringLiteral("tables put in changed the scans");
    }
    if (layout.defect != PictureDefect::None)
        return {}; // the loader refuses it before any proof
    const JpegProof proof = proveJpeg(bytes, MaxPixels);
    if (proof.proven) {
        if (proof.defect != PictureDefect::None || proof.tooLarge || !proof.header.passThrough)
            return QStringLiteral("a JPEG was proven with damage, too large, or one PDF does not read");
        const QSize pixels = proof.header.pixels;
        if (pixels.isEmpty() || qint64(pixels.width()) * pixels.height() > MaxPixels)
            return QStringLiteral("a JPEG was proven without a size within the limit");
        if (proof.header.components != 1 && proof.header.components != 3 && proof.header.components != 4)
            return QStringLiteral("a JPEG was proven with components PDF does not read");
        if (proof.header.orientation < 1 || proof.header.orientation > 8)
            return QStringLiteral("an orientation out of range");
    }
    return {};
}

QString pngProofOne(QByteArrayView input)
{
    constexpr qint64 MaxPixels = 4'000'000;
    if (!input.startsWith("\x89PNG\r\n\x1A\n") || pngDefect(input) != PictureDefect::None)
        return {}; // not handed to libpng by the loader
    const PngProof proof = provePng(input, MaxPixels);
    if (proof.proven) {
        if (proof.defect != PictureDefect::None || proof.tooLarge)
            return QStringLiteral("a PNG was proven with damage or too large");
        if (proof.pixels.isEmpty() || proof.pixels.width() > 1'000'000 || proof.pixels.height() > 1'000'000 ||
            qint64(proof.pixels.width()) * proof.pixels.height() > MaxPixels)
            return QStringLiteral("a PNG was proven with a size out of bounds");
        if (!(proof.gamma >= 0 && std::isfinite(proof.gamma)) ||
            (!proof.chromaticities.empty() && proof.chromaticities.size() != 8))
            return QStringLiteral("colour chunks out of bounds");
        for (const double value : proof.chromaticities) {
            if (!(value >= 0 && value <= 1))
                return QStringLiteral("a chromaticity outside 0 to 1");
        }
        if (const std::optional<PngData> png = pngPassThrough(input)) {
            if (png->data.isEmpty() || png->pixels.isEmpty())
                return QStringLiteral("a PNG passes through without picture data");
            if (!png->palette.isEmpty() && (png->palette.size() % 3 != 0 || png->colours != 1))
                return QStringLiteral("a palette PNG passes through with a palette PDF refuses");
        }
    } else if (proof.defect == PictureDefect::None && !proof.tooLarge) {
        return QStringLiteral("a PNG neither proven nor refused");
    }
    return {};
}

QString iccProfileOne(QByteArrayView input)
{
    const auto check = [](QByteArrayView profile) -> QString {
        const int components = profileComponents(profile);
        if (components == 0)
            return {};
        if (components != 1 && components != 3 && components != 4)
            return QStringLiteral("a profile of %1 components").arg(components);
        if (qsizetype(bigEndian(profile, 0, 4)) != profile.size())
            return QStringLiteral("a profile fits though its header gives another size");
        if (!profileFits(profile, components) || profileFits(profile, components == 1 ? 3 : 1))
            return QStringLiteral("a profile fits another number of components than it has");
        return {};
    };
    if (QString failed = check(input); !failed.isEmpty())
        return failed;
    const QByteArray inflated = inflateProfile(input);
    if (inflated.size() > 16 * 1024 * 1024)
        return QStringLiteral("an inflated profile larger than any profile is read");
    return inflated.isEmpty() ? QString() : check(inflated);
}

namespace {

// A document in memory.
class MemoryDevice final : public OutputDevice
{
public:
    QByteArray written;
    [[nodiscard]] ssize_t writeSome(const char *data, size_t size) override
    {
        written.append(data, qsizetype(size));
        return ssize_t(size);
    }
};

} // namespace

QString pdfPictureOne(QByteArrayView input)
{
    static const PictureLoader loader;
    Picture picture;
    try {
        picture = loader.decodeData(input, QStringLiteral("fuzzed.pic"));
    } catch (const PrintError &error) {
        if (error.number() != PrintError::PictureNotReadable && error.number() != PrintError::PictureTooLarge)
            return QStringLiteral("a picture was refused with the wrong error: ") + error.logLine();
        return {};
    }
    MemoryDevice device;
    {
        PdfWriter writer(device, QStringLiteral("fuzzed.pdf"));
        PdfPictures pictures(writer);
        const int object = pictures.imageObject(picture);
        if (pictures.imageObject(picture) != object)
            return QStringLiteral("a picture was written twice");
        writer.finish({});
    }
    const QByteArray &pdf = device.written;
    const QSize pixels = picture.jpeg()  ? picture.jpeg()->pixels
                         : picture.png() ? picture.png()->pixels
                                         : picture.image().size();
    const QByteArray size =
        "/Width " + QByteArray::number(pixels.width()) + "/Height " + QByteArray::number(pixels.height());
    const qsizetype image = pdf.indexOf("/Subtype/Image");
    if (image < 0 || pdf.indexOf(size, image) != image + 14)
        return QStringLiteral("the image object does not declare the picture's size");
    if (picture.jpeg() && !pdf.contains(picture.jpeg()->bytes))
        return QStringLiteral("a JPEG's bytes are not in the document");
    if (picture.jpeg() && !picture.jpeg()->repaired && picture.jpeg()->bytes != input)
        return QStringLiteral("a JPEG passed through is not the file's bytes");
    // The objects' dictionaries, without the streams' data (which may hold any bytes).
    QByteArray dictionaries;
    for (qsizetype at = 0; at < pdf.size();) {
        const qsizetype stream = pdf.indexOf(">>\nstream\n", at);
        dictionaries += pdf.mid(at, stream < 0 ? -1 : stream - at);
        if (stream < 0)
            break;
        const qsizetype end = pdf.indexOf("\nendstream", stream);
        at = end < 0 ? pdf.size() : end;
    }
    for (const char *word : {"nan", "inf"}) {
        if (dictionaries.contains(QByteArray(word)))
            return QStringLiteral("a number in the document is not a number");
    }
    return {};
}

} // namespace FuzzHarness
