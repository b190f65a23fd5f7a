// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include "cupsprinter.h"
#include "printsurface.h"

#include <QString>

struct DocumentSummary;

// A finished document handed to a printer: one job on the queue, or on the printer at an address,
// with the document's title, the media it was laid out on and the job options of the printer's
// info. outcome tells as it goes what became of it, so that it holds the job's number also when
// this throws after the job was taken. Throws PrintError: the printer refused the job or could not
// be reached, or its queue is stopped and holds the job (PrinterStopped).
void sendDocument(const Cups::PrinterInfo &printer, const QString &pdfPath, const DocumentSummary &summary,
                  PrintOutcome &outcome);
