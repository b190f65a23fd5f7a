// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "frmprinter.h"

#include "application.h"
#include "listfile.h"
#include "pagelayout.h"
#include "picturebox.h"
#include "printerror.h"
#include "printersurface.h"
#include "printjob.h"
#include "printrun.h"
#include "progresswindow.h"
#include "runreport.h"
#include "windowicon.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QDir>
#include <QFontDatabase>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

namespace {

// How long the run waits, at most, for the progress window to become active once it shows.
constexpr qint64 ActivationWaitMs = 200;

// The form is laid out in twips, a logical pixel being as many twips as at 96 dots per inch, times
// the scale the desktop's font asks for (1 at the usual font). Rounded to the nearest pixel.
int px(int twips, double scale = 1.0)
{
    return int(std::lround(twips * scale / PageLayout::TwipsPerPixel));
}

// The desktop font the form was made for: 9 points at 96 dots per inch, 12 pixels.
constexpr double DesignFontPixels = 12.0;

// A control's place in twips: in the form, or in its frame for an option.
struct TwipsRect
{
    int left;
    int top;
    int width;
    int height;
};

QRect pixels(const TwipsRect &twips, double scale)
{
    return {px(twips.left, scale), px(twips.top, scale), px(twips.width, scale), px(twips.height, scale)};
}

// The form's measures, in twips.
namespace FormLayout {
constexpr int Width = 3945;
constexpr int Height = 1755;
constexpr TwipsRect Print{1065, 1245, 900, 375};
constexpr TwipsRect Exit{2025, 1245, 855, 375};
constexpr TwipsRect OrientationFrame{172, 135, 1815, 915};
constexpr TwipsRect PictureSizeFrame{1957, 135, 1815, 915};
constexpr TwipsRect Portrait{345, 240, 945, 255};
constexpr TwipsRect Landscape{345, 555, 1110, 255};
constexpr TwipsRect FitInPage{300, 255, 1110, 255};
constexpr TwipsRect ActualSize{300, 570, 1185, 255};
constexpr TwipsRect Image1{135, 1275, 795, 300};
} // namespace FormLayout

const QColor GroupCaptionColour(0, 0, 128);
const QColor OptionCaptionColour(29, 19, 145);

// The contrast ratio of two colours as WCAG defines it, from 1 (the same) to 21 (black on white).
double luminance(const QColor &colour)
{
    const auto linear = [](double channel) {
        return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) +
           0.0722 * linear(colour.blueF());
}

// The blues of the window's design are for a light window. On a dark one the same hue is taken
// lighter until it reads, at least 4.5 : 1 against the window.
constexpr double ReadableContrast = 4.5;

QColor captionColourOn(const QColor &design, const QColor &window)
{
    if (luminance(window) >= 0.18 || frmPrinter::contrast(design, window) >= ReadableContrast)
        return design;
    QColor lighter = design.toHsl();
    for (int lightness = lighter.lightness(); lightness <= 255; ++lightness) {
        lighter.setHsl(lighter.hslHue(), lighter.hslSaturation(), lightness);
        if (frmPrinter::contrast(lighter, window) >= ReadableContrast)
            break;
    }
    return lighter.toRgb();
}

// Caption colour of a control while it is enabled; a disabled control keeps the style's grey.
void setCaptionColour(QWidget *widget, const QColor &design, const QPalette &window)
{
    QPalette palette = widget->palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
        palette.setColor(group, QPalette::WindowText,
                         captionColourOn(design, window.color(group, QPalette::Window)));
    widget->setPalette(palette);
}

std::unique_ptr<PrintSurface> defaultPrinter(const QString &programFolder)
{
    return PrinterSurface::forDefaultPrinter(programFolder);
}

// Records in a list file, from a quick count of its lines (the first line names the fields); 0 when
// there is no readable list file.
qint64 countRecords(const QString &listFilePath)
{
    if (listFilePath.isEmpty())
        return 0;
    const qint64 lines = ListFileReader::countLines(listFilePath);
    return lines > 1 ? lines - 1 : 0;
}

} // namespace

double frmPrinter::contrast(const QColor &first, const QColor &second)
{
    const double a = luminance(first);
    const double b = luminance(second);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

bool frmPrinter::captionFits(const QAbstractButton &button)
{
    // A push button's size hint has a minimum width of its own; what matters is its text and the
    // style's margins. An option's size hint is its indicator, spacing and text.
    if (qobject_cast<const QPushButton *>(&button) != nullptr) {
        const QString text = QString(button.text()).remove(QLatin1Char('&'));
        const int margin = button.style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, &button);
        return button.fontMetrics().horizontalAdvance(text) + 2 * margin <= button.width();
    }
    return button.sizeHint().width() <= button.width();
}

