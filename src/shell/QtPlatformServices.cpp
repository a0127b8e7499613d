// SPDX-License-Identifier: GPL-3.0-or-later
#include "QtPlatformServices.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QFontInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QStandardPaths>
#include <QUrl>

namespace quillary {

namespace {

QWidget* owner() { return QApplication::activeWindow(); }

// A folder chooser that also takes the name of a folder not made yet, typed into its name
// box (an archive goes into "an empty (or new) folder"); whoever writes there makes it. The
// stock chooser greys out its button for such a name and refuses it as "not found".
class FolderDialog : public QFileDialog {
public:
    FolderDialog(QWidget* parent, const QString& title, const QString& dir)
        : QFileDialog(parent, title, dir) {
        setFileMode(QFileDialog::Directory);
        setOption(QFileDialog::ShowDirsOnly);
        setOption(QFileDialog::DontUseNativeDialog); // a native one cannot be told
        m_Name = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (auto* box = findChild<QDialogButtonBox*>(QStringLiteral("buttonBox")))
            m_Choose = box->button(QDialogButtonBox::Open);
        if (m_Name && m_Choose) {
            // After the dialog's own update of the button, which runs first.
            connect(m_Name, &QLineEdit::textChanged, this, [this] {
                if (IsNewFolderName())
                    m_Choose->setEnabled(true);
            });
            m_Choose->installEventFilter(this);
        }
    }
    QString Chosen() const { return m_New.isEmpty() ? selectedFiles().value(0) : m_New; }

    void accept() override {
        if (IsNewFolderName()) {
            m_New = NewFolderPath();
            QDialog::accept();
            return;
        }
        m_New.clear();
        QFileDialog::accept();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_Choose && event->type() == QEvent::EnabledChange &&
            !m_Choose->isEnabled() && IsNewFolderName())
            m_Choose->setEnabled(true);
        return QFileDialog::eventFilter(watched, event);
    }

private:
    QString NewFolderPath() const {
        const QString typed = m_Name ? m_Name->text().trimmed() : QString();
        if (typed.isEmpty())
            return QString();
        return QFileInfo(QDir(directory().absolutePath()).filePath(typed)).absoluteFilePath();
    }
    // A name typed in, of nothing there yet, in a folder that exists.
    bool IsNewFolderName() const {
        const QString path = NewFolderPath();
        if (path.isEmpty())
            return false;
        const QFileInfo info(path);
        return !info.exists() && QFileInfo(info.absolutePath()).isDir();
    }

    QLineEdit* m_Name = nullptr;
    QPushButton* m_Choose = nullptr;
    QString m_New;
};

QString filterText(const QList<FileFilter>& filters) {
    QStringList parts;
    for (const FileFilter& f : filters) {
        QString patterns = f.pattern;
        patterns.replace(';', ' ');
        // Qt reads the patterns from the parentheses; keep the description as the program wrote it.
        parts << (f.description.contains('(') ? f.description
                                              : f.description + " (" + patterns + ")");
    }
    return parts.join(";;");
}

QString preselected(const QList<FileFilter>& filters, int filterIndex) {
    const QStringList all = filterText(filters).split(";;");
    if (filterIndex >= 1 && filterIndex <= all.size())
        return all.at(filterIndex - 1);
    return all.isEmpty() ? QString() : all.first();
}

QString initialPath(const QString& initialName, const QString& initialDir) {
    if (initialDir.isEmpty())
        return initialName;
    if (initialName.isEmpty())
        return initialDir;
    return QDir(initialDir).filePath(initialName);
}

// Without xdg-open there is no way to find the program associated with a file.
OpenResult openWithDesktop(const QUrl& url) {
    if (QStandardPaths::findExecutable("xdg-open").isEmpty())
        return OpenResult::NoHandler;
    return QDesktopServices::openUrl(url) ? OpenResult::Opened : OpenResult::LaunchFailed;
}

} // namespace

