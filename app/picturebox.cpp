// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "picturebox.h"

#include "pagelayout.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

PictureBox::PictureBox(double logicalDpi, QWidget *parent) : QWidget(parent), m_slot(logicalDpi)
{
    setFocusPolicy(Qt::NoFocus);
    setVisible(false);
}

double PictureBox::screenLogicalDpi()
{
    const QScreen *const screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->logicalDotsPerInch() : 96.0;
}

void PictureBox::LoadPicture(const QString &path)
{
    // A failed load throws before anything changes, so the box keeps its old picture and size.
    m_slot.LoadPicture(path);
    const double twipsPerPixel = PageLayout::TwipsPerPixel;
    resize(int(std::lround(Width() / twipsPerPixel)), int(std::lround(Height() / twipsPerPixel)));
}
