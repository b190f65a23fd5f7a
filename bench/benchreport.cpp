// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "benchreport.h"

#include <QFile>
#include <QHash>
#include <QPageLayout>

#include <algorithm>

#include <sys/resource.h>

QString BenchReport::toLine() const
{
    return QStringLiteral("lstbench program=%1 records=%2 pages=%3 seconds=%4 cpu_seconds=%5 "
                          "pages_per_second=%6 peak_rss_kib=%7 output_bytes=%8")
        .arg(program)
        .arg(records)
        .arg(pages)
        .arg(seconds, 0, 'f', 4)
        .arg(cpuSeconds, 0, 'f', 4)
        .arg(pagesPerSecond(), 0, 'f', 1)
        .arg(peakRssKiB)
        .arg(outputBytes);
}

std::optional<BenchReport> BenchReport::fromLine(QStringView line)
{
    const QList<QStringView> words = line.trimmed().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty() || words.first() != QLatin1String("lstbench"))
        return std::nullopt;
    QHash<QString, QString> fields;
    for (qsizetype i = 1; i < words.size(); ++i) {
        const qsizetype equals = words[i].indexOf(QLatin1Char('='));
        if (equals <= 0)
            return std::nullopt;
        fields.insert(words[i].left(equals).toString(), words[i].mid(equals + 1).toString());
    }
    BenchReport report;
    bool ok[6] = {};
    report.program = fields.value(QStringLiteral("program"));
    report.records = fields.value(QStringLiteral("records")).toLongLong(&ok[0]);
    report.pages = fields.value(QStringLiteral("pages")).toLongLong(&ok[1]);
    report.seconds = fields.value(QStringLiteral("seconds")).toDouble(&ok[2]);
    report.peakRssKiB = fields.value(QStringLiteral("peak_rss_kib")).toLongLong(&ok[3]);
    report.outputBytes = fields.value(QStringLiteral("output_bytes")).toLongLong(&ok[4]);
    report.cpuSeconds = fields.value(QStringLiteral("cpu_seconds")).toDouble(&ok[5]);
    if (report.program.isEmpty() || !fields.contains(QStringLiteral("pages_per_second")) ||
        !std::all_of(std::begin(ok), std::end(ok), [](bool b) { return b; }))
        return std::nullopt;
    return report;
}

double processCpuSeconds()
{
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) != 0)
        return 0;
    auto seconds = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void useOffscreenPlatform()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

QPageLayout benchPageLayout()
{
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0.25, 0.25, 0.25, 0.25),
                       QPageLayout::Inch);
}
