#pragma once

#include "messagesink.h"
#include "runcontext.h"

#include <QElapsedTimer>
#include <QWidget>

#include <functional>
#include <memory>

class PictureBox;
class QAbstractButton;
class PrintRun;
class PrintSurface;
class ProgressWindow;
struct PrintOutcome;
class QButtonGroup;
class QGroupBox;
class QPushButton;
class QRadioButton;

// The program's only window: the orientation and picture size choices, Print and Exit.
//
// The two option arrays are the button groups "optOrientation" and "optSize"; a button's index in
// its array is its id in the group and the end of its object name ("optOrientation_0" is Portrait,
// "optSize_1" is Actual Size). Each array is one stop of the Tab key, at its focused option; the
// arrow keys move within it. The window owns the print run and serves it as its choices, its
// picture holder (the hidden Image1) and its error reporter.
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
    void setMessageSink(MessageSink *sink);
    // How long a run goes before the progress window appears, and how often a run lets the
    // windows repaint.
    void setProgressTiming(int showAfterMs, int repaintEveryMs);

    [[nodiscard]] QRadioButton *optOrientation(int index) const;
    [[nodiscard]] QRadioButton *optSize(int index) const;
    [[nodiscard]] PictureBox &Image1() const { return *m_image1; }
    [[nodiscard]] PrintRun &printRun() const { return *m_run; }
    [[nodiscard]] const QString &programFolder() const { return m_programFolder; }
    [[nodiscard]] bool running() const { return m_running; }

    [[nodiscard]] bool portraitSelected() const override;
    [[nodiscard]] bool fitInPageSelected() const override;

    // Whether a button's caption shows whole at its size and font.
    [[nodiscard]] static bool captionFits(const QAbstractButton &button);

    // The text telling why a document went to no printer and where it was saved instead.
    [[nodiscard]] static QString savedAsPdfText(const PrintOutcome &outcome);
    // The text telling that a run was cancelled after pages of total records (total < pages: not
    // known) and that nothing was printed, or, toPdf, that no PDF was saved.
    [[nodiscard]] static QString cancelledText(qint64 pages, qint64 total, bool toPdf);

public slots:
    // One print run on a new surface from the factory; the window takes no input until it ends.
    void cmdPrint_Click();
    void cmdExit_Click();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Forwards the run's errors to the window's message sink.
    class Reporter : public ErrorReporter
    {
    public:
        explicit Reporter(const frmPrinter &window) : m_window(window) {}

    protected:
        void showError(const PrintError &error) override;

    private:
        const frmPrinter &m_window;
    };

    class RunScope;

    // Once, from the constructor: a fresh print run with nothing open.
    void Form_Load();
    // Whenever the window really closes: closes the list file of the last run.
    void Form_Unload();
    void buildControls();
    void fitCaptionFont();
    void centreOnScreen();
    void recordPrinted(qint64 recordsDone);
    // Asks the run under way to stop after the page being drawn; nothing when none is under way.
    void stopRun();
    [[nodiscard]] MessageSink &messages() const { return m_sink != nullptr ? *m_sink : *m_messageBoxes; }

    const QString m_programFolder;
    QPushButton *const m_cmdPrint;
    QPushButton *const m_cmdExit;
    QGroupBox *const m_frame2;
    QGroupBox *const m_frame3;
    QButtonGroup *const m_optOrientation;
    QButtonGroup *const m_optSize;
    PictureBox *const m_image1;
    ProgressWindow *const m_progress;

    const std::unique_ptr<MessageBoxSink> m_messageBoxes;
    MessageSink *m_sink = nullptr;
    Reporter m_reporter;
    SurfaceFactory m_surfaceFactory;
    std::unique_ptr<PrintRun> m_run;

    bool m_running = false;
    bool m_runUnderWay = false;   // inside the print run itself, where a stop request is taken up
    bool m_closeAfterRun = false; // the window was closed during the run
    qint64 m_recordTotal = -1;    // -1 until counted
    int m_showProgressAfterMs = 1000;
    int m_repaintEveryMs = 100;
    QElapsedTimer m_runClock;
    QElapsedTimer m_sinceEvents;
};
