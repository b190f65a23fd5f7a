#include "harness.h"

#include "picture.h"
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

#include <cmath>

#include <sys/stat.h>

namespace {

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
        return Pitch * float(characterCount(text));
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
        SurfaceBase::newPage();
        ++pagesEnded;
    }
    void endDocument() override { ++documentsEnded; }

    void check(bool condition, const char *what)
    {
        if (!condition && broken.isEmpty())
            broken = QString::fromLatin1(what);
    }

private:
    [[nodiscard]] float paperWidth() const { return orientation() == Portrait ? 11906.0f : 16838.0f; }
    [[nodiscard]] float paperHeight() const { return orientation() == Portrait ? 16838.0f : 11906.0f; }

    void checkPosition(float x, float y)
    {
        check(std::isfinite(x) && std::isfinite(y), "drawing at a position that is not a number");
    }
};

class CheckingReporter : public ErrorReporter
{
public:
    QString broken;

protected:
    void showError(const PrintError &error) override
    {
        if (broken.isEmpty() &&
            (error.number() <= 100 || error.number() >= 500 || error.description().isEmpty()))
            broken = QStringLiteral("an error without a number from the table or a description: ") +
                     error.logLine();
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

// Records of a list file: non-empty lines after the first (an upper bound: a line holding only a
// byte-order mark counts here but not for the reader).
qint64 recordCount(const QByteArray &list)
{
    qint64 lines = 0;
    bool inLine = false;
    for (const char c : list) {
        const bool end = c == '\r' || c == '\n';
        if (!end && !inLine)
            ++lines;
        inLine = !end;
    }
    return std::max<qint64>(0, lines - 1);
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
        run.setClock([] { return QDate(2026, 12, 7); });
        try {
            run.cmdPrint_Click(surface);
        } catch (const PrintError &error) {
            // Only the surface's own failures may leave a run, and this surface never fails.
            return QStringLiteral("an error left the print run: ") + error.logLine();
        } catch (...) {
            return QStringLiteral("an exception left the print run");
        }
        if (run.listFileName() != QLatin1String("list.lst"))
            return QStringLiteral("the list file was not found");
    }
    if (!surface.broken.isEmpty())
        return surface.broken;
    if (!reporter.broken.isEmpty())
        return reporter.broken;
    if (surface.documentsEnded != 1)
        return QStringLiteral("the document was not ended exactly once");
    if (surface.pagesEnded > recordCount(list))
        return QStringLiteral("more pages than records");

    bool readable = false;
    if (fileContent(listPath, readable) != list || !readable)
        return QStringLiteral("the list file changed");
    if (fileContent(picturePath, readable) != picture || !readable)
        return QStringLiteral("the picture changed");
    return {};
}

} // namespace FuzzHarness
