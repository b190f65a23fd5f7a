// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "previewwindow.h"

#include "application.h"
#include "documenttarget.h"
#include "messagesink.h"
#include "outputdevice.h"
#include "pageview.h"
#include "printdialog.h"
#include "printersurface.h"
#include "printjob.h"
#include "printrun.h"
#include "runreport.h"
#include "windowicon.h"

#include <QAccessible>
#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QSpinBox>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

#include <algorithm>
#include <cerrno>
#include <cmath>

namespace {

// The texts of this file, translated in the context "PreviewWindow".
struct Words
{
    Q_DECLARE_TR_FUNCTIONS(PreviewWindow)
};

QString number(qint64 value)
{
    return QLocale().toString(value);
}

// The columns of the errors panel.
enum ErrorColumn
{
    RecordColumn,
    PageColumn,
    ErrorTextColumn,
};

} // namespace

PreviewWindow::PreviewWindow(PreviewData previewData, bool landscape, bool actualSize, QWidget *parent)
    : QMainWindow(parent), m_data(std::move(previewData)), m_view(new PageView(this)),
      m_orientation(new QActionGroup(this)), m_pictureSize(new QActionGroup(this)),
      m_pageNumber(new QSpinBox(this)), m_pageCount(new QLabel(this)), m_zoomLevel(new QLabel(this)),
      m_status(new QLabel(this)), m_progress(new QProgressBar(this)), m_cancel(new QPushButton(this)),
      m_errorsPanel(new QDockWidget(this)), m_errors(new QTreeWidget(m_errorsPanel)),
      m_messageBoxes(std::make_unique<MessageBoxSink>(this, ApplicationTitle))
{
    buildControls();
    m_landscape->setChecked(landscape);
    m_actualSize->setChecked(actualSize);
    makeDocument();
}

PreviewWindow::~PreviewWindow()
{
    // The view's pages are read from the document's file: they go first.
    m_view->setPages(nullptr);
}