namespace {

// Whether every caption of the window shows whole in its control at the window's current font.
bool captionsFit(const QWidget &window)
{
    const auto buttons = window.findChildren<QAbstractButton *>();
    return std::all_of(buttons.cbegin(), buttons.cend(),
                       [](const QAbstractButton *button) { return frmPrinter::captionFits(*button); });
}

// Fonts to try for the window, best first: the desktop's own at its size and a little smaller,
// then narrow faces, then smaller still. The sizes are those of the form as it was made (9 points
// at 96 dots per inch); a form laid out larger by scale takes them larger by as much, and a font
// resolution above 96 dots per inch gives as many points more pixels.
QList<QFont> captionFontCandidates(const QFont &desktop, double scale, double dotsPerInch)
{
    const double toPoints = scale * 96.0 / dotsPerInch;
    const double size = QFontInfo(desktop).pointSizeF() / toPoints;
    auto sized = [toPoints](QFont font, double points) {
        font.setPointSizeF(points * toPoints);
        return font;
    };
    QList<QFont> fonts;
    for (double points = size; points >= 8.0; points -= 0.5)
        fonts << sized(desktop, points);
    const QStringList families = QFontDatabase::families();
    for (const char *narrow :
         {"Nimbus Sans Narrow", "Liberation Sans Narrow", "DejaVu Sans Condensed", "Arial Narrow"}) {
        if (!families.contains(QLatin1String(narrow)))
            continue;
        for (double points = size; points >= 7.5; points -= 0.5)
            fonts << sized(QFont(QLatin1String(narrow)), points);
    }
    for (double points = std::min(size, 7.5); points >= 6.5; points -= 0.5)
        fonts << sized(desktop, points);
    return fonts;
}

} // namespace

void frmPrinter::Reporter::showError(const PrintError &error)
{
    m_window.messages().error(error.messageText());
}

