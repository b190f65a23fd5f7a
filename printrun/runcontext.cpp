#include "runcontext.h"

#include "printerror.h"

#include <cstdio>

void ErrorReporter::report(const PrintError &error)
{
    const QByteArray line = error.logLine().toLocal8Bit();
    std::fprintf(stderr, "%s\n", line.constData());
    std::fflush(stderr);
    showError(error);
}
