#include "cupsprinter.h"

#include "paper.h"
#include "printerror.h"

#include <QFile>
#include <QScopeGuard>
#include <QSizeF>

#include <cups/cups.h>

namespace Cups {

namespace {

// CUPS gives media sizes and margins in hundredths of a millimetre.
QPageLayout layoutOf(const cups_size_t &size)
{
    const QPageSize paper(QSizeF(size.width / 100.0, size.length / 100.0), QPageSize::Millimeter, QString(),
                          QPageSize::FuzzyOrientationMatch);
    const QMarginsF margins(size.left / 100.0, size.top / 100.0, size.right / 100.0, size.bottom / 100.0);
    return QPageLayout(paper, QPageLayout::Portrait, margins, QPageLayout::Millimeter);
}

// Whether the print server answers a connection now (within five seconds). A failed submission
// does not say by its status whether the server is gone or refused the job, so it is asked.
bool printSystemReachable()
{
    http_t *http =
        httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, 5000, nullptr);
    if (!http)
        return false;
    httpClose(http);
    return true;
}

} // namespace

std::optional<PrinterInfo> defaultPrinter()
{
    cups_dest_t *dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, nullptr, nullptr);
    if (!dest)
        return std::nullopt;
    const auto freeDest = qScopeGuard([dest] { cupsFreeDests(1, dest); });

    PrinterInfo info;
    info.name = QString::fromUtf8(dest->name);
    info.layout = localePageLayout();
    info.landscapeSupported = false;
    if (cups_dinfo_t *details = cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest)) {
        const auto freeDetails = qScopeGuard([details] { cupsFreeDestInfo(details); });
        cups_size_t size{};
        if (cupsGetDestMediaDefault(CUPS_HTTP_DEFAULT, dest, details, 0, &size) && size.width > 0 &&
            size.length > 0)
            info.layout = layoutOf(size);
        info.landscapeSupported = cupsCheckDestSupported(CUPS_HTTP_DEFAULT, dest, details, CUPS_ORIENTATION,
                                                         CUPS_ORIENTATION_LANDSCAPE) != 0;
    }
    return info;
}

int submitPdf(const QString &printer, const QString &pdfPath, const QString &title)
{
    const QByteArray name = printer.toUtf8();
    const QByteArray file = QFile::encodeName(pdfPath);
    const QByteArray jobTitle = title.toUtf8();
    cups_option_t *options = nullptr;
    int optionCount = cupsAddOption("document-format", "application/pdf", 0, &options);
    const int job = cupsPrintFile2(CUPS_HTTP_DEFAULT, name.constData(), file.constData(),
                                   jobTitle.constData(), optionCount, options);
    cupsFreeOptions(optionCount, options);
    if (job <= 0) {
        const QString reason = QString::fromUtf8(cupsLastErrorString());
        if (!printSystemReachable())
            throw PrintError(
                PrintError::PrintSystemUnavailable,
                QStringLiteral("The print job %1 could not be sent to the printer %2: the print system "
                               "cannot be reached (%3).")
                    .arg(title, printer, reason));
        throw PrintError(PrintError::PrinterRefusedJob,
                         QStringLiteral("The printer %1 did not accept the print job %2: %3.")
                             .arg(printer, title, reason));
    }
    return job;
}

std::optional<QueueState> queueState(const QString &printer)
{
    const QByteArray name = printer.toUtf8();
    cups_dest_t *dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, name.constData(), nullptr);
    if (!dest)
        return std::nullopt;
    const auto freeDest = qScopeGuard([dest] { cupsFreeDests(1, dest); });
    const char *state = cupsGetOption("printer-state", dest->num_options, dest->options);
    if (!state)
        return std::nullopt;
    QueueState result;
    result.stopped = qstrcmp(state, "5") == 0; // IPP printer-state: 3 idle, 4 processing, 5 stopped
    const char *accepting = cupsGetOption("printer-is-accepting-jobs", dest->num_options, dest->options);
    result.acceptingJobs = !accepting || qstrcmp(accepting, "true") == 0;
    result.reasons =
        QString::fromUtf8(cupsGetOption("printer-state-reasons", dest->num_options, dest->options));
    return result;
}

} // namespace Cups
