// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include "cupsprinter.h"
#include "printsurface.h"

#include <QString>

#include <functional>

struct DocumentSummary;

// What handing a document to a printer is doing, told while it goes on.
struct SendingStatus
{
    enum Stage
    {
        Waiting, // the printer is busy with another job, and is asked again after a pause
        Sending, // the pages are being rendered and sent, a sheet side at a time
    };
    Stage stage = Sending;
    QString text;  // as the user is told it: "Waiting for the printer office: it is busy"
    int sent = 0;  // Sending: the sheet sides the printer has been sent so far
    int total = 0; // Sending: the sheet sides of the job
};

// Asked while a document is handed to a printer: at least every tenth of a second while a busy
// printer is waited for, and after each sheet side of a raster document; answers whether to go on.
using SendingHandler = std::function<bool(const SendingStatus &status)>;

// A finished document handed to a printer: one job on the queue, or on the printer at an address,
// with the document's title, the media it was laid out on and the job options of the printer's
// info, in the format its plan says: the PDF itself, or its pages rendered as the printer's raster.
// A busy printer is waited for, and handler is told how the sending goes; when it answers that
// it is not to go on, the job is cancelled (or never made) and outcome is Discarded: nothing is
// printed. outcome tells as it goes what became of the document, so that it
// holds the job's number also when this throws after the job was taken. Throws PrintError: the
// printer refused the job or could not be reached, or its queue is stopped and holds the job
// (PrinterStopped), or the document could not be read back or rendered (DocumentNotWritable).
void sendDocument(const Cups::PrinterInfo &printer, const QString &pdfPath, const DocumentSummary &summary,
                  PrintOutcome &outcome, const SendingHandler &handler = {});
