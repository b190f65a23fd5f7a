// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include <QFont>
#include <QString>

// What the baseline needs to write its pages through Qt's own PDF writer, as the print run once
// did: the font, and the heap settings that keep Qt's page buffers from being mapped anew for
// every page.

// Qt's PDF engine compresses each page through two buffers of ten million bytes that it allocates
// and frees page after page. Under glibc's default thresholds they are mapped and unmapped (or the
// heap grown and trimmed) every time, and the page faults cost several times the writing itself.
// This keeps such buffers in the heap for reuse; untouched parts of them never become resident.
// It acts once per process.
void keepPdfBuffersInHeap();

// Resolves a font name to a fixed-pitch face at the given size: the name itself when it is one,
// otherwise the system's fixed-pitch fallbacks. Checked by comparing the advances of 'i' and 'W'.
QFont fixedPitchFont(const QString &name, float points);
