// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QStringList>

#include <functional>
#include <string>
#include <vector>

class QPushButton;
class QWidget;
class clsDatabase;

namespace quillary {

class NoteOrderModel;
class NoteOrderView;
class NotesSession;
class PlatformServices;

// "Record Manager": puts the records of a database into a new order. The person moves
// selected entries up or down (or drags them), sorts by first line, and applies the order
// shown. Works on any database through RecordOrderTarget, so insert databases use it too.
class frmSortNotes : public QDialog {
    Q_OBJECT
public:
    // What the window changes: NewSortOrder gets "2,0,1" (for each new position the index
    // the record has now) and returns false if it refused; MarkChanged runs after an
    // applied order that actually moved something.
    struct RecordOrderTarget {
        std::function<bool(const std::string&)> NewSortOrder;
        std::function<void()> MarkChanged;
    };

    // firstLines: each record's first line, in database order.
    frmSortNotes(PlatformServices& services, const QStringList& firstLines,
                 RecordOrderTarget target, QWidget* parent = nullptr);
    ~frmSortNotes() override;

    // The notes database's first lines and its target (marks the session changed).
    static QStringList FirstLinesOf(const clsDatabase& database);
    static RecordOrderTarget TargetFor(NotesSession& session);

    // For each position of the database as last applied, the record index it had when the
    // window opened, so callers can find a record again.
    const std::vector<int>& AppliedOrigins() const { return m_Origins; }
    // Where the record that stood at `original` when the window opened stands now.
    int CurrentPositionOf(int original) const;

    void cmdUp_Click();
    void cmdDn_Click();
    void cmdSort_Click();
    void cmdRSort_Click();
    void cmdCurrentSelectAll_Click();
    // Applies the order shown; false (with a message) when the database refused it.
    bool cmdApply_Click();
    void cmdDone_Click();

    NoteOrderModel& Model() const { return *m_Model; }
    NoteOrderView* List() const { return m_lstCurList; }

private:
    void Sort(bool descending);
    void MarkListChanged();
    void OnDrop(int beforeRow);
    int CurrentRecord() const;
    void ShowMoved(const std::vector<char>& selected, int currentRecord);

    PlatformServices& m_Services;
    RecordOrderTarget m_Target;
    std::vector<int> m_Origins;
    NoteOrderModel* m_Model = nullptr;
    NoteOrderView* m_lstCurList = nullptr;
    QWidget* m_picButtons = nullptr;
    QPushButton* m_cmdUp = nullptr;
    QPushButton* m_cmdDn = nullptr;
    QPushButton* m_cmdSort = nullptr;
    QPushButton* m_cmdRSort = nullptr;
    QPushButton* m_cmdCurrentSelectAll = nullptr;
    QPushButton* m_cmdApply = nullptr;
    QPushButton* m_cmdDone = nullptr;
    QPushButton* m_cmdCancel = nullptr;
};

} // namespace quillary
