#include "frmImportNotes.h"

#include "mainwindow/frmMain.h"
#include "shell/DatabaseDialogs.h"
#include "shell/ImportCommands.h"
#include "shell/PlatformServices.h"
#include "shell/clsSettings.h"
#include "shell/modGlobals.h"
#include "storage/ImportFormats.h"
#include "storage/TextUtil.h"
#include "storage/clsDatabase.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace quillary {

namespace {

const QString kFormatKey = QStringLiteral("ImportFormat");
const QString kNewDbKey = QStringLiteral("ImportNewDB");

struct Option {
    int index;
    const char* caption;
};
constexpr Option kOptions[] = {
    {frmImportNotes::kRawText, "Import Raw Text Notes"},
    {frmImportNotes::kList, "Import List of Notes from Quillary Import List"},
    {frmImportNotes::kPalmDatabase, "Import Quillary DB in Palm DB (*.PDB)"},
    {frmImportNotes::kExport, "Export Quillary DB in Palm DB (*.PDB)"},
};

} // namespace

frmImportNotes::frmImportNotes(frmMain& main, QWidget* parent) : QDialog(parent), m_Main(main) {
    setObjectName(QStringLiteral("frmImportNotes"));
    setWindowTitle(QStringLiteral("Import/Export Notes"));

    auto* group = new QGroupBox(this);
    auto* options = new QVBoxLayout(group);
    for (const Option& o : kOptions) {
        auto* button = new QRadioButton(QString::fromLatin1(o.caption), group);
        button->setObjectName(QStringLiteral("optImport%1").arg(o.index));
        options->addWidget(button);
        m_optImport << button;
    }
    m_optImport.first()->setChecked(true);
    m_chkNewDB = new QCheckBox(QStringLiteral("Delete Existing Records Before Importing"), this);
    m_chkNewDB->setObjectName(QStringLiteral("chkNewDB"));

    auto* cmdDone = new QPushButton(QStringLiteral("&OK"), this);
    cmdDone->setObjectName(QStringLiteral("cmdDone"));
    cmdDone->setDefault(true);
    auto* cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdDone);
    buttons->addWidget(cmdCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(m_chkNewDB);
    layout->addLayout(buttons);

    clsSettings& settings = m_Main.Context().settings;
    m_chkNewDB->setChecked(LeadingNumber(settings.GetSetting(kNewDbKey).toStdString()) == 1);
    const QString format = settings.GetSetting(kFormatKey).trimmed();
    for (int k = 0; k < int(std::size(kOptions)); ++k)
        if (!format.isEmpty() && LeadingNumber(format.toStdString()) == kOptions[k].index)
            m_optImport[k]->setChecked(true);

    connect(cmdDone, &QPushButton::clicked, this, &frmImportNotes::Done);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

int frmImportNotes::ChosenIndex() const {
    for (int k = 0; k < int(std::size(kOptions)); ++k)
        if (m_optImport[k]->isChecked())
            return kOptions[k].index;
    return kRawText;
}

void frmImportNotes::Done() {
    const int index = ChosenIndex();
    clsSettings& settings = m_Main.Context().settings;
    settings.SetSetting(kFormatKey, QString::number(index));
    settings.SetSetting(kNewDbKey,
                        m_chkNewDB->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    const bool overwrite = m_chkNewDB->isChecked() && index < 4;
    if (overwrite &&
        m_Main.Context().services.messageBox(
            QStringLiteral("Are you sure you want to delete all current notes(overwrite)?"),
            kAppTitle, MsgButtons::YesNo, MsgIcon::Exclamation) != MsgResult::Yes)
        return;
    Import(index, overwrite);
    m_Main.RefreshAfterImport();
    accept();
}

void frmImportNotes::Import(int index, bool overwrite) {
    AppContext& ctx = m_Main.Context();
    clsDatabase& db = m_Main.Database();
    if (index == kExport) {
        if (!m_Main.SaveChanges())
            return;
        m_Main.ShowProgressBar(true);
        ExportDatabaseInteractive(ctx, db, m_Main.ProgressBarReporter());
        m_Main.ShowProgressBar(false);
        return;
    }
    if (index == kPalmDatabase) {
        clsDatabase other;
        other.m_ScreenDisplayFlag = true;
        m_Main.ShowProgressBar(true);
        const bool opened = OpenDatabaseInteractive(ctx, other, m_Main.ProgressBarReporter());
        m_Main.ShowProgressBar(false);
        if (!opened)
            return;
        if (overwrite)
            db.DeleteAllRecords();
        ReportImportResult(ctx, db.AppendDatabaseNotes(other), QStringLiteral("notes"));
        return;
    }
    const QString path = OpenTextFileDialog(ctx, index == kList ? 2 : 1);
    if (path.isEmpty())
        return;
    // A file that cannot be read is reported before anything is deleted.
    std::string content, why;
    if (!ReadImportFile(path.toStdString(), content, &why)) {
        ReportError(ctx, QString::fromStdString(why));
        return;
    }
    if (overwrite)
        db.DeleteAllRecords();
    if (index == kList)
        ImportListFormatInteractive(ctx, db, path);
    else
        AppendRawTextNotesInteractive(ctx, db, path);
}

} // namespace quillary
