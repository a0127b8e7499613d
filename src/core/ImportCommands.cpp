// SPDX-License-Identifier: GPL-3.0-or-later
#include "ImportCommands.h"

#include "AppContext.h"
#include "PlatformServices.h"
#include "modGlobals.h"
#include "storage/clsDatabase.h"
#include "storage/clsInsertDatabase.h"

#include <QFileInfo>

namespace quillary {

QString OpenTextFileDialog(AppContext& ctx, int filterIndex) {
    const QString chosen = ShowOpenFileDialog(ctx.services, QStringLiteral("Open Text File:"),
                                              QString(), QString(), FilterImportTexts, filterIndex);
    if (chosen.isEmpty())
        return chosen;
    if (!QFileInfo::exists(chosen)) {
        ReportError(ctx, chosen + QStringLiteral(" not found.  Please try a different file."));
        return QString();
    }
    return chosen;
}

void ReportImportResult(AppContext& ctx, const ImportResult& result, const QString& what) {
    QStringList lines;
    for (const std::string& m : result.messages)
        lines << QString::fromStdString(m);
    if (!result.completed && result.imported > 0)
        lines << QStringLiteral("%1 %2 were imported before the import stopped.")
                     .arg(result.imported)
                     .arg(what);
    if (!lines.isEmpty())
        ReportError(ctx, lines.join(QStringLiteral("\r\n")));
}

QString ImportSummary(const ImportResult& result, const QString& what) {
    const QString one = what.endsWith(u's') ? what.chopped(1) : what;
    auto count = [&](int n) { return QStringLiteral("%1 %2").arg(n).arg(n == 1 ? one : what); };
    QString text = QStringLiteral("%1 imported.").arg(count(result.imported));
    if (result.split > 0)
        text += result.split == 1
                    ? QStringLiteral(" 1 long text was split into consecutive notes.")
                    : QStringLiteral(" %1 long texts were split into consecutive notes.")
                          .arg(result.split);
    if (result.refused > 0)
        text += QStringLiteral(" %1 refused.").arg(count(result.refused));
    return text;
}

namespace {

template <class Db, class Import>
ImportResult RunTextImport(AppContext& ctx, Db& db, const QString& path, int filterIndex,
                           const QString& what, Import import) {
    QString file = path.trimmed();
    if (file.isEmpty()) {
        file = OpenTextFileDialog(ctx, filterIndex);
        if (file.isEmpty())
            return {};
    }
    const ImportResult result = import(db, file.toStdString());
    ReportImportResult(ctx, result, what);
    return result;
}

template <class Db, class Append>
ImportResult RunDatabaseImport(AppContext& ctx, Db& db, const QString& path,
                               const ProgressCallback& progress, const QString& what,
                               Append append) {
    Db other;
    other.m_ScreenDisplayFlag = true;
    other.SetFileName(path.trimmed().toStdString());
    if (!OpenDatabaseInteractive(ctx, other, progress))
        return {};
    const ImportResult result = append(db, other);
    ReportImportResult(ctx, result, what);
    return result;
}

} // namespace

ImportResult AppendRawTextNotesInteractive(AppContext& ctx, clsDatabase& db, const QString& path) {
    return RunTextImport(ctx, db, path, 1, QStringLiteral("notes"),
                         [](clsDatabase& d, const std::string& f) { return d.AppendRawTextNotes(f); });
}

ImportResult ImportListFormatInteractive(AppContext& ctx, clsDatabase& db, const QString& path) {
    return RunTextImport(ctx, db, path, 2, QStringLiteral("notes"),
                         [](clsDatabase& d, const std::string& f) { return d.ImportListFormat(f); });
}

ImportResult AppendRawTextInsertDBInteractive(AppContext& ctx, clsInsertDatabase& db,
                                              const QString& path) {
    return RunTextImport(ctx, db, path, 1, QStringLiteral("inserts"),
                         [](clsInsertDatabase& d, const std::string& f) {
                             return d.AppendRawTextInsertDB(f);
                         });
}

ImportResult AppendDatabaseNotesInteractive(AppContext& ctx, clsDatabase& db, const QString& path,
                                            const ProgressCallback& progress) {
    return RunDatabaseImport(ctx, db, path, progress, QStringLiteral("notes"),
                             [](clsDatabase& d, const clsDatabase& o) {
                                 return d.AppendDatabaseNotes(o);
                             });
}

ImportResult AppendDatabaseInsertsInteractive(AppContext& ctx, clsInsertDatabase& db,
                                              const QString& path,
                                              const ProgressCallback& progress) {
    return RunDatabaseImport(ctx, db, path, progress, QStringLiteral("inserts"),
                             [](clsInsertDatabase& d, const clsInsertDatabase& o) {
                                 return d.AppendDatabaseInserts(o);
                             });
}

} // namespace quillary
