// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

// lstbench-gen: writes a benchmark data set (list file, record pictures, logo) into a folder.
#include "benchreport.h"
#include "dataset.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>

#include <cstdio>

namespace {

const char Usage[] = "usage: lstbench-gen [--records N] [--fields N] [--pictures N] [--picture-size WxH]\n"
                     "                    [--format gif|jpeg|png] [--no-logo] FOLDER\n"
                     "Writes records.lst, the record pictures and logo.gif into FOLDER (created if needed).\n"
                     "The same options always give the same files, byte for byte.\n";

} // namespace

int main(int argc, char *argv[])
{
    // QtGui for the JPEG and PNG writers; no display is needed.
    useOffscreenPlatform();
    QGuiApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    DataSetOptions options;
    if (const auto problem = DataSetOptions::take(arguments, options)) {
        std::fprintf(stderr, "lstbench-gen: %s\n%s", qPrintable(*problem), Usage);
        return 2;
    }
    if (arguments.size() != 1 || arguments.first().startsWith(QLatin1Char('-'))) {
        std::fputs(Usage, stderr);
        return 2;
    }
    const QString folder = arguments.first();
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "lstbench-gen: cannot create %s\n", qPrintable(folder));
        return 1;
    }
    QElapsedTimer timer;
    timer.start();
    QString error;
    if (!DataSet::write(options, folder, &error)) {
        std::fprintf(stderr, "lstbench-gen: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("lstbench-gen: %s in %s (%.1f s)\n", qPrintable(options.toArguments().join(QLatin1Char(' '))),
                qPrintable(folder), double(timer.elapsed()) / 1000.0);
    return 0;
}
