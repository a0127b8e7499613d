#include "modGlobals.h"

#include "AppContext.h"
#include "clsSettings.h"
#include "storage/TextUtil.h"
#include "storage/clsDatabase.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QTextEdit>

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
    if (ctx.settings.GetSetting(QStringLiteral("Log Errors")) == QLatin1String("1")) {
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

QString ShowOpenFileDialog(PlatformServices& services, const QString& title,
                           const QString& fileName, const QString& directory, int kind,
                           int filterIndex) {
    return TrimAtNull(
        services.openFileDialog(title, fileName, directory, BuildFileFilter(kind), filterIndex));
}

QString ShowSaveFileDialog(PlatformServices& services, const QString& title,
                           const QString& fileName, const QString& directory, int kind) {
    return TrimAtNull(
        services.saveFileDialog(title, fileName, directory, BuildFileFilter(kind), 1));
}

void OpenPdfDocument(PlatformServices& services, const QString& path) {
    switch (services.openDocument(path)) {
    case OpenResult::Opened:
        break;
    case OpenResult::NoHandler:
        services.messageBox(QStringLiteral("Could not find Adobe Acrobat 4.0"),
                            QStringLiteral("Adobe Acrobat Not Found"), MsgButtons::Ok,
                            MsgIcon::Exclamation);
        break;
    case OpenResult::LaunchFailed:
        services.messageBox(QStringLiteral("Manual not displayed, unable to load\rAdobe Acrobat."),
                            QStringLiteral("Problem with Adobe Acrobat detected!"),
                            MsgButtons::Ok, MsgIcon::Exclamation);
        break;
    }
}

void SelectAllText(QLineEdit* edit) {
    if (edit)
        edit->selectAll();
}

void SelectAllText(QPlainTextEdit* edit) {
    if (edit)
        edit->selectAll();
}

void SelectAllText(QTextEdit* edit) {
    if (edit)
        edit->selectAll();
}

QString GetFontDescription(const QFont& font) {
    const double size = font.pointSizeF() > 0 ? font.pointSizeF() : font.pointSize();
    QString text = font.family() + QChar(' ') + QLocale::c().toString(size, 'g', 12) +
                   QStringLiteral(" Pt.");
    if (font.bold())
        text += QStringLiteral(" Bold");
    if (font.italic())
        text += QStringLiteral(" Italic");
    if (font.underline())
        text += QStringLiteral(" Underline");
    if (font.strikeOut())
        text += QStringLiteral(" Strike Thru");
    return text;
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
