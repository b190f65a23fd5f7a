// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include <QByteArray>
#include <QByteArrayView>

// Whether an ICC profile can stand as the colour space of a picture with that many components
// (1 grey, 3 RGB, 4 CMYK): its header gives its size, Little CMS reads it and builds the half of
// a transform to sRGB that depends on it (to the connection space), its data colour space has
// those components, and it describes colours that are seen or printed (an input, display, output
// or colour space profile), as PDF's ICC-based colour spaces need. A profile that does not fit its
// picture is never used: the picture goes in with its device colours.
[[nodiscard]] bool profileFits(QByteArrayView profile, int components);

// The number of components of a profile's data colour space (1, 3 or 4), or 0 for a profile that
// cannot stand as a picture's colour space.
[[nodiscard]] int profileComponents(QByteArrayView profile);

// The profile of a PNG's iCCP chunk, inflated; empty when it cannot be, or when it is larger than
// any real profile (a chunk of a few bytes can claim gigabytes).
[[nodiscard]] QByteArray inflateProfile(QByteArrayView compressed);
