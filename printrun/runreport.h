// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include "printrun.h"
#include "printsurface.h"

#include <QString>

#include <functional>

// What a run did, put into words in one place: the window's message at the end of a run and the
// command line's closing line both come from here. Made from the run just ended and from what its
// surface did with the document. A run that failed is told by its error, not by a report. Records
// that named a picture file missing from the folder are named at the end of what is told, in one
// sentence.
class RunReport
{
public:
    RunReport(const PrintRun &run, PrintOutcome outcome);

    // The window's message, or empty when there is nothing to tell: how far a cancelled run got, or
    // where the document was saved for want of a printer, and why. recordTotal is asked only for a
    // cancelled run: the records of the list file, 0 when not known.
    [[nodiscard]] QString windowMessage(const std::function<qint64()> &recordTotal) const;

    // The command line's closing line. pdfName: the PDF as it was named on the command line ("-"
    // for standard output), empty when the document was for a printer. errors: the errors reported
    // during the run; failedAtEnd: one of them was the printer's own at the end (a job held, say),
    // which is told by itself and is not a record's.
    [[nodiscard]] QString closingLine(const QString &pdfName, int errors, bool failedAtEnd) const;

    // The sentence that names the records whose picture file is missing, or empty when there are none.
    [[nodiscard]] QString missingPicturesSentence() const;

private:
    // What windowMessage and closingLine tell before the missing pictures.
    [[nodiscard]] QString runMessage(const std::function<qint64()> &recordTotal) const;
    [[nodiscard]] QString runLine(const QString &pdfName, int errors, bool failedAtEnd) const;
    [[nodiscard]] QString withMissingPictures(const QString &told) const;

    bool m_stopped;
    qint64 m_recordsPrinted;
    qint64 m_recordsRead;
    QString m_listFileName;
    PrintOutcome m_outcome;
    MissingPictures m_missingPictures;
};
