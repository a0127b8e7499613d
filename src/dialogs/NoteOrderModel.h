// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractListModel>
#include <QString>

#include <string>
#include <vector>

namespace quillary {

// The note manager's list: one entry per record, showing " " + its first line and carrying
// its record index (Qt::UserRole), in the order the person is building.
//
// The moves work on a selection given as one flag per row, which moves with its entries,
// so a moved block stays selected. Every operation is linear or n log n: fine for
// thousands of notes.
class NoteOrderModel : public QAbstractListModel {
    Q_OBJECT
public:
    struct Entry {
        QString text;
        int record = 0;
    };
    using Flags = std::vector<char>;

    explicit NoteOrderModel(QObject* parent = nullptr);

    // One entry per first line, record indexes 0, 1, 2, ...
    void SetFirstLines(const QStringList& firstLines);
    const std::vector<Entry>& Entries() const { return m_Entries; }

    // Each selected entry whose upper neighbour is not selected changes places with it,
    // top to bottom; a block at the top stays. True when anything moved.
    bool MoveUp(Flags& selected);
    // The same downwards, bottom to top.
    bool MoveDown(Flags& selected);
    // Moves the selected entries, in their order, to stand before row `before` (count: at
    // the end). True when the order changed.
    bool MoveSelectedTo(Flags& selected, int before);
    // Sorts by text, comparing character codes (upper case before lower case); entries with
    // equal texts keep their order in both directions.
    void Sort(bool descending, Flags& selected);

    // "2,0,1": the record indexes top to bottom (empty for no entries).
    std::string OrderText() const;
    // True when every entry stands at the position of its record index.
    bool IsIdentity() const;
    // After the order was applied: each entry's record index becomes its position.
    void RenumberRecords();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    void Changed(int first, int last);
    void Permute(const std::vector<int>& order, Flags& selected);

    std::vector<Entry> m_Entries;
};

} // namespace quillary
