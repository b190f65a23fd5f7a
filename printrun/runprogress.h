// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include <QElapsedTimer>
#include <QtGlobal>

class PrintRun;

// When a long run's progress is shown and how often it is redrawn, the same for every display of
// it (the window's progress window, the command line's "Printing page N of M" line): nothing for
// about a second, then after each page at most every 100 ms. The display asks due() after a page
// and says drawn() when it has drawn; it knows nothing of clocks.
class ProgressTiming
{
public:
    static constexpr int ShowAfterMs = 1000;
    static constexpr int RedrawEveryMs = 100;

    explicit ProgressTiming(int showAfterMs = ShowAfterMs, int redrawEveryMs = RedrawEveryMs);

    void setTiming(int showAfterMs, int redrawEveryMs);
    // The run begins: nothing is shown.
    void start();
    // Whether the progress is to be drawn now: once the run is long enough, at once when nothing is
    // shown, otherwise when the last drawing is old enough.
    [[nodiscard]] bool due() const;
    // The progress has just been drawn (the first time: shown).
    void drawn();
    // It is no longer shown, so that the next due() draws it at once.
    void hidden() { m_drawn = false; }
    [[nodiscard]] bool shown() const { return m_drawn; }
    [[nodiscard]] qint64 msSinceDrawn() const { return m_drawn ? m_sinceDrawn.elapsed() : -1; }

private:
    int m_showAfterMs;
    int m_redrawEveryMs;
    QElapsedTimer m_runClock;
    QElapsedTimer m_sinceDrawn;
    bool m_drawn = false;
};

// The records the run will print, for "page N of M": a quick count of the list file's lines (the
// first names the fields) within the run's record selection; 0 when the run has found no readable
// list file. Reads the whole file: ask once per run, and only when the total is to be shown.
[[nodiscard]] qint64 countRecordsToPrint(const PrintRun &run);
