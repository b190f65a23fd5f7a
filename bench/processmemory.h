// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include <QtGlobal>

// The peak resident memory of this process so far (VmHWM), in KiB; -1 where it cannot be read.
// The benchmark reports it and the tests bound it.
[[nodiscard]] qint64 peakRssKiB();
