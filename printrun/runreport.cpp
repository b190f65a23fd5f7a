// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "runreport.h"

#include "exportsurface.h"
#include "printerror.h"
#include "printrun.h"

RunReport::RunReport(const PrintRun &run, PrintOutcome outcome)
    : m_stopped(run.stopped()), m_recordsPrinted(run.recordsPrinted()), m_recordsRead(run.recordsRead()),
      m_listFileName(run.listFileName()), m_outcome(std::move(outcome))
{
}

QString RunReport::pagesText(qint64 pages)
{
    return pages == 1 ? QStringLiteral("1 page") : QStringLiteral("%1 pages").arg(pages);
}

QString RunReport::windowMessage(const std::function<qint64()> &recordTotal) const
{
    if (m_stopped) {
        const qint64 pages = m_recordsPrinted;
        QString where = QStringLiteral("before the first page");
        if (pages > 0) {
            const qint64 total = recordTotal();
            where = total >= pages && total > 0 ? QStringLiteral("after page %1 of %2").arg(pages).arg(total)
                                                : QStringLiteral("after page %1").arg(pages);
        }
        // A document discarded before any printer was named was to be a PDF.
        const bool toPdf = m_outcome.kind == PrintOutcome::Discarded && m_outcome.printer.isEmpty();
        return QStringLiteral("Printing cancelled %1: %2.")
            .arg(where, toPdf ? QStringLiteral("no PDF was saved")
                              : QStringLiteral("nothing was sent to the printer"));
    }
    if (m_outcome.kind == PrintOutcome::SavedAsPdf)
        return QStringLiteral("%1, so the document was saved as %2 (%3).")
            .arg(m_outcome.noPrinterText(), displayPath(m_outcome.pdfPath), pagesText(m_outcome.pages));
    return {};
}

QString RunReport::closingLine(const QString &pdfName, int errors, bool failedAtEnd) const
{
    if (m_stopped) {
        const qint64 pages = m_outcome.kind == PrintOutcome::Discarded ? m_outcome.pages : m_recordsPrinted;
        return (pages > 0 ? QStringLiteral("Interrupted after page %1").arg(pages)
                          : QStringLiteral("Interrupted before the first page")) +
               (pdfName.isEmpty() ? QStringLiteral(": nothing was sent to the printer.")
                                  : QStringLiteral(": nothing was written."));
    }
    if (m_outcome.kind == PrintOutcome::SavedAsPdf || m_outcome.kind == PrintOutcome::SentToPrinter) {
        QString line;
        if (m_outcome.kind == PrintOutcome::SavedAsPdf)
            line = QStringLiteral("Printed %1 to %2")
                       .arg(pagesText(m_outcome.pages), m_outcome.pdfPath == ExportSurface::StandardOutput
                                                            ? QStringLiteral("standard output")
                                                            : displayPath(pdfName));
        else
            line = QStringLiteral("Sent %1 to printer %2, job %3")
                       .arg(pagesText(m_outcome.pages), m_outcome.printer, QString::number(m_outcome.jobId));
        const int recordErrors = errors - (failedAtEnd ? 1 : 0);
        if (recordErrors > 0)
            line += recordErrors == 1 ? QStringLiteral(", with 1 error")
                                      : QStringLiteral(", with %1 errors").arg(recordErrors);
        if (m_outcome.held)
            line += QStringLiteral("; the printer is stopped and holds the job");
        return line + QLatin1Char('.');
    }
    if (errors > 0)
        return QStringLiteral("Nothing was printed.");
    if (m_recordsRead == 0)
        return QStringLiteral("Nothing was printed: %1 has no records.").arg(m_listFileName);
    return QStringLiteral("Nothing was printed: %1 has %2, none of them selected.")
        .arg(m_listFileName, m_recordsRead == 1 ? QStringLiteral("1 record")
                                                : QStringLiteral("%1 records").arg(m_recordsRead));
}
