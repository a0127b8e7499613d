// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmInsertDBList.h"

#include "frmAddInsertDatabase.h"
#include "frmEditInserts.h"
#include "frmImportInsert.h"
#include "mainwindow/frmMain.h"
#include "core/DatabaseDialogs.h"
#include "core/PlatformServices.h"
#include "core/TextCodec.h"
#include "core/modGlobals.h"
#include "storage/clsInsertDatabase.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>

namespace quillary {

namespace {

bool IsBitmapDatabase(const InsertDatabaseInfo& info) {
    return info.type == "Ins2";
}

QString TypeText(const InsertDatabaseInfo& info) {
    return IsBitmapDatabase(info) ? QStringLiteral("Bitmap Insert Database")
                                  : QStringLiteral("Text Insert Database");
}

QString SamePath(const QString& path) {
    return QFileInfo(path).absoluteFilePath();
}

} // namespace

frmInsertDBList::frmInsertDBList(frmMain& main, QWidget* parent)
    : QDialog(parent), m_Main(main), m_Folder(main.Session().GetInsertFolder()) {
    setObjectName(QStringLiteral("frmInsertDBList"));
    setWindowTitle(QStringLiteral("Insert Database Manager"));
    setSizeGripEnabled(true);

    m_lblDatabaseList = new QLabel(this);
    m_lblDatabaseList->setObjectName(QStringLiteral("lblDatabaseList"));
    m_lstInsertDB = new QListWidget(this);
    m_lstInsertDB->setObjectName(QStringLiteral("lstInsertDB"));
    m_lstInsertDB->setAccessibleName(QStringLiteral("Insert databases"));
    m_lstInsertDB->setUniformItemSizes(true);
    m_lblDatabaseList->setBuddy(m_lstInsertDB);

    auto* picDetails = new QFrame(this);
    picDetails->setObjectName(QStringLiteral("picDetails"));
    picDetails->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    auto* details = new QVBoxLayout(picDetails);
    auto label = [picDetails, details](const char* name) {
        auto* l = new QLabel(picDetails);
        l->setObjectName(QString::fromLatin1(name));
        l->setWordWrap(true);
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
        details->addWidget(l);
        return l;
    };
    m_lblWinFileName = label("lblWinFileName");
    m_lblPalmFileName = label("lblPalmFileName");
    m_lblDBSize = label("lblDBSize");
    m_lblDBType = label("lblDBType");

    auto button = [this](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    QPushButton* create = button("cmdNewDatabase", QStringLiteral("New Database"));
    QPushButton* rename = button("cmdRename", QStringLiteral("Rename Database"));
    QPushButton* edit = button("cmdEdit", QStringLiteral("Edit Database..."));
    QPushButton* import = button("cmdImport", QStringLiteral("Import/Export..."));
    QPushButton* remove = button("cmdDelete", QStringLiteral("Delete Database"));
    QPushButton* done = button("cmdDone", QStringLiteral("Done"));
    done->setDefault(true);
    m_NeedSelection = {rename, edit, import, remove};

    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {create, rename, edit, import, remove})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(done);

    auto* listColumn = new QVBoxLayout;
    listColumn->addWidget(m_lblDatabaseList);
    listColumn->addWidget(m_lstInsertDB, 1);
    listColumn->addWidget(picDetails);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(listColumn, 1);
    layout->addLayout(buttons);
    // Reading order: the list, then the buttons beside it.
    {
        QWidget* const order[] = {m_lstInsertDB, create, rename, edit, import, remove, done};
        for (size_t i = 1; i < std::size(order); ++i)
            QWidget::setTabOrder(order[i - 1], order[i]);
    }
    resize(600, 420);

    connect(m_lstInsertDB, &QListWidget::currentRowChanged, this, &frmInsertDBList::ShowDetails);
    connect(m_lstInsertDB, &QListWidget::itemDoubleClicked, this, &frmInsertDBList::EditDatabase);
    connect(create, &QPushButton::clicked, this, &frmInsertDBList::NewDatabase);
    connect(rename, &QPushButton::clicked, this, &frmInsertDBList::RenameDatabase);
    connect(edit, &QPushButton::clicked, this, &frmInsertDBList::EditDatabase);
    connect(import, &QPushButton::clicked, this, &frmInsertDBList::ImportExport);
    connect(remove, &QPushButton::clicked, this, &frmInsertDBList::DeleteDatabase);
    connect(done, &QPushButton::clicked, this, &QDialog::accept);

    m_lblDatabaseList->setText(QStringLiteral("Insert Databases for ") + m_Main.Session().CurrentUserName());
    Refresh(0);
}

frmInsertDBList::~frmInsertDBList() {
    m_Main.statusBar()->clearMessage();
}

void frmInsertDBList::Refresh(int index, const QString& selectPath) {
    std::string error;
    if (!GetInsertDatabaseList(m_Folder.toStdString(), m_Databases, &error))
        m_Main.Context().services.messageBox(QString::fromStdString(error), kAppTitle,
                                             MsgButtons::Ok, MsgIcon::None);
    const int count = int(m_Databases.size());
    int select = std::clamp(index, 0, std::max(0, count - 1));
    {
        const QSignalBlocker block(m_lstInsertDB);
        m_lstInsertDB->clear();
        for (int i = 0; i < count; ++i) {
            const InsertDatabaseInfo& info = m_Databases[size_t(i)];
            QString line = QChar(' ') + FromCp1252(info.name);
            if (IsBitmapDatabase(info))
                line += QStringLiteral("   (bitmap inserts)");
            auto* item = new QListWidgetItem(line);
            item->setData(Qt::UserRole, i);
            item->setToolTip(TypeText(info));
            m_lstInsertDB->addItem(item);
            if (!selectPath.isEmpty() &&
                SamePath(QString::fromStdString(info.path)) == SamePath(selectPath))
                select = i;
        }
        if (count > 0)
            m_lstInsertDB->setCurrentRow(select);
    }
    for (QPushButton* b : m_NeedSelection)
        b->setEnabled(count > 0);
    ShowDetails();
}

int frmInsertDBList::SelectedIndex() const {
    const QListWidgetItem* item = m_lstInsertDB->currentItem();
    if (!item)
        return -1;
    const int i = item->data(Qt::UserRole).toInt();
    return i >= 0 && i < int(m_Databases.size()) ? i : -1;
}

void frmInsertDBList::ShowDetails() {
    const int i = SelectedIndex();
    if (i < 0) {
        m_lblWinFileName->setText(QStringLiteral("Windows File Name: "));
        m_lblPalmFileName->setText(QStringLiteral("Palm Database Name: "));
        m_lblDBSize->setText(QStringLiteral("Number of Records: "));
        m_lblDBType->clear();
        m_Main.statusBar()->clearMessage();
        return;
    }
    const InsertDatabaseInfo& info = m_Databases[size_t(i)];
    m_lblWinFileName->setText(QStringLiteral("Windows File Name: ") +
                              QDir::toNativeSeparators(QString::fromStdString(info.path)));
    m_lblPalmFileName->setText(QStringLiteral("Palm Database Name: ") + FromCp1252(info.name));
    m_lblDBSize->setText(QStringLiteral("Number of Records: ") + QString::number(info.recordCount));
    m_lblDBType->setText(QStringLiteral("Type: ") + TypeText(info));
    m_Main.statusBar()->showMessage(TypeText(info));
}

void frmInsertDBList::NewDatabase() {
    ReturnFlag = 0;
    AddDatabaseFileName.clear();
    AddDatabasePalmName.clear();
    frmAddInsertDatabase add(m_Main.Session(), *this, this);
    m_Main.Context().services.runDialog(add);
    if (ReturnFlag != 0 || AddDatabaseFileName.isEmpty())
        return;
    clsInsertDatabase db;
    db.AddNewDatabase();
    db.SetFileName(AddDatabaseFileName.toStdString());
    db.m_PalmFileName = ToCp1252(AddDatabasePalmName);
    SaveDatabaseInteractive(m_Main.Context(), db, {});
    Refresh(m_lstInsertDB->currentRow(), AddDatabaseFileName);
}

void frmInsertDBList::RenameDatabase() {
    const int i = SelectedIndex();
    if (i < 0)
        return;
    ReturnFlag = 1;
    AddDatabaseFileName = QString::fromStdString(m_Databases[size_t(i)].path);
    AddDatabasePalmName = FromCp1252(m_Databases[size_t(i)].name);
    frmAddInsertDatabase add(m_Main.Session(), *this, this);
    m_Main.Context().services.runDialog(add);
    if (ReturnFlag == 0)
        Refresh(m_lstInsertDB->currentRow(), AddDatabaseFileName);
}

void frmInsertDBList::DeleteDatabase() {
    const int i = SelectedIndex();
    if (i < 0)
        return;
    const InsertDatabaseInfo info = m_Databases[size_t(i)];
    if (m_Main.Context().services.messageBox(
            QStringLiteral("Are you sure you want to delete ") + FromCp1252(info.name), kAppTitle,
            MsgButtons::YesNo, MsgIcon::Exclamation) == MsgResult::No)
        return;
    std::string error;
    if (!DeletePalmDatabaseFile(info.path, &error))
        ReportError(m_Main.Context(), QString::fromStdString(error));
    Refresh(m_lstInsertDB->currentRow());
}

void frmInsertDBList::EditDatabase() {
    const int i = SelectedIndex();
    if (i < 0)
        return;
    const InsertDatabaseInfo& info = m_Databases[size_t(i)];
    if (IsBitmapDatabase(info)) {
        m_Main.Context().services.messageBox(
            QStringLiteral("\"") + FromCp1252(info.name) +
                QStringLiteral("\" is a bitmap insert database. Quillary edits text inserts "
                               "only; a bitmap insert database can be renamed, exported or "
                               "deleted here."),
            kAppTitle, MsgButtons::Ok, MsgIcon::Information);
        return;
    }
    clsInsertDatabase db;
    db.SetFileName(info.path);
    db.m_ScreenDisplayFlag = true;
    m_Main.ShowProgressBar(true);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool opened = OpenDatabaseInteractive(m_Main.Context(), db, m_Main.ProgressBarReporter());
    QApplication::restoreOverrideCursor();
    m_Main.ShowProgressBar(false);
    if (opened) {
        frmEditInserts editor(m_Main.Session(), db, this);
        m_Main.CloseWithMainWindow(&editor);
        m_Main.Context().services.runDialog(editor);
    }
    Refresh(m_lstInsertDB->currentRow());
}

void frmInsertDBList::ImportExport() {
    const int i = SelectedIndex();
    if (i < 0)
        return;
    AddDatabaseFileName = QString::fromStdString(m_Databases[size_t(i)].path);
    AddDatabasePalmName = FromCp1252(m_Databases[size_t(i)].name);
    frmImportInsert dialog(m_Main.Session(), AddDatabaseFileName, m_Databases[size_t(i)].type == "Ins2",
                           this);
    m_Main.CloseWithMainWindow(&dialog);
    m_Main.Context().services.runDialog(dialog);
    Refresh(m_lstInsertDB->currentRow());
}

} // namespace quillary
