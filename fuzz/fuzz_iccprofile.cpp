// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

// libFuzzer's entry points for the ICC profile checks: each input is a profile, also taken as a
// PNG's compressed one. Anything the harness finds wrong stops the fuzzer like a crash.

#include "harness.h"

#include <QCoreApplication>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QCoreApplication app(*argc, *argv); // Qt's image format plug-ins are found through it
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString failed =
        FuzzHarness::iccProfileOne(QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));
    if (!failed.isEmpty()) {
        std::fprintf(stderr, "fuzz_iccprofile: %s\n", failed.toLocal8Bit().constData());
        std::abort();
    }
    return 0;
}
