// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

// The print run and its names. Its routines and state, and what they work with around them,
// carry the domain's own names, used as they stand: cmdPrint_Click, OpenListFile, ReadNextRecord,
// PrintRecordPage, AlignKeyColumns, FitPictureToPage, fieldList, listFileNumber, listFileName and
// pairsPerRow; clsVar with Key, Value and vNewValue; the window frmPrinter with Form_Load,
// Form_Unload and cmdExit_Click, its controls (cmdPrint, cmdExit, Frame2, Frame3, optOrientation,
// optSize) and its picture holder Image1 with LoadPicture, Width and Height. Everything else
// follows Qt's conventions.

#include "fieldlist.h"
#include "listfile.h"
#include "recordselection.h"

#include <QDate>
#include <QDateTime>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

[[nodiscard]] QDateTime currentLocalDateTime();
[[nodiscard]] qint64 monotonicMilliseconds();

class ErrorReporter;
class QIODevice;
class PictureHolder;
class PictureLookAhead;
class PrintSurface;
class RecordGrid;
class RunChoices;

// Today's local date, for the footers: asked of the system when it may have changed (at local
// midnight, and at least once a minute) rather than on every page.
[[nodiscard]] std::function<QDate()>
localDateClock(std::function<QDateTime()> now = currentLocalDateTime,
               std::function<qint64()> monotonicMs = monotonicMilliseconds);

// The records of a run that named a picture file that is not in the program folder: the first few,
// and how many in all. The pages print without the picture, as they always have; the run's report
// names them.
struct MissingPictures
{
    // How many are named in the report, the others only counted.
    static constexpr int Named = 5;

    struct Record
    {
        qint64 number; // 1-based, in list order
        QString pictureName;
    };
    QList<Record> first; // at most Named
    qint64 count = 0;

    void note(qint64 recordNumber, const QString &pictureName);
};

// The print run: reads the list file of the program folder and prints one page per record on a
// printing surface. It holds the state that lives between runs (the field list, the open list
// file and the pairs per grid row) and the routines of a run. The window owns one; tests, the
// benchmark and the command line use it without a window.
//
// OpenListFile, ReadNextRecord, PrintRecordPage and AlignKeyColumns trap their own errors: each
// reports a PrintError through the ErrorReporter and returns as if it had finished. Failures of the
// run's own printer steps (orientation, font, ending the document) are not trapped: they leave
// the step, and cmdPrint_Click, as PrintError.
//
// A run is three steps: beginRun, printNextPage for each page, and finishRun. cmdPrint_Click is the
// plain loop over them, for callers that may hold the thread for the whole run (the command line,
// the tests, the benchmark); the window takes one step at a time from its event loop, so that it
// stays live between pages without the run ever calling back into it.
//
// A run can be stopped from outside (a Cancel button, a signal): requestStop() or the stop check
// asks for it, the run takes it up after the page being drawn and finishRun discards the document
// instead of ending it.
class PrintRun
{
public:
    static inline const QString OrganisationLine = QStringLiteral("Quillmarsh");
    static inline const QString LogoFileName = QStringLiteral("logo.gif");

    PrintRun(QString programFolder, PictureHolder &image1, ErrorReporter &reporter,
             const RunChoices &choices);
    ~PrintRun();

    // The date printed in each footer; the current local date unless replaced.
    void setClock(std::function<QDate()> today) { m_today = std::move(today); }
    // Called after each record's page with the number of records printed so far in this run.
    void setProgressHandler(std::function<void(qint64)> handler) { m_progress = std::move(handler); }
    // The list file to read, by its name in the program folder. Without one (the default) the first
    // list file of the folder is looked up at every run; a caller that has looked it up already hands
    // on what it found, an empty name when the folder has none.
    void setListFileChoice(std::optional<QString> name) { m_listFileChoice = std::move(name); }
    // Another folder that was looked in for a list file and had none; when the program folder has
    // none either, the message names both.
    void setOtherFolder(QString folder) { m_otherFolder = std::move(folder); }
    // Which records are printed; the others are read past without being split into fields, and
    // reading ends after the last one selected. Every record unless set.
    void setRecordSelection(RecordSelection selection) { m_selection = std::move(selection); }
    [[nodiscard]] const RecordSelection &recordSelection() const { return m_selection; }

    // Asks the run under way (or the next one, when none is) to stop after the page being drawn and
    // to discard its document; a request that comes once every record is printed changes nothing.
    // Only stores a flag: safe to call from another thread. The request is used up when the run
    // under way ends, stopped or not.
    void requestStop() noexcept { m_stopRequested.store(true, std::memory_order_relaxed); }
    // Asked between pages and between records read past: true stops the run as requestStop() does.
    // The caller's own flag (one that a signal handler sets, say); it is never reset by the run.
    void setStopCheck(std::function<bool()> check) { m_stopCheck = std::move(check); }
    [[nodiscard]] bool stopRequested() const
    {
        return m_stopRequested.load(std::memory_order_relaxed) || (m_stopCheck && m_stopCheck());
    }
    // Whether the last run was stopped, its document discarded (also where the printer had to be
    // waited for and the wait was given up).
    [[nodiscard]] bool stopped() const { return m_stopped; }
    // The record pages the last run drew (stopped or not).
    [[nodiscard]] qint64 recordsPrinted() const { return m_recordsPrinted; }
    // The records of the last run whose picture file was missing.
    [[nodiscard]] const MissingPictures &missingPictures() const { return m_missingPictures; }
    // The number of the last record that the last run read (printed or read past); when reading
    // reached the end of the list file, the number of records in it.
    [[nodiscard]] qint64 recordsRead() const { return m_recordNumber; }

