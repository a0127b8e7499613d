// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/FindResultsModel.h"

#include "core/TextCodec.h"
#include "storage/clsDatabase.h"

#include <algorithm>

namespace quillary {

namespace {
constexpr size_t kShownBytes = 400; // far more than a row can show
}

FindResultsModel::FindResultsModel(const clsDatabase& database, QObject* parent)
    : QAbstractListModel(parent), m_Database(database) {}

void FindResultsModel::SetRecords(std::vector<int> records) {
    beginResetModel();
    m_Records = std::move(records);
    endResetModel();
}

int FindResultsModel::RowOf(int record) const {
    const auto at = std::lower_bound(m_Records.begin(), m_Records.end(), record);
    return at != m_Records.end() && *at == record ? int(at - m_Records.begin()) : -1;
}

int FindResultsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_Records.size());
}

QString FindResultsModel::RowText(const std::string& rawText) {
    QString text = FromCp1252(rawText.substr(0, kShownBytes));
    text.remove(QChar('\r'));
    text.replace(QChar('\n'), QStringLiteral(" \u00B6 "));
    text.replace(QChar('\t'), QChar(' '));
    return text;
}

QVariant FindResultsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(m_Records.size()))
        return {};
    const int record = m_Records[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: {
        const clsQuillaryItem* note = m_Database.GetRecordObject(record);
        if (!note)
            return QString();
        if (role == Qt::ToolTipRole)
            return FromCp1252(note->RawText().substr(0, 600));
        return RowText(note->RawText());
    }
    case Qt::UserRole:
        return record;
    default:
        return {};
    }
}

} // namespace quillary
