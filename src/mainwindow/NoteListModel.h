// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractListModel>
#include <QHash>
#include <QString>

class clsDatabase;

namespace quillary {

// The note selector's entries: each note's first line, read from the database only when the
// list shows that row. Reloading 32,767 notes copies no texts; what the person types into
// the note shown is kept as that row's text until the next reload.
class NoteListModel : public QAbstractListModel {
    Q_OBJECT
public:
    NoteListModel(const clsDatabase& database, QObject* parent = nullptr);

    // One row per note of the database, as it is now; typed texts are dropped.
    void Reload();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // The entry's text while its note is being typed into (QComboBox::setItemText).
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    // A removed note (QComboBox::removeItem); the database has already lost it.
    bool removeRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;

private:
    const clsDatabase& m_Database;
    int m_Rows = 0;
    QHash<int, QString> m_Typed;
};

} // namespace quillary
