// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/frmSortNotes.h"

#include "dialogs/NoteOrderModel.h"
#include "dialogs/NoteOrderView.h"
#include "mainwindow/MainLayout.h"
#include "session/NotesSession.h"
#include "core/PlatformServices.h"
#include "core/TextCodec.h"
#include "core/modGlobals.h"
#include "storage/clsDatabase.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include <numeric>
#include <iterator>

namespace quillary {

namespace {

class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

frmSortNotes::frmSortNotes(PlatformServices& services, const QStringList& firstLines,
                           RecordOrderTarget target, QWidget* parent)
    : QDialog(parent), m_Services(services), m_Target(std::move(target)) {
    setObjectName(QStringLiteral("frmSortNotes"));
    setWindowTitle(QStringLiteral("Record Manager"));
    if (parent)
        setWindowIcon(parent->window()->windowIcon());

    m_Model = new NoteOrderModel(this);
    m_lstCurList = new NoteOrderView(this);
    m_lstCurList->setObjectName(QStringLiteral("lstCurList"));
    m_lstCurList->setAccessibleName(QStringLiteral("Notes in order"));
    m_lstCurList->setModel(m_Model);

    auto button = [this](const QString& name, const QString& caption) {
        auto* b = new QPushButton(caption, m_picButtons);
        b->setObjectName(name);
        b->setAutoDefault(false);
        return b;
    };
    m_picButtons = new QWidget(this);
    m_picButtons->setObjectName(QStringLiteral("picButtons"));
    m_cmdUp = button(QStringLiteral("cmdUp"), QString());
    m_cmdUp->setIcon(style()->standardIcon(QStyle::SP_ArrowUp));
    m_cmdUp->setToolTip(QStringLiteral("Move the selected notes up (Alt+Up)"));
    m_cmdUp->setAccessibleName(QStringLiteral("Move Up"));
    m_cmdDn = button(QStringLiteral("cmdDn"), QString());
    m_cmdDn->setIcon(style()->standardIcon(QStyle::SP_ArrowDown));
    m_cmdDn->setToolTip(QStringLiteral("Move the selected notes down (Alt+Down)"));
    m_cmdDn->setAccessibleName(QStringLiteral("Move Down"));
    m_cmdSort = button(QStringLiteral("cmdSort"), QStringLiteral("Sort List"));
    m_cmdRSort = button(QStringLiteral("cmdRSort"), QStringLiteral("R-Sort List"));
    m_cmdCurrentSelectAll =
        button(QStringLiteral("cmdCurrentSelectAll"), QStringLiteral("Select All"));
    m_cmdApply = button(QStringLiteral("cmdApply"), QStringLiteral("&Apply"));
    m_cmdDone = button(QStringLiteral("cmdDone"), QStringLiteral("&OK"));
    m_cmdDone->setDefault(true);
    m_cmdCancel = button(QStringLiteral("cmdCancel"), QStringLiteral("&Cancel"));

    auto* grid = new QGridLayout(m_picButtons);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(m_cmdUp, 0, 0);
    grid->addWidget(m_cmdSort, 0, 1);
    grid->addWidget(m_cmdCurrentSelectAll, 0, 2);
    grid->addWidget(m_cmdApply, 0, 3);
    grid->addWidget(m_cmdDn, 1, 0);
    grid->addWidget(m_cmdRSort, 1, 1);
    grid->addWidget(m_cmdDone, 1, 2);
    grid->addWidget(m_cmdCancel, 1, 3);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(m_picButtons);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(m_lstCurList, 1);
    layout->addLayout(bottom);
    // Reading order: the list, then the buttons row by row.
    {
        QWidget* const order[] = {m_lstCurList, m_cmdUp, m_cmdSort, m_cmdCurrentSelectAll, m_cmdApply, m_cmdDn, m_cmdRSort, m_cmdDone, m_cmdCancel};
        for (size_t i = 1; i < std::size(order); ++i)
            QWidget::setTabOrder(order[i - 1], order[i]);
    }

    connect(m_cmdUp, &QPushButton::clicked, this, &frmSortNotes::cmdUp_Click);
    connect(m_cmdDn, &QPushButton::clicked, this, &frmSortNotes::cmdDn_Click);
    connect(m_cmdSort, &QPushButton::clicked, this, &frmSortNotes::cmdSort_Click);
    connect(m_cmdRSort, &QPushButton::clicked, this, &frmSortNotes::cmdRSort_Click);
    connect(m_cmdCurrentSelectAll, &QPushButton::clicked, this,
            &frmSortNotes::cmdCurrentSelectAll_Click);
    connect(m_cmdApply, &QPushButton::clicked, this, [this] { cmdApply_Click(); });
    connect(m_cmdDone, &QPushButton::clicked, this, &frmSortNotes::cmdDone_Click);
    connect(m_cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_lstCurList, &NoteOrderView::dropRequested, this, &frmSortNotes::OnDrop);
    connect(m_lstCurList, &NoteOrderView::moveRequested, this,
            [this](bool up) { up ? cmdUp_Click() : cmdDn_Click(); });

    // Loading.
    setMinimumSize(TwipsToPixels(3900), TwipsToPixels(2595));
    resize(std::max(TwipsToPixels(6000), sizeHint().width()),
           std::max(TwipsToPixels(4300), sizeHint().height()));
    m_Model->SetFirstLines(firstLines);
    m_Origins.resize(size_t(firstLines.size()));
    std::iota(m_Origins.begin(), m_Origins.end(), 0);
    m_cmdApply->setEnabled(false);
    if (m_Model->rowCount() > 0) {
        NoteOrderModel::Flags first(size_t(m_Model->rowCount()), 0);
        first[0] = 1;
        m_lstCurList->SetSelectedFlags(first, 0);
    }
}

frmSortNotes::~frmSortNotes() = default;

QStringList frmSortNotes::FirstLinesOf(const clsDatabase& database) {
    QStringList lines;
    const int count = database.GetNumRecords();
    lines.reserve(count);
    for (int i = 0; i < count; ++i) {
        // The text shown with CR LF line ends is cut at its first CR: in the stored text
        // that is the first CR or LF.
        const std::string& raw = database.GetRecordObject(i)->RawText();
        lines << FromCp1252(raw.substr(0, raw.find_first_of("\r\n")));
    }
    return lines;
}

frmSortNotes::RecordOrderTarget frmSortNotes::TargetFor(NotesSession& session) {
    clsDatabase& database = session.Database();
    return {[&database](const std::string& order) { return database.NewSortOrder(order); },
            [&session] { session.MarkChanged(); }};
}

int frmSortNotes::CurrentPositionOf(int original) const {
    for (size_t j = 0; j < m_Origins.size(); ++j)
        if (m_Origins[j] == original)
            return int(j);
    return -1;
}

void frmSortNotes::MarkListChanged() {
    m_cmdApply->setEnabled(true);
}

int frmSortNotes::CurrentRecord() const {
    const QModelIndex current = m_lstCurList->currentIndex();
    return current.isValid() ? current.data(Qt::UserRole).toInt() : -1;
}

void frmSortNotes::ShowMoved(const NoteOrderModel::Flags& selected, int currentRecord) {
    // The current entry moves with its block; the view keeps it, or the block, in sight.
    int row = -1;
    const auto& entries = m_Model->Entries();
    for (size_t j = 0; j < entries.size() && row < 0; ++j)
        if (entries[j].record == currentRecord)
            row = int(j);
    m_lstCurList->SetSelectedFlags(selected, row);
}

void frmSortNotes::cmdUp_Click() {
    NoteOrderModel::Flags selected = m_lstCurList->SelectedFlags();
    const int current = CurrentRecord();
    if (m_Model->MoveUp(selected)) {
        MarkListChanged();
        ShowMoved(selected, current);
    }
}

void frmSortNotes::cmdDn_Click() {
    NoteOrderModel::Flags selected = m_lstCurList->SelectedFlags();
    const int current = CurrentRecord();
    if (m_Model->MoveDown(selected)) {
        MarkListChanged();
        ShowMoved(selected, current);
    }
}

void frmSortNotes::OnDrop(int beforeRow) {
    NoteOrderModel::Flags selected = m_lstCurList->SelectedFlags();
    const int current = CurrentRecord();
    if (m_Model->MoveSelectedTo(selected, beforeRow)) {
        MarkListChanged();
        ShowMoved(selected, current);
    }
}

void frmSortNotes::Sort(bool descending) {
    WaitCursor wait;
    m_lstCurList->setUpdatesEnabled(false);
    NoteOrderModel::Flags selected = m_lstCurList->SelectedFlags();
    const int current = CurrentRecord();
    m_Model->Sort(descending, selected);
    ShowMoved(selected, current);
    m_lstCurList->setUpdatesEnabled(true);
    MarkListChanged(); // even when nothing moved
}

void frmSortNotes::cmdSort_Click() {
    Sort(false);
}
void frmSortNotes::cmdRSort_Click() {
    Sort(true);
}

void frmSortNotes::cmdCurrentSelectAll_Click() {
    m_lstCurList->selectAll();
    m_lstCurList->setFocus();
}

bool frmSortNotes::cmdApply_Click() {
    const bool moves = !m_Model->IsIdentity();
    if (!m_Target.NewSortOrder(m_Model->OrderText())) {
        m_Services.messageBox(QStringLiteral("The new order could not be applied; the notes "
                                             "keep their previous order."),
                              kAppTitle, MsgButtons::Ok, MsgIcon::Exclamation);
        return false;
    }
    std::vector<int> origins(m_Origins.size());
    const auto& entries = m_Model->Entries();
    for (size_t j = 0; j < entries.size() && j < origins.size(); ++j)
        origins[j] = m_Origins[size_t(entries[j].record)];
    m_Origins = std::move(origins);
    m_Model->RenumberRecords();
    if (moves && m_Target.MarkChanged)
        m_Target.MarkChanged();
    m_cmdApply->setEnabled(false);
    return true;
}

void frmSortNotes::cmdDone_Click() {
    if (cmdApply_Click())
        accept();
}

} // namespace quillary