void PreviewWindow::buildControls()
{
    setObjectName(QStringLiteral("previewWindow"));
    setWindowIcon(genericWindowIcon());
    const QString listName =
        m_data.listFile.isEmpty() ? QDir(m_data.folder).dirName() : QFileInfo(m_data.listFile).fileName();
    setWindowTitle(Words::tr("%1 - Preview").arg(listName));
    setAccessibleName(Words::tr("Preview of %1").arg(listName));

    m_view->setObjectName(QStringLiteral("pageView"));
    m_view->setLoader([this](int index) { loadPages(index); });
    setCentralWidget(m_view);
    connect(m_view, &PageView::currentPageChanged, this, &PreviewWindow::pageShown);
    connect(m_view, &PageView::zoomChanged, this, &PreviewWindow::zoomShown);

    // Two rows of tools: the document (print, save, the choices) and the pages (where, how large).
    const auto toolBar = [this](const char *name, const QString &title) {
        auto *const bar = new QToolBar(title, this);
        bar->setObjectName(QLatin1String(name));
        bar->setMovable(false);
        bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
        addToolBar(bar);
        return bar;
    };
    QToolBar *const tools = toolBar("documentTools", Words::tr("Document"));
    QToolBar *into = tools;
    const auto action = [this, &into](const char *name, const QString &text, const QString &tip,
                                      const QKeySequence &keys = {}) {
        auto *const made = new QAction(text, this);
        made->setObjectName(QLatin1String(name));
        made->setToolTip(
            keys.isEmpty() ? tip : Words::tr("%1 (%2)").arg(tip, keys.toString(QKeySequence::NativeText)));
        if (!keys.isEmpty())
            made->setShortcut(keys);
        into->addAction(made);
        return made;
    };
    const auto choice = [&](QActionGroup *group, const char *name, const QString &text, const QString &tip) {
        QAction *const made = action(name, text, tip);
        made->setCheckable(true);
        group->addAction(made);
        return made;
    };

    m_print =
        action("print", Words::tr("Print..."), Words::tr("Print the document shown"), QKeySequence::Print);
    m_save = action("saveAsPdf", Words::tr("Save as PDF..."), Words::tr("Save the document shown as a PDF"),
                    QKeySequence::Save);
    QAction *const close =
        action("closePreview", Words::tr("Close"), Words::tr("Close the preview"), QKeySequence::Close);
    connect(m_print, &QAction::triggered, this, &PreviewWindow::print);
    connect(m_save, &QAction::triggered, this, &PreviewWindow::save);
    connect(close, &QAction::triggered, this, &QWidget::close);
    tools->addSeparator();

    // The two choices, as the window has them; each change makes the document again.
    QAction *const portrait =
        choice(m_orientation, "portrait", Words::tr("Portrait"), Words::tr("Portrait pages"));
    m_landscape = choice(m_orientation, "landscape", Words::tr("Landscape"), Words::tr("Landscape pages"));
    portrait->setChecked(true);
    tools->addSeparator();
    QAction *const fitInPage = choice(m_pictureSize, "fitInPage", Words::tr("Fit in Page"),
                                      Words::tr("Pictures fitted to the page"));
    m_actualSize = choice(m_pictureSize, "actualSize", Words::tr("Actual Size"),
                          Words::tr("Pictures at their own size"));
    fitInPage->setChecked(true);
    connect(m_orientation, &QActionGroup::triggered, this, &PreviewWindow::makeDocument);
    connect(m_pictureSize, &QActionGroup::triggered, this, &PreviewWindow::makeDocument);
    tools->addSeparator();
    QAction *const showErrors = m_errorsPanel->toggleViewAction();
    showErrors->setObjectName(QStringLiteral("showErrors"));
    tools->addAction(showErrors);

    addToolBarBreak();
    QToolBar *const pages = toolBar("pageTools", Words::tr("Pages"));
    into = pages;
    m_first = action("firstPage", Words::tr("First"), Words::tr("First page"),
                     QKeySequence(Qt::CTRL | Qt::Key_Home));
    m_previous = action("previousPage", Words::tr("Previous"), Words::tr("Previous page (Page Up)"));
    m_pageNumber->setObjectName(QStringLiteral("pageNumber"));
    m_pageNumber->setAccessibleName(Words::tr("Page number"));
    m_pageNumber->setKeyboardTracking(false);
    m_pageNumber->setRange(0, 0);
    // Ctrl+Home and Ctrl+End go to the first and the last page from the box too, where its line
    // would take them to the start and the end of the number.
    m_pageNumber->installEventFilter(this);
    pages->addWidget(m_pageNumber);
    m_pageCount->setObjectName(QStringLiteral("pageCount"));
    pages->addWidget(m_pageCount);
    m_next = action("nextPage", Words::tr("Next"), Words::tr("Next page (Page Down)"));
    m_last =
        action("lastPage", Words::tr("Last"), Words::tr("Last page"), QKeySequence(Qt::CTRL | Qt::Key_End));
    connect(m_first, &QAction::triggered, this, [this] { m_view->setCurrentPage(0); });
    connect(m_previous, &QAction::triggered, this,
            [this] { m_view->setCurrentPage(m_view->currentPage() - 1); });
    connect(m_next, &QAction::triggered, this, [this] { m_view->setCurrentPage(m_view->currentPage() + 1); });
    connect(m_last, &QAction::triggered, this, [this] { m_view->setCurrentPage(m_view->pageCount() - 1); });
    connect(m_pageNumber, &QSpinBox::valueChanged, this, [this](int page) {
        if (page >= 1)
            m_view->setCurrentPage(page - 1);
    });
    pages->addSeparator();

    QAction *const fitPage = action("zoomFitPage", Words::tr("Fit Page"), Words::tr("Zoom to the whole page"),
                                    QKeySequence(Qt::CTRL | Qt::Key_1));
    QAction *const fitWidth =
        action("zoomFitWidth", Words::tr("Fit Width"), Words::tr("Zoom to the page's width"),
               QKeySequence(Qt::CTRL | Qt::Key_2));
    QAction *const actual = action("zoom100", Words::tr("100%"), Words::tr("The page at its size on paper"),
                                   QKeySequence(Qt::CTRL | Qt::Key_0));
    QAction *const zoomIn =
        action("zoomIn", Words::tr("Zoom In"), Words::tr("Zoom in"), QKeySequence::ZoomIn);
    QAction *const zoomOut =
        action("zoomOut", Words::tr("Zoom Out"), Words::tr("Zoom out"), QKeySequence::ZoomOut);
    // Ctrl+= is Ctrl++ without Shift on most keyboards.
    zoomIn->setShortcuts({QKeySequence::ZoomIn, QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    m_zoomLevel->setObjectName(QStringLiteral("zoomLevel"));
    pages->addWidget(m_zoomLevel);
    connect(fitPage, &QAction::triggered, this, [this] { m_view->setZoomMode(PageView::ZoomMode::FitPage); });
    connect(fitWidth, &QAction::triggered, this,
            [this] { m_view->setZoomMode(PageView::ZoomMode::FitWidth); });
    connect(actual, &QAction::triggered, this, [this] { m_view->setZoom(1.0); });
    connect(zoomIn, &QAction::triggered, m_view, &PageView::zoomIn);
    connect(zoomOut, &QAction::triggered, m_view, &PageView::zoomOut);

    // The errors of the run, each with its record and the page it is on.
    m_errorsPanel->setObjectName(QStringLiteral("errorsPanel"));
    m_errorsPanel->setWindowTitle(Words::tr("Errors"));
    m_errorsPanel->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable);
    m_errors->setObjectName(QStringLiteral("recordErrors"));
    m_errors->setAccessibleName(Words::tr("Errors of the records"));
    m_errors->setRootIsDecorated(false);
    m_errors->setUniformRowHeights(true);
    m_errors->setHeaderLabels({Words::tr("Record"), Words::tr("Page"), Words::tr("Error")});
    m_errors->header()->setSectionResizeMode(RecordColumn, QHeaderView::ResizeToContents);
    m_errors->header()->setSectionResizeMode(PageColumn, QHeaderView::ResizeToContents);
    m_errors->header()->setSectionResizeMode(ErrorTextColumn, QHeaderView::Stretch);
    m_errorsPanel->setWidget(m_errors);
    addDockWidget(Qt::BottomDockWidgetArea, m_errorsPanel);
    m_errorsPanel->hide();
    connect(m_errors, &QTreeWidget::itemActivated, this, &PreviewWindow::goToErrorPage);

    m_status->setObjectName(QStringLiteral("runStatus"));
    m_progress->setObjectName(QStringLiteral("runProgress"));
    m_progress->setAccessibleName(Words::tr("Pages made"));
    m_progress->setMaximumWidth(200);
    m_cancel->setObjectName(QStringLiteral("cancelRun"));
    m_cancel->setText(Words::tr("&Cancel"));
    m_cancel->setToolTip(Words::tr("Stop making the document"));
    statusBar()->addWidget(m_status, 1);
    statusBar()->addPermanentWidget(m_progress);
    statusBar()->addPermanentWidget(m_cancel);
    connect(m_cancel, &QPushButton::clicked, this, [this] {
        if (m_sending)
            m_sendingStopped = true;
        else
            m_document->stop();
    });

    // A window about as tall as the screen's room, for a whole page at a readable size, and wide
    // enough for its tools.
    if (const QScreen *const screen = QGuiApplication::primaryScreen()) {
        const QRect room = screen->availableGeometry();
        const int wanted =
            std::max({room.height() * 3 / 4, tools->sizeHint().width() + 2 * tools->iconSize().width(),
                      pages->sizeHint().width() + 2 * pages->iconSize().width()});
        resize(std::min(room.width(), wanted), room.height() * 9 / 10);
    }
    m_view->setFocus();
}

void PreviewWindow::makeDocument()
{
    // The page in view stays in view when the document is made again, as soon as it is made.
    m_keepPage = std::max(m_view->currentPage(), 0);
    m_view->setPages(nullptr);
    m_view->setPageCount(0);
    m_view->setMessage(Words::tr("Making the first page..."));
    m_errors->clear();
    m_document =
        std::make_unique<PreviewDocument>(m_data, !m_landscape->isChecked(), !m_actualSize->isChecked());
    connect(m_document.get(), &PreviewDocument::pagesMadeChanged, this, &PreviewWindow::pagesMade);
    connect(m_document.get(), &PreviewDocument::errorReported, this, &PreviewWindow::addError);
    connect(m_document.get(), &PreviewDocument::ended, this, &PreviewWindow::runEnded);
    m_document->start();
    updateControls();
}

void PreviewWindow::pagesMade(int pages)
{
    m_view->setPageCount(pages);
    if (m_view->loadedPageCount() == 0)
        loadPages(0);
    if (m_keepPage > 0 && pages > m_keepPage) {
        m_view->setCurrentPage(m_keepPage);
        m_keepPage = 0;
    }
    updateControls();
}

void PreviewWindow::loadPages(int around)
{
    const PreviewDocument::Pages loaded = m_document->openPages(around);
    if (loaded.pages)
        m_view->setPages(loaded.pages, loaded.first);
}

void PreviewWindow::runEnded()
{
    switch (m_document->state()) {
    case PreviewDocument::State::Finished:
        // From here on the view reads the finished document.
        if (m_document->hasDocument()) {
            loadPages(std::max(m_view->currentPage(), 0));
            if (m_keepPage > 0)
                m_view->setCurrentPage(m_keepPage);
        } else {
            m_view->setPages(nullptr);
            m_view->setMessage(Words::tr("There are no pages to show."));
        }
        m_keepPage = 0;
        break;
    case PreviewDocument::State::Stopped:
        m_keepPage = 0;
        break;
    case PreviewDocument::State::Failed:
        m_view->setPages(nullptr);
        m_view->setPageCount(0);
        m_view->setMessage(m_document->failure()->messageText());
        messages().error(m_document->failure()->messageText());
        break;
    case PreviewDocument::State::Making:
        break;
    }
    updateControls();
    emit documentEnded();
}

void PreviewWindow::addError(const PreviewDocument::RecordError &error)
{
    auto *const item = new QTreeWidgetItem(m_errors);
    item->setText(RecordColumn, error.record > 0 ? number(error.record) : QString());
    item->setText(PageColumn, number(error.page));
    item->setText(ErrorTextColumn, error.error.logLine());
    item->setToolTip(ErrorTextColumn, error.error.logLine());
    item->setData(PageColumn, Qt::UserRole, error.page);
    item->setTextAlignment(RecordColumn, Qt::AlignRight | Qt::AlignVCenter);
    item->setTextAlignment(PageColumn, Qt::AlignRight | Qt::AlignVCenter);
    // The panel comes up with the first error, a few lines high: the page stays the main thing.
    if (!m_errorsPanel->isVisible()) {
        m_errorsPanel->show();
        resizeDocks({m_errorsPanel}, {m_errors->fontMetrics().height() * 8}, Qt::Vertical);
    }
}

void PreviewWindow::goToErrorPage(QTreeWidgetItem *item)
{
    if (item != nullptr)
        m_view->setCurrentPage(item->data(PageColumn, Qt::UserRole).toInt() - 1);
}

void PreviewWindow::pageShown(int index)
{
    const QSignalBlocker quiet(m_pageNumber);
    m_pageNumber->setValue(index + 1);
    updateControls();
    // Screen readers say the page that is shown now.
    QAccessibleValueChangeEvent event(m_pageNumber, index + 1);
    QAccessible::updateAccessibility(&event);
}

void PreviewWindow::zoomShown(double zoom)
{
    m_zoomLevel->setText(Words::tr("%1%").arg(std::lround(zoom * 100)));
}

void PreviewWindow::updateControls()
{
    const int pages = m_view->pageCount();
    const int current = m_view->currentPage();
    {
        const QSignalBlocker quiet(m_pageNumber);
        m_pageNumber->setRange(pages > 0 ? 1 : 0, pages);
        m_pageNumber->setValue(current + 1);
    }
    m_pageNumber->setEnabled(pages > 0);
    m_pageCount->setText(Words::tr("of %1").arg(number(pages)));
    m_first->setEnabled(current > 0);
    m_previous->setEnabled(current > 0);
    m_next->setEnabled(current + 1 < pages);
    m_last->setEnabled(current + 1 < pages);

    const PreviewDocument::State state = m_document->state();
    const bool making = state == PreviewDocument::State::Making;
    m_print->setEnabled(m_document->hasDocument());
    m_save->setEnabled(m_document->hasDocument());
    m_progress->setVisible(making);
    m_cancel->setVisible(making);
    const qsizetype errors = m_errors->topLevelItemCount();
    QString status;
    switch (state) {
    case PreviewDocument::State::Making: {
        const qint64 total = pages > 0 ? m_document->recordTotal() : 0;
        m_progress->setRange(0, int(std::min<qint64>(total, std::numeric_limits<int>::max())));
        m_progress->setValue(int(std::min<qint64>(m_document->recordsRead(), m_progress->maximum())));
        status = total > 0 ? Words::tr("Making the document: record %1 of %2.")
                                 .arg(number(m_document->recordsRead()), number(total))
                           : Words::tr("Making the document.");
        break;
    }
    case PreviewDocument::State::Finished:
        status = Words::tr("The document has %n page(s).", nullptr, pages);
        break;
    case PreviewDocument::State::Stopped:
        status =
            Words::tr("Stopped after %n page(s): the document is not whole, so it is neither printed nor "
                      "saved. Change a choice to make it again.",
                      nullptr, m_document->pagesMade());
        break;
    case PreviewDocument::State::Failed:
        status = Words::tr("The document could not be made.");
        break;
    }
    if (errors > 0)
        status = Words::tr("%1 %n record error(s).", nullptr, int(errors)).arg(status);
    m_status->setText(status);
}

bool PreviewWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride) {
        const auto *const key = static_cast<const QKeyEvent *>(event);
        if ((key->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier &&
            (key->key() == Qt::Key_Home || key->key() == Qt::Key_End))
            return true; // not taken by the line: the window's shortcut has it
    }
    return QMainWindow::eventFilter(watched, event);
}

