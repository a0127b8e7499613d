// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScriptedPlatformServices.h"

#include <QApplication>
#include <QDialog>

namespace quillary::test {

MsgResult ScriptedPlatformServices::messageBox(const QString& text, const QString& title,
                                               MsgButtons buttons, MsgIcon icon) {
    const MessageCall call{text, title, buttons, icon};
    messages.append(call);
    if (onMessage)
        onMessage(call);
    if (!messageAnswers.isEmpty())
        return messageAnswers.dequeue();
    switch (buttons) {
    case MsgButtons::Ok: return MsgResult::Ok;
    case MsgButtons::YesNo: return MsgResult::No;
    default: return MsgResult::Cancel;
    }
}

QString ScriptedPlatformServices::openFileDialog(const QString& title, const QString& initialName,
                                                 const QString& initialDir,
                                                 const QList<FileFilter>& filters,
                                                 int filterIndex) {
    fileDialogs.append({false, title, initialName, initialDir, filters, filterIndex});
    return fileAnswers.isEmpty() ? QString() : fileAnswers.dequeue();
}

QString ScriptedPlatformServices::saveFileDialog(const QString& title, const QString& initialName,
                                                 const QString& initialDir,
                                                 const QList<FileFilter>& filters,
                                                 int filterIndex) {
    fileDialogs.append({true, title, initialName, initialDir, filters, filterIndex});
    return fileAnswers.isEmpty() ? QString() : fileAnswers.dequeue();
}

QString ScriptedPlatformServices::chooseFolder(const QString& title, const QString&) {
    folderDialogs.append(title);
    return folderAnswers.isEmpty() ? QString() : folderAnswers.dequeue();
}

std::optional<QFont> ScriptedPlatformServices::chooseFont(const QFont& initial, const QString&) {
    fontDialogs.append(initial);
    if (!fontScripts.isEmpty())
        return fontScripts.dequeue()(initial);
    return fontAnswers.isEmpty() ? std::nullopt : fontAnswers.dequeue();
}

int ScriptedPlatformServices::popupMenu(const QStringList& items) {
    popupMenus.append(items);
    return popupAnswers.isEmpty() ? 0 : popupAnswers.dequeue();
}

bool ScriptedPlatformServices::printerSetup(QPrinter* printer) {
    ++printerSetups;
    if (!printerSetupScripts.isEmpty())
        return printerSetupScripts.dequeue()(printer);
    return printerSetupAnswers.isEmpty() ? false : printerSetupAnswers.dequeue();
}

bool ScriptedPlatformServices::printDialog(QPrinter* printer) {
    ++printDialogs;
    if (printDialogAnswers.isEmpty())
        return false;
    const auto answer = printDialogAnswers.dequeue();
    return answer ? answer(printer) : false;
}

void ScriptedPlatformServices::clearClipboard() {
    ++clipboardClears;
    clipText.clear();
    clipImage = QImage();
}

QString ScriptedPlatformServices::clipboardText() { return clipText; }

void ScriptedPlatformServices::setClipboardText(const QString& text) {
    clipText = text;
    clipImage = QImage();
}

bool ScriptedPlatformServices::clipboardHasImage() { return !clipImage.isNull(); }

QImage ScriptedPlatformServices::clipboardImage() { return clipImage; }

void ScriptedPlatformServices::setClipboardImage(const QImage& image) {
    clipImage = image;
    clipText.clear();
}

OpenResult ScriptedPlatformServices::openDocument(const QString& path) {
    openedDocuments.append(path);
    return openResult;
}

OpenResult ScriptedPlatformServices::openUrl(const QString& url) {
    openedUrls.append(url);
    return openResult;
}

QDateTime ScriptedPlatformServices::now() { return clock; }

QStringList ScriptedPlatformServices::messageTexts() const {
    QStringList texts;
    for (const MessageCall& m : messages)
        texts << m.text;
    return texts;
}

int ScriptedPlatformServices::runDialog(QDialog& dialog) {
    dialogsShown.append(dialog.objectName());
    dialog.setResult(QDialog::Rejected);
    dialog.show();
    QApplication::processEvents();
    if (!dialogScripts.isEmpty())
        dialogScripts.dequeue()(dialog);
    if (dialog.isVisible())
        dialog.reject();
    return dialog.result();
}

} // namespace quillary::test
