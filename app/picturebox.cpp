#include "picturebox.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace {
constexpr double TwipsPerPixel = 15.0;
}

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
    resize(int(std::lround(Width() / TwipsPerPixel)), int(std::lround(Height() / TwipsPerPixel)));
}