MessageSink &PreviewWindow::messages() const
{
    return m_sink != nullptr ? *m_sink : *m_messageBoxes;
}

void PreviewWindow::setMessageSink(MessageSink *sink)
{
    m_sink = sink;
}

bool PreviewWindow::followSending(const SendingStatus &status)
{
    m_status->setText(status.text);
    m_progress->setRange(0, std::max(status.total, 0));
    if (status.total > 0)
        m_progress->setValue(std::min(status.sent, status.total));
    m_progress->setVisible(true);
    m_cancel->setVisible(true);
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return !m_sendingStopped;
}

void PreviewWindow::closeEvent(QCloseEvent *event)
{
    // A document being handed to a printer is given up first; the window closes once that has
    // returned. A run under way is stopped and its document thrown away with it.
    if (m_sending) {
        m_sendingStopped = true;
        event->ignore();
        QTimer::singleShot(0, this, &QWidget::close);
        return;
    }
    m_document->stop();
    event->accept();
}

void PreviewWindow::save()
{
    if (!m_document->hasDocument())
        return;
    const QString listName = QFileInfo(m_document->run().listFileName()).completeBaseName();
    QFileDialog dialog(
        this, Words::tr("Save as PDF"),
        QDir(m_data.folder)
            .filePath((listName.isEmpty() ? QStringLiteral("document") : listName) + QStringLiteral(".pdf")),
        Words::tr("PDF documents (*.pdf)"));
    dialog.setObjectName(QStringLiteral("saveDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    saveAs(dialog.selectedFiles().constFirst());
}

bool PreviewWindow::saveAs(const QString &path)
{
    if (!m_document->hasDocument())
        return false;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    auto restore = qScopeGuard([] { QGuiApplication::restoreOverrideCursor(); });
    try {
        const std::unique_ptr<DocumentTarget> target = DocumentTarget::userFile(path);
        OutputDevice &device = target->open();
        QFile document(m_document->documentPath());
        if (!document.open(QIODevice::ReadOnly))
            throw PrintError(PrintError::DocumentNotWritable,
                             Words::tr("The document shown could not be read again to be saved: %1.")
                                 .arg(document.errorString()));
        QByteArray chunk(1024 * 1024, Qt::Uninitialized);
        qint64 read = 0;
        while ((read = document.read(chunk.data(), chunk.size())) > 0) {
            if (const int error = writeAll(device, chunk.constData(), size_t(read)))
                throw PrintError(PrintError::DocumentNotWritable,
                                 Words::tr("The document could not be saved as %1: %2.")
                                     .arg(displayPath(path), systemReason(error)));
        }
        if (read < 0)
            throw PrintError(PrintError::DocumentNotWritable,
                             Words::tr("The document shown could not be read again to be saved: %1.")
                                 .arg(document.errorString()));
        target->finish(m_document->summary());
    } catch (const PrintError &error) {
        restore.dismiss();
        QGuiApplication::restoreOverrideCursor();
        messages().error(error.messageText());
        return false;
    }
    m_status->setText(Words::tr("The document was saved as %1.").arg(displayPath(path)));
    return true;
}

void PreviewWindow::print()
{
    if (!m_document->hasDocument())
        return;
    Cups::QueueList queues;
    {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        const auto restore = qScopeGuard([] { QGuiApplication::restoreOverrideCursor(); });
        queues = Cups::listQueues();
    }
    PrintDialog dialog(queues, this);
    if (dialog.exec() != QDialog::Accepted || dialog.printer().isEmpty())
        return;
    printOn(dialog.printer(), dialog.jobOptions());
}

bool PreviewWindow::printOn(const QString &printer, const Cups::JobOptions &options)
{
    if (!m_document->hasDocument())
        return false;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    auto restore = qScopeGuard([] { QGuiApplication::restoreOverrideCursor(); });
    // The document is laid out on its own paper, and the job asks for that paper: printed without
    // scaling on another, its pages would be cut or shifted. A printer that does not offer it
    // refuses the job here, before anything is spent, as it refuses any option it lacks.
    const QString media = Cups::mediaKeyword(m_document->paper().pageSize());
    Cups::JobOptions asked = options;
    if (!media.isEmpty())
        asked.append({QByteArrayLiteral("media"), media.toUtf8()});
    const Cups::DefaultPrinter found = Cups::lookUpPrinter(printer, asked);
    PrintOutcome outcome;
    QList<QWidget *> parts{m_view, m_errorsPanel};
    for (QToolBar *const bar : findChildren<QToolBar *>())
        parts << bar;
    try {
        if (found.status != Cups::DefaultPrinter::Found || !found.printer)
            throw PrinterSurface::lookUpFailure(found, printer);
        Cups::PrinterInfo info = *found.printer;
        if (!media.isEmpty())
            info.media = media;
        // The window's controls are put aside while the document is sent: only Cancel and the close
        // box are heard.
        m_sending = true;
        m_sendingStopped = false;
        const auto sent = qScopeGuard([this, &parts] {
            m_sending = false;
            for (QWidget *const part : parts)
                part->setEnabled(true);
            updateControls();
        });
        for (QWidget *const part : parts)
            part->setEnabled(false);
        sendDocument(info, m_document->documentPath(), m_document->summary(), outcome,
                     [this](const SendingStatus &status) { return followSending(status); });
    } catch (const PrintError &error) {
        restore.dismiss();
        QGuiApplication::restoreOverrideCursor();
        messages().error(error.messageText());
        return false;
    }
    restore.dismiss();
    QGuiApplication::restoreOverrideCursor();
    const QString told = RunReport(m_document->run(), outcome).closingLine(QString(), 0, false);
    m_status->setText(told);
    messages().information(told);
    return true;
}
