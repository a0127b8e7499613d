// SPDX-License-Identifier: GPL-3.0-or-later
// Takes the user manual's pictures from the real windows: a private desktop folder with a
// fixed sample database, the program's own windows opened through their menu commands on
// the offscreen platform, each grabbed to OUTDIR/<name>.png. A window that cannot be shown
// (or a message box where none belongs) fails the run, and with it the build, so the
// manual's pictures never go stale.
// Usage: quillary-make-manual-shots OUTDIR   (run with QT_QPA_PLATFORM=offscreen)

#include "dialogs/WindowHooks.h"
#include "dialogs/frmNoteChanges.h"
#include "mainwindow/MainCommands.h"
#include "mainwindow/Startup.h"
#include "mainwindow/frmMain.h"
#include "core/PlatformServices.h"
#include "core/clsSettings.h"
#include "draw/ctlDrawBox.h"
#include "shell/FocusFrameStyle.h"
#include "shell/ShellResources.h"
#include "storage/NoteChanges.h"
#include "storage/clsBitmap.h"
#include "storage/clsDatabase.h"
#include "storage/clsInsertDatabase.h"
#include "storage/clsQuillaryItem.h"
#include "storage/clsTextInsertItem.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QQueue>
#include <QTemporaryDir>
#include <QToolBar>
#include <QWindow>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace quillary;

namespace {

QString g_OutDir;
QStringList g_Failures;
QStringList g_Written;

void Fail(const QString& why) {
    g_Failures << why;
    std::fprintf(stderr, "quillary-make-manual-shots: %s\n", qPrintable(why));
}

void Settle() {
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

// The offscreen platform draws no window frames: a plain title bar and border stand in for
// the desktop's, so a reader sees each window's caption as on screen.
QImage Framed(const QImage& content, const QString& title) {
    constexpr int kBar = 24;
    QImage framed(content.width() + 2, content.height() + kBar + 1, QImage::Format_RGB32);
    framed.fill(QColor(0x55, 0x5b, 0x66));
    QPainter p(&framed);
    p.drawImage(1, kBar, content);
    QFont font = QApplication::font();
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRect(8, 0, framed.width() - 16, kBar), Qt::AlignVCenter | Qt::AlignLeft,
               QFontMetrics(font).elidedText(title, Qt::ElideRight, framed.width() - 16));
    return framed;
}

void Save(QWidget& widget, const QString& name) {
    Settle();
    const QImage image = widget.grab().toImage();
    if (image.isNull() || image.width() < 16 || image.height() < 16) {
        Fail(QStringLiteral("%1: the window could not be shown").arg(name));
        return;
    }
    const QString path = g_OutDir + '/' + name + QStringLiteral(".png");
    if (!(widget.isWindow() ? Framed(image, widget.windowTitle()) : image).save(path))
        Fail(QStringLiteral("%1: cannot write %2").arg(name, path));
    g_Written << path;
}

// Answers nothing a person would be asked: every window the manual shows goes through
// runDialog, where the next step of the script grabs it and closes it. A message box is a
// failure (something went wrong with the sample data).
class ShotServices : public PlatformServices {
public:
    QQueue<std::function<void(QDialog&)>> scripts;

