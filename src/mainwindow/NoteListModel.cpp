// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/NoteListModel.h"

#include "core/TextCodec.h"
#include "storage/clsDatabase.h"
#include "storage/clsQuillaryItem.h"

namespace quillary {

NoteListModel::NoteListModel(const clsDatabase& database, QObject* parent)
    : QAbstractListModel(parent), m_Database(database) {}

void NoteListModel::Reload() {
    beginResetModel();
    m_Rows = std::max(m_Database.GetNumRecords(), 0);
    m_Typed.clear();
    endResetModel();
}

int NoteListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_Rows;
}

QVariant NoteListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_Rows ||
        (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    const auto typed = m_Typed.constFind(index.row());
    if (typed != m_Typed.constEnd())
        return *typed;
    // A database changed under the list (until its reload) shows nothing past its end.
    if (index.row() >= m_Database.GetNumRecords())
        return QString();
    const std::string& raw = m_Database.GetRecordObject(index.row())->RawText();
    return FromCp1252(raw.substr(0, raw.find_first_of("\r\n")));
}

bool NoteListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || index.row() >= m_Rows ||
        (role != Qt::DisplayRole && role != Qt::EditRole))
        return false;
    m_Typed.insert(index.row(), value.toString());
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

bool NoteListModel::removeRows(int row, int count, const QModelIndex& parent) {
    if (parent.isValid() || row < 0 || count <= 0 || row + count > m_Rows)
        return false;
    beginRemoveRows(parent, row, row + count - 1);
    QHash<int, QString> kept;
    for (auto it = m_Typed.cbegin(); it != m_Typed.cend(); ++it) {
        if (it.key() < row)
            kept.insert(it.key(), it.value());
        else if (it.key() >= row + count)
            kept.insert(it.key() - count, it.value());
    }
    m_Typed = std::move(kept);
    m_Rows -= count;
    endRemoveRows();
    return true;
}

} // namespace quillary
