// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include "processmemory.h"

#include <QString>

#include <optional>

// One line of benchmark output, easy to read for people and for tools/bench.sh:
//   lstbench program=run records=10000 pages=10000 seconds=1.2345 cpu_seconds=1.2001
//            pages_per_second=8100.4 peak_rss_kib=40960 output_bytes=1234567
// seconds is wall-clock time; cpu_seconds is user + system time of the process over the same span,
// which other work on a shared machine disturbs less.
struct BenchReport
{
    QString program; // "run" or "baseline"
    qint64 records = 0;
    qint64 pages = 0;
    double seconds = 0;
    double cpuSeconds = 0;
    qint64 peakRssKiB = 0;
    qint64 outputBytes = 0;

    [[nodiscard]] double pagesPerSecond() const { return seconds > 0 ? double(pages) / seconds : 0; }
    [[nodiscard]] QString toLine() const;
    // The report a line holds, or nothing when the line is not a complete report.
    [[nodiscard]] static std::optional<BenchReport> fromLine(QStringView line);
};

// User + system CPU time of this process so far, in seconds.
[[nodiscard]] double processCpuSeconds();

// Selects Qt's offscreen platform unless one is chosen already: the benchmark needs no display.
void useOffscreenPlatform();

// The page layout both benchmark programs print on: A4 portrait with quarter-inch margins.
class QPageLayout;
[[nodiscard]] QPageLayout benchPageLayout();
