// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include <QString>

// Opens a file for reading only when it is an ordinary file, without ever waiting on it: a FIFO,
// device or socket put where a file was expected is refused instead of hanging the run, and a
// link is followed only to an ordinary file. Returns the open descriptor (close-on-exec, blocking
// reads), or -1 with reason set to why it was refused.
int openOrdinaryFile(const QString &path, QString &reason);
