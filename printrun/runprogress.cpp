// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "runprogress.h"

#include "listfile.h"
#include "printrun.h"

ProgressTiming::ProgressTiming(int showAfterMs, int redrawEveryMs)
    : m_showAfterMs(showAfterMs), m_redrawEveryMs(redrawEveryMs)
{
    start();
}

void ProgressTiming::setTiming(int showAfterMs, int redrawEveryMs)
{
    m_showAfterMs = showAfterMs;
    m_redrawEveryMs = redrawEveryMs;
}

void ProgressTiming::start()
{
    m_runClock.start();
    m_drawn = false;
}

bool ProgressTiming::due() const
{
    if (m_drawn)
        return m_sinceDrawn.elapsed() >= m_redrawEveryMs;
    return m_runClock.elapsed() >= m_showAfterMs;
}

void ProgressTiming::drawn()
{
    m_sinceDrawn.start();
    m_drawn = true;
}

qint64 countRecordsToPrint(const PrintRun &run)
{
    const QString path = run.listFilePath();
    if (path.isEmpty())
        return 0;
    const qint64 lines = ListFileReader::countLines(path);
    return lines > 1 ? run.recordSelection().countUpTo(lines - 1) : 0;
}
