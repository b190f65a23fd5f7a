// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include <QString>

struct CommandLine;
struct DataLocation;

// One print run without a window, as the command line asks (--pdf or --print), with its messages
// on standard error: the numbered errors, and unless --quiet a progress line on a terminal and a
// closing line saying what was done. SIGINT and SIGTERM stop the run after the page being drawn
// and discard the document. Needs a QCoreApplication, no display and no platform plugin: the PDF
// writer draws its own text, and pictures are QtGui's images. data: as locateBatchData gives it, the list
// file looked up already, and the usage errors of the output told already (CommandLine::checkOutput). Returns
// the exit status (ExitStatus).
[[nodiscard]] int runBatch(const CommandLine &options, const DataLocation &data);