frmPrinter::frmPrinter(QString programFolder, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_programFolder(std::move(programFolder)), m_cmdPrint(new QPushButton(this)),
      m_cmdExit(new QPushButton(this)), m_frame2(new QGroupBox(this)), m_frame3(new QGroupBox(this)),
      m_optOrientation(new QButtonGroup(this)), m_optSize(new QButtonGroup(this)),
      m_image1(new PictureBox(PictureBox::screenLogicalDpi(), this)), m_progress(new ProgressWindow(this)),
      m_escapeExits(new QShortcut(QKeySequence(Qt::Key_Escape), this)), m_stepTimer(new QTimer(this)),
      m_messageBoxes(std::make_unique<MessageBoxSink>(this, ApplicationTitle)), m_reporter(*this),
      m_surfaceFactory(defaultPrinter)
{
    buildControls();
    Form_Load();
}

frmPrinter::~frmPrinter()
{
    // A window destroyed in the middle of a run leaves no document and no busy cursor behind.
    if (!running())
        return;
    if (m_surface) {
        try {
            m_surface->discardDocument();
        } catch (const PrintError &) {
            // Nothing is left to tell it to.
        }
    }
    QGuiApplication::restoreOverrideCursor();
}

void frmPrinter::buildControls()
{
    setObjectName(QStringLiteral("frmPrinter"));
    setWindowTitle(ApplicationTitle);
    // A desktop font larger than the one the form was made for (or a font resolution above the
    // scale) makes the whole form larger by as much, so that it keeps its proportions.
    // The font's requested size, not the nearest size it is drawn at.
    const double fontPixels =
        font().pointSizeF() > 0 ? font().pointSizeF() * logicalDpiY() / 72.0 : double(font().pixelSize());
    m_layoutScale = std::max(1.0, fontPixels / DesignFontPixels);
    const double scale = m_layoutScale;
    setFixedSize(px(FormLayout::Width, scale), px(FormLayout::Height, scale));

    auto commandButton = [this](QPushButton *button, const char *name, const QString &caption,
                                QRect geometry) {
        button->setObjectName(QLatin1String(name));
        button->setText(caption);
        button->setGeometry(geometry);
        button->setToolTip(tr("Start Printing..."));
        // No default button: Enter only presses the button that has the focus (see eventFilter).
        button->setAutoDefault(false);
        button->setDefault(false);
        button->installEventFilter(this);
    };
    commandButton(m_cmdPrint, "cmdPrint", tr("&Print"), pixels(FormLayout::Print, scale));
    commandButton(m_cmdExit, "cmdExit", tr("&Exit"), pixels(FormLayout::Exit, scale));

    auto frame = [](QGroupBox *box, const char *name, const QString &caption, QRect geometry) {
        box->setObjectName(QLatin1String(name));
        box->setTitle(caption);
        box->setGeometry(geometry);
        box->setFocusPolicy(Qt::NoFocus);
    };
    frame(m_frame2, "Frame2", tr("Orientation"), pixels(FormLayout::OrientationFrame, scale));
    frame(m_frame3, "Frame3", tr("Picture Size"), pixels(FormLayout::PictureSizeFrame, scale));

    auto option = [](QButtonGroup *array, int index, const QString &caption, QGroupBox *box, QRect geometry) {
        auto *const button = new QRadioButton(caption, box);
        button->setObjectName(QStringLiteral("%1_%2").arg(array->objectName()).arg(index));
        button->setGeometry(geometry);
        array->addButton(button, index);
        return button;
    };
    m_optOrientation->setObjectName(QStringLiteral("optOrientation"));
    m_optSize->setObjectName(QStringLiteral("optSize"));
    m_optOrientation->setExclusive(true);
    m_optSize->setExclusive(true);
    QRadioButton *const portrait =
        option(m_optOrientation, 0, tr("Portrait"), m_frame2, pixels(FormLayout::Portrait, scale));
    QRadioButton *const landscape =
        option(m_optOrientation, 1, tr("Landscape"), m_frame2, pixels(FormLayout::Landscape, scale));
    QRadioButton *const fitInPage =
        option(m_optSize, 0, tr("Fit in Page"), m_frame3, pixels(FormLayout::FitInPage, scale));
    QRadioButton *const actualSize =
        option(m_optSize, 1, tr("Actual Size"), m_frame3, pixels(FormLayout::ActualSize, scale));
    portrait->setChecked(true);
    fitInPage->setChecked(true);

    m_image1->setObjectName(QStringLiteral("Image1"));
    m_image1->setGeometry(pixels(FormLayout::Image1, scale));
    applyCaptionColours();
    m_progress->setWindowTitle(ApplicationTitle);

    fitCaptionFont();

    QWidget::setTabOrder(portrait, landscape);
    QWidget::setTabOrder(landscape, fitInPage);
    QWidget::setTabOrder(fitInPage, actualSize);
    QWidget::setTabOrder(actualSize, m_cmdPrint);
    QWidget::setTabOrder(m_cmdPrint, m_cmdExit);

    // Esc is Exit from wherever the focus is.
    connect(m_escapeExits, &QShortcut::activated, m_cmdExit, &QPushButton::click);

    m_stepTimer->setSingleShot(true);
    m_stepTimer->setInterval(0);
    connect(m_stepTimer, &QTimer::timeout, this, &frmPrinter::runStep);

    connect(m_progress, &ProgressWindow::cancelRequested, this, &frmPrinter::stopRun);
    connect(m_cmdPrint, &QPushButton::clicked, this, &frmPrinter::cmdPrint_Click);
    connect(m_cmdExit, &QPushButton::clicked, this, &frmPrinter::cmdExit_Click);
}

void frmPrinter::applyCaptionColours()
{
    for (QGroupBox *const box : {m_frame2, m_frame3})
        setCaptionColour(box, GroupCaptionColour, palette());
    for (QButtonGroup *const array : {m_optOrientation, m_optSize}) {
        for (QAbstractButton *const button : array->buttons())
            setCaptionColour(button, OptionCaptionColour, palette());
    }
}

void frmPrinter::changeEvent(QEvent *event)
{
    // A desktop that switches between a light and a dark theme changes the window's palette.
    if (event->type() == QEvent::PaletteChange)
        applyCaptionColours();
    QWidget::changeEvent(event);
}

void frmPrinter::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Compositors (Wayland's above all) treat a window as fixed only when its window says so itself.
    if (QWindow *const window = windowHandle()) {
        window->setMinimumSize(size());
        window->setMaximumSize(size());
    }
}

void frmPrinter::fitCaptionFont()
{
    // The controls keep the sizes of the fixed layout; where the desktop's font is too wide for a
    // caption ("Landscape" has 74 pixels), the window takes a smaller or narrower one. No control
    // has a font of its own: they all follow the window's.
    const QList<QFont> candidates = captionFontCandidates(font(), m_layoutScale, logicalDpiY());
    for (const QFont &candidate : candidates) {
        setFont(candidate);
        if (captionsFit(*this))
            return;
    }
}

void frmPrinter::Form_Load()
{
    // A fresh run: empty field list, no list file open.
    m_run = std::make_unique<PrintRun>(m_programFolder, *m_image1, m_reporter, *this);
    setWindowIcon(genericWindowIcon());
    optOrientation(0)->setFocus();
    centreOnScreen();
}

void frmPrinter::centreOnScreen()
{
    const QScreen *const screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    move(
        QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(), screen->availableGeometry()).topLeft());
}

