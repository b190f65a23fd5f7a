// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include <QString>

class QWidget;

// Where the window's messages go. The program shows message boxes; tests collect the texts.
class MessageSink
{
public:
    virtual ~MessageSink() = default;
    virtual void error(const QString &text) = 0;
    virtual void information(const QString &text) = 0;
};

// Modal message boxes with an OK button only, under the program's title. A box that appears while
// a run shows the busy cursor is shown with the normal arrow, and the busy cursor comes back after.
class MessageBoxSink : public MessageSink
{
public:
    MessageBoxSink(QWidget *parent, QString title);

    void error(const QString &text) override;
    void information(const QString &text) override;

private:
    void show(bool isError, const QString &text);

    QWidget *m_parent;
    QString m_title;
};
