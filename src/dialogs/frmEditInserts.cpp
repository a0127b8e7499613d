// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmEditInserts.h"

#include "StorableTextValidator.h"
#include "shell/StoredTextGuard.h"
#include "frmSortInserts.h"
#include "session/NotesSession.h"
#include "core/DatabaseDialogs.h"
#include "core/PlatformServices.h"
#include "core/TextCodec.h"
#include "core/modGlobals.h"
#include "storage/clsInsertDatabase.h"
#include "storage/clsQuillaryItem.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include <algorithm>

namespace quillary {

namespace {

// The handheld's limit for a note's text holds for inserts too.
constexpr int kMaxChars = int(clsQuillaryItem::kMaxTextChars);

QString UiText(const std::string& stored) {
    return FromCp1252(stored);
}

} // namespace

frmEditInserts::frmEditInserts(NotesSession& session, clsInsertDatabase& database, QWidget* parent)
    : QDialog(parent), m_Session(session), m_Database(database) {
    setObjectName(QStringLiteral("frmEditInserts"));
    setWindowTitle(QStringLiteral("Insert Databases"));
    setSizeGripEnabled(true);

    m_lblDatabase = new QLabel(QStringLiteral("Text Insert Items"), this);
    m_lblDatabase->setObjectName(QStringLiteral("lblDatabase"));
    m_lstInsertItems = new QListWidget(this);
    m_lstInsertItems->setObjectName(QStringLiteral("lstInsertItems"));
    m_lstInsertItems->setAccessibleName(QStringLiteral("Inserts"));
    m_lstInsertItems->setUniformItemSizes(true);
    m_lblDatabase->setBuddy(m_lstInsertItems);

    m_lblHeader = new QLabel(QStringLiteral("Title"), this);
    m_lblHeader->setObjectName(QStringLiteral("lblHeader"));
    m_txtInsertName = new QLineEdit(this);
    m_txtInsertName->setObjectName(QStringLiteral("txtInsertName"));
    m_txtInsertName->setPlaceholderText(QStringLiteral("Title"));
    m_txtInsertName->setMaxLength(kMaxChars);
    m_txtInsertName->setValidator(
        new StorableTextValidator([this](const QString& m) { Report(m); }, m_txtInsertName));
    m_lblHeader->setBuddy(m_txtInsertName);
    m_txtInsert = new QPlainTextEdit(this);
    m_txtInsert->setObjectName(QStringLiteral("txtInsert"));
    m_txtInsert->setAccessibleName(QStringLiteral("Insert text"));
    m_txtInsert->setPlaceholderText(QStringLiteral("Text of the insert"));
    m_TextGuard = new StoredTextGuard(
        m_txtInsert, kMaxChars,
        QStringLiteral("An insert holds at most 1999 characters; the rest was not added."),
        [this](const QString& m) { Report(m); });

    auto button = [this](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    QPushButton* add = button("cmdAddItem", QStringLiteral("A&dd"));
    QPushButton* remove = button("cmdDeleteItem", QStringLiteral("Delete"));
    QPushButton* sort = button("cmdSortItems", QStringLiteral("Sort"));
    m_cmdApply = button("cmdApply", QStringLiteral("&Apply"));
    m_cmdApply->setEnabled(false);
    QPushButton* done = button("cmdDone", QStringLiteral("&OK"));
    QPushButton* cancel = button("cmdCancel", QStringLiteral("&Cancel"));

    auto* listColumn = new QVBoxLayout;
    listColumn->addWidget(m_lblDatabase);
    listColumn->addWidget(m_lstInsertItems, 1);
    auto* itemButtons = new QHBoxLayout;
    for (QPushButton* b : {add, remove, sort})
        itemButtons->addWidget(b);
    listColumn->addLayout(itemButtons);

    auto* editColumn = new QVBoxLayout;
    editColumn->addWidget(m_lblHeader);
    editColumn->addWidget(m_txtInsertName);
    editColumn->addWidget(m_txtInsert, 1);
    auto* dialogButtons = new QHBoxLayout;
    dialogButtons->addStretch(1);
    for (QPushButton* b : {m_cmdApply, done, cancel})
        dialogButtons->addWidget(b);
    editColumn->addLayout(dialogButtons);

    auto* columns = new QHBoxLayout;
    columns->addLayout(listColumn, 2);
    columns->addLayout(editColumn, 3);

    m_statusBar = new QStatusBar(this);
    m_statusBar->setObjectName(QStringLiteral("statusBar"));
    m_statusBar->setSizeGripEnabled(false);
    for (const char* name : {"pnlDatabaseSize", "pnlInsertSize", "pnlRecords", "pnlRecordID"}) {
        auto* panel = new QLabel(m_statusBar);
        panel->setObjectName(QString::fromLatin1(name));
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        m_statusBar->addWidget(panel, 1);
        m_Panels << panel;
    }

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns, 1);
    layout->addWidget(m_statusBar);
    resize(680, 440);

    connect(m_lstInsertItems, &QListWidget::currentRowChanged, this, &frmEditInserts::SelectLine);
    connect(m_txtInsertName, &QLineEdit::textChanged, this, &frmEditInserts::OnTitleChanged);
    connect(m_txtInsertName, &QLineEdit::inputRejected, this, [this] {
        Report(QStringLiteral("An insert title holds at most 1999 characters; the rest was not "
                              "added."));
    });
    connect(m_txtInsert, &QPlainTextEdit::textChanged, this, &frmEditInserts::OnTextChanged);
    connect(add, &QPushButton::clicked, this, &frmEditInserts::AddItem);
    connect(remove, &QPushButton::clicked, this, &frmEditInserts::DeleteItem);
    connect(sort, &QPushButton::clicked, this, &frmEditInserts::SortItems);
    connect(m_cmdApply, &QPushButton::clicked, this, [this] { Save(); });
    connect(done, &QPushButton::clicked, this, [this] {
        if (m_Changed && !Save())
            return; // the failure was reported; the edits stay for another try
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    m_Database.m_CurrentItem = -1;
    FillList(0);
    m_Changed = false;
}

void frmEditInserts::Report(const QString& message) {
    m_statusBar->showMessage(message, 8000);
}

void frmEditInserts::FillList(int select) {
    const int count = m_Database.GetNumRecords();
    {
        const QSignalBlocker block(m_lstInsertItems);
        m_lstInsertItems->clear();
        for (int i = 0; i < count; ++i) {
            auto* item = new QListWidgetItem(UiText(m_Database.GetRecordObject(i)->Title));
            item->setData(Qt::UserRole, i);
            m_lstInsertItems->addItem(item);
        }
    }
    if (count > 0) {
        const int row = std::clamp(select, 0, count - 1);
        {
            const QSignalBlocker block(m_lstInsertItems);
            m_lstInsertItems->setCurrentRow(row);
        }
        SelectLine(row);
    } else {
        SelectLine(-1);
    }
}

void frmEditInserts::SelectLine(int row) {
    const bool any = row >= 0 && row < m_lstInsertItems->count();
    m_txtInsertName->setEnabled(any);
    m_txtInsert->setEnabled(any);
    m_Loading = true;
    m_TextGuard->SetLoading(true);
    if (!any) {
        m_Database.m_CurrentItem = -1;
        m_txtInsertName->clear();
        m_txtInsert->clear();
    } else {
        m_Database.m_CurrentItem = m_lstInsertItems->item(row)->data(Qt::UserRole).toInt();
        const clsTextInsertItem* item = m_Database.GetRecordObject(m_Database.m_CurrentItem);
        const QString title = UiText(item->Title);
        // A longer stored title (from an import) is shown whole; typing stops at the limit.
        m_txtInsertName->setMaxLength(std::max(kMaxChars, int(title.size())));
        m_txtInsertName->setText(title);
        m_txtInsertName->setCursorPosition(0);
        m_txtInsert->setPlainText(UiText(item->RawText()));
    }
    m_TextGuard->SetLoading(false);
    m_Loading = false;
    UpdateStatusTexts();
    ShowCurrentSizes();
}

void frmEditInserts::OnTitleChanged() {
    if (m_Loading)
        return;
    clsTextInsertItem* item = m_Database.GetRecordObject(m_Database.m_CurrentItem);
    if (!item)
        return;
    const QString title = m_txtInsertName->text();
    if (title == UiText(item->Title))
        return;
    item->Title = ToCp1252(title);
    if (QListWidgetItem* line = m_lstInsertItems->currentItem())
        line->setText(title);
    item->SetDirtyFlag(true);
    MarkChanged();
    ShowCurrentSizes();
}

void frmEditInserts::OnTextChanged() {
    if (m_Loading || m_TextGuard->Filtering())
        return;
    clsTextInsertItem* item = m_Database.GetRecordObject(m_Database.m_CurrentItem);
    if (!item)
        return;
    const QString text = StoredTextGuard::BoxText(m_txtInsert);
    if (text == UiText(item->RawText()))
        return;
    item->SetText(ToCp1252(text));
    item->SetDirtyFlag(true);
    MarkChanged();
    ShowCurrentSizes();
}

void frmEditInserts::MarkChanged() {
    m_Changed = true;
    m_cmdApply->setEnabled(true);
    m_Database.m_FileDirtyFlag = true;
    UpdateStatusTexts();
}

void frmEditInserts::UpdateStatusTexts() {
    bool anyDirty = false;
    for (int i = 0; i < m_Database.GetNumRecords() && !anyDirty; ++i)
        anyDirty = m_Database.GetRecordObject(i)->DirtyFlag();
    m_lblDatabase->setText(anyDirty ? QStringLiteral("Database Dirty")
                                    : QStringLiteral("Database Up-to-date"));
    if (const clsTextInsertItem* item = m_Database.GetRecordObject(m_Database.m_CurrentItem))
        m_lblHeader->setText(item->DirtyFlag() ? QStringLiteral("Record Dirty")
                                               : QStringLiteral("Record Up-to-date"));
    QString name = FromCp1252(m_Database.m_PalmFileName);
    if (name.isEmpty())
        name = QStringLiteral("Insert Databases");
    setWindowTitle(m_Database.m_FileDirtyFlag ? name + QChar('*') : name);
}

void frmEditInserts::ShowCurrentSizes() {
    const int i = m_Database.m_CurrentItem;
    UpdateStatusBar(m_Database.CalcDBSize(), m_Database.GetItemSize(i), m_Database.GetNumRecords(),
                    m_Database.GetUniqueID(i));
}

void frmEditInserts::UpdateStatusBar(qint64 dbSize, qint64 noteSize, int count, quint32 id) {
    if (dbSize > 0)
        m_Panels.at(0)->setText(QStringLiteral("DB: ") + QString::number(dbSize) +
                                QStringLiteral(" bytes"));
    // With no insert chosen there is no insert size to show; an empty database has 0.
    m_Panels.at(1)->setText(noteSize > 0 ? QStringLiteral("Note: ") + QString::number(noteSize) +
                                               QStringLiteral(" bytes")
                                         : QString());
    m_Panels.at(2)->setText(QString::number(count) + QStringLiteral(" records"));
    m_Panels.at(3)->setText(id != 0 ? QStringLiteral("ID: ") + QString::number(id)
                                    : QStringLiteral("New Record"));
}

QStringList frmEditInserts::StatusPanelTexts() const {
    QStringList texts;
    for (const QLabel* panel : m_Panels)
        texts << panel->text();
    return texts;
}

void frmEditInserts::AddItem() {
    const int index = m_Database.m_CurrentItem + 1;
    if (!m_Database.InsertRecordItem(index)) {
        m_Session.Context().services.messageBox(
            QStringLiteral("The insert database holds the most inserts it can (32767)."), kAppTitle,
            MsgButtons::Ok, MsgIcon::Exclamation);
        return;
    }
    m_Database.m_CurrentItem = -1;
    FillList(index);
    MarkChanged();
    m_txtInsertName->setFocus();
}

void frmEditInserts::DeleteItem() {
    const int index = m_Database.m_CurrentItem;
    if (index == -1)
        return;
    m_Database.DeleteRecord(index);
    MarkChanged();
    FillList(index);
}

void frmEditInserts::SortItems() {
    m_Database.m_CurrentItem = -1;
    frmSortInserts manager(m_Database, this);
    m_Session.Context().services.runDialog(manager);
    // Only a new order is a change; closing the manager without one leaves the file as is.
    if (manager.OrderChanged())
        MarkChanged();
    FillList(0);
}

bool frmEditInserts::Save() {
    m_Session.ShowProgress(true);
    const bool ok =
        SaveDatabaseInteractive(m_Session.Context(), m_Database, m_Session.ProgressReporter());
    m_Session.ShowProgress(false);
    if (ok) {
        m_Changed = false;
        m_cmdApply->setEnabled(false);
    }
    UpdateStatusTexts();
    return ok;
}

void frmEditInserts::closeEvent(QCloseEvent* event) {
    if (isVisible() && m_Changed) {
        const MsgResult answer = m_Session.Context().services.messageBox(
            QStringLiteral("Do you want to save the changes to the insert database \r") +
                FromCp1252(m_Database.m_PalmFileName) + QStringLiteral("?"),
            kAppTitle, MsgButtons::YesNoCancel, MsgIcon::Exclamation);
        if (answer == MsgResult::Cancel || (answer == MsgResult::Yes && !Save())) {
            event->ignore();
            return;
        }
        if (answer == MsgResult::Yes) {
            accept();
            event->accept();
            return;
        }
    }
    QDialog::closeEvent(event);
}

} // namespace quillary
