// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/frmVersions.h"

#include "draw/BitmapImage.h"
#include "session/OpenFileGuard.h"
#include "session/NotesSession.h"
#include "session/OpenFileGuard.h"
#include "core/PlatformServices.h"
#include "core/TextCodec.h"
#include "core/modGlobals.h"
#include "storage/clsBitmap.h"
#include "storage/clsDatabase.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <map>
#include <iterator>

namespace quillary {

namespace {

QString FirstLine(const clsQuillaryItem& item) {
    const std::string& text = item.RawText();
    QString line = FromCp1252(text.substr(0, text.find('\n'))).trimmed();
    return line.isEmpty() ? QStringLiteral("(no text)") : line;
}

QDateTime LocalTime(const VersionInfo& v) {
    return QDateTime::fromSecsSinceEpoch(qint64(v.kept)).toLocalTime();
}

QString DateText(const VersionInfo& v) {
    return QLocale().toString(LocalTime(v).date(), QLocale::ShortFormat);
}

// The short time, with seconds when another version was kept in the same minute, so that
// the two can be told apart.
QString TimeText(const VersionInfo& v, bool seconds) {
    QString format = QLocale().timeFormat(QLocale::ShortFormat);
    if (seconds && !format.contains(QLatin1Char('s')))
        format.replace(QStringLiteral("mm"), QStringLiteral("mm:ss"));
    return QLocale().toString(LocalTime(v).time(), format);
}

} // namespace

frmVersions::frmVersions(NotesSession& session, QWidget* parent)
    : QDialog(parent), m_Session(session) {
    setObjectName(QStringLiteral("frmVersions"));
    setWindowTitle(QStringLiteral("Earlier Versions"));

    m_lstVersions = new QTreeWidget(this);
    m_lstVersions->setObjectName(QStringLiteral("lstVersions"));
    m_lstVersions->setAccessibleName(QStringLiteral("Versions"));
    m_lstVersions->setHeaderLabels({QStringLiteral("Date"), QStringLiteral("Time"),
                                    QStringLiteral("Notes"), QStringLiteral("Size")});
    m_lstVersions->setRootIsDecorated(false);
    m_lstVersions->setAllColumnsShowFocus(true);
    m_lstVersions->header()->setStretchLastSection(false);
    m_lstVersions->header()->setSectionResizeMode(QHeaderView::ResizeToContents);

    m_lstNotes = new QListWidget(this);
    m_lstNotes->setObjectName(QStringLiteral("lstVersionNotes"));
    m_lstNotes->setAccessibleName(QStringLiteral("Notes of the chosen version"));
    m_lstNotes->setSelectionMode(QAbstractItemView::ExtendedSelection);

    m_txtNote = new QPlainTextEdit(this);
    m_txtNote->setObjectName(QStringLiteral("txtVersionNote"));
    m_txtNote->setAccessibleName(QStringLiteral("Text of the chosen note"));
    m_txtNote->setReadOnly(true);
    m_picNote = new QLabel(this);
    m_picNote->setObjectName(QStringLiteral("picVersionNote"));
    m_picNote->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* pictureScroll = new QScrollArea(this);
    pictureScroll->setObjectName(QStringLiteral("scrVersionPicture"));
    pictureScroll->setAccessibleName(QStringLiteral("Picture of the chosen note"));
    pictureScroll->setWidget(m_picNote);
    pictureScroll->setWidgetResizable(true);
    pictureScroll->setBackgroundRole(QPalette::Base);
    m_picScroll = pictureScroll;
    m_lblProblem = new QLabel(this);
    m_lblProblem->setObjectName(QStringLiteral("lblVersionProblem"));
    m_lblProblem->setWordWrap(true);
    m_lblProblem->hide();

    auto* noteSplit = new QSplitter(Qt::Vertical, this);
    noteSplit->addWidget(pictureScroll);
    noteSplit->addWidget(m_txtNote);
    auto* left = new QWidget(this);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addWidget(new QLabel(QStringLiteral("&Versions of the open notes file:"), left));
    leftLayout->addWidget(m_lstVersions);
    leftLayout->addWidget(new QLabel(QStringLiteral("N&otes of the chosen version:"), left));
    leftLayout->addWidget(m_lstNotes);
    static_cast<QLabel*>(leftLayout->itemAt(0)->widget())->setBuddy(m_lstVersions);
    static_cast<QLabel*>(leftLayout->itemAt(2)->widget())->setBuddy(m_lstNotes);
    auto* split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(left);
    split->addWidget(noteSplit);
    split->setStretchFactor(1, 1);
    split->setSizes({360, 460});     // the four columns of the list whole
    noteSplit->setSizes({320, 180}); // the 500 x 500 picture gets the most room

    m_cmdCopy = new QPushButton(QStringLiteral("&Copy Notes into Open Database"), this);
    m_cmdCopy->setObjectName(QStringLiteral("cmdCopyNotes"));
    m_cmdReplace = new QPushButton(QStringLiteral("&Replace Whole Database..."), this);
    m_cmdReplace->setObjectName(QStringLiteral("cmdReplaceDatabase"));
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("cmdClose"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_cmdCopy);
    buttons->addWidget(m_cmdReplace);
    buttons->addStretch(1);
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(split, 1);
    layout->addWidget(m_lblProblem);
    layout->addLayout(buttons);
    // Reading order: the two lists, the chosen note's picture and text, the buttons.
    {
        QWidget* const order[] = {m_lstVersions, m_lstNotes, pictureScroll, m_txtNote, m_cmdCopy, m_cmdReplace, close};
        for (size_t i = 1; i < std::size(order); ++i)
            QWidget::setTabOrder(order[i - 1], order[i]);
    }
    resize(820, 560);

    connect(m_lstVersions, &QTreeWidget::currentItemChanged, this, &frmVersions::OnVersionChosen);
    connect(m_lstNotes, &QListWidget::currentRowChanged, this, &frmVersions::OnNoteChosen);
    connect(m_lstNotes, &QListWidget::itemSelectionChanged, this, &frmVersions::UpdateButtons);
    connect(m_cmdCopy, &QPushButton::clicked, this, &frmVersions::CopyNotes);
    connect(m_cmdReplace, &QPushButton::clicked, this, &frmVersions::ReplaceDatabase);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    LoadVersions();
}

frmVersions::~frmVersions() = default;

void frmVersions::LoadVersions() {
    m_Versions = m_Session.FileGuard().Store().List();
    m_Shown.reset();
    m_ShownVersion = -1;
    m_lstVersions->clear();
    std::map<std::time_t, int> perMinute;
    for (const VersionInfo& v : m_Versions)
        ++perMinute[v.kept / 60];
    m_TimeTexts.clear();
    for (const VersionInfo& v : m_Versions) {
        auto* item = new QTreeWidgetItem(m_lstVersions);
        m_TimeTexts << TimeText(v, perMinute[v.kept / 60] > 1);
        item->setText(0, DateText(v));
        item->setText(1, m_TimeTexts.last());
        item->setText(2, v.records < 0 ? QStringLiteral("?") : QString::number(v.records));
        item->setText(3, FormatKb(qint64(v.size)) + QStringLiteral(" KB"));
        item->setTextAlignment(2, Qt::AlignRight);
        item->setTextAlignment(3, Qt::AlignRight);
    }
    if (m_Versions.empty()) {
        m_lblProblem->setText(QStringLiteral("No earlier versions of this notes file are kept "
                                             "yet. One is kept each time a save or a HotSync "
                                             "replaces it."));
        m_lblProblem->show();
    } else {
        m_lstVersions->setCurrentItem(m_lstVersions->topLevelItem(0));
    }
    OnVersionChosen();
}

void frmVersions::OnVersionChosen() {
    const int row = m_lstVersions->currentItem()
                        ? m_lstVersions->indexOfTopLevelItem(m_lstVersions->currentItem())
                        : -1;
    m_lstNotes->clear();
    m_txtNote->clear();
    m_picNote->clear();
    m_Shown.reset();
    m_ShownVersion = -1;
    if (row < 0 || row >= int(m_Versions.size())) {
        UpdateButtons();
        return;
    }
    const VersionInfo& version = m_Versions[size_t(row)];
    std::vector<uint8_t> bytes;
    std::string why;
    auto db = std::make_unique<clsDatabase>();
    const VersionStore store = m_Session.FileGuard().Store();
    if (!store.Read(version, bytes, &why) ||
        !db->LoadDatabaseBytes(bytes.data(), bytes.size(), version.path, {}, &why)) {
        m_lblProblem->setText(QStringLiteral("This version cannot be read: ") +
                              QString::fromStdString(why));
        m_lblProblem->show();
        UpdateButtons();
        return;
    }
    m_lblProblem->hide();
    m_Shown = std::move(db);
    m_ShownVersion = row;
    for (int i = 0; i < m_Shown->GetNumRecords(); ++i)
        m_lstNotes->addItem(QString::number(i + 1) + QStringLiteral(". ") +
                            FirstLine(*m_Shown->GetRecordObject(i)));
    if (m_lstNotes->count() > 0)
        m_lstNotes->setCurrentRow(0);
    UpdateButtons();
}

void frmVersions::OnNoteChosen() {
    const int row = m_lstNotes->currentRow();
    m_txtNote->clear();
    m_picNote->clear();
    if (!m_Shown || row < 0 || row >= m_Shown->GetNumRecords())
        return;
    const clsQuillaryItem& note = *m_Shown->GetRecordObject(row);
    m_txtNote->setPlainText(FromCp1252(note.RawText()));
    clsBitmap bitmap;
    std::string why;
    if (m_Shown->GetRecordBitmap(row, bitmap, &why))
        m_picNote->setPixmap(QPixmap::fromImage(BitmapToImage(bitmap)));
    else
        m_picNote->setText(QStringLiteral("The picture cannot be shown: ") +
                           QString::fromStdString(why));
    // Each note's picture is shown from its top left corner, as the main window shows it.
    m_picScroll->horizontalScrollBar()->setValue(0);
    m_picScroll->verticalScrollBar()->setValue(0);
}

void frmVersions::UpdateButtons() {
    m_cmdCopy->setEnabled(m_Shown && !m_lstNotes->selectedItems().isEmpty());
    m_cmdReplace->setEnabled(m_Shown != nullptr);
}

void frmVersions::CopyNotes() {
    if (!m_Shown)
        return;
    std::vector<int> rows;
    for (const QListWidgetItem* item : m_lstNotes->selectedItems())
        rows.push_back(m_lstNotes->row(item));
    std::sort(rows.begin(), rows.end());
    clsDatabase chosen;
    chosen.AddNewDatabase();
    for (int row : rows) {
        const int at = chosen.GetNumRecords();
        chosen.AddNewRecord(at);
        chosen.SetRecordObject(at, *m_Shown->GetRecordObject(row));
    }
    clsDatabase& db = m_Session.Database();
    const ImportResult result = db.AppendDatabaseNotes(chosen);
    m_Session.NotesReplaced();
    const int copied = int(rows.size());
    if (!result.completed) {
        QString text = QStringLiteral("Not every note could be copied.");
        for (const std::string& m : result.messages)
            text += QLatin1Char('\r') + QString::fromStdString(m);
        m_Session.Context().services.messageBox(text, kAppTitle, MsgButtons::Ok,
                                               MsgIcon::Exclamation);
        return;
    }
    m_Session.Context().services.messageBox(
        copied == 1 ? QStringLiteral("1 note was copied to the end of the open database as a "
                                     "new note. Save to keep it.")
                    : QString::number(copied) +
                          QStringLiteral(" notes were copied to the end of the open database as "
                                         "new notes. Save to keep them."),
        kAppTitle, MsgButtons::Ok, MsgIcon::Information);
}

void frmVersions::ReplaceDatabase() {
    if (!m_Shown || m_ShownVersion < 0)
        return;
    const VersionInfo version = m_Versions[size_t(m_ShownVersion)];
    const QString when = DateText(version) + QLatin1Char(' ') + m_TimeTexts.value(m_ShownVersion);
    if (m_Session.Context().services.messageBox(
            QStringLiteral("Replace all notes of the open database with the ") +
                QString::number(m_Shown->GetNumRecords()) +
                QStringLiteral(" notes of the version of ") + when +
                QStringLiteral("?\r\rThe notes as they are now are kept as an earlier "
                               "version, so this can be undone here."),
            kAppTitle, MsgButtons::YesNo, MsgIcon::Question) != MsgResult::Yes)
        return;
    clsDatabase& db = m_Session.Database();
    VersionStore store = m_Session.FileGuard().Store();
    std::string why;
    // The notes shown now (unsaved changes included) first; the save keeps the file.
    if (!store.KeepBytes(db.GetDatabaseBytes(), &why)) {
        m_Session.Context().services.messageBox(
            QStringLiteral("The notes as they are now cannot be kept as an earlier version, "
                           "so nothing was replaced:\r") +
                QString::fromStdString(why),
            kAppTitle, MsgButtons::Ok, MsgIcon::Critical);
        return;
    }
    std::vector<uint8_t> bytes;
    if (!store.Read(version, bytes, &why) ||
        !db.LoadDatabaseBytes(bytes.data(), bytes.size(), version.path, {}, &why)) {
        m_Session.Context().services.messageBox(QString::fromStdString(why), kAppTitle,
                                               MsgButtons::Ok, MsgIcon::Critical);
        return;
    }
    m_Session.MarkChanged();
    m_Session.NotesReplaced();
    if (m_Session.Save())
        accept();
    else
        LoadVersions(); // not saved: the replaced notes are in the window, unsaved
}

} // namespace quillary
