// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include "frmprinter.h"
#include "messagesink.h"
#include "recordingsurface.h"
#include "testsupport.h"

#include <QCursor>
#include <QList>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

// A message the window gave, with the cursor the user saw while it was up.
struct Message
{
    enum Kind
    {
        Error,
        Information
    };
    Kind kind;
    QString text;
    std::optional<Qt::CursorShape> overrideCursor; // nothing: no override cursor
    qint64 atMs;                                   // when it came, on the monotonic clock
};

// Collects the window's messages instead of showing boxes.
class CapturingSink : public MessageSink
{
public:
    QList<Message> messages;

    void error(const QString &text) override { add(Message::Error, text); }
    void information(const QString &text) override { add(Message::Information, text); }
    [[nodiscard]] QStringList texts(Message::Kind kind) const;

private:
    void add(Message::Kind kind, const QString &text);
};

// A recording surface that hands its log over when the window is done with it, and lets a test act
// in the middle of a run, just before each page is finished.
class HookedSurface : public RecordingSurface
{
public:
    explicit HookedSurface(QList<QStringList> &logs) : m_logs(logs) {}
    ~HookedSurface() override { m_logs.append(log); }
    HookedSurface(const HookedSurface &) = delete;
    HookedSurface &operator=(const HookedSurface &) = delete;

    std::function<void(qint64 page)> beforeNewPage;
    void newPage() override;

private:
    QList<QStringList> &m_logs;
};

// Waits until the run under way in window has ended (at once when none is); false when it is still
// under way after timeoutMs. The window runs its print runs from the event loop, which this spins.
[[nodiscard]] bool waitForRunEnd(frmPrinter &window, int timeoutMs = 300000);
// Presses Print as cmdPrint_Click does and waits for the run to end.
[[nodiscard]] bool printToEnd(frmPrinter &window, int timeoutMs = 300000);

// Input as the window system delivers it: queued, and taken only when the program lets events
// through. input is "click" (a left click in the middle of target) or a key sequence ("Esc",
// "Alt+C"), pressed and released in target's window.
void queueInput(QWidget *target, const QString &input);

// A window on a temporary program folder whose runs print on hooked surfaces and whose messages are
// captured.
class WindowFixture
{
public:
    // A list file with this many records of three fields, no pictures.
    explicit WindowFixture(int records = 2);
    ~WindowFixture();
    WindowFixture(const WindowFixture &) = delete;
    WindowFixture &operator=(const WindowFixture &) = delete;

    static QByteArray listFile(int records, const QByteArray &pictureName = {});

    // Shows the window and waits until it is active, so that shortcuts reach it.
    [[nodiscard]] bool showActive();
    [[nodiscard]] QWidget *child(const QString &name) const;

    ProgramFolder folder;
    CapturingSink sink;
    std::unique_ptr<frmPrinter> window;
    int surfacesMade = 0;
    QList<QStringList> logs;                        // one per run, in order
    std::function<void(HookedSurface &)> configure; // applied to each new surface
    std::function<void(qint64 page)> beforeNewPage; // given to each new surface
};
