// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include "printerror.h"
#include "printsurface.h"
#include "runprogress.h"

#include <QObject>

#include <functional>
#include <memory>
#include <optional>

class PrintRun;
class ProgressWindow;
struct SendingStatus;
class QTimer;

// One print run taken a step at a time from the event loop (opening, one page per step, ending),
// so that the program's windows stay live between pages without the run ever calling back into
// them. For the length of the run the busy cursor shows, and from about a second in the progress
// window, whose Cancel asks the run to stop after the page being drawn. The window that starts a
// run disables its own controls and hears ended() once the run is over.
class SteppedRun : public QObject
{
    Q_OBJECT

public:
    // Makes the printing surface of one run; asked in the run's first step, so that a run stopped
    // before it begins asks nothing of the print system.
    using SurfaceFactory = std::function<std::unique_ptr<PrintSurface>()>;

    // progress: the progress window the run shows and hides, over its parent window.
    SteppedRun(PrintRun &run, ProgressWindow &progress, QObject *parent = nullptr);
    // A run still under way loses its document, and the busy cursor goes.
    ~SteppedRun() override;
    SteppedRun(const SteppedRun &) = delete;
    SteppedRun &operator=(const SteppedRun &) = delete;

    // How long a run goes before the progress window appears, and how often its count is redrawn.
    void setProgressTiming(int showAfterMs, int redrawEveryMs);

    // Starts a run that prints on a surface from makeSurface and returns; false (and nothing done)
    // while one is under way.
    bool start(SurfaceFactory makeSurface);
    // Asks the run under way to stop after the page being drawn and to discard its document;
    // nothing when none is under way (the next run would stop).
    void requestStop();
    // From start() until just before ended().
    [[nodiscard]] bool running() const { return m_stage != Stage::None; }

    // What the run that has ended did, for ended()'s receivers. Whether it got as far as a surface
    // (it was not stopped before it began, and the factory made one):
    [[nodiscard]] bool reachedSurface() const { return m_reachedSurface; }
    // A failure of the printer itself, which ended the run:
    [[nodiscard]] const std::optional<PrintError> &failure() const { return m_failure; }
    // What the surface did with the ended document:
    [[nodiscard]] const PrintOutcome &outcome() const { return m_outcome; }
    // The records the run was to print, counted at most once per run.
    [[nodiscard]] qint64 recordTotal();

signals:
    // The run is over: the surface is gone, the progress window hidden, the busy cursor back to
    // normal. Emitted a step after the last page, so that input that came while the run held the
    // thread still found the run's window busy.
    void ended();

private:
    // Where the run under way is: the next step the event loop takes.
    enum class Stage
    {
        None,     // no run
        Opening,  // the surface is made and the run begun: list file, orientation, font
        Printing, // one record's page; or, when none is left, the document ended or discarded
        Ending,   // the run let go, and ended()
    };

    void step();
    void openRun();
    void printStep();
    void endRun();
    // Whether the progress window, just shown, has had its moment to become active.
    [[nodiscard]] bool progressSettled();
    void notePagePrinted();
    void showProgress();
    // While the ended document is handed to the printer (a busy printer waited for, raster pages
    // sent): shows how it goes, takes the input, and says whether to go on (not after Cancel or the
    // close box).
    bool followSending(const SendingStatus &status);

    PrintRun &m_run;
    ProgressWindow &m_progress;
    // Single-shot with no delay: it fires once the events already queued have been delivered, so
    // that input which came during a step reaches the disabled controls before the next step.
    QTimer *const m_stepTimer;
    ProgressTiming m_timing;

    Stage m_stage = Stage::None;
    SurfaceFactory m_makeSurface;
    std::unique_ptr<PrintSurface> m_surface; // from Opening until Ending
    bool m_reachedSurface = false;
    std::optional<PrintError> m_failure;
    PrintOutcome m_outcome;
    bool m_stopAsked = false;
    bool m_progressDue = false;        // the progress window shows at the next step
    bool m_awaitingActivation = false; // it has just shown, and is not active yet
    std::optional<qint64> m_recordTotal;
};
