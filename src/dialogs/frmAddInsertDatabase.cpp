// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmAddInsertDatabase.h"

#include "StorableTextValidator.h"
#include "frmInsertDBList.h"
#include "session/NotesSession.h"
#include "core/PlatformServices.h"
#include "core/TextCodec.h"
#include "core/clsSettings.h"
#include "core/modGlobals.h"
#include "storage/InsertFolder.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillary {

namespace {

QString Absolute(const QString& path) {
    return QFileInfo(path).absoluteFilePath();
}

} // namespace

frmAddInsertDatabase::frmAddInsertDatabase(NotesSession& session, frmInsertDBList& list, QWidget* parent)
    : QDialog(parent), m_Session(session), m_List(list) {
    setObjectName(QStringLiteral("frmAddInsertDatabase"));
    setWindowTitle(QStringLiteral("Add Insert Database"));

    m_txtPalmFileName = new QLineEdit(this);
    m_txtPalmFileName->setObjectName(QStringLiteral("txtPalmFileName"));
    m_txtPalmFileName->setMaxLength(kMaxPalmNameChars);
    m_txtPalmFileName->setValidator(
        new StorableTextValidator([this](const QString& m) { ShowMessage(m); }, m_txtPalmFileName));
    m_lblMessage = new QLabel(this);
    m_lblMessage->setObjectName(QStringLiteral("lblMessage"));
    m_lblMessage->setWordWrap(true);
    m_lblMessage->hide();
    m_txtWindowsFileName = new QLineEdit(this);
    m_txtWindowsFileName->setObjectName(QStringLiteral("txtWindowsFileName"));
    m_txtWindowsFileName->setMinimumWidth(440);
    m_chkInsertSyncFileName =
        new QCheckBox(QStringLiteral("Disable Synchronized Insert Database Names"), this);
    m_chkInsertSyncFileName->setObjectName(QStringLiteral("chkInsertSyncFileName"));

    auto* cmdDone = new QPushButton(QStringLiteral("&OK"), this);
    cmdDone->setObjectName(QStringLiteral("cmdDone"));
    cmdDone->setDefault(true); // Enter in the Palm name acts as Done
    auto* cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setAutoDefault(false);

    auto* form = new QFormLayout;
    auto* palmLabel = new QLabel(QStringLiteral("Palm File Name"), this);
    palmLabel->setBuddy(m_txtPalmFileName);
    auto* fileLabel = new QLabel(QStringLiteral("Windows File Name"), this);
    fileLabel->setBuddy(m_txtWindowsFileName);
    form->addRow(palmLabel, m_txtPalmFileName);
    form->addRow(fileLabel, m_txtWindowsFileName);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_chkInsertSyncFileName);
    buttons->addStretch(1);
    buttons->addWidget(cmdDone);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_lblMessage);
    layout->addLayout(buttons);

    clsSettings& settings = m_Session.Context().settings;
    const bool disabled = settings.GetFlag(Config::InsertDisableSyncFileName);
    m_chkInsertSyncFileName->setChecked(disabled);
    m_txtWindowsFileName->setEnabled(disabled);
    m_txtPalmFileName->setText(m_List.AddDatabasePalmName);
    m_txtWindowsFileName->setText(QDir::toNativeSeparators(m_List.AddDatabaseFileName));

    connect(m_txtPalmFileName, &QLineEdit::textChanged, this,
            &frmAddInsertDatabase::OnPalmNameChanged);
    connect(m_chkInsertSyncFileName, &QCheckBox::clicked, this,
            &frmAddInsertDatabase::OnSyncClicked);
    connect(m_txtPalmFileName, &QLineEdit::inputRejected, this, [this] {
        ShowMessage(QStringLiteral("A Palm File Name holds at most 31 characters."));
    });
    connect(cmdDone, &QPushButton::clicked, this, &frmAddInsertDatabase::Done);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void frmAddInsertDatabase::OnSyncClicked() {
    const bool disabled = m_chkInsertSyncFileName->isChecked();
    m_Session.Context().settings.SetFlag(Config::InsertDisableSyncFileName, disabled);
    m_txtWindowsFileName->setEnabled(disabled);
    if (!disabled)
        OnPalmNameChanged();
}

void frmAddInsertDatabase::OnPalmNameChanged() {
    if (m_chkInsertSyncFileName->isChecked())
        return;
    const QString name = m_txtPalmFileName->text();
    if (name.isEmpty()) {
        m_txtWindowsFileName->clear();
        return;
    }
    // A slash would name a folder; a file name cannot hold it.
    QString file = name;
    file.replace(QChar('/'), QChar('_'));
    m_txtWindowsFileName->setText(
        QDir::toNativeSeparators(QDir(m_Session.GetInsertFolder()).filePath(file + ".pdb")));
}

