// SPDX-License-Identifier: GPL-3.0-or-later
#include "DatabaseDialogs.h"

#include "AppContext.h"
#include "PlatformServices.h"
#include "modGlobals.h"
#include "storage/clsDatabase.h"
#include "storage/clsInsertDatabase.h"
#include "storage/InsertFolder.h"
#include "storage/clsQuillaryItem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <type_traits>

namespace quillary {

namespace {

const QString kOpenTitle = QStringLiteral("Select a Palm Database:");
const QString kSaveTitle = QStringLiteral("Select Windows Filename for Quillary Database:");

QString FromStd(const std::string& s) {
    return QString::fromStdString(s);
}

bool IsFile(const QString& path) {
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

template <class Db>
bool OpenAny(AppContext& ctx, Db& db, const ProgressCallback& progress,
             const BeforeReport& beforeReport = {}) {
    const std::string previousName = db.GetFileName();
    if (previousName.empty()) {
        const QString chosen = ShowOpenFileDialog(ctx.services, kOpenTitle, QString(), QString(),
                                                  FilterPalmDatabases, 1);
        if (chosen.isEmpty())
            return false;
        if (!IsFile(chosen)) {
            ctx.services.messageBox(chosen + QStringLiteral(" not found.  Please try a different file."),
                                    kAppTitle, MsgButtons::OkCancel, MsgIcon::None);
            return false;
        }
        db.SetFileName(chosen.toStdString());
    }
    const QString path = FromStd(db.GetFileName());
    if (!IsFile(path)) {
        ctx.services.messageBox(QStringLiteral("File : ") + path + QStringLiteral(" not found."),
                                kAppTitle, MsgButtons::Ok, MsgIcon::None);
        db.SetFileName(previousName);
        return false;
    }
    std::string error;
    if (!db.OpenDatabase(progress, &error)) {
        db.SetFileName(previousName);
        if (beforeReport)
            beforeReport();
        // Another kind of database fails as notes somewhere deep in its records: say what
        // it is instead.
        QString kind;
        if constexpr (std::is_same_v<Db, clsDatabase>)
            kind = NotesKindRefusal(path);
        ReportError(ctx, kind.isEmpty() ? FromStd(error) : kind);
        return false;
    }
    return true;
}

// The save dialog's answer with ".pdb" added unless it already ends so; "" when cancelled.
QString AskSaveName(AppContext& ctx) {
    QString chosen =
        ShowSaveFileDialog(ctx.services, kSaveTitle, QString(), QString(), FilterPalmDatabases);
    if (chosen.isEmpty())
        return chosen;
    if (chosen.right(4).toUpper() != QLatin1String(".PDB"))
        chosen += QStringLiteral(".pdb");
    return chosen;
}

template <class Db>
bool SaveAny(AppContext& ctx, Db& db, const ProgressCallback& progress,
             const BeforeReport& beforeReport = {}) {
    const std::string previousName = db.GetFileName();
    if (previousName.empty()) {
        const QString chosen = AskSaveName(ctx);
        if (chosen.isEmpty())
            return false;
        db.SetFileName(chosen.toStdString());
    }
    std::string error;
    if (!db.SaveDatabase(progress, &error)) {
        db.SetFileName(previousName);
        if (beforeReport)
            beforeReport();
        ReportError(ctx, FromStd(error));
        return false;
    }
    return true;
}

template <class Db>
bool ExportAny(AppContext& ctx, const Db& db, const ProgressCallback& progress) {
    const QString chosen = AskSaveName(ctx);
    if (chosen.isEmpty())
        return false;
    std::string error;
    if (!db.ExportDatabase(chosen.toStdString(), progress, &error)) {
        ReportError(ctx, FromStd(error));
        return false;
    }
    return true;
}

} // namespace

QString NotesKindRefusal(const QString& path) {
    // Where a Palm database names its type, and how much of the header holds it.
    constexpr int kTypeOffset = 60;
    constexpr int kHeaderBytes = 78;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray header = file.read(kHeaderBytes);
    if (header.size() < kHeaderBytes)
        return QString();
    const QByteArray type = header.mid(kTypeOffset, 4);
    if (type == "Not2")
        return QString();
    QString kind = QString::fromLatin1(type);
    for (QChar& c : kind)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QChar('?');
    if (type == "Inst" || type == "Ins2")
        kind = QStringLiteral("an insert database (type %1); insert databases are opened with "
                              "Record > Edit Insert Databases")
                   .arg(kind);
    else
        kind = QStringLiteral("a database of type \"%1\"").arg(kind);
    return QStringLiteral("%1 is not a Quillary notes database: it is %2.")
        .arg(QDir::toNativeSeparators(path), kind);
}


bool OpenDatabaseInteractive(AppContext& ctx, clsDatabase& db, const ProgressCallback& progress,
                             const BeforeReport& beforeReport) {
    return OpenAny(ctx, db, progress, beforeReport);
}

bool OpenDatabaseInteractive(AppContext& ctx, clsInsertDatabase& db,
                             const ProgressCallback& progress) {
    return OpenAny(ctx, db, progress);
}

bool SaveDatabaseInteractive(AppContext& ctx, clsDatabase& db, const ProgressCallback& progress,
                             const BeforeReport& beforeReport) {
    return SaveAny(ctx, db, progress, beforeReport);
}

bool SaveDatabaseInteractive(AppContext& ctx, clsInsertDatabase& db,
                             const ProgressCallback& progress) {
    return SaveAny(ctx, db, progress);
}

bool ExportDatabaseInteractive(AppContext& ctx, const clsDatabase& db,
                               const ProgressCallback& progress) {
    return ExportAny(ctx, db, progress);
}

bool ExportDatabaseInteractive(AppContext& ctx, const clsInsertDatabase& db,
                               const ProgressCallback& progress) {
    return ExportAny(ctx, db, progress);
}

bool ExportDatabaseFileInteractive(AppContext& ctx, const QString& fromPath) {
    const QString chosen = AskSaveName(ctx);
    if (chosen.isEmpty())
        return false;
    std::string error;
    if (!CopyPalmDatabaseFile(fromPath.toStdString(), chosen.toStdString(), &error)) {
        ReportError(ctx, FromStd(error));
        return false;
    }
    return true;
}

bool ImportBitmapItemInteractive(AppContext& ctx, clsQuillaryItem& item, const QString& path) {
    QString file = path.trimmed();
    if (file.isEmpty()) {
        file = ShowOpenFileDialog(ctx.services, QStringLiteral("Select a Windows bitmap file:"),
                                  QString(), QString(), FilterBitmaps, 1);
        if (file.isEmpty())
            return false;
    }
    std::string error;
    if (!item.ImportBitmapItem(file.toStdString(), &error)) {
        ReportError(ctx, FromStd(error));
        return false;
    }
    return true;
}

} // namespace quillary
