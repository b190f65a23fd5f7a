#include "progresswindow.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

ProgressWindow::ProgressWindow(QWidget *parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_label(new QLabel(this)),
      m_bar(new QProgressBar(this))
{
    setObjectName(QStringLiteral("progressWindow"));
    m_label->setObjectName(QStringLiteral("progressLabel"));
    m_bar->setObjectName(QStringLiteral("progressBar"));
    setWindowModality(Qt::ApplicationModal);
    setFocusPolicy(Qt::NoFocus);
    m_bar->setTextVisible(false);

    auto *const layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    layout->addWidget(m_bar);
    m_label->setMinimumWidth(m_label->fontMetrics().horizontalAdvance(progressText(999999, 999999)));
    setFixedSize(sizeHint());
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

void ProgressWindow::setProgress(qint64 recordsDone, qint64 total)
{
    m_label->setText(progressText(recordsDone, total));
    if (total > 0 && total >= recordsDone && total <= std::numeric_limits<int>::max()) {
        m_bar->setRange(0, int(total));
        m_bar->setValue(int(recordsDone));
    } else {
        m_bar->setRange(0, 0); // busy indicator
    }
}

QString ProgressWindow::text() const
{
    return m_label->text();
}

void ProgressWindow::closeEvent(QCloseEvent *event)
{
    event->ignore();
}
