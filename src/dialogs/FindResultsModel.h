// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractListModel>

#include <vector>

class clsDatabase;

namespace quillary {

// The find window's result list: one row per matching note, showing the note's text and
// carrying its record index (Qt::UserRole). Texts are read from the database when a row is
// painted, so only the visible rows cost anything, however many notes match.
class FindResultsModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit FindResultsModel(const clsDatabase& database, QObject* parent = nullptr);

    // Replaces the rows; records must be ascending.
    void SetRecords(std::vector<int> records);
    const std::vector<int>& Records() const { return m_Records; }
    // The row that lists this record, or -1.
    int RowOf(int record) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // How a row shows a note: its lines joined with a pilcrow, cut to a screen line or so.
    static QString RowText(const std::string& rawText);

private:
    const clsDatabase& m_Database;
    std::vector<int> m_Records;
};

} // namespace quillary
