// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/PlatformServices.h"

#include <QDateTime>
#include <QImage>
#include <QList>
#include <QQueue>
#include <QString>

#include <functional>

namespace quillary::test {

// Test double for PlatformServices: records every call and answers from per-kind queues
// that the test fills beforehand. Nothing here ever shows a window, so no test can hang
// on a modal dialog. An unscripted message box answers Ok/Cancel (or No for Yes/No), an
// unscripted file dialog "", an unscripted font chooser or popup menu "cancelled".
class ScriptedPlatformServices : public PlatformServices {
public:
    struct MessageCall {
        QString text;
        QString title;
        MsgButtons buttons;
        MsgIcon icon;
    };
    struct FileDialogCall {
        bool save;
        QString title;
        QString initialName;
        QString initialDir;
        QList<FileFilter> filters;
        int filterIndex;
    };

    // Scripted answers, consumed in order.
    QQueue<MsgResult> messageAnswers;
    QQueue<QString> fileAnswers;
    QQueue<std::optional<QFont>> fontAnswers;
    QQueue<QString> folderAnswers; // chooseFolder; "" (or none left) cancels
    QStringList folderDialogs;     // the title of each folder chooser shown
    QQueue<bool> printerSetupAnswers;
    // Printer setup answers that act on the printer as a person would (paper, orientation)
    // and return whether OK was pressed; used before printerSetupAnswers.
    QQueue<std::function<bool(QPrinter*)>> printerSetupScripts;
    // Font chooser answers given the font it opens at; used before fontAnswers.
    QQueue<std::function<std::optional<QFont>(const QFont&)>> fontScripts;
    // Answers of the print dialog: each gets the printer (to set a PDF output file, paper
    // ...) and returns whether the person pressed Print. Unscripted: cancelled.
    QQueue<std::function<bool(QPrinter*)>> printDialogAnswers;
    QQueue<int> popupAnswers;
    OpenResult openResult = OpenResult::Opened;
    QDateTime clock = QDateTime(QDate(2026, 3, 14), QTime(16, 7));
    // Runs inside messageBox, e.g. to check the application's state while the box is up.
    std::function<void(const MessageCall&)> onMessage;
    // Scripts for the program's own modal windows, consumed in order by runDialog: each
    // gets the window shown (not modal) and drives it with real events, usually ending
    // with a click on OK or Cancel. A window still open after its script (or shown with
    // no script left) is rejected, so a test never waits on it.
    QQueue<std::function<void(QDialog&)>> dialogScripts;

    // What was asked.
    QList<MessageCall> messages;
    QList<FileDialogCall> fileDialogs;
    QList<QFont> fontDialogs;
    QList<QStringList> popupMenus;
    int printerSetups = 0;
    int printDialogs = 0;
    QStringList dialogsShown; // objectName of each window passed to runDialog
    QStringList openedDocuments;
    QStringList openedUrls;

    // The in-memory clipboard.
    QString clipText;
    QImage clipImage;
    int clipboardClears = 0;

    MsgResult messageBox(const QString& text, const QString& title, MsgButtons buttons,
                         MsgIcon icon) override;
    QString openFileDialog(const QString& title, const QString& initialName,
                           const QString& initialDir, const QList<FileFilter>& filters,
                           int filterIndex) override;
    QString saveFileDialog(const QString& title, const QString& initialName,
                           const QString& initialDir, const QList<FileFilter>& filters,
                           int filterIndex) override;
    QString chooseFolder(const QString& title, const QString& initialDir) override;
    std::optional<QFont> chooseFont(const QFont& initial, const QString& title) override;
    int popupMenu(const QStringList& items) override;
    bool printerSetup(QPrinter* printer) override;
    bool printDialog(QPrinter* printer) override;
    void clearClipboard() override;
    QString clipboardText() override;
    void setClipboardText(const QString& text) override;
    bool clipboardHasImage() override;
    QImage clipboardImage() override;
    void setClipboardImage(const QImage& image) override;
    OpenResult openDocument(const QString& path) override;
    OpenResult openUrl(const QString& url) override;
    QDateTime now() override;
    int runDialog(QDialog& dialog) override;

    // Texts of all message boxes shown so far.
    QStringList messageTexts() const;
};

} // namespace quillary::test
