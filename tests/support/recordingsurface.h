// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include "printsurface.h"

#include <QStringList>

#include <limits>

// A printing surface that draws nothing and logs every drawing operation as a line of text, so
// tests can compare whole pages. Characters are fixed-pitch: each is charWidth twips wide.
//
//   text (x,y) "..."                    a printed line, at its top-left corner
//   picture WxH (x,y)                   a picture at its natural size
//   picture WxH in box (x,y) WxH        a picture stretched to a box
//   new page / end document / discard document
class RecordingSurface : public SurfaceBase
{
public:
    float width = 11000;
    float height = 16000;
    float charWidth = 96;
    float lineSpacing = 180;
    // The sheet's right and bottom edges, beyond which text cannot show. Endless unless set, so that
    // every line is recorded whole.
    float rightEdge = std::numeric_limits<float>::infinity();
    float bottomEdge = std::numeric_limits<float>::infinity();
    // The orientation reported back; 0 reports whatever was set.
    int reportedOrientation = 0;
    // When set, the operation with this name ("text", "picture", "new page", "end document")
    // throws a printer error once, after failSkip successful calls of it.
    QString failOn;
    int failSkip = 0;
    // The failure is running out of memory (std::bad_alloc) rather than a printer error.
    bool failOutOfMemory = false;
    // The printer error's number: 401 says the document could not be written, which ends the run.
    int failNumber = 405;

    QStringList log;
    int orientationSet = 0;
    bool ended = false;
    bool discarded = false;

    [[nodiscard]] int orientation() const override;
    void setOrientation(Orientation orientation) override;
    [[nodiscard]] float scaleWidth() const override { return width; }
    [[nodiscard]] float scaleHeight() const override { return height; }
    [[nodiscard]] float sheetRight() const override { return rightEdge; }
    [[nodiscard]] float sheetBottom() const override { return bottomEdge; }
    [[nodiscard]] float textWidth(const QString &text) const override;
    [[nodiscard]] float lineHeight() const override { return lineSpacing; }
    void printText(const QString &text) override;
    void drawPicture(const Picture &picture, float x, float y) override;
    void drawPicture(const Picture &picture, float x, float y, float w, float h) override;
    void newPage() override;
    void endDocument() override;
    void discardDocument() override;

    // The log cut into pages at each "new page"; the operations after the last one form a page
    // only when there are any besides "end document".
    [[nodiscard]] QList<QStringList> pages() const;
    // Only the "text" lines of a page, without their positions.
    [[nodiscard]] static QStringList texts(const QStringList &page);

private:
    void maybeFail(const QString &operation);
};

QString fmt(float value);
