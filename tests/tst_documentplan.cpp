// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "documentplan.h"

#include <QtTest>

Q_DECLARE_METATYPE(Cups::PrinterOffers)

using Cups::DocumentFormat;
using Cups::PrinterOffers;

namespace {

QStringList optionTexts(const Cups::JobOptions &options)
{
    QStringList texts;
    for (const auto &[name, value] : options)
        texts << QString::fromUtf8(name + '=' + value);
    return texts;
}

// A plan as one line: format, resolution, colours, back sides, copies made here, page order.
QString describe(const Cups::DocumentPlan &plan)
{
    if (!plan.raster())
        return plan.lastPageFirst ? QStringLiteral("pdf last-first") : QStringLiteral("pdf");
    return QStringLiteral("%1 %2x%3 %4 back=%5 copies=%6%7%8")
        .arg(plan.format == DocumentFormat::PwgRaster ? QStringLiteral("pwg") : QStringLiteral("urf"))
        .arg(plan.dotsPerInch.width())
        .arg(plan.dotsPerInch.height())
        .arg(plan.grey ? QStringLiteral("grey") : QStringLiteral("colour"))
        .arg(QString::fromUtf8(plan.sheetBack))
        .arg(plan.copies)
        .arg(plan.lastPageFirst ? QStringLiteral(" last-first") : QString())
        .arg(plan.sides == "one-sided" ? QString() : QLatin1Char(' ') + QString::fromUtf8(plan.sides));
}

} // namespace

