#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;

// The small modal window of a long print run: "Printing page N of M" and a bar, no buttons. The
// run holds the thread, so the window only repaints when the run lets events through; it cannot be
// closed by the user, only hidden again by the window that showed it.
class ProgressWindow : public QWidget
{
    Q_OBJECT

public:
    explicit ProgressWindow(QWidget *parent);

    // recordsDone: records printed so far; total: records in the list file, 0 when unknown.
    void setProgress(qint64 recordsDone, qint64 total);

    [[nodiscard]] QString text() const;
    [[nodiscard]] static QString progressText(qint64 recordsDone, qint64 total);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QLabel *const m_label;
    QProgressBar *const m_bar;
};
