// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "printrun.h"

#include "filename.h"
#include "pagelayout.h"
#include "picturelookahead.h"
#include "printerror.h"
#include "printsurface.h"
#include "recordgrid.h"
#include "runcontext.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QScopeGuard>

#include <cmath>
#include <new>

namespace {

// The texts of this file, translated in the context "PrintRun".
struct Words
{
    Q_DECLARE_TR_FUNCTIONS(PrintRun)
};

const QString RecordSeparator = QStringLiteral("\",\"");

QString withoutQuotes(QStringView part)
{
    QString text = part.toString();
    text.remove(QLatin1Char('"'));
    return text;
}

// Whether a key names the record's picture: it begins with "filename" in any letter case.
bool namesPicture(const QString &key)
{
    return key.startsWith(QLatin1String("filename"), Qt::CaseInsensitive);
}

} // namespace

QDateTime currentLocalDateTime()
{
    return QDateTime::currentDateTime();
}

qint64 monotonicMilliseconds()
{
    static const QElapsedTimer started = [] {
        QElapsedTimer timer;
        timer.start();
        return timer;
    }();
    return started.elapsed();
}

std::function<QDate()> localDateClock(std::function<QDateTime()> now, std::function<qint64()> monotonicMs)
{
    // The footer wants the date on every page, and asking the system converts the time to local
    // time, which stats the time zone file each time. So the date is asked once and kept until the
    // local midnight that ends it, told by the monotonic clock; and at least once a minute, so
    // that a changed system clock or time zone is seen soon.
    return [now = std::move(now), monotonicMs = std::move(monotonicMs), date = QDate(), askedAt = qint64(0),
            keepMs = qint64(-1)]() mutable {
        const qint64 at = monotonicMs();
        if (keepMs < 0 || at - askedAt >= keepMs) {
            const QDateTime current = now();
            date = current.date();
            askedAt = at;
            keepMs = std::min<qint64>(current.msecsTo(date.addDays(1).startOfDay()), 60000);
        }
        return date;
    };
}

void MissingPictures::note(qint64 recordNumber, const QString &pictureName)
{
    if (first.size() < Named)
        first.append({recordNumber, pictureName});
    ++count;
}

PrintRun::PrintRun(QString programFolder, PictureHolder &image1, ErrorReporter &reporter,
                   const RunChoices &choices)
    : m_folder(std::move(programFolder)), m_image1(image1), m_reporter(reporter), m_choices(choices),
      m_today(localDateClock())
{
}

PrintRun::~PrintRun() = default;

void PrintRun::setListFileDevice(QIODevice *device, QString name)
{
    m_listDevice = device;
    m_listDeviceName = std::move(name);
}

void PrintRun::cmdPrint_Click(PrintSurface &printer)
{
    beginRun(printer);
    while (printNextPage()) {
    }
    finishRun();
}

void PrintRun::beginRun(PrintSurface &printer)
{
    m_printer = &printer;
    m_stopped = false;
    m_recordsPrinted = 0;
    m_missingPictures = {};
    // A failure of the printer here ends the run before its first page.
    auto failed = qScopeGuard([this] { endOfRun(); });

    OpenListFile();
    printer.setDocumentName(m_listFileName);
    printer.setOrientation(m_choices.portraitSelected() ? PrintSurface::Portrait : PrintSurface::Landscape);
    printer.setFontName(QStringLiteral("courier"));
    printer.setFontSize(8);
    m_pairsPerRow = printer.orientation() == PrintSurface::Portrait ? PageLayout::PortraitPairsPerRow
                                                                    : PageLayout::LandscapePairsPerRow;
    failed.dismiss();
}

bool PrintRun::printNextPage()
{
    Q_ASSERT(runUnderWay());
    auto failed = qScopeGuard([this] { endOfRun(); });
    // Without a list file there is nothing to read: OpenListFile has said why, once.
    // A stop is taken up between pages: the page being drawn is finished first.
    if (!listFileOpen() || !ReadNextRecord() || stopRequested()) {
        failed.dismiss();
        return false;
    }
    try {
        PrintRecordPage();
        prepareNextPictures();
    } catch (const PrintError &) {
        // The document is broken (PrintRecordPage lets only such an error through): it is
        // thrown away, and the run ends with that one error.
        m_printer->discardDocument();
        throw;
    }
    ++m_recordsPrinted;
    if (m_progress)
        m_progress(m_recordsPrinted);
    failed.dismiss();
    return true;
}

