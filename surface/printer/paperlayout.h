// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include <QPageLayout>

// The locale's paper: A4, or US Letter where the locale measures in inches, portrait, with
// quarter-inch margins. A print queue that does not tell its default paper takes it.
[[nodiscard]] QPageLayout localePageLayout();
// The system's paper, which PDFs are laid out on: the one libpaper names (PAPERSIZE, otherwise the
// file PAPERCONF or /etc/papersize), portrait, with quarter-inch margins; the locale's paper when
// libpaper names none, or one it does not know.
[[nodiscard]] QPageLayout systemPageLayout();
