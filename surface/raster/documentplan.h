// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include <QByteArray>
#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

// How a finished document is sent to a printer, decided from what the printer says it takes before
// anything is drawn. A printer that takes PDF gets the document itself; one that takes only raster
// (most printers without a driver: IPP Everywhere's PWG raster, AirPrint's Apple raster) gets its
// pages rendered from that same PDF, at a resolution, in the colours and with the back sides the
// printer asks for.
namespace Cups {

// Options of a print job, NAME=VALUE as the printer names them (IPP attributes such as
// sides=two-sided-long-edge, or a queue's own driver options), in order: a later one overrides an
// earlier one of the same name.
using JobOptions = QList<std::pair<QByteArray, QByteArray>>;

enum class DocumentFormat
{
    Pdf,
    PwgRaster,   // image/pwg-raster
    AppleRaster, // image/urf
};

// What became of a document as it was written into a job.
enum class Written
{
    Whole,   // every byte of it
    Refused, // the sink did not take some bytes: the print system stopped taking them
    Stopped, // the one who sends it gave up part-way
};

// The value of an option (names in any letter case, as CUPS takes them); empty when it is not set.
[[nodiscard]] QByteArray optionValue(const JobOptions &options, const char *name);
void removeOption(JobOptions &options, const char *name);
// Sets an option, in place of one of the same name.
void setOption(JobOptions &options, const QByteArray &name, const QByteArray &value);

// The MIME type a format is sent as.
[[nodiscard]] const char *mimeType(DocumentFormat format);

// What a printer lists about the documents it takes and where its sheets go, as its IPP
// attributes say (empty or defaulted where it says nothing).
struct PrinterOffers
{
    QStringList formats;          // document-format-supported
    QList<QSize> pwgResolutions;  // pwg-raster-document-resolution-supported, dots per inch
    QStringList pwgTypes;         // pwg-raster-document-type-supported (srgb_8, sgray_8, ...)
    QString pwgSheetBack;         // pwg-raster-document-sheet-back
    QStringList urf;              // urf-supported (V1.4, W8, SRGB24, RS300-600, DM1, ...)
    std::optional<int> maxCopies; // the upper bound of copies-supported
    bool colour = true;           // color-supported
    QString outputBinDefault;     // output-bin-default
    QStringList outputTrays;      // printer-output-tray, one "key=value;..." text per bin
    QStringList pageDelivery;     // page-delivery-supported
    QString sidesDefault;         // sides-default
};

// The way one document goes to one printer.
struct DocumentPlan
{
    DocumentFormat format = DocumentFormat::Pdf;
    QSize dotsPerInch;          // raster: across and down the sheet
    bool grey = false;          // raster: sGray 8-bit rather than sRGB 8-bit
    QByteArray sides;           // raster: as the job asks, else as the printer prints by default
    QByteArray sheetBack;       // raster, two-sided: how the printer wants back sides
                                // (normal, flipped, rotated, manual-tumble)
    int copies = 1;             // raster: copies written into the document, for a printer that makes none
    bool lastPageFirst = false; // the pages sent last first, for a face-up output bin
    QStringList formatsTaken;   // what the printer takes, for messages

    [[nodiscard]] bool raster() const { return format != DocumentFormat::Pdf; }
};

// The plan for a printer (reached by its address, or a print queue) and the options asked for:
// the first of PDF, PWG raster and Apple raster that the printer takes (a queue that takes any
// format, application/octet-stream, passes PDF to its filters); for raster the resolution nearest
// 300 dpi unless printer-resolution names one the format offers, sGray where the printer has no
// colour, no sRGB for the format or print-color-mode=monochrome is asked for, the back side as the
// printer turns it, and the copies where the printer makes none of a raster document; for a
// printer's face-up output bin (the one asked for with output-bin, or its default) the pages last
// first, asked of the printer as page-delivery=reverse-order where it offers that (a two-sided PDF
// is then sent as it is). A print queue stacks its pages itself. options: the job's options, NAME=VALUE;
// those the plan takes over are taken out of it (printer-resolution and the copies it makes: the raster
// itself says them) and those it asks the printer for are added (page-delivery). Returns the plan, or why the
// printer cannot be sent this document (a sentence without its full stop, naming printer).
struct PlanOutcome
{
    std::optional<DocumentPlan> plan;
    QString refusal;
};
[[nodiscard]] PlanOutcome planDocument(const PrinterOffers &offers, JobOptions &options, bool address,
                                       const QString &printer);

// The sides of the sheet that a raster document is made of, in the order they are sent: page is
// the document's page (from 0), or -1 for a blank back; back says it is the back of a sheet. Each
// of copies is a whole document, starting on a sheet of its own; lastPageFirst sends the sheets
// last first, each still front then back.
struct SheetSide
{
    int page = -1;
    bool back = false;
    friend bool operator==(const SheetSide &, const SheetSide &) = default;
};
[[nodiscard]] QList<SheetSide> sheetSides(int pages, int copies, bool twoSided, bool lastPageFirst);

} // namespace Cups
