// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

// libFuzzer's entry points for the way from a picture file's bytes to the PDF writer's image
// objects, in memory. Anything the harness finds wrong stops the fuzzer like a crash. Pictures are
// refused above 1 MB decoded (262,144 pixels), so that each input stays quick.

#include "harness.h"

#include <QCoreApplication>
#include <QImageReader>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QCoreApplication app(*argc, *argv); // Qt's image format plug-ins are found through it
    QImageReader::setAllocationLimit(1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString failed =
        FuzzHarness::pdfPictureOne(QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));
    if (!failed.isEmpty()) {
        std::fprintf(stderr, "fuzz_pdfpicture: %s\n", failed.toLocal8Bit().constData());
        std::abort();
    }
    return 0;
}
