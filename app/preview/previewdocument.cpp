// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "previewdocument.h"

#include "listfile.h"
#include "paperlayout.h"
#include "pdfpages.h"
#include "pdfsurface.h"
#include "printrun.h"
#include "snapshotdevice.h"
#include "workfiles.h"

#include <QElapsedTimer>
#include <QTimer>

#include <limits>

// The run's errors, handed to the document with where they happened.
class PreviewDocument::Reporter final : public ErrorReporter
{
public:
    explicit Reporter(PreviewDocument &document) : m_document(document) {}

protected:
    void showError(const PrintError &error) override { m_document.noteError(error); }

private:
    PreviewDocument &m_document;
};

// The document kept in a work folder of its own once it is finished, for as long as the preview
// shows it; removed with the folder when the document goes.
class PreviewDocument::KeptTarget final : public StagedTarget
{
public:
    KeptTarget() : StagedTarget(std::make_unique<WorkFolder>()) {}

    void finish(const DocumentSummary &summary) override
    {
        close();
        m_summary = summary;
        m_finished = true;
    }
    [[nodiscard]] QString path() const { return documentPath(); }
    [[nodiscard]] bool finished() const { return m_finished; }
    [[nodiscard]] const DocumentSummary &summary() const { return m_summary; }

private:
    DocumentSummary m_summary;
    bool m_finished = false;
};

namespace {

// Pages read through a device that must live as long as they do.
struct SnapshotPages
{
    SnapshotPages(std::unique_ptr<SnapshotDevice> from, const QString &shown)
        : device(std::move(from)), pages(device.get(), shown)
    {
    }
    std::unique_ptr<SnapshotDevice> device;
    PdfPages pages;
};

} // namespace

PreviewDocument::PreviewDocument(PreviewData data, bool portrait, bool fitInPage, QObject *parent)
    : QObject(parent), m_data(std::move(data)), m_portrait(portrait), m_fitInPage(fitInPage),
      m_paper(systemPageLayout()), m_image1(96), m_reporter(std::make_unique<Reporter>(*this)),
      m_run(std::make_unique<PrintRun>(m_data.folder, m_image1, *m_reporter,
                                       static_cast<const RunChoices &>(*this))),
      m_stepTimer(new QTimer(this))
{
    m_run->setListFileChoice(m_data.listFile);
    m_run->setOtherFolder(m_data.otherFolder);
    m_run->setRecordSelection(m_data.records);
    m_stepTimer->setSingleShot(true);
    m_stepTimer->setInterval(0);
    connect(m_stepTimer, &QTimer::timeout, this, &PreviewDocument::step);
}

PreviewDocument::~PreviewDocument() = default;

void PreviewDocument::start()
{
    if (std::exchange(m_started, true))
        return;
    m_stepTimer->start();
}

void PreviewDocument::stop()
{
    // The run is not ended: its surface keeps the pages made, readable, until the document goes,
    // and then throws them away with it.
    if (m_state != State::Making)
        return;
    m_stepTimer->stop();
    endWith(State::Stopped);
}

int PreviewDocument::pagesMade() const
{
    return m_surface ? m_surface->pagesWritten() : 0;
}

qint64 PreviewDocument::recordsRead() const
{
    return m_run->recordsRead();
}

qint64 PreviewDocument::recordTotal()
{
    if (m_recordTotal < 0) {
        const QString path = m_run->listFilePath();
        const qint64 lines = path.isEmpty() ? 0 : ListFileReader::countLines(path);
        m_recordTotal = lines > 1 ? m_run->recordSelection().countUpTo(lines - 1) : 0;
    }
    return m_recordTotal;
}

void PreviewDocument::step()
{
    try {
        if (!m_surface) {
            auto target = std::make_unique<KeptTarget>();
            m_target = target.get();
            m_surface = std::make_unique<PdfSurface>(Paper{m_paper, true}, std::move(target));
            m_run->beginRun(*m_surface);
        }
        // Pages are made for a step's budget, then the event loop has its turn; the first page is
        // told as soon as it is made, so that it shows at once.
        QElapsedTimer clock;
        clock.start();
        while (true) {
            if (!m_run->printNextPage()) {
                m_run->finishRun();
                endWith(State::Finished);
                return;
            }
            if (clock.elapsed() >= m_stepBudgetMs || m_pagesTold == 0)
                break;
        }
    } catch (const PrintError &error) {
        // The document itself failed (it cannot be written, there is no font): the run is over.
        m_failure = error;
        if (m_surface)
            m_surface->discardDocument();
        endWith(State::Failed);
        return;
    }
    m_pagesTold = pagesMade();
    emit pagesMadeChanged(m_pagesTold);
    m_stepTimer->start();
}

void PreviewDocument::endWith(State state)
{
    m_state = state;
    m_pagesTold = pagesMade();
    emit pagesMadeChanged(m_pagesTold);
    emit ended();
}

void PreviewDocument::noteError(const PrintError &error)
{
    RecordError noted;
    noted.record = m_run->recordsRead();
    // A record whose page was begun is on it; one that drew nothing (it could not be read) is
    // shown by the page before it.
    if (m_surface && m_surface->pageHasContent())
        noted.page = int(std::min<qint64>(m_surface->page(), std::numeric_limits<int>::max()));
    else
        noted.page = std::max(pagesMade(), 1);
    noted.error = error;
    m_errors.append(noted);
    emit errorReported(noted);
}

bool PreviewDocument::hasDocument() const
{
    return m_state == State::Finished && m_target && m_target->finished() && pagesMade() > 0;
}

QString PreviewDocument::documentPath() const
{
    return hasDocument() ? m_target->path() : QString();
}

const DocumentSummary &PreviewDocument::summary() const
{
    static const DocumentSummary none;
    return hasDocument() ? m_target->summary() : none;
}

PreviewDocument::Pages PreviewDocument::openPages(int around)
{
    if (!m_surface || !m_target || m_state == State::Failed)
        return {};
    try {
        const std::optional<PdfSurface::Snapshot> snapshot =
            m_surface->snapshot(around - WindowPages / 2, WindowPages);
        if (!snapshot)
            return {};
        auto device =
            std::make_unique<SnapshotDevice>(m_target->path(), qint64(snapshot->length), snapshot->ending);
        if (!device->open(QIODevice::ReadOnly))
            return {};
        auto held = std::make_shared<SnapshotPages>(std::move(device), m_run->listFileName());
        return {std::shared_ptr<const PdfPages>(held, &held->pages), snapshot->firstPage};
    } catch (const PrintError &) {
        // A document that cannot be written or read back: the run says so at its next step.
        return {};
    }
}
