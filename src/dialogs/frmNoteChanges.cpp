// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/frmNoteChanges.h"

#include "session/NotesSession.h"
#include "core/TextCodec.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace quillary {

namespace {

QString KindText(NoteChange::Kind kind) {
    switch (kind) {
    case NoteChange::Kind::Added:
        return QStringLiteral("Added");
    case NoteChange::Kind::Changed:
        return QStringLiteral("Changed");
    case NoteChange::Kind::Removed:
        return QStringLiteral("Removed");
    case NoteChange::Kind::Moved:
        return QStringLiteral("Moved");
    }
    return QString();
}

} // namespace

frmNoteChanges::frmNoteChanges(NotesSession& session, const NoteChangeReport& report,
                               const QString& title, QWidget* parent)
    : QDialog(parent), m_Session(session), m_Report(report) {
    setObjectName(QStringLiteral("frmNoteChanges"));
    setWindowTitle(QStringLiteral("Changed Notes"));
    auto* heading = new QLabel(title + QStringLiteral(": what changed in the notes shown. "
                                                      "Double-click a note to show it."),
                               this);
    heading->setWordWrap(true);
    m_lstChanges = new QTreeWidget(this);
    m_lstChanges->setObjectName(QStringLiteral("lstChanges"));
    m_lstChanges->setAccessibleName(QStringLiteral("Changed notes"));
    m_lstChanges->setHeaderLabels(
        {QStringLiteral("Change"), QStringLiteral("Note"), QStringLiteral("First line")});
    m_lstChanges->setRootIsDecorated(false);
    m_lstChanges->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_lstChanges->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    for (const NoteChange& change : m_Report.changes) {
        auto* item = new QTreeWidgetItem(m_lstChanges);
        item->setText(0, KindText(change.kind));
        const int shown = change.newIndex >= 0 ? change.newIndex : change.oldIndex;
        item->setText(1, QString::number(shown + 1));
        item->setTextAlignment(1, Qt::AlignRight);
        const QString line = FromCp1252(change.firstLine).trimmed();
        item->setText(2, line.isEmpty() ? QStringLiteral("(no text)") : line);
        if (change.kind == NoteChange::Kind::Removed)
            item->setToolTip(2, QStringLiteral("Removed: File > Earlier Versions... has it."));
    }
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("cmdClose"));
    close->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(m_lstChanges, 1);
    layout->addLayout(buttons);
    resize(560, 360);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_lstChanges, &QTreeWidget::itemActivated, this, &frmNoteChanges::ShowChosenNote);
}

void frmNoteChanges::ShowChosenNote(QTreeWidgetItem* item) {
    const int row = m_lstChanges->indexOfTopLevelItem(item);
    if (row < 0 || row >= int(m_Report.changes.size()))
        return;
    const int record = m_Report.changes[size_t(row)].newIndex;
    if (record >= 0)
        m_Session.ShowNote(record);
}

} // namespace quillary
