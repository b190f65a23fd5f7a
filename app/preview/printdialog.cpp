// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#include "printdialog.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

// The texts of this file, translated in the context "PrintDialog".
struct Words
{
    Q_DECLARE_TR_FUNCTIONS(PrintDialog)
};

// The data of the printer list's item that asks for an address instead of a queue (a queue's is
// its name).
constexpr int AddressItem = -1;

} // namespace

PrintDialog::PrintDialog(const Cups::QueueList &queues, QWidget *parent)
    : QDialog(parent), m_printer(new QComboBox(this)), m_address(new QLineEdit(this)),
      m_addressLabel(new QLabel(Words::tr("&Address:"), this)), m_copies(new QSpinBox(this)),
      m_sides(new QComboBox(this)), m_note(new QLabel(this)),
      m_buttons(new QDialogButtonBox(QDialogButtonBox::Cancel, this))
{
    setObjectName(QStringLiteral("printDialog"));
    setWindowTitle(Words::tr("Print"));

    m_printer->setObjectName(QStringLiteral("printer"));
    m_printer->setAccessibleName(Words::tr("Printer"));
    for (const QString &queue : queues.names) {
        m_printer->addItem(queue == queues.defaultQueue ? Words::tr("%1 (default)").arg(queue) : queue,
                           queue);
    }
    m_printer->addItem(Words::tr("Printer at an address..."), AddressItem);

    m_address->setObjectName(QStringLiteral("address"));
    m_address->setAccessibleName(Words::tr("Printer address"));
    m_address->setPlaceholderText(QStringLiteral("ipp://printer.example:631/ipp/print"));
    m_addressLabel->setBuddy(m_address);

    m_copies->setObjectName(QStringLiteral("copies"));
    m_copies->setAccessibleName(Words::tr("Copies"));
    m_copies->setRange(1, 999);

    m_sides->setObjectName(QStringLiteral("sides"));
    m_sides->setAccessibleName(Words::tr("Two-sided"));

    m_note->setObjectName(QStringLiteral("note"));
    m_note->setWordWrap(true);
    if (!queues.failure.isEmpty())
        m_note->setText(Words::tr("The print queues could not be listed: %1.").arg(queues.failure));
    m_note->setVisible(!m_note->text().isEmpty());

    QPushButton *const print = m_buttons->addButton(Words::tr("&Print"), QDialogButtonBox::AcceptRole);
    print->setObjectName(QStringLiteral("print"));
    print->setDefault(true);

    auto *const form = new QFormLayout;
    auto *const printerLabel = new QLabel(Words::tr("P&rinter:"), this);
    printerLabel->setBuddy(m_printer);
    form->addRow(printerLabel, m_printer);
    form->addRow(m_addressLabel, m_address);
    auto *const copiesLabel = new QLabel(Words::tr("&Copies:"), this);
    copiesLabel->setBuddy(m_copies);
    form->addRow(copiesLabel, m_copies);
    auto *const sidesLabel = new QLabel(Words::tr("&Two-sided:"), this);
    sidesLabel->setBuddy(m_sides);
    form->addRow(sidesLabel, m_sides);
    auto *const layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_note);
    layout->addWidget(m_buttons);

    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_printer, &QComboBox::currentIndexChanged, this, &PrintDialog::printerChosen);
    connect(m_address, &QLineEdit::editingFinished, this, &PrintDialog::lookUpSides);
    connect(m_address, &QLineEdit::textChanged, this,
            [this, print] { print->setEnabled(!printer().isEmpty()); });
    printerChosen();
}

QString PrintDialog::printer() const
{
    if (m_printer->currentData().typeId() == QMetaType::Int)
        return Cups::isPrinterAddress(m_address->text().trimmed()) ? m_address->text().trimmed() : QString();
    return m_printer->currentData().toString();
}

Cups::JobOptions PrintDialog::jobOptions() const
{
    Cups::JobOptions options;
    if (m_copies->value() > 1)
        options.append({QByteArrayLiteral("copies"), QByteArray::number(m_copies->value())});
    const QByteArray sides = m_sides->currentData().toByteArray();
    if (m_sides->isEnabled() && !sides.isEmpty() && sides != "one-sided")
        options.append({QByteArrayLiteral("sides"), sides});
    return options;
}

void PrintDialog::printerChosen()
{
    const bool address = m_printer->currentData().typeId() == QMetaType::Int;
    m_address->setVisible(address);
    m_addressLabel->setVisible(address);
    if (QPushButton *const print = findChild<QPushButton *>(QStringLiteral("print")))
        print->setEnabled(!printer().isEmpty());
    if (address)
        m_address->setFocus();
    lookUpSides();
}

void PrintDialog::lookUpSides()
{
    const QString chosen = printer();
    if (chosen == m_sidesAskedOf && m_sides->count() > 0)
        return;
    m_sidesAskedOf = chosen;
    QList<QByteArray> offered;
    if (!chosen.isEmpty()) {
        // Asking a printer at an address may take a few seconds.
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        const auto restore = qScopeGuard([] { QGuiApplication::restoreOverrideCursor(); });
        offered = Cups::supportedValues(chosen, QByteArrayLiteral("sides"));
    }
    m_sides->clear();
    m_sides->addItem(Words::tr("One-sided"), QByteArrayLiteral("one-sided"));
    if (offered.contains("two-sided-long-edge"))
        m_sides->addItem(Words::tr("Two-sided, flipped on the long edge"),
                         QByteArrayLiteral("two-sided-long-edge"));
    if (offered.contains("two-sided-short-edge"))
        m_sides->addItem(Words::tr("Two-sided, flipped on the short edge"),
                         QByteArrayLiteral("two-sided-short-edge"));
    m_sides->setEnabled(m_sides->count() > 1);
}
