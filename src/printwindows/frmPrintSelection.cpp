// SPDX-License-Identifier: GPL-3.0-or-later
#include "printwindows/frmPrintSelection.h"

#include "core/PlatformServices.h"
#include "core/clsSettings.h"
#include "core/modGlobals.h"
#include "mainwindow/MainLayout.h"
#include "mainwindow/frmMain.h"
#include "printwindows/PrintWindowsHost.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>

namespace quillary {

frmPrintSelection::frmPrintSelection(PrintWindowsHost& host, QWidget* parent)
    : QDialog(parent), m_Host(host) {
    setObjectName(QStringLiteral("frmPrintSelection"));
    setWindowTitle(QStringLiteral("Select Records to Print"));
    setWindowIcon(host.Window().windowIcon());

    m_lstNotes = new QListWidget(this);
    m_lstNotes->setObjectName(QStringLiteral("lstNotes"));
    m_lstNotes->setAccessibleName(QStringLiteral("Notes to print"));
    // Click selects one, Shift+click a range, Ctrl+click adds or removes one.
    m_lstNotes->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_lstNotes->setUniformItemSizes(true);

    m_picButtons = new QWidget(this);
    m_picButtons->setObjectName(QStringLiteral("picButtons"));
    auto button = [this](const char* name, const char* caption) {
        auto* b = new QPushButton(QString::fromLatin1(caption), m_picButtons);
        b->setObjectName(QString::fromLatin1(name));
        return b;
    };
    m_cmdSelectAll = button("cmdSelectAll", "Select &All");
    m_cmdPrint = button("cmdPrint", "&Print");
    m_cmdPreview = button("cmdPreview", "Pre&view");
    m_cmdPageSetup = button("cmdPageSetup", "Set&up...");
    m_cmdCancel = button("cmdCancel", "&Cancel");
    m_cmdPrint->setDefault(true);

    auto* buttons = new QHBoxLayout(m_picButtons);
    buttons->setContentsMargins(0, 0, 0, 0);
    for (QPushButton* b : {m_cmdSelectAll, m_cmdPrint, m_cmdPreview, m_cmdPageSetup, m_cmdCancel})
        buttons->addWidget(b);
    // The list takes every change of the window's size; the buttons stay bottom right.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_lstNotes, 1);
    layout->addWidget(m_picButtons, 0, Qt::AlignRight);
    setMinimumSize(TwipsToPixels(5175), TwipsToPixels(3660));
    resize(TwipsToPixels(6000), TwipsToPixels(4100));

    // The main window's note list, entry for entry; a position here is a record index.
    const QComboBox* notes = host.Window().NoteSelector();
    const int count = notes->count();
    m_lstNotes->setUpdatesEnabled(false);
    for (int i = 0; i < count; ++i) {
        auto* item = new QListWidgetItem(notes->itemText(i));
        item->setData(Qt::UserRole, notes->itemData(i));
        m_lstNotes->addItem(item);
    }
    m_lstNotes->setUpdatesEnabled(true);
    if (count > 0) {
        m_lstNotes->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
    }

    connect(m_cmdSelectAll, &QPushButton::clicked, this, [this] {
        m_lstNotes->selectAll();
        m_lstNotes->setFocus();
    });
    connect(m_cmdPrint, &QPushButton::clicked, this, [this] { Choose(Chosen::Print); });
    connect(m_cmdPreview, &QPushButton::clicked, this, [this] { Choose(Chosen::Preview); });
    connect(m_cmdPageSetup, &QPushButton::clicked, this, [this] { m_Host.ShowPageSetup(this); });
    connect(m_cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

QString frmPrintSelection::SelectionString() const {
    QStringList positions;
    const int count = m_lstNotes->count();
    for (int i = 0; i < count; ++i)
        if (m_lstNotes->item(i)->isSelected())
            positions << QString::number(i);
    return positions.join(QLatin1Char(','));
}

void frmPrintSelection::SaveSelection() {
    m_Host.Settings().Set(Config::PrintNotesSelectedString, SelectionString());
}

void frmPrintSelection::Choose(Chosen choice) {
    // A job of empty cells is no use to anyone: say so and let the person choose.
    if (m_lstNotes->selectedItems().isEmpty()) {
        m_Host.Services().messageBox(QStringLiteral("Select the notes to print first."), kAppTitle,
                                     MsgButtons::Ok, MsgIcon::Information);
        m_lstNotes->setFocus();
        return;
    }
    SaveSelection();
    m_Choice = choice;
    accept();
}

} // namespace quillary
