// SPDX-License-Identifier: GPL-3.0-or-later
#include "QtPlatformServices.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QCursor>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QSizeF>
#include <QStandardPaths>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>

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

// Printer, paper and orientation, with buttons that say what they do. Qt's page setup
// dialog offers paper and margins but no choice of printer, and its print dialog is a
// print dialog ("Print"), not a setup.
class PrinterSetupDialog : public QDialog {
public:
    PrinterSetupDialog(QPrinter* printer, QWidget* parent) : QDialog(parent), m_Printer(printer) {
        setObjectName(QStringLiteral("PrinterSetupDialog"));
        setWindowTitle(QtPlatformServices::PrinterSetupTitle());
        m_Printers = new QComboBox(this);
        m_Printers->setObjectName(QStringLiteral("cmbPrinter"));
        m_Paper = new QComboBox(this);
        m_Paper->setObjectName(QStringLiteral("cmbPaper"));
        m_Portrait = new QRadioButton(QStringLiteral("P&ortrait"), this);
        m_Portrait->setObjectName(QStringLiteral("optPortrait"));
        m_Landscape = new QRadioButton(QStringLiteral("&Landscape"), this);
        m_Landscape->setObjectName(QStringLiteral("optLandscape"));

        // A printer, or a PDF file when printing to one: the file is chosen when printing.
        const QStringList names = QPrinterInfo::availablePrinterNames();
        const bool toFile = printer->outputFormat() == QPrinter::PdfFormat || names.isEmpty();
        if (toFile)
            m_Printers->addItem(QStringLiteral("PDF file"), QString());
        for (const QString& name : names)
            m_Printers->addItem(name, name);
        const int current = toFile ? 0 : m_Printers->findData(printer->printerName());
        m_Printers->setCurrentIndex(std::max(current, 0));
        connect(m_Printers, &QComboBox::currentIndexChanged, this, [this] { FillPaper(); });
        FillPaper();
        const QPageLayout layout = printer->pageLayout();
        const int paper = m_Paper->findData(PaperKey(layout.pageSize()));
        if (paper >= 0)
            m_Paper->setCurrentIndex(paper);
        (layout.orientation() == QPageLayout::Landscape ? m_Landscape : m_Portrait)
            ->setChecked(true);

        auto* form = new QFormLayout;
        form->addRow(QStringLiteral("&Printer:"), m_Printers);
        form->addRow(QStringLiteral("P&aper:"), m_Paper);
        auto* orientation = new QHBoxLayout;
        orientation->addWidget(m_Portrait);
        orientation->addWidget(m_Landscape);
        orientation->addStretch(1);
        form->addRow(QStringLiteral("Orientation:"), orientation);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
        buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancel"));
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        auto* layoutBox = new QVBoxLayout(this);
        layoutBox->addLayout(form);
        layoutBox->addWidget(buttons);
    }

    void accept() override {
        const QString name = m_Printers->currentData().toString();
        if (!name.isEmpty()) {
            m_Printer->setOutputFormat(QPrinter::NativeFormat);
            m_Printer->setPrinterName(name);
        }
        QPageSize size;
        if (PaperSizeOf(m_Paper->currentData().toString(), size))
            m_Printer->setPageSize(size);
        m_Printer->setPageOrientation(m_Landscape->isChecked() ? QPageLayout::Landscape
                                                               : QPageLayout::Portrait);
        QDialog::accept();
    }

private:
    static QString PaperKey(const QPageSize& size) {
        const QPageSize::PageSizeId id =
            size.id() != QPageSize::Custom
                ? size.id()
                : QPageSize::id(size.size(QPageSize::Millimeter), QPageSize::Millimeter);
        return id == QPageSize::Custom ? QString() : QPageSize::key(id);
    }
    static bool PaperSizeOf(const QString& key, QPageSize& size) {
        for (int id = 0; id <= int(QPageSize::LastPageSize); ++id)
            if (QPageSize::key(QPageSize::PageSizeId(id)) == key && !key.isEmpty()) {
                size = QPageSize(QPageSize::PageSizeId(id));
                return true;
            }
        return false;
    }
    // The papers of the chosen printer, or the usual ones for a PDF file.
    void FillPaper() {
        const QString kept = m_Paper->currentData().toString();
        m_Paper->clear();
        QList<QPageSize> sizes;
        const QString name = m_Printers->currentData().toString();
        if (!name.isEmpty())
            sizes = QPrinterInfo::printerInfo(name).supportedPageSizes();
        if (sizes.isEmpty())
            for (QPageSize::PageSizeId id :
                 {QPageSize::A3, QPageSize::A4, QPageSize::A5, QPageSize::B5, QPageSize::Letter,
                  QPageSize::Legal, QPageSize::Executive, QPageSize::Tabloid})
                sizes << QPageSize(id);
        for (const QPageSize& size : sizes) {
            const QString key = PaperKey(size);
            if (!key.isEmpty() && m_Paper->findData(key) < 0)
                m_Paper->addItem(size.name(), key);
        }
        const int again = m_Paper->findData(kept);
        if (again >= 0)
            m_Paper->setCurrentIndex(again);
    }

    QPrinter* m_Printer;
    QComboBox* m_Printers = nullptr;
    QComboBox* m_Paper = nullptr;
    QRadioButton* m_Portrait = nullptr;
    QRadioButton* m_Landscape = nullptr;
};

// A style of a narrowed or widened cut ("Condensed Bold"): the font database does not
// give its width, only its name.
bool IsWidthStyle(const QString& style) {
    for (const char* word : {"Condensed", "Narrow", "Compressed", "Expanded", "Extended", "Wide"})
        if (style.contains(QLatin1String(word), Qt::CaseInsensitive))
            return true;
    return false;
}

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

QFont QtPlatformServices::FontDialogStart(const QFont& stored) {
    QFont start = stored;
    const QString family = QFontInfo(stored).family();
    start.setFamily(family);
    // The closest of the face's own styles: the same slant first, then the nearest weight,
    // then the face's normal width.
    QString best;
    int bestScore = std::numeric_limits<int>::max();
    for (const QString& style : QFontDatabase::styles(family)) {
        const QFont face = QFontDatabase::font(family, style, 10);
        const int score = (face.italic() != stored.italic() ? 100000 : 0) +
                          (face.bold() != stored.bold() ? 10000 : 0) +
                          std::abs(int(face.weight()) - int(stored.weight())) * 10 +
                          (IsWidthStyle(style) ? 1 : 0);
        if (score < bestScore) {
            bestScore = score;
            best = style;
        }
    }
    if (!best.isEmpty())
        start.setStyleName(best);
    return start;
}

QFont QtPlatformServices::FontDialogAnswer(const QFont& stored, const QFont& start,
                                           const QFont& chosen) {
    const bool sameSize =
        chosen.pointSizeF() <= 0 || std::abs(chosen.pointSizeF() - start.pointSizeF()) < 0.01;
    if (chosen.family() == start.family() && sameSize && chosen.bold() == start.bold() &&
        chosen.italic() == start.italic() && chosen.strikeOut() == start.strikeOut() &&
        chosen.underline() == start.underline())
        return stored;
    return chosen;
}

std::optional<QFont> QtPlatformServices::chooseFont(const QFont& initial, const QString& title) {
    bool ok = false;
    const QFont start = FontDialogStart(initial);
    const QFont font = QFontDialog::getFont(&ok, start, owner(), title);
    if (!ok)
        return std::nullopt;
    return FontDialogAnswer(initial, start, font);
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
    PrinterSetupDialog dialog(printer, owner());
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
