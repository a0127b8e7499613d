// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/PlatformServices.h"

namespace quillary {

// The real desktop: Qt dialogs owned by the active window, the system clipboard,
// QDesktopServices, the system clock.
class QtPlatformServices : public PlatformServices {
public:
    MsgResult messageBox(const QString& text, const QString& title, MsgButtons buttons,
                         MsgIcon icon) override;
    QString openFileDialog(const QString& title, const QString& initialName,
                           const QString& initialDir, const QList<FileFilter>& filters,
                           int filterIndex) override;
    QString chooseFolder(const QString& title, const QString& initialDir) override;
    QString saveFileDialog(const QString& title, const QString& initialName,
                           const QString& initialDir, const QList<FileFilter>& filters,
                           int filterIndex) override;
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

    // The font the chooser opens at for a stored font: the face actually drawn (a stored
    // face that is not installed would leave the chooser at the first face of its list),
    // in that face's own name for the stored weight and slant, so the chooser does not
    // fall back to the first style it lists (an oblique one, for some faces).
    static QFont FontDialogStart(const QFont& stored);
    // What the chooser's answer means: the stored font itself when the six properties
    // kept (face, size, bold, italic, strike-through, underline) are as it opened at.
    static QFont FontDialogAnswer(const QFont& stored, const QFont& start, const QFont& chosen);
    // Title of the printer setup dialog.
    static QString PrinterSetupTitle() { return QStringLiteral("Printer Setup"); }
};

} // namespace quillary
