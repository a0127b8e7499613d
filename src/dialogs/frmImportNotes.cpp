// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmImportNotes.h"

#include "ImportOptionsBox.h"

#include "session/NotesSession.h"
#include "core/DatabaseDialogs.h"
#include "core/ImportCommands.h"
#include "core/PlatformServices.h"
#include "core/clsSettings.h"
#include "core/modGlobals.h"
#include "storage/ImportFormats.h"
#include "storage/TextUtil.h"
#include "storage/clsDatabase.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>

namespace quillary {

namespace {

// Access keys: none shared with each other, "&Delete ...", "&OK" or "&Cancel".
constexpr ImportOption kOptions[] = {
    {frmImportNotes::kRawText, "Import &Raw Text Notes"},
    {frmImportNotes::kList, "Import &List of Notes from Quillary Import List"},
    {frmImportNotes::kPalmDatabase, "Import Quillary DB in &Palm DB (*.PDB)"},
    {frmImportNotes::kExport, "&Export Quillary DB in Palm DB (*.PDB)"},
};

} // namespace

frmImportNotes::frmImportNotes(NotesSession& session, QWidget* parent) : QDialog(parent), m_Session(session) {
    setObjectName(QStringLiteral("frmImportNotes"));
    setWindowTitle(QStringLiteral("Import/Export Notes"));

    const ImportOptionsBox box =
        BuildImportOptionsBox(*this, {std::begin(kOptions), std::end(kOptions)},
                              m_Session.Context().settings, Config::ImportFormat, Config::ImportNewDB);
    m_optImport = box.options;
    m_chkNewDB = box.chkNewDB;
    connect(box.cmdDone, &QPushButton::clicked, this, &frmImportNotes::Done);
    connect(box.cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

int frmImportNotes::ChosenIndex() const {
    for (int k = 0; k < int(std::size(kOptions)); ++k)
        if (m_optImport[k]->isChecked())
            return kOptions[k].index;
    return kRawText;
}

void frmImportNotes::Done() {
    const int index = ChosenIndex();
    clsSettings& settings = m_Session.Context().settings;
    settings.SetInt(Config::ImportFormat, index);
    settings.SetFlag(Config::ImportNewDB, m_chkNewDB->isChecked());
    const bool overwrite = m_chkNewDB->isChecked() && index < 4;
    if (overwrite &&
        m_Session.Context().services.messageBox(
            QStringLiteral("Are you sure you want to delete all current notes(overwrite)?"),
            kAppTitle, MsgButtons::YesNo, MsgIcon::Exclamation) != MsgResult::Yes)
        return;
    const std::optional<ImportResult> result = Import(index, overwrite);
    m_Session.NotesReplaced();
    if (result)
        emit m_Session.statusMessage(ImportSummary(*result, QStringLiteral("notes")), 15000);
    accept();
}

std::optional<ImportResult> frmImportNotes::Import(int index, bool overwrite) {
    AppContext& ctx = m_Session.Context();
    clsDatabase& db = m_Session.Database();
    if (index == kExport) {
        if (!m_Session.CommitEdits())
            return {};
        m_Session.ShowProgress(true);
        ExportDatabaseInteractive(ctx, db, m_Session.ProgressReporter());
        m_Session.ShowProgress(false);
        return {};
    }
    if (index == kPalmDatabase) {
        clsDatabase other;
        other.m_ScreenDisplayFlag = true;
        m_Session.ShowProgress(true);
        const bool opened = OpenDatabaseInteractive(ctx, other, m_Session.ProgressReporter());
        m_Session.ShowProgress(false);
        if (!opened)
            return {};
        if (overwrite)
            db.DeleteAllRecords();
        const ImportResult result = db.AppendDatabaseNotes(other);
        ReportImportResult(ctx, result, QStringLiteral("notes"));
        return result;
    }
    const QString path = OpenTextFileDialog(ctx, index == kList ? 2 : 1);
    if (path.isEmpty())
        return {};
    // A file that cannot be read is reported before anything is deleted.
    std::string content, why;
    if (!ReadImportFile(path.toStdString(), content, &why)) {
        ReportError(ctx, QString::fromStdString(why));
        return {};
    }
    auto run = [&](clsDatabase& into) {
        return index == kList ? ImportListFormatInteractive(ctx, into, path)
                              : AppendRawTextNotesInteractive(ctx, into, path);
    };
    if (!overwrite)
        return run(db);
    // The new notes come in apart first: a text the handheld cannot store refuses the
    // import, and the notes it was to replace then stay.
    clsDatabase incoming;
    incoming.m_NewNoteTitle = db.m_NewNoteTitle;
    incoming.AddNewDatabase();
    const ImportResult result = run(incoming);
    if (result.refused > 0)
        return result;
    db.DeleteAllRecords();
    db.AppendDatabaseNotes(incoming);
    return result;
}

} // namespace quillary
