// SPDX-License-Identifier: GPL-3.0-or-later
#include "modGlobals.h"

#include "AppContext.h"
#include "clsSettings.h"
#include "storage/TextUtil.h"
#include "storage/clsDatabase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace quillary {

namespace {

QString LogFileFor(AppContext& ctx) {
    const QString dbName =
        ctx.database ? QString::fromStdString(ctx.database->GetFileName()) : QString();
    if (dbName.isEmpty())
        return QDir::current().filePath(QStringLiteral("Error.log"));
    return dbName.left(dbName.size() - 3) + QStringLiteral("log");
}

} // namespace

void ReportError(AppContext& ctx, const QString& message) {
    if (ctx.settings.GetFlag(Config::LogErrors)) {
        QFile log(LogFileFor(ctx));
        // A log that cannot be written must not swallow the report itself.
        if (log.open(QIODevice::WriteOnly | QIODevice::Append))
            log.write((message + QStringLiteral("\r\n")).toUtf8());
    }
    ctx.services.messageBox(message, kAppTitle, MsgButtons::Ok, MsgIcon::None);
}

QList<FileFilter> BuildFileFilter(int kind) {
    const FileFilter all{QStringLiteral("All Files (*.*)"), QStringLiteral("*.*")};
    switch (kind) {
    case FilterPalmDatabases:
        return {{QStringLiteral("Palm Database Files (*.pdb)"), QStringLiteral("*.pdb")}, all};
    case FilterImportTexts:
        return {{QStringLiteral("Text Files (*.txt)"), QStringLiteral("*.txt")},
                {QStringLiteral("Quillary Import Files (*.qly)"), QStringLiteral("*.qly")},
                {QStringLiteral("PRN Files (*.prn)"), QStringLiteral("*.prn")},
                {QStringLiteral("Table Import Files (*.tbl)"), QStringLiteral("*.tbl")},
                {QStringLiteral("List Import Files (*.lst)"), QStringLiteral("*.lst")},
                {QStringLiteral("Stock Import Files (*.stk)"), QStringLiteral("*.stk")},
                {QStringLiteral("InfoDB Import Files (*.idb)"), QStringLiteral("*.idb")},
                {QStringLiteral("Comma Seperated Values (*.csv)"), QStringLiteral("*.csv")},
                all};
    case FilterBitmaps:
        return {{QStringLiteral("Bitmap Files (*.bmp)"), QStringLiteral("*.bmp")}, all};
    default:
        return {all};
    }
}

namespace {
QString g_FileDialogHome;
QString g_FileDialogFolder;

QString Remembered(const QString& chosen) {
    if (!chosen.isEmpty())
        g_FileDialogFolder = QFileInfo(chosen).absolutePath();
    return chosen;
}
} // namespace

void SetFileDialogHome(const QString& folder) {
    if (folder == g_FileDialogHome)
        return;
    g_FileDialogHome = folder;
    g_FileDialogFolder = folder;
}

QString FileDialogFolder() {
    return g_FileDialogFolder;
}

QString ShortenFolder(const QString& folder, int maxChars) {
    QString shown = QDir::toNativeSeparators(QDir::cleanPath(folder));
    const QString home = QDir::toNativeSeparators(QDir::homePath());
    if (!home.isEmpty() && home != QLatin1String("/") &&
        (shown == home || shown.startsWith(home + QDir::separator())))
        shown = QChar('~') + shown.mid(home.size());
    if (shown.size() <= maxChars)
        return shown;
    const QChar sep = QDir::separator();
    const QStringList parts = shown.split(sep);
    const qsizetype first = parts.first().isEmpty() ? 1 : 0; // "/srv" or "~" stays
    if (parts.size() < first + 3)
        return shown;
    // Keep the start and as many of the last folders as fit; always the very last one.
    const QString head = parts.mid(0, first + 1).join(sep) + sep + QStringLiteral("...");
    QString tail = parts.last();
    for (qsizetype i = parts.size() - 2; i > first; --i) {
        const QString longer = parts.at(i) + sep + tail;
        if (head.size() + 1 + longer.size() > maxChars)
            break;
        tail = longer;
    }
    return head + sep + tail;
}

QString ShowOpenFileDialog(PlatformServices& services, const QString& title,
                           const QString& fileName, const QString& directory, int kind,
                           int filterIndex) {
    const QString start = directory.isEmpty() ? FileDialogFolder() : directory;
    return Remembered(TrimAtNull(
        services.openFileDialog(title, fileName, start, BuildFileFilter(kind), filterIndex)));
}

QString ShowSaveFileDialog(PlatformServices& services, const QString& title,
                           const QString& fileName, const QString& directory, int kind) {
    const QString start = directory.isEmpty() ? FileDialogFolder() : directory;
    return Remembered(
        TrimAtNull(services.saveFileDialog(title, fileName, start, BuildFileFilter(kind), 1)));
}

namespace {
QString HowToOpenByHand(const QString& path) {
    const QString native = QDir::toNativeSeparators(path);
    if (!QFileInfo::exists(path))
        return QStringLiteral("The manual was not found at:\r") + native;
    return QStringLiteral("No program could open the manual:\r") + native +
           QStringLiteral("\rOpen this file with a PDF viewer or a web browser.");
}
} // namespace

void OpenPdfDocument(PlatformServices& services, const QString& path) {
    switch (services.openDocument(path)) {
    case OpenResult::Opened:
        break;
    // Both messages say which file it was, so the person can open it by hand.
    case OpenResult::NoHandler:
        services.messageBox(
            QStringLiteral("Could not find Adobe Acrobat 4.0\r\r") + HowToOpenByHand(path),
            QStringLiteral("Adobe Acrobat Not Found"), MsgButtons::Ok, MsgIcon::Exclamation);
        break;
    case OpenResult::LaunchFailed:
        services.messageBox(
            QStringLiteral("Manual not displayed, unable to load\rAdobe Acrobat.\r\r") +
                HowToOpenByHand(path),
            QStringLiteral("Problem with Adobe Acrobat detected!"), MsgButtons::Ok,
            MsgIcon::Exclamation);
        break;
    }
}

QString FormatKb(qint64 bytes) {
    const qint64 tenths = (bytes + 50) / 100; // kilobytes to one decimal, rounded
    const qint64 whole = tenths / 10;
    const qint64 fraction = tenths % 10;
    QString digits = whole == 0 ? QString() : QString::number(whole);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, QChar(','));
    if (fraction != 0)
        digits += QChar('.') + QString::number(fraction);
    return digits.isEmpty() ? QStringLiteral("0") : digits;
}

QString TrimAtNull(const QString& text) {
    auto trimSpaces = [](const QString& t) {
        qsizetype first = 0, last = t.size();
        while (first < last && t.at(first) == QChar(' '))
            ++first;
        while (last > first && t.at(last - 1) == QChar(' '))
            --last;
        return t.mid(first, last - first);
    };
    QString t = trimSpaces(text);
    const qsizetype nul = t.indexOf(QChar(0));
    if (nul >= 0)
        t.truncate(nul);
    return trimSpaces(t);
}

QString AddBackslash(const QString& path) {
    if (path.isEmpty() || path.endsWith(QDir::separator()))
        return path;
    return path + QDir::separator();
}

QString GetFirstLine(const QString& text) {
    const qsizetype cr = text.indexOf(QChar('\r'));
    return cr < 0 ? text : text.left(cr);
}

} // namespace quillary
