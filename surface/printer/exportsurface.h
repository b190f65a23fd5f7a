// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include "pdfsurface.h"

#include <QString>

#include <memory>

// The document as a PDF at a place the user chose (--pdf), on the system's paper like the PDF
// saved where there is no printer. What becomes of an existing file there is DocumentTarget's
// userFile(): replaced atomically by a finished document, left as it was otherwise.
namespace ExportSurface {

inline const QString StandardOutput = PrintOutcome::StandardOutput;

// Throws PrintError (DocumentNotWritable) at once when the place cannot be used.
[[nodiscard]] std::unique_ptr<PdfSurface> make(const QString &target);

} // namespace ExportSurface
