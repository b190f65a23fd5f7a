// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include <QPageLayout>

// The paper a document is laid out on when no printer says otherwise: A4, or US Letter where the
// locale measures in inches, portrait, with quarter-inch margins. The PDF saved without a printer
// takes it, and so does a print queue that does not tell its default paper.
[[nodiscard]] QPageLayout localePageLayout();

// What the pages of a document are laid out on.
struct Paper
{
    QPageLayout layout;             // the sheet and its printable area (inside the margins), in portrait
    bool landscapeSupported = true; // otherwise the document's orientation is portrait whatever is asked
};
