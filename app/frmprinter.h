// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include "captioncolours.h"
#include "formlayout.h"
#include "messagesink.h"
#include "runcontext.h"

#include "printerror.h"
#include "printsurface.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class PictureBox;
class QAbstractButton;
class PrintRun;
class ProgressWindow;
class QButtonGroup;
class QGroupBox;
class QPushButton;
class QRadioButton;
class QShortcut;
class SteppedRun;

// The program's only window: the orientation and picture size choices, Print and Exit.
//
// The two option arrays are the button groups "optOrientation" and "optSize"; a button's index in
// its array is its id in the group and the end of its object name ("optOrientation_0" is Portrait,
// "optSize_1" is Actual Size). Each array is one stop of the Tab key, at its focused option; the
// arrow keys move within it. The window owns the print run and serves it as its choices, its
// picture holder (the hidden Image1) and its error reporter.
//
// A run is driven from the event loop, one step at a time (SteppedRun), so that the windows stay
// live between pages: the progress window repaints and takes Cancel, and the close box is heard.
// For the length of the run the main window's controls and its Esc are disabled, so that what is
// aimed at it is ignored.
class frmPrinter : public QWidget, public RunChoices
{
    Q_OBJECT

public:
    // Makes the printing surface of one run. Given the program folder.
    using SurfaceFactory = std::function<std::unique_ptr<PrintSurface>(const QString &programFolder)>;

    // programFolder: where the list file, the logo and the pictures are, and where a document that
    // cannot go to a printer is saved.
    explicit frmPrinter(QString programFolder, QWidget *parent = nullptr);
    ~frmPrinter() override;

    // Replaces the default printer (the system's default print queue); an empty factory restores it.
    void setSurfaceFactory(SurfaceFactory factory);
    // Sends messages to sink instead of message boxes; nullptr goes back to message boxes. The sink
    // must outlive the window or be replaced first.
    void setMessageSink(MessageSink *sink) { m_sink = sink; }
    // How long a run goes before the progress window appears, and how often its count is redrawn.
    void setProgressTiming(int showAfterMs, int repaintEveryMs);

    [[nodiscard]] QRadioButton *optOrientation(int index) const;
    [[nodiscard]] QRadioButton *optSize(int index) const;
    [[nodiscard]] PictureBox &Image1() const { return *m_image1; }
    [[nodiscard]] PrintRun &printRun() const { return *m_run; }
    [[nodiscard]] const QString &programFolder() const { return m_programFolder; }
    // From the press of Print until the run has ended and its message has been given.
    [[nodiscard]] bool running() const;

    [[nodiscard]] bool portraitSelected() const override;
    [[nodiscard]] bool fitInPageSelected() const override;

    // Whether a button's caption shows whole at its size and font.
    [[nodiscard]] static bool captionFits(const QAbstractButton &button)
    {
        return FormLayout::captionFits(button);
    }
    // The contrast ratio of two colours (WCAG's): 1 for the same colour, 21 for black on white.
    [[nodiscard]] static double contrast(const QColor &first, const QColor &second)
    {
        return CaptionColours::contrast(first, second);
    }
    // How much larger than its design the form is laid out, for the desktop's font (1 at the usual
    // 9-point font at 96 dots per inch).
    [[nodiscard]] double layoutScale() const { return m_layoutScale; }

public slots:
    // Starts one print run on a new surface from the factory and returns; the run goes on from the
    // event loop, and runEnded() says when it is over. Nothing while a run is under way.
    void cmdPrint_Click();
    void cmdExit_Click();

signals:
    // A run started by cmdPrint_Click has ended, its message given (or the window closed).
    void runEnded();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Forwards the run's errors to the window's message sink.
    class Reporter : public ErrorReporter
    {
    public:
        explicit Reporter(const frmPrinter &window) : m_window(window) {}

    protected:
        void showError(const PrintError &error) override { m_window.messages().error(error.messageText()); }

    private:
        const frmPrinter &m_window;
    };

    // Once, from the constructor: a fresh print run with nothing open.
    void Form_Load();
    // Whenever the window really closes: closes the list file of the last run.
    void Form_Unload();
    void buildControls();
    void buildCommands(double scale);
    void buildFrames(double scale);
    void buildOptions(double scale);
    void connectControls();
    void applyCaptionColours();
    // The run has ended: the window is put back and the outcome told.
    void endRun();
    void setControlsEnabled(bool enabled);
    [[nodiscard]] MessageSink &messages() const { return m_sink != nullptr ? *m_sink : *m_messageBoxes; }

    const QString m_programFolder;
    double m_layoutScale = 1.0;
    QPushButton *const m_cmdPrint;
    QPushButton *const m_cmdExit;
    QGroupBox *const m_frame2;
    QGroupBox *const m_frame3;
    QButtonGroup *const m_optOrientation;
    QButtonGroup *const m_optSize;
    PictureBox *const m_image1;
    ProgressWindow *const m_progress;
    QShortcut *const m_escapeExits;

    const std::unique_ptr<MessageBoxSink> m_messageBoxes;
    MessageSink *m_sink = nullptr;
    Reporter m_reporter;
    SurfaceFactory m_surfaceFactory;
    std::unique_ptr<PrintRun> m_run;
    // After m_run, which it drives: it goes first.
    std::unique_ptr<SteppedRun> m_steps;
    bool m_closeWhenRunEnds = false; // the close box during a run: the window closes once it has ended
    QPointer<QWidget> m_focusBeforeRun;
};
