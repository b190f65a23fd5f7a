// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include "printerror.h"
#include "printrun.h"
#include "processmemory.h"
#include "recordingsurface.h"
#include "runcontext.h"

#include <QByteArray>
#include <QDate>
#include <QMap>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// Whether the tests run under CI (CI=true), where a test that cannot set up what it needs fails
// instead of skipping: a green run there has run everything.
[[nodiscard]] bool underCi();

// QSKIP(reason), except under CI, where the test fails with the reason.
#define LSTPRINT_SKIP(reason)                                                                                \
    do {                                                                                                     \
        if (underCi())                                                                                       \
            QFAIL(qPrintable(QStringLiteral("cannot run under CI: ") + (reason)));                           \
        QSKIP(qPrintable(reason));                                                                           \
    } while (false)

// Collects reported errors instead of showing message boxes.
class CapturingReporter : public ErrorReporter
{
public:
    QStringList messages; // the message box texts
    QList<int> numbers;

protected:
    void showError(const PrintError &error) override
    {
        messages << error.messageText();
        numbers << error.number();
    }
};

class FixedChoices : public RunChoices
{
public:
    bool portrait = true;
    bool fitInPage = true;
    [[nodiscard]] bool portraitSelected() const override { return portrait; }
    [[nodiscard]] bool fitInPageSelected() const override { return fitInPage; }
};

// A program folder in a temporary directory, with helpers to put files in it.
class ProgramFolder
{
public:
    ProgramFolder();
    [[nodiscard]] QString path() const { return m_dir.path(); }
    [[nodiscard]] QString filePath(const QString &name) const { return m_dir.filePath(name); }
    void write(const QString &name, const QByteArray &content) const;
    // A picture of the given pixel size in a format Qt can write (png, bmp, jpg), all one colour,
    // or gif (makeGif's).
    void writePicture(const QString &name, int width, int height, const char *format = "png") const;
    void makeFolder(const QString &name) const;
    // Copies the files of the repository's demo folder in.
    void copyDemo() const;

private:
    QTemporaryDir m_dir;
};

// text padded with spaces to width characters.
QString padded(const QString &text, int width);

// What a folder holds, with a hash of every ordinary file's content, so that a test can show that a
// run left everything that was there before byte for byte as it was (the list file, the logo, the
// pictures). Links are recorded by their target and never followed; FIFOs are never opened.
class FolderSnapshot
{
public:
    explicit FolderSnapshot(const QString &folder);
    // Entries of before that are gone or different now, one line each ("changed: a.gif").
    [[nodiscard]] QStringList changesSince(const FolderSnapshot &before) const;
    // Entries that were not in before.
    [[nodiscard]] QStringList addedSince(const FolderSnapshot &before) const;
    [[nodiscard]] const QMap<QString, QByteArray> &entries() const { return m_entries; }

private:
    QMap<QString, QByteArray> m_entries; // path relative to the folder -> kind and content hash
};

// Resets the peak resident memory (peakRssKiB) to the current resident memory, so that the peak of
// one step can be read; false where the system does not allow it.
bool resetPeakRss();

// A ready-made run: a program folder, a recording surface and everything PrintRun needs.
struct RunFixture
{
    ProgramFolder folder;
    RecordingSurface surface;
    CapturingReporter reporter;
    FixedChoices choices;
    PictureSlot image1;
    std::unique_ptr<PrintRun> run;
    QDate today{2026, 12, 7};

    RunFixture();
    // Runs one press of Print on a fresh surface and returns it. Every file that was in the program
    // folder before is checked to be unchanged after the run.
    RecordingSurface &print();
};

// A valid GIF of the given size in two colours, the same pixels every time. With pixels >= 0, the
// image data (properly ended) holds only that many pixels: a file that claims the size without
// carrying it (made at once whatever the size).
QByteArray makeGif(int width, int height, qint64 pixels = -1);

// A run-length coded BMP (bitsPerPixel 8: RLE8, 4: RLE4) of the given size whose pixel data is
// runs; by default, runs of two colours that cover every row, each row ended, then the end of the
// picture.
QByteArray makeRleBmp(int bitsPerPixel, int width, int height, const QByteArray &runs = {});
// Where makeRleBmp's pixel data starts: after the headers and the colour table.
int rleBmpPixelOffset(int bitsPerPixel);

// A progressive JPEG of the given size, one of its scans repeated until it has scans scans in all.
QByteArray makeJpegWithScans(int width, int height, int scans);

// text as UTF-16 after its byte-order mark, little- or big-endian: a list file as Windows tools save
// "Unicode text".
QByteArray utf16WithMark(const QString &text, bool bigEndian = false);
