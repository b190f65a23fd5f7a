#pragma once

#include <QPageLayout>

// The paper a document is laid out on when no printer says otherwise: A4, or US Letter where the
// locale measures in inches, portrait, with quarter-inch margins. The PDF saved without a printer
// takes it, and so does a print queue that does not tell its default paper.
[[nodiscard]] QPageLayout localePageLayout();