void PrintRun::finishRun()
{
    Q_ASSERT(runUnderWay());
    const auto done = qScopeGuard([this] { endOfRun(); });
    // A stop that comes when every record has been printed changes nothing: the document is ended
    // as usual.
    if (stopRequested() && !m_allRecordsRead) {
        m_stopped = true;
        m_printer->discardDocument();
        return;
    }
    m_printer->endDocument();
    // A printer that had to be waited for, and the wait given up: the document went nowhere, as a
    // stopped run's does.
    if (m_printer->outcome().kind == PrintOutcome::Discarded)
        m_stopped = true;
}

void PrintRun::prepareNextPictures() noexcept
{
    constexpr int Ahead = 4;
    if (!m_picturesLoaded || m_listDevice)
        return;
    // Only a hint: whatever goes wrong here (no memory, say), the pages do not depend on it.
    try {
        if (!m_lookAhead) {
            qsizetype field = -1;
            for (qsizetype i = 1; i <= m_fieldList.count(); ++i) {
                if (namesPicture(m_fieldList.item(i).Key()))
                    field = i - 1;
            }
            if (field < 0)
                return;
            m_lookAhead = std::make_unique<PictureLookAhead>(listFilePath(), m_listFileName, m_folder, field,
                                                             m_selection);
        }
        m_lookAhead->nameAfter(m_recordNumber, Ahead,
                               [this](const QString &path) { m_image1.prepareLoad(path); });
    } catch (...) {
        m_lookAhead.reset();
        m_picturesLoaded = false;
    }
}

void PrintRun::endOfRun() noexcept
{
    m_lookAhead.reset();
    m_picturesLoaded = false;
    m_printer = nullptr;
    m_stopRequested.store(false, std::memory_order_relaxed);
}

bool PrintRun::closeListFile()
{
    if (!listFileOpen())
        return false;
    m_listFile->close();
    return true;
}

bool PrintRun::listFileOpen() const
{
    return m_listFile && m_listFile->isOpen();
}

QString PrintRun::listFilePath() const
{
    return m_listFileName.isEmpty() ? QString() : QDir(m_folder).filePath(m_listFileName);
}

void PrintRun::OpenListFile()
{
    try {
        // Every run starts clean: the earlier opening is closed and the field list emptied, so a
        // second run reads the file exactly as the first did.
        closeListFile();
        m_listFile.reset();
        m_fieldList.clear();
        m_recordNumber = 0;
        m_allRecordsRead = false;

        m_listFileNumber = 1;
        if (m_listDevice) {
            m_listFileName = m_listDeviceName;
            m_listFile = std::make_unique<ListFileReader>(*m_listDevice, m_listFileName);
        } else {
            m_listFileName = m_listFileChoice ? *m_listFileChoice : findListFile(m_folder);
            if (m_listFileName.isEmpty() && !m_otherFolder.isEmpty())
                throw PrintError(PrintError::NoListFile,
                                 Words::tr("No list file (*.lst) was found in the folder %1, nor in "
                                           "the working folder %2.")
                                     .arg(displayPath(m_folder), displayPath(m_otherFolder)));
            if (m_listFileName.isEmpty())
                throw PrintError(
                    PrintError::NoListFile,
                    Words::tr("No list file (*.lst) was found in the folder %1.").arg(displayPath(m_folder)));
            m_listFile = std::make_unique<ListFileReader>(listFilePath(), m_listFileName);
        }
        m_listFile->open();
        const std::optional<QString> header = m_listFile->readLine();
        if (!header)
            throw PrintError(PrintError::ListFileEmpty,
                             Words::tr("The list file %1 is empty: it has no header line of field names.")
                                 .arg(m_listFileName));

        const auto where = [this] { return Words::tr("The header line of %1").arg(m_listFileName); };
        for (const QStringView name : splitLine(*header, QStringLiteral(","), where)) {
            clsVar entry;
            entry.setKey(name.toString());
            try {
                m_fieldList.add(entry);
            } catch (const PrintError &) {
                // The only entry the list refuses is one whose key it holds already.
                throw PrintError(PrintError::RepeatedFieldName,
                                 Words::tr("The field name \"%1\" appears twice in the header line of %2 "
                                           "(letter case does not tell field names apart).")
                                     .arg(entry.Key(), m_listFileName));
            }
        }
    } catch (const PrintError &error) {
        m_reporter.report(error);
    }
}

