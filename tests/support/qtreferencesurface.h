// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include "printsurface.h"

#include <QFile>
#include <QFont>
#include <QFontMetricsF>
#include <QPageLayout>

#include <memory>
#include <optional>

class QPainter;
class QPdfWriter;

// The pages as Qt's own PDF engine draws them, at 1,440 dots per inch so that device units are
// twips, as the print run drew them before it had a PDF writer of its own: the reference that the
// project's writer is held to (the same text, the same renderings).
class QtReferenceSurface : public SurfaceBase
{
public:
    QtReferenceSurface(const QString &path, const QPageLayout &portrait);
    ~QtReferenceSurface() override;

    [[nodiscard]] int orientation() const override { return SurfaceBase::orientation(); }
    void setFontName(const QString &name) override;
    void setFontSize(float points) override;
    [[nodiscard]] float scaleWidth() const override;
    [[nodiscard]] float scaleHeight() const override;
    [[nodiscard]] float sheetRight() const override;
    [[nodiscard]] float sheetBottom() const override;
    [[nodiscard]] float textWidth(const QString &text) const override;
    [[nodiscard]] float lineHeight() const override;
    void printText(const QString &text) override;
    void drawPicture(const Picture &picture, float x, float y) override;
    void drawPicture(const Picture &picture, float x, float y, float width, float height) override;
    void newPage() override;
    void endDocument() override;

private:
    [[nodiscard]] QPageLayout currentLayout() const;
    void updateFont();
    void beginDrawing();

    QPageLayout m_portrait;
    QFile m_file;
    std::unique_ptr<QPdfWriter> m_writer;
    std::unique_ptr<QPainter> m_painter;
    QFont m_font;
    std::optional<QFontMetricsF> m_metrics;
    bool m_pendingNewPage = false;
};
