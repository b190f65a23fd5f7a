// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "runcontext.h"

#include "printerror.h"

#include <cstdio>

void ErrorReporter::report(const PrintError &error)
{
    writeLogLine(error.logLine());
    showError(error);
}

void ErrorReporter::writeLogLine(const QString &line)
{
    const QByteArray bytes = line.toLocal8Bit();
    std::fprintf(stderr, "%s\n", bytes.constData());
    std::fflush(stderr);
}