bool PrintRun::ReadNextRecord()
{
    try {
        if (!m_listFile || !m_listFile->isOpen())
            throw PrintError(PrintError::ListFileNotOpen,
                             m_listFileName.isEmpty()
                                 ? Words::tr("No list file is open, so there is no record to print.")
                                 : Words::tr("The list file %1 is not open, so there is no record to print.")
                                       .arg(m_listFileName));
        // Records that are not selected are read past without being split, and reading ends
        // after the last one selected. A stop asked for meanwhile ends it too: the way to the next
        // selected record may be long.
        std::optional<QString> line;
        for (;;) {
            const std::optional<qint64> last = m_selection.last();
            if (last && m_recordNumber >= *last) {
                m_allRecordsRead = true;
                return false;
            }
            line = m_listFile->readLine();
            if (!line) {
                m_allRecordsRead = true;
                return false;
            }
            ++m_recordNumber;
            if (m_selection.contains(m_recordNumber))
                break;
            if (stopRequested())
                return false;
        }

        const auto where = [this] {
            return Words::tr("Line %1 of %2").arg(m_listFile->lineNumber()).arg(m_listFileName);
        };
        const QList<QStringView> parts = splitLine(*line, RecordSeparator, where);
        const qsizetype last = parts.size() - 1;
        for (qsizetype i = 0; i <= last; ++i) {
            if (i + 1 > m_fieldList.count())
                throw PrintError(
                    PrintError::TooManyFields,
                    Words::tr("%1 has %2 fields, but the header line names only %3.")
                        .arg(where(), QString::number(parts.size()), QString::number(m_fieldList.count())));
            const QString value = (i == 0 || i == last) ? withoutQuotes(parts[i]) : parts[i].toString();
            m_fieldList.item(i + 1).setValue(value);
        }
        return true;
    } catch (const PrintError &error) {
        m_reporter.report(error);
        return false;
    }
}

void PrintRun::PrintRecordPage()
{
    bool logoDrawn = false;
    try {
        logoStep(logoDrawn);
        gridStep();
        pictureStep(picturePathFor(m_folder, recordPictureName()));
        footerStep(logoDrawn);
        m_printer->newPage();
    } catch (const PrintError &error) {
        // A document that cannot be written takes no more pages: reported once, by the run's caller.
        if (error.endsRun())
            throw;
        m_reporter.report(error);
        abandonPage();
    } catch (const std::bad_alloc &) {
        // The page's own memory is given back by now; the next record may well fit.
        m_reporter.report(
            PrintError(PrintError::PageOutOfMemory,
                       Words::tr("There was not enough memory to print the record of line %1 of %2.")
                           .arg(m_listFile ? m_listFile->lineNumber() : 0)
                           .arg(m_listFileName)));
        abandonPage();
    }
}

void PrintRun::abandonPage()
{
    // A page given up half way is still ended when something is on it, so that the next record
    // starts on a fresh sheet instead of on top of the failed one.
    try {
        if (m_printer->pageHasContent()) {
            m_printer->newPage();
        } else {
            m_printer->setCurrentX(0);
            m_printer->setCurrentY(0);
        }
    } catch (const PrintError &) {
        // The page's error has been reported; a printer that fails again fails the next page too.
    }
}

void PrintRun::logoStep(bool &logoDrawn)
{
    if (m_logoPath.isEmpty())
        m_logoPath = QDir(m_folder).filePath(LogoFileName);
    if (!isOrdinaryFile(m_logoPath))
        return;
    logoDrawn = true;
    m_image1.LoadPicture(m_logoPath);
    m_printer->drawPicture(m_image1.picture(), m_printer->currentX(), m_printer->currentY());
    m_printer->setCurrentY(m_image1.Height() + PageLayout::LogoGap);
}

void PrintRun::gridStep()
{
    const qsizetype count = m_fieldList.count();
    const int pairs = m_pairsPerRow > 0 ? m_pairsPerRow : PageLayout::PortraitPairsPerRow;
    // Every field is printed: the last row holds what is left over.
    const qsizetype rows = (count + pairs - 1) / pairs;
    if (rows > 32767)
        throw PrintError(PrintError::GridOverflow,
                         Words::tr("The record of %1 has too many fields to lay out.").arg(m_listFileName));

    // The cells share the names and values of the field list; nothing is copied or padded here.
    RecordGrid recordGrid(int(rows), pairs);
    qsizetype position = 1;
    for (int row = 0; row < recordGrid.rows(); ++row) {
        for (int column = 0; column < recordGrid.columns() && position <= count; column += 2) {
            const clsVar &entry = m_fieldList.item(position);
            recordGrid.cell(row, column) = entry.Key();
            recordGrid.cell(row, column + 1) = entry.valueText();
            ++position;
        }
    }
    AlignKeyColumns(recordGrid);
    printGrid(recordGrid);
}

QString PrintRun::recordPictureName() const
{
    // The picture is named by the last field whose name begins with "filename": its whole value,
    // not just the part the grid shows.
    QString pictureName;
    for (qsizetype i = 1; i <= m_fieldList.count(); ++i) {
        const clsVar &entry = m_fieldList.item(i);
        if (namesPicture(entry.Key()))
            pictureName = trimSpaces(entry.valueText());
    }
    return pictureName;
}

