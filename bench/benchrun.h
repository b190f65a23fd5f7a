// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include "runcontext.h"

// What the benchmark's print runs report to and choose with: the errors counted, not shown, and the
// choices the window starts with (portrait, pictures fitted to the page).
class CountingReporter : public ErrorReporter
{
public:
    int errors = 0;

protected:
    void showError(const PrintError &) override { ++errors; }
};

class WindowDefaults : public RunChoices
{
public:
    [[nodiscard]] bool portraitSelected() const override { return true; }
    [[nodiscard]] bool fitInPageSelected() const override { return true; }
};
