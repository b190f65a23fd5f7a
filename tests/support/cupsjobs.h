// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

#include <cups/cups.h>

#include <algorithm>

// The highest job number the print system (CUPS_SERVER: the private cupsd) has given, finished
// jobs included: a test takes it before a run and finds the run's jobs above it.
inline int lastJobId()
{
    cups_job_t *jobs = nullptr;
    const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, nullptr, 0, CUPS_WHICHJOBS_ALL);
    int last = 0;
    for (int i = 0; i < count; ++i)
        last = std::max(last, jobs[i].id);
    cupsFreeJobs(count, jobs);
    return last;
}

// A job's attributes as the printer or print server at jobUri keeps them ("ipp://HOST:PORT/jobs/7"),
// "name=value" each, read by ipptool; none when ipptool does not answer within 30 s.
inline QStringList jobAttributes(const QString &jobUri)
{
    QProcess ipptool;
    ipptool.start(QStringLiteral("ipptool"),
                  {QStringLiteral("-tv"), jobUri, QStringLiteral("get-job-attributes.test")});
    if (!ipptool.waitForFinished(30000))
        return {};
    QStringList attributes;
    static const QRegularExpression line(QStringLiteral("^\\s+([a-z0-9-]+) \\([^)]*\\) = (.*)$"));
    for (const QString &text : QString::fromUtf8(ipptool.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch match = line.match(text);
        if (match.hasMatch())
            attributes << match.captured(1) + QLatin1Char('=') + match.captured(2);
    }
    return attributes;
}
