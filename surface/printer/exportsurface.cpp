// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "exportsurface.h"

#include "documenttarget.h"
#include "paperlayout.h"

std::unique_ptr<PdfSurface> ExportSurface::make(const QString &target)
{
    return std::make_unique<PdfSurface>(Paper{systemPageLayout(), true}, DocumentTarget::userFile(target));
}
