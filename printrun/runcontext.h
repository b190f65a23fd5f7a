// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include "picture.h"

#include <QString>

class PrintError;

// What the print run needs from its surroundings. The window provides real ones; tests and the
// benchmark provide their own.

// Shows trapped errors to the user. Every report is also written to standard error as one line.
class ErrorReporter
{
public:
    virtual ~ErrorReporter() = default;
    void report(const PrintError &error);

protected:
    // The message box: "Error <number>\r\n<description>", OK only, under the application's title.
    virtual void showError(const PrintError &error) = 0;
    // Writes the one line "Error <number>: <description>" to standard error.
    virtual void writeLogLine(const QString &line);
};

// The two choices of the window, read when the run needs them.
class RunChoices
{
public:
    virtual ~RunChoices() = default;
    [[nodiscard]] virtual bool portraitSelected() const = 0;
    [[nodiscard]] virtual bool fitInPageSelected() const = 0;
};

// A hidden holder of at most one picture. Loading replaces the picture it holds; its width and
// height are then the picture's natural size in twips.
class PictureHolder
{
public:
    virtual ~PictureHolder() = default;
    // Throws PrintError when the file cannot be loaded; the holder then keeps its old picture.
    virtual void LoadPicture(const QString &path) = 0;
    // A file that is likely to be loaded soon, to be read and proven meanwhile where the holder can.
    virtual void prepareLoad(const QString &path) { Q_UNUSED(path) }
    [[nodiscard]] virtual const Picture &picture() const = 0;
    [[nodiscard]] float Width() const { return picture().width(); }
    [[nodiscard]] float Height() const { return picture().height(); }
};

// A picture holder with nothing to show, for runs without a window.
class PictureSlot : public PictureHolder
{
public:
    explicit PictureSlot(double logicalDpi = 96.0) : m_loader(logicalDpi) {}
    void LoadPicture(const QString &path) override { m_picture = m_loader.load(path); }
    void prepareLoad(const QString &path) override { m_loader.prepare(path); }
    [[nodiscard]] const Picture &picture() const override { return m_picture; }
    [[nodiscard]] const PictureLoader &loader() const { return m_loader; }

private:
    PictureLoader m_loader;
    Picture m_picture;
};
