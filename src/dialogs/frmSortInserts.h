// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QListWidget;
class QPushButton;
class clsInsertDatabase;

namespace quillary {

// "Record Manager" for the inserts of one insert database: move selected inserts up or
// down, sort them by title either way, and apply the order shown to the database
// (NewSortOrder). Entries are a space and the insert's title; titles compare by their
// Windows-1252 byte codes, as on the handheld. OK applies, Cancel drops moves not yet
// applied. Saving is the insert editor's business.
class frmSortInserts : public QDialog {
    Q_OBJECT
public:
    frmSortInserts(clsInsertDatabase& database, QWidget* parent = nullptr);

    // True once an applied order differed from the order before.
    bool OrderChanged() const { return m_OrderChanged; }

private:
    void MoveUp();
    void MoveDown();
    void Sort(bool descending);
    void Apply();
    void Exchange(int i);
    void MarkChanged();

    clsInsertDatabase& m_Database;
    QListWidget* m_lstCurList = nullptr;
    QPushButton* m_cmdApply = nullptr;
    bool m_OrderChanged = false;
};

} // namespace quillary
