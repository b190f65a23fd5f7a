// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

// libFuzzer's entry points for the targets that take each input in memory: the build names the
// harness function that checks one input (LSTPRINT_FUZZ_CHECK) and the target (LSTPRINT_FUZZ_NAME);
// fuzz/CMakeLists.txt says which target checks what. Anything the harness finds wrong stops the
// fuzzer like a crash.

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
#ifdef LSTPRINT_FUZZ_ALLOCATION_LIMIT_MB
    // Pictures whose decoding would take more are refused, so that each input stays quick.
    QImageReader::setAllocationLimit(LSTPRINT_FUZZ_ALLOCATION_LIMIT_MB);
#endif
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString failed = FuzzHarness::LSTPRINT_FUZZ_CHECK(
        QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));
    if (!failed.isEmpty()) {
        std::fprintf(stderr, "%s: %s\n", LSTPRINT_FUZZ_NAME, failed.toLocal8Bit().constData());
        std::abort();
    }
    return 0;
}