// How a document is sent to a printer, decided from what the printer says it takes, before
// anything is drawn; and the order of the sheet sides of a raster document.
class TestDocumentPlan : public QObject
{
    Q_OBJECT

private slots:
    void planFollowsWhatThePrinterTakes_data()
    {
        QTest::addColumn<PrinterOffers>("offers");
        QTest::addColumn<QStringList>("options"); // asked for, NAME=VALUE
        QTest::addColumn<bool>("address");        // a printer by its address (not a queue)
        QTest::addColumn<QString>("plan");        // describe()'s line, or the refusal as a pattern
        QTest::addColumn<QStringList>("sent");    // the options the job then has

        const auto offers = [](const QString &formats) {
            PrinterOffers made;
            made.formats = formats.split(QLatin1Char(','));
            made.pwgResolutions = {QSize(300, 300), QSize(600, 600)};
            made.pwgTypes = QStringList{"black_1", "sgray_8", "srgb_8"};
            made.maxCopies = 999;
            return made;
        };
        const PrinterOffers pdf =
            offers("application/octet-stream,application/pdf,image/pwg-raster,image/jpeg");
        const PrinterOffers pwg = offers("application/octet-stream,image/pwg-raster,image/jpeg");
        PrinterOffers urf = offers("application/octet-stream,image/urf,image/jpeg");
        urf.urf = QStringList{"CP1", "RS600", "V1.4", "W8", "DM3"};
        PrinterOffers urfColour = urf;
        urfColour.urf << "SRGB24";
        PrinterOffers mono = pwg;
        mono.colour = false;
        PrinterOffers flipped = mono;
        flipped.pwgSheetBack = QStringLiteral("flipped");
        PrinterOffers oddResolutions = pwg;
        oddResolutions.pwgResolutions = {QSize(200, 200), QSize(400, 400), QSize(1200, 1200)};
        PrinterOffers blackOnly = pwg;
        blackOnly.pwgTypes = QStringList{"black_1"};
        PrinterOffers noCopies = pwg;
        noCopies.maxCopies = 1;
        PrinterOffers faceUp = pwg;
        faceUp.outputBinDefault = QStringLiteral("face-up");
        PrinterOffers faceUpPdf = pdf;
        faceUpPdf.outputBinDefault = QStringLiteral("face-up");
        PrinterOffers delivers = faceUp;
        delivers.pageDelivery = QStringList{"same-order", "reverse-order"};
        PrinterOffers trayFaceUp = pwg;
        trayFaceUp.outputBinDefault = QStringLiteral("top");
        trayFaceUp.outputTrays =
            QStringList{"type=unRemovableBin;maxcapacity=100;pagedelivery=faceUp;name=top"};
        PrinterOffers twoBins = faceUp;
        twoBins.outputTrays = QStringList{"type=unRemovableBin;pagedelivery=faceUp;name=face-up",
                                          "type=unRemovableBin;pagedelivery=faceDown;name=face-down"};

        QTest::newRow("PDF where the printer takes it")
            << pdf << QStringList() << true << "pdf" << QStringList();
        QTest::newRow("PWG raster at 300 dpi where there is no PDF, in colour")
            << pwg << QStringList() << true << "pwg 300x300 colour back=normal copies=1" << QStringList();
        QTest::newRow("PWG raster before Apple raster")
            << offers("image/urf,image/pwg-raster") << QStringList() << true
            << "pwg 300x300 colour back=normal copies=1" << QStringList();
        QTest::newRow("Apple raster at its only resolution, grey without SRGB24, back rotated (DM3)")
            << urf << QStringList() << true << "urf 600x600 grey back=rotated copies=1" << QStringList();
        QTest::newRow("Apple raster in colour")
            << urfColour << QStringList() << true << "urf 600x600 colour back=rotated copies=1"
            << QStringList();
        QTest::newRow("a queue that takes any format gets PDF")
            << offers("application/octet-stream,image/pwg-raster") << QStringList() << false << "pdf"
            << QStringList();
        QTest::newRow("a printer that says nothing gets PDF")
            << PrinterOffers() << QStringList() << true << "pdf" << QStringList();
        QTest::newRow("none of the formats")
            << offers("application/octet-stream,application/postscript,image/jpeg") << QStringList() << true
            << "The printer P takes none of the formats this program sends \\(PDF, PWG raster, Apple "
               "raster\\), "
               "only application/octet-stream, application/postscript, image/jpeg; a print queue .*"
            << QStringList();
        QTest::newRow("the resolution nearest 300 dpi, the higher of two as near")
            << oddResolutions << QStringList() << true << "pwg 400x400 colour back=normal copies=1"
            << QStringList();
        QTest::newRow("printer-resolution asked for, and taken out of the job")
            << pwg << QStringList{"printer-resolution=600dpi", "sides=one-sided"} << true
            << "pwg 600x600 colour back=normal copies=1" << QStringList{"sides=one-sided"};
        QTest::newRow("printer-resolution the raster does not offer")
            << pwg << QStringList{"printer-resolution=1200dpi"} << true
            << "The printer P does not offer printer-resolution=1200dpi for PWG raster; it offers "
               "printer-resolution=300dpi, 600dpi"
            << QStringList();
        QTest::newRow("monochrome asked of a colour printer")
            << pwg << QStringList{"print-color-mode=monochrome"} << true
            << "pwg 300x300 grey back=normal copies=1" << QStringList{"print-color-mode=monochrome"};
        QTest::newRow("a monochrome printer, its back side flipped")
            << flipped << QStringList{"sides=two-sided-long-edge"} << true
            << "pwg 300x300 grey back=flipped copies=1 two-sided-long-edge"
            << QStringList{"sides=two-sided-long-edge"};
        PrinterOffers twoSidedByDefault = flipped;
        twoSidedByDefault.sidesDefault = QStringLiteral("two-sided-short-edge");
        QTest::newRow("a printer that prints two-sided unless told otherwise")
            << twoSidedByDefault << QStringList() << true
            << "pwg 300x300 grey back=flipped copies=1 two-sided-short-edge" << QStringList();
        QTest::newRow("a printer that takes only black_1")
            << blackOnly << QStringList() << true << "The printer P takes PWG raster only as black_1, .*"
            << QStringList();
        QTest::newRow("copies made here where the printer makes none")
            << noCopies
            << QStringList{"copies=2", "multiple-document-handling=separate-documents-collated-copies"}
            << true << "pwg 300x300 colour back=normal copies=2" << QStringList();
        QTest::newRow("copies left to a printer that makes them")
            << pwg << QStringList{"copies=2"} << true << "pwg 300x300 colour back=normal copies=1"
            << QStringList{"copies=2"};
        QTest::newRow("a face-up bin: last page first")
            << faceUp << QStringList() << true << "pwg 300x300 colour back=normal copies=1 last-first"
            << QStringList();
        QTest::newRow("a face-up bin whose printer delivers in reverse itself")
            << delivers << QStringList() << true << "pwg 300x300 colour back=normal copies=1"
            << QStringList{"page-delivery=reverse-order"};
        QTest::newRow("a face-up bin by what the printer says of it")
            << trayFaceUp << QStringList() << true << "pwg 300x300 colour back=normal copies=1 last-first"
            << QStringList();
        QTest::newRow("the face-down bin asked for")
            << twoBins << QStringList{"output-bin=face-down"} << true
            << "pwg 300x300 colour back=normal copies=1" << QStringList{"output-bin=face-down"};
        PrinterOffers rasterQueue = offers("image/pwg-raster");
        rasterQueue.outputBinDefault = QStringLiteral("face-up");
        QTest::newRow("a queue stacks its pages itself")
            << rasterQueue << QStringList() << false << "pwg 300x300 colour back=normal copies=1"
            << QStringList();
        QTest::newRow("a PDF to a face-up bin, one-sided")
            << faceUpPdf << QStringList() << true << "pdf last-first" << QStringList();
        QTest::newRow("a PDF to a face-up bin, two-sided: sent as it is")
            << faceUpPdf << QStringList{"sides=two-sided-long-edge"} << true << "pdf"
            << QStringList{"sides=two-sided-long-edge"};
    }
    void planFollowsWhatThePrinterTakes()
    {
        QFETCH(PrinterOffers, offers);
        QFETCH(QStringList, options);
        QFETCH(bool, address);
        QFETCH(QString, plan);
        QFETCH(QStringList, sent);

        Cups::JobOptions job;
        for (const QString &option : options)
            job.append({option.section(QLatin1Char('='), 0, 0).toUtf8(),
                        option.section(QLatin1Char('='), 1).toUtf8()});
        const Cups::PlanOutcome outcome = Cups::planDocument(offers, job, address, QStringLiteral("P"));
        if (outcome.plan) {
            QCOMPARE(describe(*outcome.plan), plan);
            QCOMPARE(optionTexts(job), sent);
        } else {
            QVERIFY2(QRegularExpression(QRegularExpression::anchoredPattern(plan))
                         .match(outcome.refusal)
                         .hasMatch(),
                     qPrintable(outcome.refusal));
        }
    }

