// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QFont>
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class QDialog;
class QPrinter;

namespace quillary {

// One entry of a file dialog's type list, e.g. {"Bitmap Files (*.bmp)", "*.bmp"}.
struct FileFilter {
    QString description;
    QString pattern;
    bool operator==(const FileFilter&) const = default;
};

enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgIcon { None, Information, Exclamation, Critical, Question };
enum class MsgResult { Ok, Cancel, Yes, No };

// Outcome of handing a file or address to the desktop's associated program.
enum class OpenResult {
    Opened,
    NoHandler,    // no program is associated with that kind of file or address
    LaunchFailed, // a program is associated but could not be started
};

// Everything that blocks on a person or touches the desktop goes through here, so that
// tests can script the answers. Implementations never throw.
class PlatformServices {
public:
    virtual ~PlatformServices() = default;

    // Modal message box; returns the button pressed (Cancel/No when closed otherwise).
    virtual MsgResult messageBox(const QString& text, const QString& title, MsgButtons buttons,
                                 MsgIcon icon) = 0;

    // File dialogs. filterIndex is 1-based into filters. Return the chosen absolute path,
    // or "" when cancelled. The open dialog accepts existing files only; the save dialog
    // asks before overwriting.
    virtual QString openFileDialog(const QString& title, const QString& initialName,
                                   const QString& initialDir, const QList<FileFilter>& filters,
                                   int filterIndex) = 0;
    virtual QString saveFileDialog(const QString& title, const QString& initialName,
                                   const QString& initialDir, const QList<FileFilter>& filters,
                                   int filterIndex) = 0;

    // Folder chooser (any folder, existing or made in the dialog, or a new name typed in an
    // existing folder, which the caller then makes); "" when cancelled.
    virtual QString chooseFolder(const QString& title, const QString& initialDir) = 0;
    // Font chooser; std::nullopt when cancelled.
    virtual std::optional<QFont> chooseFont(const QFont& initial, const QString& title) = 0;

    // Context menu at the pointer; items "-" (trimmed) are separators but count as
    // positions. Returns the chosen 1-based position, or 0 when dismissed.
    virtual int popupMenu(const QStringList& items) = 0;

    // Printer setup dialog on the given printer; false when cancelled.
    virtual bool printerSetup(QPrinter* printer) = 0;
    // The print dialog before a job: printer, paper, copies, and printing to a PDF file
    // (the printer then carries the file name). False when cancelled.
    virtual bool printDialog(QPrinter* printer) = 0;

    // System clipboard.
    virtual void clearClipboard() = 0;
    virtual QString clipboardText() = 0;
    virtual void setClipboardText(const QString& text) = 0;
    virtual bool clipboardHasImage() = 0;
    virtual QImage clipboardImage() = 0;
    virtual void setClipboardImage(const QImage& image) = 0;

    // Opens a local document or a web address with the desktop's associated program.
    virtual OpenResult openDocument(const QString& path) = 0;
    virtual OpenResult openUrl(const QString& url) = 0;

    // The clock (new-note titles and anything else that shows the time).
    virtual QDateTime now() = 0;

    // Shows one of the program's own modal windows (categories editor, page setup, ...)
    // and returns its result code (QDialog::Accepted or QDialog::Rejected). The window is
    // closed when this returns. The Qt implementation runs the dialog's own event loop;
    // a test double hands the window to the test, which drives it with real events.
    virtual int runDialog(QDialog& dialog) = 0;
};

} // namespace quillary
