// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include <QDialog>
#include <QElapsedTimer>

class QLabel;
class QProgressBar;
class QPushButton;

// The small window of a long print run: "Printing page N of M", a bar and Cancel. The run goes on
// from the event loop a page at a time, so the window repaints and takes its input between pages,
// while the main window's controls are disabled. It is a dialog, which screen readers announce as
// one and read out, but not modal, as modality would also keep a close request from reaching the
// main window. Cancel (the button, Alt+C, Esc, or a close request from the window system) only
// asks for the run to stop; the window that showed it hides it again when the run has ended.
//
// A screen reader speaks the page count too, not only the bar's percentage: the count is Cancel's
// description (Cancel has the focus), renewed at a pace that can be listened to.
class ProgressWindow : public QDialog
{
    Q_OBJECT

public:
    explicit ProgressWindow(QWidget *parent);

    // Titles the window for the list file being printed.
    void setListFileName(const QString &name);
    // recordsDone: records printed so far; total: records in the list file, 0 when unknown.
    void setProgress(qint64 recordsDone, qint64 total);
    // What the run does once its pages are drawn: text says it ("Waiting for the printer office: it
    // is busy", "Sending page 3 of 6 to the printer office"), the bar shows done of total, or that
    // it is busy where total is 0.
    void setStatus(const QString &text, int done = 0, int total = 0);

    [[nodiscard]] QString text() const;
    [[nodiscard]] static QString progressText(qint64 recordsDone, qint64 total);

signals:
    void cancelRequested();

public slots:
    // Esc and the like: Cancel, nothing more.
    void reject() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    QLabel *const m_label;
    QProgressBar *const m_bar;
    QPushButton *const m_cancel;
    QElapsedTimer m_sinceSpoken; // since the count was last given to Cancel's description
};