    void sheetSidesInOrder_data()
    {
        QTest::addColumn<int>("pages");
        QTest::addColumn<int>("copies");
        QTest::addColumn<bool>("twoSided");
        QTest::addColumn<bool>("lastPageFirst");
        QTest::addColumn<QString>("sides"); // pages from 1, "b" for a back, "-" for a blank page

        QTest::newRow("one-sided") << 3 << 1 << false << false << "1 2 3";
        QTest::newRow("one-sided, last first") << 3 << 1 << false << true << "3 2 1";
        QTest::newRow("two copies, each whole") << 2 << 2 << false << false << "1 2 1 2";
        QTest::newRow("two-sided, the last sheet's blank back not sent")
            << 3 << 1 << true << false << "1 2b 3";
        QTest::newRow("two-sided copies, each on sheets of its own")
            << 3 << 2 << true << false << "1 2b 3 -b 1 2b 3";
        QTest::newRow("two-sided, last sheet first") << 4 << 1 << true << true << "3 4b 1 2b";
        QTest::newRow("two-sided, last sheet first, an odd page count")
            << 3 << 1 << true << true << "3 -b 1 2b";
        QTest::newRow("no pages") << 0 << 1 << true << false << "";
    }
    void sheetSidesInOrder()
    {
        QFETCH(int, pages);
        QFETCH(int, copies);
        QFETCH(bool, twoSided);
        QFETCH(bool, lastPageFirst);
        QFETCH(QString, sides);

        QStringList got;
        for (const Cups::SheetSide &side : Cups::sheetSides(pages, copies, twoSided, lastPageFirst))
            got << (side.page < 0 ? QStringLiteral("-") : QString::number(side.page + 1)) +
                       (side.back ? QStringLiteral("b") : QString());
        QCOMPARE(got.join(QLatin1Char(' ')), sides);
    }
};

QTEST_GUILESS_MAIN(TestDocumentPlan)
#include "tst_documentplan.moc"
