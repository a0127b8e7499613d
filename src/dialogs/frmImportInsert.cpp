// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmImportInsert.h"

#include "ImportOptionsBox.h"

#include "session/NotesSession.h"
#include "core/DatabaseDialogs.h"
#include "core/ImportCommands.h"
#include "core/PlatformServices.h"
#include "core/clsSettings.h"
#include "core/modGlobals.h"
#include "storage/ImportFormats.h"
#include "storage/TextUtil.h"
#include "storage/clsInsertDatabase.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>

namespace quillary {

namespace {

// Access keys: none shared with each other, "&Delete ...", "&OK" or "&Cancel".
constexpr ImportOption kOptions[] = {
    {0, "Import &Raw Text Insert Database"},
    {1, "Import Insert Database &Format (*.QLI)"},
    {2, "Import Insert DB from &Palm DB (*.PDB)"},
    {3, "&Export Insert Database to Palm DB (*.PDB)"},
};

} // namespace

frmImportInsert::frmImportInsert(NotesSession& session, const QString& databaseFile, bool bitmapDatabase,
                                 QWidget* parent)
    : QDialog(parent), m_Session(session), m_File(databaseFile), m_Bitmap(bitmapDatabase) {
    setObjectName(QStringLiteral("frmImportInsert"));
    setWindowTitle(QStringLiteral("Import/Export Insert Databases"));

    const ImportOptionsBox box = BuildImportOptionsBox(
        *this, {std::begin(kOptions), std::end(kOptions)}, m_Session.Context().settings,
        Config::ImportInsertFormat, Config::ImportInsertNewDB);
    m_optImport = box.options;
    m_chkNewDB = box.chkNewDB;
    connect(box.cmdDone, &QPushButton::clicked, this, &frmImportInsert::Done);
    connect(box.cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

int frmImportInsert::ChosenIndex() const {
    for (int k = 0; k < m_optImport.size(); ++k)
        if (m_optImport[k]->isChecked())
            return k;
    return kRawText;
}

void frmImportInsert::Done() {
    const int index = ChosenIndex();
    clsSettings& settings = m_Session.Context().settings;
    settings.SetInt(Config::ImportInsertFormat, index);
    settings.SetFlag(Config::ImportInsertNewDB, m_chkNewDB->isChecked());
    if (Run(index, m_chkNewDB->isChecked()))
        accept();
}

bool frmImportInsert::Run(int index, bool overwriteChecked) {
    AppContext& ctx = m_Session.Context();
    PlatformServices& services = ctx.services;
    if (index == kInsertFormat) {
        services.messageBox(QStringLiteral("Importing the Insert Database Format (*.QLI) is not "
                                           "available in this version of Quillary."),
                            kAppTitle, MsgButtons::Ok, MsgIcon::Information);
        return false;
    }
    if (m_Bitmap) {
        if (index != kExport) {
            services.messageBox(
                QStringLiteral("This is a bitmap insert database: Quillary cannot read or add "
                               "its inserts. It can be exported as a whole file."),
                kAppTitle, MsgButtons::Ok, MsgIcon::Information);
            return false;
        }
        ExportDatabaseFileInteractive(ctx, m_File);
        return true;
    }

    clsInsertDatabase db;
    db.SetFileName(m_File.toStdString());
    db.m_ScreenDisplayFlag = true;
    m_Session.ShowProgress(true);
    const bool opened = OpenDatabaseInteractive(ctx, db, m_Session.ProgressReporter());
    m_Session.ShowProgress(false);
    if (!opened)
        return true;

    const bool overwrite = overwriteChecked && index < 3;
    if (overwrite &&
        services.messageBox(
            QStringLiteral("Are you sure you want to delete all current inserts(overwrite)?"),
            kAppTitle, MsgButtons::YesNo, MsgIcon::Exclamation) != MsgResult::Yes)
        return true;

    if (index == kExport) {
        m_Session.ShowProgress(true);
        ExportDatabaseInteractive(ctx, db, m_Session.ProgressReporter());
        m_Session.ShowProgress(false);
        return true;
    }
    if (index == kPalmDatabase) {
        clsInsertDatabase other;
        other.m_ScreenDisplayFlag = true;
        m_Session.ShowProgress(true);
        const bool otherOpened = OpenDatabaseInteractive(ctx, other, m_Session.ProgressReporter());
        m_Session.ShowProgress(false);
        if (!otherOpened)
            return true;
        if (overwrite)
            db.DeleteAllRecords();
        const ImportResult result = db.AppendDatabaseInserts(other);
        ReportImportResult(ctx, result, QStringLiteral("inserts"));
        emit m_Session.statusMessage(ImportSummary(result, QStringLiteral("inserts")), 15000);
    } else {
        const QString path = OpenTextFileDialog(ctx, 1);
        if (path.isEmpty())
            return true;
        // A file that cannot be read, or holds characters an insert cannot store, is
        // reported before anything is deleted.
        std::string content;
        std::vector<std::string> problems;
        if (!ReadImportText(path.toStdString(), content, problems)) {
            QStringList lines;
            for (const std::string& p : problems)
                lines << QString::fromStdString(p);
            ReportError(ctx, lines.join(QStringLiteral("\r\n")));
            return true;
        }
        if (overwrite)
            db.DeleteAllRecords();
        const ImportResult result = AppendRawTextInsertDBInteractive(ctx, db, path);
        emit m_Session.statusMessage(ImportSummary(result, QStringLiteral("inserts")), 15000);
    }
    if (db.m_FileDirtyFlag) {
        m_Session.ShowProgress(true);
        SaveDatabaseInteractive(ctx, db, m_Session.ProgressReporter());
        m_Session.ShowProgress(false);
    }
    return true;
}

} // namespace quillary