void frmPrinter::Form_Unload()
{
    m_run->closeListFile();
}

void frmPrinter::closeEvent(QCloseEvent *event)
{
    // Closing is never refused. During a run the window cannot go away from under it: the run is
    // stopped as Cancel stops it, and the window closes as soon as the run has ended.
    if (running()) {
        m_closeWhenRunEnds = true;
        stopRun();
        event->ignore();
        return;
    }
    Form_Unload();
    event->accept();
}

void frmPrinter::cmdExit_Click()
{
    close();
}

void frmPrinter::cmdPrint_Click()
{
    // Print is disabled during a run, but the slot can still be called.
    if (running())
        return;
    m_runStage = RunStage::Opening;
    m_runFailure.reset();
    m_outcome = PrintOutcome();
    m_stopAsked = false;
    m_progressDue = false;
    m_awaitingActivation = false;
    // Counted when the progress window first needs it: the run opens the list file first.
    m_recordTotal = -1;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    setControlsEnabled(false);
    m_runClock.start();
    m_sinceProgressDrawn.start();
    m_stepTimer->start();
}

void frmPrinter::runStep()
{
    try {
        switch (m_runStage) {
        case RunStage::None:
            return;
        case RunStage::Opening:
            openRun();
            break;
        case RunStage::Printing:
            printStep();
            break;
        case RunStage::Ending:
            endRun();
            return;
        }
    } catch (const PrintError &error) {
        // The printer itself failed; the run is over, its document neither ended nor discarded.
        m_runFailure = error;
        m_runStage = RunStage::Ending;
    }
    // The window is put back a step later, so that input which came while the run held the thread
    // still finds it busy (a second press of Print would print everything again).
    m_stepTimer->start();
}

void frmPrinter::openRun()
{
    m_runStage = RunStage::Ending;
    // Closed before the run could begin: nothing is printed.
    if (m_stopAsked)
        return;
    // The default printer asks the print system nothing until the run first needs it, after the
    // list file has been opened.
    m_surface = m_surfaceFactory(m_programFolder);
    if (!m_surface)
        return;
    if (auto *const printer = dynamic_cast<PrinterSurface *>(m_surface.get()))
        printer->setSendingHandler([this](const SendingStatus &status) { return followSending(status); });
    m_run->beginRun(*m_surface);
    m_runStage = RunStage::Printing;
}

void frmPrinter::printStep()
{
    if (m_progressDue) {
        showProgress();
        return;
    }
    // The progress window, just shown, is given a moment to become active before the next page, so
    // that Cancel has the keyboard from then on. A window manager that does not activate it holds
    // the run up no longer than that.
    if (m_awaitingActivation) {
        if (!m_progress->isActiveWindow() && m_sinceProgressDrawn.elapsed() < ActivationWaitMs)
            return;
        m_awaitingActivation = false;
    }
    if (m_stopAsked)
        m_run->requestStop();
    if (m_run->printNextPage()) {
        notePagePrinted();
        return;
    }
    m_runStage = RunStage::Ending;
    m_run->finishRun();
    m_outcome = m_surface->outcome();
}

void frmPrinter::notePagePrinted()
{
    if (m_progress->isVisible()) {
        if (m_sinceProgressDrawn.elapsed() >= m_repaintEveryMs) {
            m_progress->setProgress(m_run->recordsPrinted(), m_recordTotal);
            m_sinceProgressDrawn.restart();
        }
    } else if (m_runClock.elapsed() >= m_showProgressAfterMs) {
        m_progressDue = true;
    }
}

