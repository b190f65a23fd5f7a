// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include "documenttarget.h"
#include "printerror.h"
#include "recordselection.h"
#include "runcontext.h"

#include <QList>
#include <QObject>
#include <QPageLayout>
#include <QString>

#include <memory>
#include <optional>

class PdfPages;
class PdfSurface;
class PrintRun;
class QTimer;

// Where the preview's list file is, and which of its records it prints.
struct PreviewData
{
    QString folder;
    QString listFile;    // the list file's name in folder, or empty when it has none
    QString otherFolder; // another folder looked in, for the message when neither has a list file
    RecordSelection records;
};

// One document of the preview: the print run that makes it, one page after another in the event
// loop's spare time, into a work file of its own. It is the PDF that --pdf makes of the same list
// with the same choices: the same run, the same surface on the system's paper, the same picture
// sizes (those of a 96 dpi screen); only its creation date and file identifier differ. The pages
// made so far can be read while the run goes on (openPages), and once the run has ended the whole
// document is kept in the work file until this is destroyed.
class PreviewDocument : public QObject, private RunChoices
{
    Q_OBJECT

public:
    enum class State
    {
        Making,   // the run is under way
        Finished, // the whole document is made (it may have no page)
        Stopped,  // the run was cancelled: the pages made can still be read, but it is no document
        Failed,   // the run ended on a failure of the document itself (failure())
    };

    // A trapped error of the run, with the record it came from (0: not a record's, such as a
    // missing list file) and the page that record is on, or would have been on (1-based).
    struct RecordError
    {
        qint64 record = 0;
        int page = 1;
        PrintError error{0, QString()};
    };

    PreviewDocument(PreviewData data, bool portrait, bool fitInPage, QObject *parent = nullptr);
    ~PreviewDocument() override;

    // Starts the run; it goes on from the event loop. At most once.
    void start();
    // Stops the run under way after the page being drawn: no more pages are made, and those made
    // can still be read, but the document is not whole.
    void stop();

    [[nodiscard]] State state() const { return m_state; }
    [[nodiscard]] bool portrait() const { return m_portrait; }
    [[nodiscard]] bool fitInPage() const { return m_fitInPage; }
    // The pages made so far (all of them once the run is finished).
    [[nodiscard]] int pagesMade() const;
    // The records read so far, and the records the run will read: counted once, when first asked.
    [[nodiscard]] qint64 recordsRead() const;
    [[nodiscard]] qint64 recordTotal();
    [[nodiscard]] const QList<RecordError> &errors() const { return m_errors; }
    [[nodiscard]] const std::optional<PrintError> &failure() const { return m_failure; }
    [[nodiscard]] const PrintRun &run() const { return *m_run; }

    // Some of the pages made so far, as Poppler reads them from the document's own bytes (the
    // bytes written so far, or the whole document once it is finished) with a provisional ending
    // whose page tree holds those pages alone: a reader of a few pages keeps little of a long
    // document. pages is null when no page is made yet or they cannot be read.
    struct Pages
    {
        std::shared_ptr<const PdfPages> pages;
        int first = 0; // the document's page (from 0) that is the first of pages
    };
    // At most WindowPages pages, around around (from 0).
    [[nodiscard]] Pages openPages(int around);
    static constexpr int WindowPages = 64;
    // Finished with at least one page: the document's file, and what it is.
    [[nodiscard]] bool hasDocument() const;
    [[nodiscard]] QString documentPath() const;
    [[nodiscard]] const DocumentSummary &summary() const;
    // The paper the document is laid out on, in portrait.
    [[nodiscard]] const QPageLayout &paper() const { return m_paper; }

    // How long one step of the run may go on before the event loop has its turn again.
    void setStepBudget(int milliseconds) { m_stepBudgetMs = milliseconds; }

signals:
    // More pages are made (not for every page: at most once a step).
    void pagesMadeChanged(int pages);
    void errorReported(const PreviewDocument::RecordError &error);
    // The run has ended: finished, stopped or failed.
    void ended();

private:
    class Reporter;
    class KeptTarget;

    [[nodiscard]] bool portraitSelected() const override { return m_portrait; }
    [[nodiscard]] bool fitInPageSelected() const override { return m_fitInPage; }
    void step();
    void noteError(const PrintError &error);
    void endWith(State state);

    PreviewData m_data;
    bool m_portrait;
    bool m_fitInPage;
    QPageLayout m_paper;
    PictureSlot m_image1;
    std::unique_ptr<Reporter> m_reporter;
    std::unique_ptr<PrintRun> m_run;
    std::unique_ptr<PdfSurface> m_surface;
    KeptTarget *m_target = nullptr; // the surface's
    QTimer *const m_stepTimer;
    State m_state = State::Making;
    bool m_started = false;
    int m_pagesTold = 0;
    int m_stepBudgetMs = 30;
    qint64 m_recordTotal = -1;
    QList<RecordError> m_errors;
    std::optional<PrintError> m_failure;
};