    // Reads the list file from device under name instead of looking for one in the program folder:
    // the reader, the fields and the grid on a list file in memory, with no files (for fuzzing).
    // The device must outlive the run; nullptr goes back to the folder.
    void setListFileDevice(QIODevice *device, QString name = {});

    // One press of Print: the whole run, from opening the list file to ending the document.
    void cmdPrint_Click(PrintSurface &printer);

    // The first step: opens the list file, names the document after it and sets the surface's
    // orientation and font, which fixes the pairs per grid row. The surface is the run's until the
    // run is over.
    void beginRun(PrintSurface &printer);
    // Reads the next selected record and prints its page; false when there is none left, when no
    // list file could be opened, or when a stop has been asked for.
    [[nodiscard]] bool printNextPage();
    // The last step: ends the document, or discards it when a stop was asked for before the last
    // record was read.
    void finishRun();
    // Between beginRun and the end of the run: finishRun, or a step that threw (a failure of the
    // printer itself, which also ends the run, its document neither ended nor discarded).
    [[nodiscard]] bool runUnderWay() const { return m_printer != nullptr; }

    void OpenListFile();
    [[nodiscard]] bool ReadNextRecord();

    // Closes the list file of the last run; false when none was open.
    bool closeListFile();
    [[nodiscard]] bool listFileOpen() const;
    [[nodiscard]] const QString &programFolder() const { return m_folder; }
    // The full path of the list file that the last run found, or empty.
    [[nodiscard]] QString listFilePath() const;

    // The picture file that a record's picture name refers to, or empty when the name is empty or
    // would leave the program folder (absolute, or with a ".." step). Backslashes separate folders.
    [[nodiscard]] static QString picturePathFor(const QString &programFolder, const QString &pictureName);
    // The page number as the footer writes it: filled from the left into four places.
    [[nodiscard]] static QString pageField(qint64 page);

    // The state that lives between runs, written only by the run.
    [[nodiscard]] const FieldList &fieldList() const { return m_fieldList; }
    // 0 before the first run.
    [[nodiscard]] qint16 listFileNumber() const { return m_listFileNumber; }
    // The list file that the last run found, without its folder.
    [[nodiscard]] const QString &listFileName() const { return m_listFileName; }
    // Key/value pairs per grid row, from the orientation that the printer took; 0 before a run.
    [[nodiscard]] qint16 pairsPerRow() const { return m_pairsPerRow; }

private:
    void PrintRecordPage();
    void AlignKeyColumns(RecordGrid &recordGrid);
    void FitPictureToPage(float &fittedWidth, float &fittedHeight);

    void logoStep(bool &logoDrawn);
    void gridStep();
    // The picture name of the record just read, without surrounding spaces; empty when it has none.
    [[nodiscard]] QString recordPictureName() const;
    void printGrid(const RecordGrid &recordGrid);
    void pictureStep(const QString &picturePath);
    void footerStep(bool logoDrawn);
    // Names the pictures of the next records to the picture holder, to be prepared meanwhile.
    void prepareNextPictures() noexcept;
    void abandonPage();
    // Whatever way the run under way ends: the surface is let go and a stop request used up.
    void endOfRun() noexcept;

    QString m_folder;
    PictureHolder &m_image1;
    ErrorReporter &m_reporter;
    const RunChoices &m_choices;
    std::function<QDate()> m_today;
    std::function<void(qint64)> m_progress;
    std::unique_ptr<ListFileReader> m_listFile;
    PrintSurface *m_printer = nullptr;
    std::optional<QString> m_listFileChoice;
    QString m_otherFolder;
    RecordSelection m_selection;
    std::atomic<bool> m_stopRequested = false;
    std::function<bool()> m_stopCheck;
    bool m_stopped = false;
    qint64 m_recordsPrinted = 0;
    qint64 m_recordNumber = 0;
    MissingPictures m_missingPictures;
    bool m_allRecordsRead = false; // the last run read to the end of the file or of the selection
    QString m_logoPath;
    QIODevice *m_listDevice = nullptr;
    std::unique_ptr<PictureLookAhead> m_lookAhead;
    bool m_picturesLoaded = false; // the run has loaded a record picture: looking ahead pays
    QString m_listDeviceName;

    FieldList m_fieldList;
    qint16 m_listFileNumber = 0;
    QString m_listFileName;
    qint16 m_pairsPerRow = 0;
};
