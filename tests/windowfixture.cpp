// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "windowfixture.h"

#include "printrun.h"

#include <QApplication>
#include <qpa/qwindowsysteminterface.h>
#include <QSignalSpy>
#include <QtTest>

QStringList CapturingSink::texts(Message::Kind kind) const
{
    QStringList result;
    for (const Message &message : messages) {
        if (message.kind == kind)
            result << message.text;
    }
    return result;
}

void CapturingSink::add(Message::Kind kind, const QString &text)
{
    const QCursor *const cursor = QGuiApplication::overrideCursor();
    messages.append({kind, text, cursor != nullptr ? std::optional(cursor->shape()) : std::nullopt,
                     monotonicMilliseconds()});
}

void HookedSurface::newPage()
{
    if (beforeNewPage)
        beforeNewPage(page());
    RecordingSurface::newPage();
}

WindowFixture::WindowFixture(int records) : window(std::make_unique<frmPrinter>(folder.path()))
{
    folder.write(QStringLiteral("parts.lst"), listFile(records));
    window->setMessageSink(&sink);
    window->printRun().setClock([] { return QDate(2026, 3, 14); });
    window->setSurfaceFactory([this](const QString &programFolder) -> std::unique_ptr<PrintSurface> {
        ++surfacesMade;
        if (programFolder != folder.path())
            throw PrintError(PrintError::DocumentNotWritable,
                             QStringLiteral("wrong folder ") + programFolder);
        auto surface = std::make_unique<HookedSurface>(logs);
        surface->beforeNewPage = beforeNewPage;
        if (configure)
            configure(*surface);
        return surface;
    });
}

WindowFixture::~WindowFixture()
{
    // The window may still point at the sink while it is being destroyed.
    window.reset();
}

QByteArray WindowFixture::listFile(int records, const QByteArray &pictureName)
{
    QByteArray content("id,name,filename\r\n");
    for (int i = 1; i <= records; ++i)
        content += "\"" + QByteArray::number(1000 + i) + "\",\"Part " + QByteArray::number(i) + "\",\"" +
                   pictureName + "\"\r\n";
    return content;
}

bool WindowFixture::showActive()
{
    window->show();
    QApplication::setActiveWindow(window.get());
    return QTest::qWaitForWindowActive(window.get());
}

QWidget *WindowFixture::child(const QString &name) const
{
    return window->findChild<QWidget *>(name);
}

bool waitForRunEnd(frmPrinter &window, int timeoutMs)
{
    if (!window.running())
        return true;
    QSignalSpy ended(&window, &frmPrinter::runEnded);
    return ended.wait(timeoutMs);
}

bool printToEnd(frmPrinter &window, int timeoutMs)
{
    window.cmdPrint_Click();
    return waitForRunEnd(window, timeoutMs);
}

void queueInput(QWidget *target, const QString &input)
{
    QWindow *const window = target->window()->windowHandle();
    if (input == QLatin1String("click")) {
        const QPointF local = target->mapTo(target->window(), target->rect().center());
        const QPointF global = target->mapToGlobal(target->rect().center());
        QWindowSystemInterface::handleMouseEvent(window, local, global, Qt::LeftButton, Qt::LeftButton,
                                                 QEvent::MouseButtonPress);
        QWindowSystemInterface::handleMouseEvent(window, local, global, Qt::NoButton, Qt::LeftButton,
                                                 QEvent::MouseButtonRelease);
        return;
    }
    const QKeyCombination key = QKeySequence(input)[0];
    const QString text = key.keyboardModifiers() == Qt::NoModifier && key.key() < Qt::Key_Escape
                             ? QString(QChar(key.key())).toLower()
                             : QString();
    for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease})
        QWindowSystemInterface::handleKeyEvent(window, type, key.key(), key.keyboardModifiers(), text);
}