MsgResult QtPlatformServices::messageBox(const QString& text, const QString& title,
                                         MsgButtons buttons, MsgIcon icon) {
    QMessageBox box(owner());
    box.setWindowTitle(title);
    // The program's messages break lines with a lone carriage return.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QChar('\r'), QChar('\n'));
    box.setText(shown);
    switch (icon) {
    case MsgIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MsgIcon::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case MsgIcon::Critical: box.setIcon(QMessageBox::Critical); break;
    case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
    }
    switch (buttons) {
    case MsgButtons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case MsgButtons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case MsgButtons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case MsgButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Ok: return MsgResult::Ok;
    case QMessageBox::Yes: return MsgResult::Yes;
    case QMessageBox::No: return MsgResult::No;
    default: return buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::Cancel;
    }
}

QString QtPlatformServices::openFileDialog(const QString& title, const QString& initialName,
                                           const QString& initialDir,
                                           const QList<FileFilter>& filters, int filterIndex) {
    QString selected = preselected(filters, filterIndex);
    const QString path = QFileDialog::getOpenFileName(owner(), title,
                                                      initialPath(initialName, initialDir),
                                                      filterText(filters), &selected);
    return path.trimmed();
}

QString QtPlatformServices::saveFileDialog(const QString& title, const QString& initialName,
                                           const QString& initialDir,
                                           const QList<FileFilter>& filters, int filterIndex) {
    QString selected = preselected(filters, filterIndex);
    const QString path = QFileDialog::getSaveFileName(owner(), title,
                                                      initialPath(initialName, initialDir),
                                                      filterText(filters), &selected);
    return path.trimmed();
}

QString QtPlatformServices::chooseFolder(const QString& title, const QString& initialDir) {
    FolderDialog dialog(owner(), title, initialDir);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.Chosen().trimmed();
}

std::optional<QFont> QtPlatformServices::chooseFont(const QFont& initial, const QString& title) {
    bool ok = false;
    // Open at the face actually drawn: a stored face that is not installed would leave the
    // chooser at the first face of its list.
    QFont start = initial;
    start.setFamily(QFontInfo(initial).family());
    const QFont font = QFontDialog::getFont(&ok, start, owner(), title);
    if (!ok)
        return std::nullopt;
    return font;
}

int QtPlatformServices::popupMenu(const QStringList& items) {
    QMenu menu(owner());
    for (int i = 0; i < items.size(); ++i) {
        if (items.at(i).trimmed() == QLatin1String("-"))
            menu.addSeparator()->setData(i + 1);
        else
            menu.addAction(items.at(i))->setData(i + 1);
    }
    QAction* chosen = menu.exec(QCursor::pos());
    return chosen ? chosen->data().toInt() : 0;
}

bool QtPlatformServices::printerSetup(QPrinter* printer) {
    QPrintDialog dialog(printer, owner());
    return dialog.exec() == QDialog::Accepted;
}

bool QtPlatformServices::printDialog(QPrinter* printer) {
    QPrintDialog dialog(printer, owner());
    // Every note of the selection is printed; the notes are chosen before this dialog.
    dialog.setOptions(QAbstractPrintDialog::PrintToFile |
                      QAbstractPrintDialog::PrintShowPageSize);
    return dialog.exec() == QDialog::Accepted;
}

void QtPlatformServices::clearClipboard() { QGuiApplication::clipboard()->clear(); }

QString QtPlatformServices::clipboardText() { return QGuiApplication::clipboard()->text(); }

void QtPlatformServices::setClipboardText(const QString& text) {
    QGuiApplication::clipboard()->setText(text);
}

bool QtPlatformServices::clipboardHasImage() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasImage();
}

QImage QtPlatformServices::clipboardImage() { return QGuiApplication::clipboard()->image(); }

void QtPlatformServices::setClipboardImage(const QImage& image) {
    QGuiApplication::clipboard()->setImage(image);
}

OpenResult QtPlatformServices::openDocument(const QString& path) {
    return openWithDesktop(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
}

OpenResult QtPlatformServices::openUrl(const QString& url) {
    return openWithDesktop(QUrl(url));
}

QDateTime QtPlatformServices::now() { return QDateTime::currentDateTime(); }

int QtPlatformServices::runDialog(QDialog& dialog) { return dialog.exec(); }

} // namespace quillary
