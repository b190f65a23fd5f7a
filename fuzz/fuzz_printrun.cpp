// Each input is the list file of a program folder, printed on a surface that draws nothing but
// checks what it is asked to do. The first byte picks the choices of the run (bit 0: portrait,
// bit 1: fit in page, bit 2: the folder with a logo); the rest is the file. With bit 3 set, the
// rest is instead a picture file that a fixed list file names, for the picture loader's own checks
// of a file's structure. The folders hold
// pictures of every kind a record may name: sound ones, broken ones, one too large to decode, a
// folder, a FIFO (opening it would hang, which the fuzzer reports as a timeout) and a dangling link.

#include "picture.h"
#include "printerror.h"
#include "printrun.h"
#include "printsurface.h"
#include "recordgrid.h"
#include "runcontext.h"

#include <QBuffer>
#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include <sys/stat.h>

namespace {

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "fuzz_printrun: %s\n", what);
    std::abort();
}

void check(bool condition, const char *what)
{
    if (!condition)
        fail(what);
}

// A page of A4 paper less quarter-inch margins, in twips, with 8-point Courier's pitch.
class CheckingSurface : public SurfaceBase
{
public:
    qint64 pagesEnded = 0;
    int documentsEnded = 0;

    [[nodiscard]] float scaleWidth() const override
    {
        return orientation() == Portrait ? 11180.0f : 16120.0f;
    }
    [[nodiscard]] float scaleHeight() const override
    {
        return orientation() == Portrait ? 16120.0f : 11180.0f;
    }
    [[nodiscard]] float textWidth(const QString &text) const override
    {
        return 96.0f * float(characterCount(text));
    }
    void printText(const QString &text) override
    {
        checkPosition(currentX(), currentY());
        // The grid cuts every value to 27 characters; a line of the widest grid row is far shorter
        // than this, so a longer one means a value slipped through uncut.
        check(characterCount(text) <= 32767 * 2, "a printed line is longer than any grid row can be");
        markContent();
        setCurrentX(0);
        setCurrentY(currentY() + 180.0f);
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
        SurfaceBase::newPage();
        ++pagesEnded;
    }
    void endDocument() override { ++documentsEnded; }

private:
    static void checkPosition(float x, float y)
    {
        check(std::isfinite(x) && std::isfinite(y), "drawing at a position that is not a number");
    }
};

class CheckingReporter : public ErrorReporter
{
public:
    int reports = 0;

protected:
    void showError(const PrintError &error) override
    {
        ++reports;
        check(error.number() > 100 && error.number() < 500, "an error without a number from the table");
        check(!error.description().isEmpty(), "an error without a description");
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

struct Folders
{
    QTemporaryDir root;
    QString withLogo;
    QString plain;
};

Folders *folders = nullptr;

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) != content.size())
        fail("cannot write into the program folder");
}

QByteArray encoded(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format))
        fail("cannot encode a picture");
    return bytes;
}

// A GIF header and colour table claiming 65,535 x 65,535 pixels and carrying none of them.
QByteArray hugeGif()
{
    QByteArray gif("GIF89a\xFF\xFF\xFF\xFF\x80\x00\x00", 13);
    gif.append("\x00\x00\x00\xFF\xFF\xFF,\x00\x00\x00\x00\xFF\xFF\xFF\xFF\x00\x02\x02\x4C\x01\x00;", 22);
    return gif;
}

void fillFolder(const QString &path, bool logo)
{
    QDir dir(path);
    dir.mkpath(QStringLiteral("sub"));
    dir.mkpath(QStringLiteral("dir.gif"));
    QImage image(24, 16, QImage::Format_RGB32);
    image.fill(QColor(40, 90, 160));
    const QByteArray gif = encoded(image, "png"); // Qt writes no GIF: PNG under both names
    const QByteArray jpeg = encoded(image, "jpg");
    if (logo)
        writeFile(dir.filePath(QStringLiteral("logo.gif")), gif);
    writeFile(dir.filePath(QStringLiteral("a.gif")), gif);
    writeFile(dir.filePath(QStringLiteral("b.jpg")), jpeg);
    writeFile(dir.filePath(QStringLiteral("sub/c.png")), gif);
    writeFile(dir.filePath(QStringLiteral("cut.jpg")), jpeg.left(jpeg.size() / 2));
    writeFile(dir.filePath(QStringLiteral("empty.gif")), QByteArray());
    writeFile(dir.filePath(QStringLiteral("text.gif")), QByteArray("id,name\n"));
    writeFile(dir.filePath(QStringLiteral("huge.gif")), hugeGif());
    if (::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("fifo.gif"))).constData(), 0600) != 0)
        fail("cannot make the FIFO");
    QFile::link(dir.filePath(QStringLiteral("missing.gif")), dir.filePath(QStringLiteral("dangling.gif")));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QCoreApplication app(*argc, *argv); // image format plug-ins are found through it
    folders = new Folders;
    if (!folders->root.isValid())
        fail("no temporary folder");
    folders->withLogo = folders->root.filePath(QStringLiteral("with-logo"));
    folders->plain = folders->root.filePath(QStringLiteral("plain"));
    QDir(folders->root.path()).mkpath(QStringLiteral("with-logo"));
    QDir(folders->root.path()).mkpath(QStringLiteral("plain"));
    fillFolder(folders->withLogo, true);
    fillFolder(folders->plain, false);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const unsigned options = size > 0 ? data[0] : 0;
    const QByteArray rest =
        size > 0 ? QByteArray(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1)) : QByteArray();
    const QString folder = (options & 4) ? folders->withLogo : folders->plain;
    const QString listPath = QDir(folder).filePath(QStringLiteral("list.lst"));
    const QString picturePath = QDir(folder).filePath(QStringLiteral("fuzzed.pic"));
    const bool pictureMode = (options & 8) != 0;
    const QByteArray picture = pictureMode ? rest : QByteArray();
    const QByteArray list =
        pictureMode ? QByteArray("id,filename\n\"1\",\"fuzzed.pic\"\n\"2\",\"a.gif\"\n") : rest;
    writeFile(listPath, list);
    writeFile(picturePath, picture);

    Choices choices;
    choices.portrait = (options & 1) != 0;
    choices.fit = (options & 2) != 0;
    CheckingReporter reporter;
    PictureSlot image1;
    CheckingSurface surface;
    {
        PrintRun run(folder, image1, reporter, choices);
        run.setClock([] { return QDate(2026, 12, 7); });
        try {
            run.cmdPrint_Click(surface);
        } catch (...) {
            // Only the surface's own failures may leave a run, and this surface never fails.
            fail("an exception left the print run");
        }
        check(run.listFileName == QLatin1String("list.lst"), "the list file was not found");
    }
    check(surface.documentsEnded == 1, "the document was not ended exactly once");
    // One page per record at most: a record is a non-empty line after the header.
    qint64 lines = 0;
    bool inLine = false;
    for (const char c : list) {
        const bool end = c == '\r' || c == '\n';
        if (!end && !inLine)
            ++lines;
        inLine = !end;
    }
    check(surface.pagesEnded <= std::max<qint64>(0, lines - 1), "more pages than records");

    QFile file(listPath);
    check(file.open(QIODevice::ReadOnly) && file.readAll() == list, "the list file changed");
    QFile pictureFile(picturePath);
    check(pictureFile.open(QIODevice::ReadOnly) && pictureFile.readAll() == picture, "the picture changed");
    return 0;
}