void PrintRun::printGrid(const RecordGrid &recordGrid)
{
    // A line is built only as far as it can show on the sheet, and lines that would begin below
    // the sheet are not built at all: the current position moves past them exactly as printing
    // them would, so that the picture and the footer land where they always do.
    const float bottom = m_printer->sheetBottom();
    const float right = m_printer->sheetRight();
    const LineRoom::Measure measure = [this](const QString &text) { return m_printer->textWidth(text); };
    for (int row = 0; row < recordGrid.rows(); ++row) {
        if (m_printer->currentY() >= bottom) {
            float y = m_printer->currentY();
            for (; row < recordGrid.rows(); ++row)
                y = y + m_printer->lineHeight();
            m_printer->setCurrentX(0);
            m_printer->setCurrentY(y);
            return;
        }
        LineRoom room(right - m_printer->currentX(), measure);
        m_printer->printText(recordGrid.line(row, room));
    }
}

void PrintRun::AlignKeyColumns(RecordGrid &recordGrid)
{
    try {
        for (int column = 0; column < recordGrid.columns(); column += 2) {
            // A key is shown in proper case, which has as many characters as the name as read.
            qsizetype longest = 0;
            for (int row = 0; row < recordGrid.rows(); ++row) {
                if (const auto &key = recordGrid.cell(row, column))
                    longest = std::max(longest, characterCount(*key));
            }
            recordGrid.setKeyWidth(column, longest + 1);
        }
    } catch (const PrintError &error) {
        m_reporter.report(error);
    }
}

QString PrintRun::picturePathFor(const QString &programFolder, const QString &pictureName)
{
    QString name = pictureName;
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (name.isEmpty() || QDir::isAbsolutePath(name))
        return {};
    const QStringList steps = name.split(QLatin1Char('/'));
    if (steps.contains(QStringLiteral("..")))
        return {};
    return QDir(programFolder).filePath(name);
}

void PrintRun::pictureStep(const QString &picturePath)
{
    if (!isOrdinaryFile(picturePath)) {
        // Nothing is drawn, as for a record without a picture; the run's report names the record.
        if (const QString name = recordPictureName(); !name.isEmpty())
            m_missingPictures.note(m_recordNumber, name);
        return;
    }
    m_printer->setCurrentX(0);
    m_printer->setCurrentY(m_printer->currentY() + PageLayout::PictureGap);
    m_picturesLoaded = true;
    m_image1.LoadPicture(picturePath);
    if (m_choices.fitInPageSelected()) {
        float fittedWidth = 0;
        float fittedHeight = 0;
        FitPictureToPage(fittedWidth, fittedHeight);
        if (fittedWidth > 0 && fittedHeight > 0)
            m_printer->drawPicture(m_image1.picture(), m_printer->currentX(), m_printer->currentY(),
                                   fittedWidth, fittedHeight);
    } else {
        m_printer->drawPicture(m_image1.picture(), m_printer->currentX(), m_printer->currentY());
    }
}

void PrintRun::FitPictureToPage(float &fittedWidth, float &fittedHeight)
{
    const float width = m_image1.Width();
    const float height = m_image1.Height();
    fittedWidth = width;
    fittedHeight = height;
    const float scaleWidth = m_printer->scaleWidth();
    const float scaleHeight = m_printer->scaleHeight();
    const float top = m_printer->currentY();
    if (scaleWidth - PageLayout::FitRightMargin < width)
        fittedWidth = scaleWidth - PageLayout::FitRightMargin;
    if (scaleHeight - top - PageLayout::FitBottomThreshold < height)
        fittedHeight = scaleHeight - top - PageLayout::FitBottomMargin;
}

QString PrintRun::pageField(qint64 page)
{
    return QString::number(page).leftJustified(PageLayout::PageNumberWidth, QLatin1Char(' '));
}

void PrintRun::footerStep(bool logoDrawn)
{
    m_printer->setCurrentX(0);
    m_printer->setCurrentY(m_printer->scaleHeight() - PageLayout::FooterAboveBottom);
    if (!logoDrawn)
        m_printer->printText(OrganisationLine);

    const QDate today = m_today();
    const QString footer = QStringLiteral("%1-%2-%3  Page :%4")
                               .arg(today.day(), 2, 10, QLatin1Char('0'))
                               .arg(today.month(), 2, 10, QLatin1Char('0'))
                               .arg(today.year(), 4, 10, QLatin1Char('0'))
                               .arg(pageField(m_printer->page()));
    m_printer->setCurrentX(m_printer->scaleWidth() - m_printer->textWidth(footer));
    m_printer->printText(footer);
}