void frmPrinter::showProgress()
{
    m_progressDue = false;
    if (m_recordTotal < 0)
        m_recordTotal = countRecords(m_run->listFilePath());
    m_progress->setProgress(m_run->recordsPrinted(), m_recordTotal);
    m_progress->move(geometry().center() - m_progress->rect().center());
    m_progress->show();
    m_progress->activateWindow();
    m_awaitingActivation = true;
    m_sinceProgressDrawn.restart();
}

void frmPrinter::endRun()
{
    const bool ran = m_surface != nullptr;
    // The surface hands its document on or throws it away before it goes; by now it has done so.
    m_surface.reset();
    m_progress->hide();
    QGuiApplication::restoreOverrideCursor();
    setControlsEnabled(true);
    m_runStage = RunStage::None;
    const auto ended = qScopeGuard([this] { emit runEnded(); });

    // The busy cursor and the progress window are gone by now. A window closed during the run
    // closes now, and says nothing more.
    if (std::exchange(m_closeWhenRunEnds, false)) {
        close();
        return;
    }
    if (m_runFailure) {
        m_reporter.report(*m_runFailure);
        return;
    }
    if (!ran)
        return;
    const QString told = RunReport(*m_run, m_outcome).windowMessage([this] {
        return m_recordTotal >= 0 ? m_recordTotal : countRecords(m_run->listFilePath());
    });
    if (!told.isEmpty())
        messages().information(told);
}

void frmPrinter::setControlsEnabled(bool enabled)
{
    if (!enabled)
        m_focusBeforeRun = focusWidget();
    for (QWidget *const control : {static_cast<QWidget *>(m_frame2), static_cast<QWidget *>(m_frame3),
                                   static_cast<QWidget *>(m_cmdPrint), static_cast<QWidget *>(m_cmdExit)})
        control->setEnabled(enabled);
    m_escapeExits->setEnabled(enabled);
    if (enabled && m_focusBeforeRun)
        m_focusBeforeRun->setFocus();
}

void frmPrinter::stopRun()
{
    // A request made outside a run would stop the next one.
    if (running())
        m_stopAsked = true;
}

bool frmPrinter::followSending(const SendingStatus &status)
{
    // The document is ended and handed to the printer within the run's last step: the events are
    // let through here, so that the progress window shows how it goes and takes Cancel. A wait
    // for the printer shows at once.
    const bool waiting = status.stage == SendingStatus::Waiting;
    if (!m_progress->isVisible() && (waiting || m_runClock.elapsed() >= m_showProgressAfterMs)) {
        m_progressDue = false;
        // Set first: a printer's address can make the window wider, and it is centred as it shows.
        m_progress->setStatus(status.text, status.sent, status.total);
        m_progress->move(geometry().center() - m_progress->rect().center());
        m_progress->show();
        m_progress->activateWindow();
        m_sinceProgressDrawn.restart();
    } else if (m_progress->isVisible() && (waiting || m_sinceProgressDrawn.elapsed() >= m_repaintEveryMs)) {
        m_progress->setStatus(status.text, status.sent, status.total);
        m_sinceProgressDrawn.restart();
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return !m_stopAsked;
}

bool frmPrinter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && (watched == m_cmdPrint || watched == m_cmdExit)) {
        const auto *const key = static_cast<const QKeyEvent *>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (enter && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            static_cast<QPushButton *>(watched)->click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmPrinter::setSurfaceFactory(SurfaceFactory factory)
{
    m_surfaceFactory = factory ? std::move(factory) : SurfaceFactory(defaultPrinter);
}

void frmPrinter::setMessageSink(MessageSink *sink)
{
    m_sink = sink;
}

void frmPrinter::setProgressTiming(int showAfterMs, int repaintEveryMs)
{
    m_showProgressAfterMs = showAfterMs;
    m_repaintEveryMs = repaintEveryMs;
}

QRadioButton *frmPrinter::optOrientation(int index) const
{
    return qobject_cast<QRadioButton *>(m_optOrientation->button(index));
}

QRadioButton *frmPrinter::optSize(int index) const
{
    return qobject_cast<QRadioButton *>(m_optSize->button(index));
}

bool frmPrinter::portraitSelected() const
{
    return m_optOrientation->checkedId() == 0;
}

bool frmPrinter::fitInPageSelected() const
{
    return m_optSize->checkedId() == 0;
}
