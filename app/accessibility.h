// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

class QMessageBox;
class QWidget;

// What assistive technology (a screen reader, a magnifier) is told about the program's windows
// beyond what Qt tells by itself.
namespace Accessibility {

// Announces window, a plain widget window, as an application window ("frame") instead of as a
// filler. Nothing of how it looks or behaves changes.
void exposeAsApplicationWindow(QWidget &window);

// Names a message box's icon (an error, an information), so that a box is told apart by more than
// its text.
void nameIcon(QMessageBox &box);

} // namespace Accessibility
