// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "steppedrun.h"

#include "printersurface.h"
#include "printjob.h"
#include "printrun.h"
#include "progresswindow.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>

namespace {

// How long the run waits, at most, for the progress window to become active once it shows.
constexpr qint64 ActivationWaitMs = 200;

} // namespace

SteppedRun::SteppedRun(PrintRun &run, ProgressWindow &progress, QObject *parent)
    : QObject(parent), m_run(run), m_progress(progress), m_stepTimer(new QTimer(this))
{
    m_stepTimer->setSingleShot(true);
    m_stepTimer->setInterval(0);
    connect(m_stepTimer, &QTimer::timeout, this, &SteppedRun::step);
    connect(&m_progress, &ProgressWindow::cancelRequested, this, &SteppedRun::requestStop);
}

SteppedRun::~SteppedRun()
{
    if (!running())
        return;
    if (m_surface) {
        try {
            m_surface->discardDocument();
        } catch (const PrintError &) {
            // Nothing is left to tell it to.
        }
    }
    QGuiApplication::restoreOverrideCursor();
}

void SteppedRun::setProgressTiming(int showAfterMs, int redrawEveryMs)
{
    m_timing.setTiming(showAfterMs, redrawEveryMs);
}

bool SteppedRun::start(SurfaceFactory makeSurface)
{
    if (running())
        return false;
    m_stage = Stage::Opening;
    m_makeSurface = std::move(makeSurface);
    m_reachedSurface = false;
    m_failure.reset();
    m_outcome = PrintOutcome();
    m_stopAsked = false;
    m_progressDue = false;
    m_awaitingActivation = false;
    // Counted when the progress window first needs it: the run opens the list file first.
    m_recordTotal.reset();
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    m_timing.start();
    m_stepTimer->start();
    return true;
}

void SteppedRun::requestStop()
{
    // A request made outside a run would stop the next one.
    if (running())
        m_stopAsked = true;
}

qint64 SteppedRun::recordTotal()
{
    if (!m_recordTotal)
        m_recordTotal = countRecordsToPrint(m_run);
    return *m_recordTotal;
}

void SteppedRun::step()
{
    try {
        switch (m_stage) {
        case Stage::None:
            return;
        case Stage::Opening:
            openRun();
            break;
        case Stage::Printing:
            printStep();
            break;
        case Stage::Ending:
            endRun();
            return;
        }
    } catch (const PrintError &error) {
        // The printer itself failed; the run is over, its document neither ended nor discarded.
        m_failure = error;
        m_stage = Stage::Ending;
    }
    // The run is let go a step later, so that input which came while it held the thread still
    // finds its window busy (a second press of Print would print everything again).
    m_stepTimer->start();
}

void SteppedRun::openRun()
{
    m_stage = Stage::Ending;
    // Stopped before the run could begin: nothing is printed.
    if (m_stopAsked)
        return;
    // The default printer asks the print system nothing until the run first needs it, after the
    // list file has been opened.
    m_surface = m_makeSurface();
    if (!m_surface)
        return;
    m_reachedSurface = true;
    if (auto *const printer = dynamic_cast<PrinterSurface *>(m_surface.get()))
        printer->setSendingHandler([this](const SendingStatus &status) { return followSending(status); });
    m_run.beginRun(*m_surface);
    m_stage = Stage::Printing;
}

void SteppedRun::printStep()
{
    if (m_progressDue) {
        showProgress();
        return;
    }
    if (!progressSettled())
        return;
    if (m_stopAsked)
        m_run.requestStop();
    if (m_run.printNextPage()) {
        notePagePrinted();
        return;
    }
    m_stage = Stage::Ending;
    m_run.finishRun();
    m_outcome = m_surface->outcome();
}

bool SteppedRun::progressSettled()
{
    // The progress window, just shown, is given a moment to become active before the next page, so
    // that Cancel has the keyboard from then on. A window manager that does not activate it holds
    // the run up no longer than that.
    if (!m_awaitingActivation)
        return true;
    if (!m_progress.isActiveWindow() && m_timing.msSinceDrawn() < ActivationWaitMs)
        return false;
    m_awaitingActivation = false;
    return true;
}

void SteppedRun::notePagePrinted()
{
    if (!m_timing.due())
        return;
    if (!m_timing.shown()) {
        m_progressDue = true;
        return;
    }
    m_progress.setProgress(m_run.recordsPrinted(), recordTotal());
    m_timing.drawn();
}

void SteppedRun::showProgress()
{
    m_progressDue = false;
    m_progress.setListFileName(m_run.listFileName());
    m_progress.setProgress(m_run.recordsPrinted(), recordTotal());
    if (const QWidget *const over = m_progress.parentWidget())
        m_progress.move(over->geometry().center() - m_progress.rect().center());
    m_progress.show();
    m_progress.activateWindow();
    m_awaitingActivation = true;
    m_timing.drawn();
}

bool SteppedRun::followSending(const SendingStatus &status)
{
    // The document is ended and handed to the printer within the run's last step: the events are
    // let through here, so that the progress window shows how it goes and takes Cancel. A wait for
    // the printer shows at once.
    if (status.stage == SendingStatus::Waiting || m_timing.due()) {
        const bool showing = !m_progress.isVisible();
        // Set first: a printer's address can make the window wider, and it is centred as it shows.
        m_progress.setStatus(status.text, status.sent, status.total);
        if (showing) {
            m_progressDue = false;
            m_progress.setListFileName(m_run.listFileName());
            if (const QWidget *const over = m_progress.parentWidget())
                m_progress.move(over->geometry().center() - m_progress.rect().center());
            m_progress.show();
            m_progress.activateWindow();
        }
        m_timing.drawn();
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return !m_stopAsked;
}

void SteppedRun::endRun()
{
    // The surface hands its document on or throws it away before it goes; by now it has done so.
    m_surface.reset();
    m_makeSurface = nullptr;
    m_progress.hide();
    m_timing.hidden();
    QGuiApplication::restoreOverrideCursor();
    m_stage = Stage::None;
    emit ended();
}
