// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "frmprinter.h"

#include "accessibility.h"
#include "application.h"
#include "captioncolours.h"
#include "formlayout.h"
#include "picturebox.h"
#include "printersurface.h"
#include "printrun.h"
#include "progresswindow.h"
#include "runreport.h"
#include "steppedrun.h"
#include "windowicon.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QShortcut>
#include <QWindow>

#include <utility>

frmPrinter::frmPrinter(QString programFolder, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_programFolder(std::move(programFolder)), m_cmdPrint(new QPushButton(this)),
      m_cmdExit(new QPushButton(this)), m_frame2(new QGroupBox(this)), m_frame3(new QGroupBox(this)),
      m_optOrientation(new QButtonGroup(this)), m_optSize(new QButtonGroup(this)),
      m_image1(new PictureBox(PictureBox::screenLogicalDpi(), this)), m_progress(new ProgressWindow(this)),
      m_escapeExits(new QShortcut(QKeySequence(Qt::Key_Escape), this)),
      m_messageBoxes(std::make_unique<MessageBoxSink>(this, ApplicationTitle)), m_reporter(*this),
      m_surfaceFactory(PrinterSurface::forDefaultPrinter)
{
    buildControls();
    Form_Load();
}

frmPrinter::~frmPrinter() = default;

void frmPrinter::buildControls()
{
    Accessibility::exposeAsApplicationWindow(*this);
    setObjectName(QStringLiteral("frmPrinter"));
    setWindowTitle(ApplicationTitle);
    // A desktop font larger than the one the form was made for (or a font resolution above the
    // scale) makes the whole form larger by as much, so that it keeps its proportions.
    m_layoutScale = FormLayout::scaleFor(font(), logicalDpiY());
    setFixedSize(FormLayout::px(FormLayout::Width, m_layoutScale),
                 FormLayout::px(FormLayout::Height, m_layoutScale));
    buildCommands(m_layoutScale);
    buildFrames(m_layoutScale);
    buildOptions(m_layoutScale);
    m_image1->setObjectName(QStringLiteral("Image1"));
    m_image1->setGeometry(FormLayout::pixels(FormLayout::Image1, m_layoutScale));
    applyCaptionColours();
    FormLayout::fitCaptionFont(*this, m_layoutScale);
    connectControls();
}

void frmPrinter::buildCommands(double scale)
{
    auto commandButton = [this, scale](QPushButton *button, const char *name, const QString &caption,
                                       const FormLayout::TwipsRect &place) {
        button->setObjectName(QLatin1String(name));
        button->setText(caption);
        button->setGeometry(FormLayout::pixels(place, scale));
        button->setToolTip(tr("Start Printing..."));
        // No default button: Enter only presses the button that has the focus (see eventFilter).
        button->setAutoDefault(false);
        button->setDefault(false);
        button->installEventFilter(this);
    };
    commandButton(m_cmdPrint, "cmdPrint", tr("&Print"), FormLayout::Print);
    commandButton(m_cmdExit, "cmdExit", tr("&Exit"), FormLayout::Exit);
}

void frmPrinter::buildFrames(double scale)
{
    auto frame = [scale](QGroupBox *box, const char *name, const QString &caption,
                         const FormLayout::TwipsRect &place) {
        box->setObjectName(QLatin1String(name));
        box->setTitle(caption);
        box->setGeometry(FormLayout::pixels(place, scale));
        box->setFocusPolicy(Qt::NoFocus);
    };
    frame(m_frame2, "Frame2", tr("Orientation"), FormLayout::OrientationFrame);
    frame(m_frame3, "Frame3", tr("Picture Size"), FormLayout::PictureSizeFrame);
}

void frmPrinter::buildOptions(double scale)
{
    auto option = [scale](QButtonGroup *array, int index, const QString &caption, QGroupBox *box,
                          const FormLayout::TwipsRect &place) {
        auto *const button = new QRadioButton(caption, box);
        button->setObjectName(QStringLiteral("%1_%2").arg(array->objectName()).arg(index));
        button->setGeometry(FormLayout::pixels(place, scale));
        array->addButton(button, index);
        return button;
    };
    m_optOrientation->setObjectName(QStringLiteral("optOrientation"));
    m_optSize->setObjectName(QStringLiteral("optSize"));
    m_optOrientation->setExclusive(true);
    m_optSize->setExclusive(true);
    QRadioButton *const portrait =
        option(m_optOrientation, 0, tr("Portrait"), m_frame2, FormLayout::Portrait);
    QRadioButton *const landscape =
        option(m_optOrientation, 1, tr("Landscape"), m_frame2, FormLayout::Landscape);
    QRadioButton *const fitInPage = option(m_optSize, 0, tr("Fit in Page"), m_frame3, FormLayout::FitInPage);
    QRadioButton *const actualSize =
        option(m_optSize, 1, tr("Actual Size"), m_frame3, FormLayout::ActualSize);
    portrait->setChecked(true);
    fitInPage->setChecked(true);

    QWidget::setTabOrder(portrait, landscape);
    QWidget::setTabOrder(landscape, fitInPage);
    QWidget::setTabOrder(fitInPage, actualSize);
    QWidget::setTabOrder(actualSize, m_cmdPrint);
    QWidget::setTabOrder(m_cmdPrint, m_cmdExit);
}

void frmPrinter::connectControls()
{
    // Esc is Exit from wherever the focus is.
    connect(m_escapeExits, &QShortcut::activated, m_cmdExit, &QPushButton::click);
    connect(m_cmdPrint, &QPushButton::clicked, this, &frmPrinter::cmdPrint_Click);
    connect(m_cmdExit, &QPushButton::clicked, this, &frmPrinter::cmdExit_Click);
}

void frmPrinter::applyCaptionColours()
{
    for (QGroupBox *const box : {m_frame2, m_frame3})
        CaptionColours::apply(*box, CaptionColours::Frame, palette());
    for (QButtonGroup *const array : {m_optOrientation, m_optSize}) {
        for (QAbstractButton *const button : array->buttons())
            CaptionColours::apply(*button, CaptionColours::Option, palette());
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
    // The focus shows from the start, as it does once the keyboard has moved it.
    setAttribute(Qt::WA_KeyboardFocusChange);
    // Compositors (Wayland's above all) treat a window as fixed only when its window says so itself.
    if (QWindow *const window = windowHandle()) {
        window->setMinimumSize(size());
        window->setMaximumSize(size());
    }
}

void frmPrinter::Form_Load()
{
    // A fresh run: empty field list, no list file open.
    m_run = std::make_unique<PrintRun>(m_programFolder, *m_image1, m_reporter, *this);
    m_steps = std::make_unique<SteppedRun>(*m_run, *m_progress);
    connect(m_steps.get(), &SteppedRun::ended, this, &frmPrinter::endRun);
    setWindowIcon(genericWindowIcon());
    optOrientation(0)->setFocus();
    FormLayout::centreOnScreen(*this);
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
        m_steps->requestStop();
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

bool frmPrinter::running() const
{
    return m_steps->running();
}

void frmPrinter::cmdPrint_Click()
{
    // Print is disabled during a run, but the slot can still be called.
    if (!m_steps->start([this] { return m_surfaceFactory(m_programFolder); }))
        return;
    setControlsEnabled(false);
}

void frmPrinter::endRun()
{
    setControlsEnabled(true);
    const auto ended = qScopeGuard([this] { emit runEnded(); });

    // The busy cursor and the progress window are gone by now. A window closed during the run
    // closes now, and says nothing more.
    if (std::exchange(m_closeWhenRunEnds, false)) {
        close();
        return;
    }
    if (const auto &failure = m_steps->failure()) {
        m_reporter.report(*failure);
        return;
    }
    if (!m_steps->reachedSurface())
        return;
    const QString told =
        RunReport(*m_run, m_steps->outcome()).windowMessage([this] { return m_steps->recordTotal(); });
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
    m_surfaceFactory = factory ? std::move(factory) : SurfaceFactory(PrinterSurface::forDefaultPrinter);
}

void frmPrinter::setProgressTiming(int showAfterMs, int repaintEveryMs)
{
    m_steps->setProgressTiming(showAfterMs, repaintEveryMs);
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
