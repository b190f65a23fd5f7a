// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "progresswindow.h"

#include "application.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

namespace {

// How often a screen reader is given the page count to speak: as often as one speaks a progress
// bar's percentage by default.
constexpr qint64 SpeakEveryMs = 10000;

} // namespace

ProgressWindow::ProgressWindow(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_label(new QLabel(this)),
      m_bar(new QProgressBar(this)), m_cancel(new QPushButton(tr("&Cancel"), this))
{
    setObjectName(QStringLiteral("progressWindow"));
    m_label->setObjectName(QStringLiteral("progressLabel"));
    m_bar->setObjectName(QStringLiteral("progressBar"));
    m_cancel->setObjectName(QStringLiteral("cmdCancel"));
    m_bar->setTextVisible(false);
    m_bar->setAccessibleName(tr("Pages printed"));
    setWindowTitle(ApplicationTitle);
    // Enter and Space press it while it has the focus, which it takes whenever the window shows.
    m_cancel->setAutoDefault(true);
    setFocusProxy(m_cancel);

    auto *const buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    buttonRow->addWidget(m_cancel);
    auto *const layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    layout->addWidget(m_bar);
    layout->addLayout(buttonRow);
    m_label->setMinimumWidth(m_label->fontMetrics().horizontalAdvance(progressText(999999, 999999)));
    setFixedSize(sizeHint());

    // Alt+C presses Cancel at once: a button's own access key clicks it only at the end of a
    // 100 ms press animation, which the run may outlast or end before.
    m_cancel->installEventFilter(this);
    connect(m_cancel, &QPushButton::clicked, this, &ProgressWindow::cancelRequested);
    auto *const escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, m_cancel, &QPushButton::click);
}

QString ProgressWindow::progressText(qint64 recordsDone, qint64 total)
{
    // The page under way is the one after the records already done; the last one stays shown while
    // the document is ended. When the count taken before the run falls short (the file grew), the
    // total is left out rather than shown wrong.
    if (total > 0 && recordsDone <= total)
        return tr("Printing page %1 of %2").arg(std::min(recordsDone + 1, total)).arg(total);
    return tr("Printing page %1").arg(recordsDone + 1);
}

void ProgressWindow::setListFileName(const QString &name)
{
    //: The progress window's title: %1 is the list file, %2 the program's title.
    setWindowTitle(name.isEmpty() ? ApplicationTitle : tr("Printing %1 – %2").arg(name, ApplicationTitle));
}

void ProgressWindow::setProgress(qint64 recordsDone, qint64 total)
{
    const QString text = progressText(recordsDone, total);
    m_label->setText(text);
    // Each change of the focused button's description is spoken at once: not at every redraw.
    if (!isVisible() || !m_sinceSpoken.isValid() || m_sinceSpoken.elapsed() >= SpeakEveryMs) {
        m_cancel->setAccessibleDescription(text);
        m_sinceSpoken.start();
    }
    if (total > 0 && total >= recordsDone && total <= std::numeric_limits<int>::max()) {
        m_bar->setRange(0, int(total));
        m_bar->setValue(int(recordsDone));
    } else {
        m_bar->setRange(0, 0); // busy indicator
    }
}

void ProgressWindow::setStatus(const QString &text, int done, int total)
{
    m_label->setText(text);
    // A printer's address can make the text longer than a page count: the window grows to show it.
    setFixedSize(sizeHint().expandedTo(size()));
    m_bar->setRange(0, std::max(total, 0));
    if (total > 0)
        m_bar->setValue(std::min(done, total));
}

QString ProgressWindow::text() const
{
    return m_label->text();
}

bool ProgressWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_cancel && event->type() == QEvent::Shortcut) {
        m_cancel->click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void ProgressWindow::reject()
{
    emit cancelRequested();
}

void ProgressWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_cancel->setFocus();
}

void ProgressWindow::closeEvent(QCloseEvent *event)
{
    // Only the window that showed it hides it, once the run has ended; a close request from the
    // window system (Alt+F4, say) means what it means in any dialog: Cancel.
    event->ignore();
    if (event->spontaneous())
        emit cancelRequested();
}
