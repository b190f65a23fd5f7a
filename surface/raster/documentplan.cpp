// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "documentplan.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <algorithm>
#include <cstdlib>

namespace {

// The texts of this file, translated in the context "Printer".
struct Words
{
    Q_DECLARE_TR_FUNCTIONS(Printer)
};

using Cups::DocumentFormat;
using Cups::PrinterOffers;

constexpr int PreferredDotsPerInch = 300;

bool listed(const QStringList &values, const char *value)
{
    return values.contains(QLatin1String(value), Qt::CaseInsensitive);
}

// urf-supported keywords are a name and its values joined by "-": RS300-600, W8, SRGB24, DM1.
QList<int> urfValues(const QStringList &urf, const char *name)
{
    const QLatin1String prefix(name);
    QList<int> values;
    for (const QString &keyword : urf) {
        if (!keyword.startsWith(prefix, Qt::CaseInsensitive))
            continue;
        for (const QString &value : keyword.mid(prefix.size()).split(QLatin1Char('-'))) {
            bool number = false;
            const int parsed = value.toInt(&number);
            if (number)
                values << parsed;
        }
    }
    return values;
}

// A resolution as IPP's printer-resolution option names it: "600dpi", or "600x1200dpi" (across
// and down).
std::optional<QSize> parseResolution(const QByteArray &text)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d{1,5})(?:x(\\d{1,5}))?dpi$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(QString::fromLatin1(text.trimmed()));
    if (!match.hasMatch())
        return std::nullopt;
    const int across = match.captured(1).toInt();
    const int down = match.captured(2).isEmpty() ? across : match.captured(2).toInt();
    if (across <= 0 || down <= 0)
        return std::nullopt;
    return QSize(across, down);
}

QString resolutionText(const QSize &resolution)
{
    return resolution.width() == resolution.height()
               ? QStringLiteral("%1dpi").arg(resolution.width())
               : QStringLiteral("%1x%2dpi").arg(resolution.width()).arg(resolution.height());
}

// The resolutions a raster format is taken at. A printer must list them; one that does not is
// taken to print 300 dpi, the resolution every such printer has.
QList<QSize> resolutionsFor(const PrinterOffers &offers, DocumentFormat format)
{
    QList<QSize> resolutions;
    if (format == DocumentFormat::PwgRaster) {
        resolutions = offers.pwgResolutions;
    } else {
        for (const int dpi : urfValues(offers.urf, "RS"))
            resolutions << QSize(dpi, dpi);
    }
    if (resolutions.isEmpty())
        resolutions << QSize(PreferredDotsPerInch, PreferredDotsPerInch);
    return resolutions;
}

// The one nearest 300 dpi, the higher of two as near.
QSize nearestPreferred(const QList<QSize> &resolutions)
{
    const auto distance = [](const QSize &dpi) {
        return std::abs(dpi.width() - PreferredDotsPerInch) + std::abs(dpi.height() - PreferredDotsPerInch);
    };
    QSize best = resolutions.first();
    for (const QSize &dpi : resolutions) {
        if (distance(dpi) < distance(best) ||
            (distance(dpi) == distance(best) && dpi.width() + dpi.height() > best.width() + best.height()))
            best = dpi;
    }
    return best;
}

// The pwg-raster-document-sheet-back keyword for Apple raster's duplex mode (DM1 to DM4).
QByteArray urfSheetBack(const QStringList &urf)
{
    const QList<int> modes = urfValues(urf, "DM");
    switch (modes.isEmpty() ? 1 : modes.first()) {
    case 2:
        return "flipped";
    case 3:
        return "rotated";
    case 4:
        return "manual-tumble";
    default:
        return "normal";
    }
}

// Whether the output bin stacks the sheets face up, so that pages printed first to last lie there
// with the last one on top: as printer-output-tray describes that bin (pagedelivery=faceUp), or
// else as its name says (face-up, face-up-2, ...).
bool stacksFaceUp(const PrinterOffers &offers, const QString &bin)
{
    if (bin.isEmpty())
        return false;
    for (const QString &tray : offers.outputTrays) {
        QString name;
        QString delivery;
        for (const QString &field : tray.split(QLatin1Char(';'))) {
            const QString key = field.section(QLatin1Char('='), 0, 0).trimmed();
            const QString value = field.section(QLatin1Char('='), 1).trimmed();
            if (key.compare(QLatin1String("name"), Qt::CaseInsensitive) == 0)
                name = value;
            else if (key.compare(QLatin1String("pagedelivery"), Qt::CaseInsensitive) == 0)
                delivery = value;
        }
        if (name.compare(bin, Qt::CaseInsensitive) == 0 && !delivery.isEmpty())
            return delivery.compare(QLatin1String("faceUp"), Qt::CaseInsensitive) == 0;
    }
    return bin.startsWith(QLatin1String("face-up"), Qt::CaseInsensitive);
}

