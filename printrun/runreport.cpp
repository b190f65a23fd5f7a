// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "runreport.h"

#include "printerror.h"
#include "printrun.h"
#include "translations.h"

#include <QCoreApplication>

namespace {

// The texts of this file, translated in the context "RunReport".
struct Words
{
    Q_DECLARE_TR_FUNCTIONS(RunReport)
};

} // namespace

RunReport::RunReport(const PrintRun &run, PrintOutcome outcome)
    : m_stopped(run.stopped()), m_recordsPrinted(run.recordsPrinted()), m_recordsRead(run.recordsRead()),
      m_listFileName(run.listFileName()), m_outcome(std::move(outcome)),
      m_missingPictures(run.missingPictures())
{
}

QString RunReport::missingPicturesSentence() const
{
    using Translations::countForPlural;
    using Translations::restoreCount;
    if (m_missingPictures.count == 0)
        return {};
    QStringList named;
    for (const MissingPictures::Record &record : m_missingPictures.first)
        //: One record in the list of those whose picture is missing: %1 its number, %2 the picture's name.
        named << Words::tr("record %1 (%2)").arg(record.number).arg(record.pictureName);
    QString list = named.join(Words::tr(", "));
    const qint64 rest = m_missingPictures.count - m_missingPictures.first.size();
    if (rest > 0)
        //: %1 is the list of the records named ("record 4 (lamp.gif), record 9 (desk.gif)").
        list = restoreCount(Words::tr("%1 and %n more", nullptr, countForPlural(rest)), rest).arg(list);
    //: %1 is the list of the records ("record 4 (lamp.gif), record 9 (desk.gif) and 3 more").
    return restoreCount(Words::tr("%n record(s) name(s) a picture that is not in the folder: %1.", nullptr,
                                  countForPlural(m_missingPictures.count)),
                        m_missingPictures.count)
        .arg(list);
}

QString RunReport::withMissingPictures(const QString &told) const
{
    const QString sentence = missingPicturesSentence();
    if (told.isEmpty() || sentence.isEmpty())
        return told;
    //: Two sentences of a message one after the other: %1 what the run did, %2 the missing pictures.
    return Words::tr("%1 %2").arg(told, sentence);
}

QString RunReport::windowMessage(const std::function<qint64()> &recordTotal) const
{
    return withMissingPictures(runMessage(recordTotal));
}

QString RunReport::closingLine(const QString &pdfName, int errors, bool failedAtEnd) const
{
    return withMissingPictures(runLine(pdfName, errors, failedAtEnd));
}

QString RunReport::runMessage(const std::function<qint64()> &recordTotal) const
{
    using Translations::countForPlural;
    using Translations::restoreCount;
    if (m_stopped) {
        const qint64 pages = m_recordsPrinted;
        // A document discarded before any printer was named was to be a PDF.
        const bool toPdf = m_outcome.kind == PrintOutcome::Discarded && m_outcome.printer.isEmpty();
        if (pages == 0)
            return toPdf ? Words::tr("Printing cancelled before the first page: no PDF was saved.")
                         : Words::tr(
                               "Printing cancelled before the first page: nothing was sent to the printer.");
        const qint64 total = recordTotal();
        if (total >= pages && total > 0)
            return (toPdf ? Words::tr("Printing cancelled after page %1 of %2: no PDF was saved.")
                          : Words::tr(
                                "Printing cancelled after page %1 of %2: nothing was sent to the printer."))
                .arg(pages)
                .arg(total);
        return (toPdf ? Words::tr("Printing cancelled after page %1: no PDF was saved.")
                      : Words::tr("Printing cancelled after page %1: nothing was sent to the printer."))
            .arg(pages);
    }
    if (m_outcome.kind == PrintOutcome::SavedAsPdf) {
        const qint64 pages = m_outcome.pages;
        //: %1 says why there is no printer ("No printer is set up"); %2 is the PDF's path.
        return restoreCount(Words::tr("%1, so the document was saved as %2 (%n page(s)).", nullptr,
                                      countForPlural(pages)),
                            pages)
            .arg(m_outcome.noPrinter, displayPath(m_outcome.pdfPath));
    }
    return {};
}

QString RunReport::runLine(const QString &pdfName, int errors, bool failedAtEnd) const
{
    using Translations::countForPlural;
    using Translations::restoreCount;
    if (m_stopped) {
        const qint64 pages = m_outcome.kind == PrintOutcome::Discarded ? m_outcome.pages : m_recordsPrinted;
        if (pages == 0)
            return pdfName.isEmpty()
                       ? Words::tr("Interrupted before the first page: nothing was sent to the printer.")
                       : Words::tr("Interrupted before the first page: nothing was written.");
        return (pdfName.isEmpty() ? Words::tr("Interrupted after page %1: nothing was sent to the printer.")
                                  : Words::tr("Interrupted after page %1: nothing was written."))
            .arg(pages);
    }
    if (m_outcome.kind == PrintOutcome::SavedAsPdf || m_outcome.kind == PrintOutcome::SentToPrinter) {
        const qint64 pages = m_outcome.pages;
        const int count = countForPlural(pages);
        QString line;
        if (m_outcome.kind == PrintOutcome::SentToPrinter)
            line = restoreCount(Words::tr("Sent %n page(s) to printer %1, job %2", nullptr, count), pages)
                       .arg(m_outcome.printer, QString::number(m_outcome.jobId));
        else if (m_outcome.pdfPath == PrintOutcome::StandardOutput)
            line = restoreCount(Words::tr("Printed %n page(s) to standard output", nullptr, count), pages);
        else
            line = restoreCount(Words::tr("Printed %n page(s) to %1", nullptr, count), pages)
                       .arg(displayPath(pdfName));
        // The line has the count of pages already; what else happened is added to it.
        const int recordErrors = errors - (failedAtEnd ? 1 : 0);
        if (recordErrors > 0)
            //: %1 is what was printed ("Printed 3 pages to out.pdf").
            line = Words::tr("%1, with %n error(s)", nullptr, recordErrors).arg(line);
        if (m_outcome.held)
            //: %1 is what was sent ("Sent 3 pages to printer office, job 12").
            line = Words::tr("%1; the printer is stopped and holds the job").arg(line);
        //: The end of the closing line: %1 is all of it but its full stop.
        return Words::tr("%1.").arg(line);
    }
    if (errors > 0)
        return Words::tr("Nothing was printed.");
    if (m_recordsRead == 0)
        return Words::tr("Nothing was printed: %1 has no records.").arg(m_listFileName);
    return restoreCount(Words::tr("Nothing was printed: %1 has %n record(s), none of them selected.", nullptr,
                                  countForPlural(m_recordsRead)),
                        m_recordsRead)
        .arg(m_listFileName);
}