void frmAddInsertDatabase::ShowMessage(const QString& message) {
    m_lblMessage->setText(message);
    m_lblMessage->show();
}

void frmAddInsertDatabase::Tell(const QString& message) {
    m_Session.Context().services.messageBox(message, kAppTitle, MsgButtons::Ok, MsgIcon::Exclamation);
}

bool frmAddInsertDatabase::Confirm(QString& palmName, QString& fileName) {
    palmName = m_txtPalmFileName->text().trimmed();
    fileName = QDir::fromNativeSeparators(m_txtWindowsFileName->text().trimmed());
    if (palmName.isEmpty()) {
        Tell(QStringLiteral("Please enter a Palm File Name for the insert database."));
        m_txtPalmFileName->setFocus();
        return false;
    }
    if (fileName.isEmpty()) {
        Tell(QStringLiteral("Please enter a Windows File Name for the insert database."));
        m_txtWindowsFileName->setFocus();
        return false;
    }
    // A bare name lands in the insert folder, with the extension the list looks for.
    if (QFileInfo(fileName).isRelative())
        fileName = QDir(m_List.Folder()).filePath(fileName);
    if (!fileName.endsWith(QStringLiteral(".pdb"), Qt::CaseInsensitive))
        fileName += QStringLiteral(".pdb");
    fileName = Absolute(fileName);

    const bool renaming = m_List.ReturnFlag == 1;
    const QString own = renaming ? Absolute(m_List.AddDatabaseFileName) : QString();
    for (const InsertDatabaseInfo& info : m_List.Databases()) {
        const QString path = Absolute(QString::fromStdString(info.path));
        if (path == own)
            continue;
        if (FromCp1252(info.name).compare(palmName, Qt::CaseInsensitive) == 0) {
            Tell(QStringLiteral("An insert database named \"") + palmName +
                 QStringLiteral("\" already exists (") + QDir::toNativeSeparators(path) +
                 QStringLiteral(").\rThe handheld keeps only one database of a name; please "
                                "choose another Palm File Name."));
            m_txtPalmFileName->setFocus();
            return false;
        }
    }
    if (fileName != own && QFileInfo::exists(fileName)) {
        if (QFileInfo(fileName).isDir()) {
            Tell(QDir::toNativeSeparators(fileName) +
                 QStringLiteral(" is a folder; please choose another Windows File Name."));
            return false;
        }
        if (m_Session.Context().services.messageBox(
                QDir::toNativeSeparators(fileName) +
                    QStringLiteral(" already exists.\rDo you want to replace it?"),
                kAppTitle, MsgButtons::YesNo, MsgIcon::Exclamation) != MsgResult::Yes)
            return false;
    }
    return true;
}

bool frmAddInsertDatabase::RenameFiles(const QString& palmName, const QString& fileName) {
    std::string error;
    const QString oldFile = Absolute(m_List.AddDatabaseFileName);
    if (fileName != oldFile) {
        // The new file is complete before the old one goes.
        if (!CopyPalmDatabaseFile(oldFile.toStdString(), fileName.toStdString(), &error)) {
            ReportError(m_Session.Context(), QString::fromStdString(error));
            return false;
        }
        m_List.AddDatabaseFileName = fileName;
        if (!DeletePalmDatabaseFile(oldFile.toStdString(), &error))
            ReportError(m_Session.Context(), QString::fromStdString(error) +
                                              QStringLiteral("\rThe database was copied to ") +
                                              QDir::toNativeSeparators(fileName) +
                                              QStringLiteral("; the old file is still there."));
    }
    if (palmName != m_List.AddDatabasePalmName) {
        if (!RenamePalmDatabase(m_List.AddDatabaseFileName.toStdString(), ToCp1252(palmName),
                                &error)) {
            ReportError(m_Session.Context(), QString::fromStdString(error));
            return false;
        }
        m_List.AddDatabasePalmName = palmName;
    }
    return true;
}

void frmAddInsertDatabase::Done() {
    QString palmName, fileName;
    if (!Confirm(palmName, fileName))
        return;
    if (m_List.ReturnFlag == 1) {
        const QString fileBefore = m_List.AddDatabaseFileName;
        const QString nameBefore = m_List.AddDatabasePalmName;
        if (!RenameFiles(palmName, fileName) && m_List.AddDatabaseFileName == fileBefore &&
            m_List.AddDatabasePalmName == nameBefore)
            return; // nothing changed: the names can be corrected, or the rename cancelled
        m_List.ReturnFlag = 0;
    } else {
        m_List.ReturnFlag = 0;
        m_List.AddDatabaseFileName = fileName;
        m_List.AddDatabasePalmName = palmName;
    }
    accept();
}

} // namespace quillary
