// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include "runcontext.h"

#include <QWidget>

// The hidden picture holder of the window, which the print run loads the logo and the record
// pictures into. It is never shown and paints nothing; after a load its size is the picture's
// natural size in pixels (15 twips to a pixel) and Width()/Height() give it in twips.
class PictureBox : public QWidget, public PictureHolder
{
    Q_OBJECT

public:
    // logicalDpi: the resolution at which picture pixels are measured in twips.
    PictureBox(double logicalDpi, QWidget *parent);

    // The screen's logical resolution, or 96 where there is no screen.
    [[nodiscard]] static double screenLogicalDpi();

    void LoadPicture(const QString &path) override;
    void prepareLoad(const QString &path) override { m_slot.prepareLoad(path); }
    [[nodiscard]] const Picture &picture() const override { return m_slot.picture(); }
    [[nodiscard]] double logicalDpi() const { return m_slot.loader().logicalDpi(); }

private:
    PictureSlot m_slot;
};
