// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include "cupsprinter.h"

#include <QDialog>

class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QSpinBox;

// What to print the shown document on: a print queue (the default one first) or a printer by its
// address, how many copies, and on both sides of the sheet where the printer offers it. The
// choices become the job's options, which are checked against what the printer offers when the
// job is sent, as --print checks them.
class PrintDialog final : public QDialog
{
    Q_OBJECT

public:
    // queues: the print system's queues, the default one first.
    explicit PrintDialog(const Cups::QueueList &queues, QWidget *parent = nullptr);

    // The queue, or the address, chosen; empty while none is.
    [[nodiscard]] QString printer() const;
    // copies and sides, as the job is to have them.
    [[nodiscard]] Cups::JobOptions jobOptions() const;

private:
    void printerChosen();
    void lookUpSides();

    QComboBox *const m_printer;
    QLineEdit *const m_address;
    QLabel *const m_addressLabel;
    QSpinBox *const m_copies;
    QComboBox *const m_sides;
    QLabel *const m_note;
    QDialogButtonBox *const m_buttons;
    QString m_sidesAskedOf; // the printer whose sides the list shows
};