    MsgResult messageBox(const QString& text, const QString&, MsgButtons, MsgIcon) override {
        Fail(QStringLiteral("unexpected message: %1").arg(text));
        return MsgResult::Cancel;
    }
    QString openFileDialog(const QString&, const QString&, const QString&,
                           const QList<FileFilter>&, int) override {
        return {};
    }
    QString saveFileDialog(const QString&, const QString&, const QString&,
                           const QList<FileFilter>&, int) override {
        return {};
    }
    QString chooseFolder(const QString&, const QString&) override { return {}; }
    std::optional<QFont> chooseFont(const QFont&, const QString&) override { return {}; }
    int popupMenu(const QStringList&) override { return 0; }
    bool printerSetup(QPrinter*) override { return false; }
    bool printDialog(QPrinter*) override { return false; }
    void clearClipboard() override { m_Text.clear(); }
    QString clipboardText() override { return m_Text; }
    void setClipboardText(const QString& text) override { m_Text = text; }
    bool clipboardHasImage() override { return false; }
    QImage clipboardImage() override { return {}; }
    void setClipboardImage(const QImage&) override {}
    OpenResult openDocument(const QString&) override { return OpenResult::NoHandler; }
    OpenResult openUrl(const QString&) override { return OpenResult::NoHandler; }
    QDateTime now() override {
        return QDateTime(QDate(2026, 3, 14), QTime(9, 26), Qt::UTC);
    }
    int runDialog(QDialog& dialog) override {
        if (scripts.isEmpty()) {
            Fail(QStringLiteral("unexpected window: %1").arg(dialog.windowTitle()));
            return QDialog::Rejected;
        }
        const auto script = scripts.dequeue();
        dialog.show();
        Settle();
        script(dialog);
        dialog.close();
        return dialog.result();
    }

private:
    QString m_Text;
};

// A sketch in the handheld's 160 x 160 one-bit pictures.
clsBitmap Sketch(int kind) {
    QImage image(160, 160, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setPen(QPen(Qt::black, 2));
    switch (kind) {
    case 0: // a house under a sun
        p.drawRect(40, 80, 70, 60);
        p.drawLine(35, 82, 75, 45);
        p.drawLine(75, 45, 115, 82);
        p.drawRect(65, 110, 18, 30);
        p.drawEllipse(QPoint(130, 30), 14, 14);
        break;
    case 1: // a map with a route
        p.drawRect(10, 10, 140, 140);
        p.drawLine(20, 130, 60, 90);
        p.drawLine(60, 90, 100, 100);
        p.drawLine(100, 100, 135, 30);
        p.drawEllipse(QPoint(135, 30), 6, 6);
        break;
    default: // a bar chart
        for (int i = 0; i < 5; ++i)
            p.drawRect(20 + i * 26, 140 - (i + 2) * 16, 18, (i + 2) * 16);
        p.drawLine(12, 142, 150, 142);
        break;
    }
    p.end();
    clsBitmap bitmap;
    bitmap.InitializeBitmap(160, 160, 1);
    for (int y = 0; y < 160; ++y)
        for (int x = 0; x < 160; ++x)
            bitmap.SetPixel(x, y, qGray(image.pixel(x, y)) < 128);
    return bitmap;
}

struct SampleNote {
    const char* text;
    int category; // 0 Unfiled, 1 Business, 2 Personal, then those FillSample adds
    int sketch;   // -1 none
};

const SampleNote kNotes[] = {
    {"Garden plan\r\nBeans along the fence, tomatoes by the wall.", 3, 0},
    {"Walk to the lake\r\nLeft at the mill, then the path by the river.", 4, 1},
    {"Meeting notes\r\nBudget up in the third quarter.", 5, 2},
    {"Shopping\r\nBread, apples, coffee, stamps.", 0, -1},
    {"Ideas for the club newsletter", 2, -1},
};

void FillSample(clsDatabase& db) {
    db.m_NewNoteTitle = [] { return std::string("Note"); };
    db.AddNewDatabase();
    for (const char* name : {"Home", "Outdoors", "Work"}) {
        std::string added;
        const int count = db.AddCategory(added); // the new one is the last
        if (count > 0)
            db.RenameCategory(count - 1, name);
    }
    int i = 0;
    for (const SampleNote& note : kNotes) {
        db.AddNewRecord(i);
        clsQuillaryItem* item = db.GetRecordObject(i);
        item->SetText(note.text);
        if (note.sketch >= 0)
            item->SetBitmap(Sketch(note.sketch));
        db.SetCategoryIndex(i, note.category);
        ++i;
    }
}

bool WriteSample(const QString& path) {
    clsDatabase db;
    FillSample(db);
    db.SetFileName(path.toStdString());
    db.m_VersionPolicy.keep = false;
    std::string error;
    if (!db.SaveDatabase({}, &error)) {
        Fail(QStringLiteral("cannot write the sample database: %1").arg(error.c_str()));
        return false;
    }
    // A second save keeps the first as an earlier version, for the versions window.
    db.GetRecordObject(3)->SetText("Shopping\r\nBread, apples, coffee, stamps, milk.");
    db.m_VersionPolicy.keep = true;
    if (!db.SaveDatabase({}, &error)) {
        Fail(QStringLiteral("cannot write the sample database: %1").arg(error.c_str()));
        return false;
    }
    return true;
}

bool WriteInserts(const QString& folder) {
    QDir().mkpath(folder);
    clsInsertDatabase db;
    db.AddNewDatabase();
    db.m_PalmFileName = "Greetings";
    const std::pair<const char*, const char*> inserts[] = {
        {"Thanks", "Thank you for your help."},
        {"Address", "12 Mill Lane, Riverside"},
        {"Signature", "Best wishes, Sam"},
    };
    int i = 0;
    for (const auto& [title, text] : inserts) {
        db.AddNewRecord(i);
        db.GetRecordObject(i)->Title = title;
        db.GetRecordObject(i)->SetText(text);
        db.GetRecordObject(i)->UniqueID = uint32_t(0x100 + i);
        ++i;
    }
    const std::vector<uint8_t> bytes = db.GetDatabaseBytes();
    QFile file(folder + QStringLiteral("/Greetings.pdb"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) !=
            qint64(bytes.size())) {
        Fail(QStringLiteral("cannot write the sample insert database"));
        return false;
    }
    return true;
}

QAction* Action(frmMain& window, const char* name) {
    auto* action = window.findChild<QAction*>(QLatin1String(name));
    if (!action)
        Fail(QStringLiteral("no command %1").arg(QLatin1String(name)));
    return action;
}

// Runs a menu command whose window the script grabs; a command that shows no window fails.
void Shot(frmMain& window, ShotServices& services, const char* command, const QString& name,
          QSize size, const std::function<void(QDialog&)>& before = {}) {
    QAction* action = Action(window, command);
    if (!action)
        return;
    bool shown = false;
    services.scripts.enqueue([&](QDialog& dialog) {
        shown = true;
        if (size.isValid())
            dialog.resize(size);
        if (before)
            before(dialog);
        Save(dialog, name);
    });
    action->trigger();
    Settle();
    if (!shown) {
        services.scripts.clear();
        Fail(QStringLiteral("%1: the command %2 showed no window").arg(name, command));
    }
}

QAbstractButton* Button(QWidget& in, const char* name) {
    auto* button = in.findChild<QAbstractButton*>(QLatin1String(name));
    if (!button)
        Fail(QStringLiteral("no button %1 in %2").arg(QLatin1String(name), in.windowTitle()));
    return button;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
        return 2;
    }
    QTemporaryDir home;
    if (!home.isValid()) {
        std::fprintf(stderr, "quillary-make-manual-shots: no temporary folder\n");
        return 1;
    }
    // Nothing of the person's own: desktop folder, settings and user name are the sample's.
    const QString desktop = home.filePath(QStringLiteral("desktop"));
    qputenv("QUILLARY_DESKTOP_DIR", desktop.toUtf8());
    qputenv("QUILLARY_CONFIG_DIR", home.filePath(QStringLiteral("config")).toUtf8());
    qputenv("HOME", home.path().toUtf8());
    qputenv("USER", "sam");

    QApplication app(argc, argv);
    g_OutDir = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(g_OutDir)) {
        std::fprintf(stderr, "quillary-make-manual-shots: cannot make %s\n", argv[1]);
        return 1;
    }
    InitShellResources();
    FocusFrameStyle::Install();
    // The same face on every machine that builds the manual.
    QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 9));

    QDir().mkpath(desktop + QStringLiteral("/Sam"));
    {
        QFile users(desktop + QStringLiteral("/users.txt"));
        if (!users.open(QIODevice::WriteOnly) || users.write("4242\tSam\tSam\n") < 0) {
            std::fprintf(stderr, "quillary-make-manual-shots: cannot write users.txt\n");
            return 1;
        }
    }
    const QString notesFile = desktop + QStringLiteral("/Sam/QLSam.pdb");
    if (!WriteSample(notesFile) || !WriteInserts(desktop + QStringLiteral("/Sam/QLInsertPDB")))
        return 1;

    ShotServices services;
    clsSettings settings(home.filePath(QStringLiteral("config/kestwin.ini")));
    SeedStartupSettings(settings);
    clsDatabase database;
    {
        frmMain window(services, settings, database);
        window.Form_Load();
        RegisterWindows(window);
        window.resize(760, 560);
        window.show();
        Settle();
        if (database.GetNumRecords() != int(std::size(kNotes)))
            Fail(QStringLiteral("the sample notes did not open"));

        Save(window, QStringLiteral("main"));
        if (auto* tools = window.PictureEditor()->findChild<QToolBar*>(QStringLiteral("tbrBitmap")))
            Save(*tools, QStringLiteral("tools"));
        else
            Fail(QStringLiteral("no drawing tools"));

        Shot(window, services, "mnuPageSetup", QStringLiteral("pagesetup"), {});
        // Print opens the selection; its Preview button opens the preview.
        Shot(window, services, "mnuPrint", QStringLiteral("printselection"), {},
             [&](QDialog& selection) {
                 if (QAbstractButton* all = Button(selection, "cmdSelectAll"))
                     all->click();
                 Save(selection, QStringLiteral("printselection"));
                 services.scripts.enqueue([](QDialog& preview) {
                     preview.resize(640, 560);
                     // The whole page if the window offers it, else half size.
                     if (auto* zoom = preview.findChild<QComboBox*>(QStringLiteral("cmbViewSize"))) {
                         int whole = zoom->findText(QStringLiteral("Fit Page"));
                         if (whole < 0)
                             whole = zoom->findText(QStringLiteral("50%"));
                         zoom->setCurrentIndex(whole);
                     }
                     Save(preview, QStringLiteral("preview"));
                 });
                 if (QAbstractButton* preview = Button(selection, "cmdPreview"))
                     preview->click();
             });
        Shot(window, services, "mnuNoteManager", QStringLiteral("notemanager"), QSize(460, 360));
        Shot(window, services, "mnuEditCategories", QStringLiteral("categories"), {});
        Shot(window, services, "mnuImport", QStringLiteral("import"), {});
        Shot(window, services, "mnuEditInserts", QStringLiteral("inserts"), QSize(560, 360));
        Shot(window, services, "mnuInsertSnippet", QStringLiteral("snippet"), QSize(480, 360));
        Shot(window, services, "mnuVersions", QStringLiteral("versions"), QSize(560, 340));

        // Find is a window beside the main window, not a dialog.
        if (QAction* find = Action(window, "mnuFind")) {
            find->trigger();
            Settle();
            QWidget* findWindow = window.FindWindow();
            if (!findWindow || !findWindow->isVisible()) {
                Fail(QStringLiteral("find: the command showed no window"));
            } else {
                if (auto* box = findWindow->findChild<QLineEdit*>())
                    box->setText(QStringLiteral("the"));
                findWindow->resize(420, 300);
                Save(*findWindow, QStringLiteral("find"));
                findWindow->close();
            }
        }

        // The report after a HotSync: the same notes with one changed, one added, one gone.
        {
            clsDatabase before;
            FillSample(before);
            clsDatabase after;
            FillSample(after);
            after.GetRecordObject(0)->SetText(
                "Garden plan\r\nBeans along the fence, tomatoes by the wall, herbs by the door.");
            after.DeleteRecord(3);
            after.AddNewRecord(after.GetNumRecords());
            after.GetRecordObject(after.GetNumRecords() - 1)->SetText("Call the plumber");
            frmNoteChanges report(window.Session(), CompareNotes(before, after),
                                  QStringLiteral("Changes from the last HotSync"), &window);
            report.resize(480, 300);
            report.show();
            Save(report, QStringLiteral("syncreport"));
            report.close();
        }
        database.m_FileDirtyFlag = false; // nothing of the sample is saved back
        window.close();
    }

    if (!g_Failures.isEmpty()) {
        // The build must not take a partial set as up to date.
        for (const QString& path : std::as_const(g_Written))
            QFile::remove(path);
        std::fprintf(stderr, "quillary-make-manual-shots: %lld problem(s); no pictures kept\n",
                     static_cast<long long>(g_Failures.size()));
        return 1;
    }
    return 0;
}
