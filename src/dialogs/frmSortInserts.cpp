// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmSortInserts.h"

#include "core/TextCodec.h"
#include "storage/clsInsertDatabase.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace quillary {

namespace {

constexpr int kIndexRole = Qt::UserRole;   // the record index the entry stands for
constexpr int kKeyRole = Qt::UserRole + 1; // the title's stored bytes, for sorting

} // namespace

frmSortInserts::frmSortInserts(clsInsertDatabase& database, QWidget* parent)
    : QDialog(parent), m_Database(database) {
    setObjectName(QStringLiteral("frmSortInserts"));
    setWindowTitle(QStringLiteral("Record Manager"));

    m_lstCurList = new QListWidget(this);
    m_lstCurList->setObjectName(QStringLiteral("lstCurList"));
    m_lstCurList->setAccessibleName(QStringLiteral("Inserts in order"));
    m_lstCurList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_lstCurList->setUniformItemSizes(true);

    auto button = [this](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    QPushButton* up = button("cmdUp", QString());
    up->setIcon(style()->standardIcon(QStyle::SP_ArrowUp));
    up->setToolTip(QStringLiteral("Move Up"));
    QPushButton* down = button("cmdDn", QString());
    down->setIcon(style()->standardIcon(QStyle::SP_ArrowDown));
    down->setToolTip(QStringLiteral("Move Down"));
    QPushButton* sort = button("cmdSort", QStringLiteral("Sort List"));
    QPushButton* rsort = button("cmdRSort", QStringLiteral("R-Sort List"));
    QPushButton* all = button("cmdCurrentSelectAll", QStringLiteral("Select All"));
    m_cmdApply = button("cmdApply", QStringLiteral("&Apply"));
    m_cmdApply->setEnabled(false);
    QPushButton* done = button("cmdDone", QStringLiteral("&OK"));
    done->setDefault(true);
    QPushButton* cancel = button("cmdCancel", QStringLiteral("&Cancel"));

    auto* picButtons = new QWidget(this);
    picButtons->setObjectName(QStringLiteral("picButtons"));
    auto* grid = new QHBoxLayout(picButtons);
    grid->setContentsMargins(0, 0, 0, 0);
    for (QPushButton* b : {up, down, sort, rsort, all})
        grid->addWidget(b);
    grid->addStretch(1);
    for (QPushButton* b : {m_cmdApply, done, cancel})
        grid->addWidget(b);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_lstCurList, 1);
    layout->addWidget(picButtons);
    resize(520, 320);

    const int count = m_Database.GetNumRecords();
    for (int i = 0; i < count; ++i) {
        const std::string& title = m_Database.GetRecordObject(i)->Title;
        auto* item = new QListWidgetItem(QChar(' ') + FromCp1252(title));
        item->setData(kIndexRole, i);
        item->setData(kKeyRole, QByteArray(" ") + QByteArray::fromStdString(title));
        m_lstCurList->addItem(item);
    }
    if (count > 0) {
        m_lstCurList->setCurrentRow(0);
        m_lstCurList->item(0)->setSelected(true);
    }

    connect(up, &QPushButton::clicked, this, &frmSortInserts::MoveUp);
    connect(down, &QPushButton::clicked, this, &frmSortInserts::MoveDown);
    connect(sort, &QPushButton::clicked, this, [this] { Sort(false); });
    connect(rsort, &QPushButton::clicked, this, [this] { Sort(true); });
    connect(all, &QPushButton::clicked, m_lstCurList, &QListWidget::selectAll);
    connect(m_cmdApply, &QPushButton::clicked, this, &frmSortInserts::Apply);
    connect(done, &QPushButton::clicked, this, [this] {
        Apply();
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void frmSortInserts::MarkChanged() {
    m_cmdApply->setEnabled(true);
}

void frmSortInserts::Exchange(int i) {
    // Entries i and i + 1 change places, with their selection.
    const int current = m_lstCurList->currentRow();
    QListWidgetItem* lower = m_lstCurList->takeItem(i + 1);
    const bool selected = lower->isSelected();
    m_lstCurList->insertItem(i, lower);
    lower->setSelected(selected);
    if (current == i)
        m_lstCurList->setCurrentRow(i + 1, QItemSelectionModel::NoUpdate);
    else if (current == i + 1)
        m_lstCurList->setCurrentRow(i, QItemSelectionModel::NoUpdate);
    MarkChanged();
}

void frmSortInserts::MoveUp() {
    for (int i = 1; i < m_lstCurList->count(); ++i)
        if (m_lstCurList->item(i)->isSelected() && !m_lstCurList->item(i - 1)->isSelected())
            Exchange(i - 1);
}

void frmSortInserts::MoveDown() {
    for (int i = m_lstCurList->count() - 2; i >= 0; --i)
        if (m_lstCurList->item(i)->isSelected() && !m_lstCurList->item(i + 1)->isSelected())
            Exchange(i);
}

void frmSortInserts::Sort(bool descending) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct Entry {
        QListWidgetItem* item;
        QByteArray key;
        bool selected;
    };
    std::vector<Entry> entries;
    while (m_lstCurList->count() > 0) {
        const bool selected = m_lstCurList->item(0)->isSelected();
        QListWidgetItem* item = m_lstCurList->takeItem(0);
        entries.push_back({item, item->data(kKeyRole).toByteArray(), selected});
    }
    // Ascending keeps equal titles in their order; descending reverses them, as the
    // neighbour-exchange sort of the note manager does.
    if (descending) {
        std::reverse(entries.begin(), entries.end());
        std::stable_sort(entries.begin(), entries.end(),
                         [](const Entry& a, const Entry& b) { return b.key < a.key; });
    } else {
        std::stable_sort(entries.begin(), entries.end(),
                         [](const Entry& a, const Entry& b) { return a.key < b.key; });
    }
    for (const Entry& e : entries) {
        m_lstCurList->addItem(e.item);
        e.item->setSelected(e.selected);
    }
    QApplication::restoreOverrideCursor();
    MarkChanged();
}

void frmSortInserts::Apply() {
    const int count = m_lstCurList->count();
    if (count > 0) {
        QStringList order;
        order.reserve(count);
        bool moved = false;
        for (int i = 0; i < count; ++i) {
            const int index = m_lstCurList->item(i)->data(kIndexRole).toInt();
            moved = moved || index != i;
            order << QString::number(index);
        }
        if (m_Database.NewSortOrder(order.join(QChar(',')).toStdString())) {
            m_OrderChanged = m_OrderChanged || moved;
            for (int i = 0; i < count; ++i)
                m_lstCurList->item(i)->setData(kIndexRole, i);
        }
    }
    m_cmdApply->setEnabled(false);
}

} // namespace quillary
