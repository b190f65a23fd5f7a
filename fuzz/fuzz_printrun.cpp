// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

// libFuzzer's entry points: each input is one run of FuzzHarness::runOne in program folders made
// once in a temporary folder; anything the harness finds wrong stops the fuzzer like a crash.

#include "harness.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

QTemporaryDir *root = nullptr;

[[noreturn]] void fail(const QString &what)
{
    std::fprintf(stderr, "fuzz_printrun: %s\n", what.toLocal8Bit().constData());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QCoreApplication app(*argc, *argv); // image format plug-ins are found through it
    root = new QTemporaryDir;
    if (!root->isValid())
        fail(QStringLiteral("no temporary folder"));
    if (const QString failed = FuzzHarness::prepareFolders(root->path()); !failed.isEmpty())
        fail(failed);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString failed = FuzzHarness::runOne(
        root->path(), QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));
    if (!failed.isEmpty())
        fail(failed);
    return 0;
}