QString formatName(DocumentFormat format)
{
    return format == DocumentFormat::PwgRaster ? Words::tr("PWG raster") : Words::tr("Apple raster");
}

} // namespace

namespace Cups {

const char *mimeType(DocumentFormat format)
{
    switch (format) {
    case DocumentFormat::PwgRaster:
        return "image/pwg-raster";
    case DocumentFormat::AppleRaster:
        return "image/urf";
    case DocumentFormat::Pdf:
        break;
    }
    return "application/pdf";
}

QByteArray optionValue(const JobOptions &options, const char *name)
{
    for (const auto &[optionName, value] : options) {
        if (qstricmp(optionName.constData(), name) == 0)
            return value;
    }
    return {};
}

void removeOption(JobOptions &options, const char *name)
{
    options.removeIf([name](const auto &option) { return qstricmp(option.first.constData(), name) == 0; });
}

void setOption(JobOptions &options, const QByteArray &name, const QByteArray &value)
{
    removeOption(options, name.constData());
    options.append({name, value});
}

namespace {

// The first of PDF, PWG raster and Apple raster that the printer takes; nothing when it takes none.
// A print queue that takes any format (application/octet-stream) passes PDF to its filters.
std::optional<DocumentFormat> documentFormat(const PrinterOffers &offers, bool address)
{
    const bool takesPdf = offers.formats.isEmpty() || listed(offers.formats, "application/pdf") ||
                          (!address && listed(offers.formats, "application/octet-stream"));
    if (takesPdf)
        return DocumentFormat::Pdf;
    if (listed(offers.formats, "image/pwg-raster"))
        return DocumentFormat::PwgRaster;
    if (listed(offers.formats, "image/urf"))
        return DocumentFormat::AppleRaster;
    return std::nullopt;
}

// The raster's resolution: the one asked for with printer-resolution, where the format offers it,
// else the one nearest the preferred resolution. The answer is why the printer cannot have the one
// asked for, or nothing.
std::optional<QString> chooseResolution(DocumentPlan &plan, const PrinterOffers &offers, JobOptions &options,
                                        const QString &printer)
{
    const QList<QSize> resolutions = resolutionsFor(offers, plan.format);
    plan.dotsPerInch = nearestPreferred(resolutions);
    if (const QByteArray asked = optionValue(options, "printer-resolution"); !asked.isEmpty()) {
        const std::optional<QSize> wanted = parseResolution(asked);
        if (!wanted || !resolutions.contains(*wanted)) {
            QStringList offered;
            for (const QSize &dpi : resolutions)
                offered << resolutionText(dpi);
            return Words::tr("The printer %1 does not offer printer-resolution=%2 for %3; it offers "
                             "printer-resolution=%4")
                .arg(printer, QString::fromUtf8(asked), formatName(plan.format),
                     offered.join(QStringLiteral(", ")));
        }
        plan.dotsPerInch = *wanted;
    }
    // The raster carries its resolution; the printer's own list of printer-resolution (for its
    // other formats) need not have it.
    removeOption(options, "printer-resolution");
    return std::nullopt;
}

// Whether the raster is sGray rather than sRGB: where grey is asked for or the printer has no
// colour, and the format takes it, or where the format takes no sRGB. The answer is why the printer
// takes neither, or nothing.
std::optional<QString> chooseColour(DocumentPlan &plan, const PrinterOffers &offers,
                                    const JobOptions &options, const QString &printer)
{
    const bool pwg = plan.format == DocumentFormat::PwgRaster;
    // A printer that lists no types is taken to take sGray and sRGB, as every such printer must.
    const QList<int> urfGrey = urfValues(offers.urf, "W");
    const QList<int> urfColour = urfValues(offers.urf, "SRGB");
    const bool colourTaken =
        pwg ? offers.pwgTypes.isEmpty() || listed(offers.pwgTypes, "srgb_8") : urfColour.contains(24);
    const bool greyTaken = pwg ? offers.pwgTypes.isEmpty() || listed(offers.pwgTypes, "sgray_8")
                               : urfGrey.contains(8) || (urfGrey.isEmpty() && urfColour.isEmpty());
    const QByteArray colourMode = optionValue(options, "print-color-mode");
    const bool greyAsked = !offers.colour || colourMode == "monochrome" ||
                           colourMode == "process-monochrome" || colourMode == "bi-level" ||
                           colourMode == "process-bi-level";
    if (!colourTaken && !greyTaken)
        return Words::tr(
                   "The printer %1 takes %2 only as %3, and this program makes it in sRGB or sGray of 8 "
                   "bits")
            .arg(printer, formatName(plan.format),
                 (pwg ? offers.pwgTypes : offers.urf).join(QStringLiteral(", ")));
    plan.grey = greyAsked ? greyTaken : !colourTaken;
    return std::nullopt;
}

// The raster's sides and how the printer wants their backs; the copies written into it where the
// printer makes none of a raster document.
void chooseSidesAndCopies(DocumentPlan &plan, const PrinterOffers &offers, JobOptions &options)
{
    const bool pwg = plan.format == DocumentFormat::PwgRaster;
    // A printer that prints on both sides unless told otherwise does so with this raster too.
    plan.sides = optionValue(options, "sides");
    if (plan.sides.isEmpty())
        plan.sides = offers.sidesDefault.isEmpty() ? QByteArray("one-sided") : offers.sidesDefault.toUtf8();
    plan.sheetBack =
        pwg ? (offers.pwgSheetBack.isEmpty() ? QByteArray("normal") : offers.pwgSheetBack.toUtf8())
            : urfSheetBack(offers.urf);

    // Several copies of a raster document need the printer to keep all of its pages: one that
    // says it cannot gets them all in the document.
    const int copies = optionValue(options, "copies").toInt();
    if (copies > 1 && (!offers.maxCopies || *offers.maxCopies <= 1)) {
        plan.copies = copies;
        removeOption(options, "copies");
        removeOption(options, "multiple-document-handling");
    }
}

// The pages last first for a printer whose output bin (the one asked for with output-bin, or its
// default) stacks them face up: asked of it as page-delivery=reverse-order where it offers that,
// else sent so.
void orderForOutputBin(DocumentPlan &plan, const PrinterOffers &offers, JobOptions &options)
{
    const QByteArray asked = optionValue(options, "output-bin");
    const QString bin = asked.isEmpty() ? offers.outputBinDefault : QString::fromUtf8(asked);
    if (stacksFaceUp(offers, bin) && optionValue(options, "page-delivery").isEmpty()) {
        if (listed(offers.pageDelivery, "reverse-order"))
            setOption(options, "page-delivery", "reverse-order");
        // A PDF's pages are put last first one by one, which would pair them wrongly on
        // two-sided sheets; raster is sent a sheet at a time.
        else if (plan.raster() || !optionValue(options, "sides").startsWith("two-sided"))
            plan.lastPageFirst = true;
    }
}

} // namespace

PlanOutcome planDocument(const PrinterOffers &offers, JobOptions &options, bool address,
                         const QString &printer)
{
    DocumentPlan plan;
    plan.formatsTaken = offers.formats;
    const std::optional<DocumentFormat> format = documentFormat(offers, address);
    if (!format)
        return {std::nullopt,
                Words::tr("The printer %1 takes none of the formats this program sends (PDF, PWG raster, "
                          "Apple raster), only %2; a print queue set up for it (lpadmin -m everywhere, "
                          "or with its driver) converts the document for it")
                    .arg(printer, offers.formats.join(QStringLiteral(", ")))};
    plan.format = *format;

    if (plan.raster()) {
        if (std::optional<QString> refusal = chooseResolution(plan, offers, options, printer))
            return {std::nullopt, std::move(*refusal)};
        if (std::optional<QString> refusal = chooseColour(plan, offers, options, printer))
            return {std::nullopt, std::move(*refusal)};
        chooseSidesAndCopies(plan, offers, options);
    }
    // A print queue puts the pages in the order its printer stacks them; a printer by its address is
    // sent them in the order it needs.
    if (address)
        orderForOutputBin(plan, offers, options);
    return {plan, QString()};
}

QList<SheetSide> sheetSides(int pages, int copies, bool twoSided, bool lastPageFirst)
{
    // Sheets of one side each, or of a front and a back (a blank back after an odd last page).
    QList<std::pair<SheetSide, SheetSide>> sheets;
    for (int copy = 0; copy < copies; ++copy) {
        for (int page = 0; page < pages; page += twoSided ? 2 : 1) {
            const SheetSide front{page, false};
            const SheetSide back{twoSided && page + 1 < pages ? page + 1 : -1, true};
            sheets.append({front, back});
        }
    }
    if (lastPageFirst)
        std::reverse(sheets.begin(), sheets.end());
    QList<SheetSide> sides;
    for (qsizetype i = 0; i < sheets.size(); ++i) {
        sides << sheets[i].first;
        // The blank back of the very last sheet is not sent: nothing follows it.
        if (twoSided && (sheets[i].second.page >= 0 || i + 1 < sheets.size()))
            sides << sheets[i].second;
    }
    return sides;
}

} // namespace Cups
