// SPDX-License-Identifier: GPL-3.0-or-later
// The options dialog against a real settings file in a fresh folder per test, driven
// with real mouse clicks; the font chooser is scripted.

#include "core/clsSettings.h"
#include "shell/frmOptions.h"
#include "support/ScriptedPlatformServices.h"

#include <QCheckBox>
#include <QFile>
#include <QFontInfo>
#include <QLabel>
#include <QMap>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace quillary;

namespace {

const QStringList kNineKeys = {"Don't Show Splash Screen",
                               "Log Errors",
                               "RightJustify",
                               "FontName",
                               "FontSize",
                               "FontBold",
                               "FontItalic",
                               "FontStrikeThru",
                               "FontUnderLine"};

// Also remembers the chooser's title, which the shared double does not keep.
class FontServices : public test::ScriptedPlatformServices {
public:
    QStringList fontTitles;
    std::optional<QFont> chooseFont(const QFont& initial, const QString& title) override {
        fontTitles << title;
        return ScriptedPlatformServices::chooseFont(initial, title);
    }
};

// key=value pairs of the program's section, as they stand in the file.
QMap<QString, QString> ReadSection(const QString& path) {
    QMap<QString, QString> values;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return values;
    bool inSection = false;
    for (const QByteArray& raw : file.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith('[')) {
            inSection = line == QStringLiteral("[Quillary Settings]");
            continue;
        }
        const int eq = line.indexOf('=');
        if (inSection && eq > 0)
            values.insert(line.left(eq), line.mid(eq + 1));
    }
    return values;
}

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteFile(const QString& path, const QByteArray& text) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

const QByteArray kStored = "[Quillary Settings]\n"
                           "Don't Show Splash Screen=0\n"
                           "Log Errors=1\n"
                           "RightJustify=0\n"
                           "FontName=DejaVu Serif\n"
                           "FontSize=12\n"
                           "FontBold=True\n"
                           "FontItalic=True\n"
                           "FontStrikeThru=False\n"
                           "FontUnderLine=False\n";

} // namespace

class tst_frmOptions : public QObject {
    Q_OBJECT
private slots:
    void init() {
        QVERIFY(m_Dir.emplace().isValid());
        m_Path = m_Dir->filePath(QStringLiteral("kestwin.ini"));
        m_Services = std::make_unique<FontServices>();
        m_RightJustifyCalls.clear();
        m_Calls.clear();
    }
    void cleanup() {
        m_Dialog.reset();
        m_Settings.reset();
        m_Services.reset();
        m_Dir.reset();
    }

    void controls_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        const struct {
            const char* name;
            const char* text;
        } rows[] = {
            {"lblAbc", "Note Display Font:"},
            {"cmdFont", "&Font..."},
            {"Label1", "Misc:"},
            {"chkRightJustify", "Right Justify Note Text"},
            {"chkLogErrors", "Output Errors to .log file for importing notes databases"},
            {"chkDontShowSplashScreen", "Don't Show Splash Screen"},
            {"chkListenNetworkSync", "Listen for network HotSync"},
            {"cmdDone", "&OK"},
            {"cmdCancel", "&Cancel"},
        };
        for (const auto& row : rows)
            QTest::newRow(row.name) << QString::fromUtf8(row.name) << QString::fromUtf8(row.text);
    }
    void controls() {
        QFETCH(QString, name);
        QFETCH(QString, text);
        Open();
        QCOMPARE(m_Dialog->windowTitle(), QStringLiteral("Quillary - Settings"));
        QWidget* w = m_Dialog->findChild<QWidget*>(name);
        QVERIFY2(w, qPrintable(name));
        QCOMPARE(w->property("text").toString(), text);
    }

    void opensFromSettings_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("right");
        QTest::addColumn<bool>("log");
        QTest::addColumn<bool>("noSplash");
        QTest::addColumn<QString>("fontText");
        QTest::newRow("no file") << QByteArray() << false << false << false << "Tahoma 10 Pt.";
        QTest::newRow("stored") << kStored << false << true << false
                                << "DejaVu Serif 12 Pt. Bold Italic";
        QTest::newRow("all on") << QByteArray("[Quillary Settings]\nRightJustify=1\n"
                                              "Log Errors=1\nDon't Show Splash Screen=1\n"
                                              "FontName=Courier\nFontSize=9.75\n"
                                              "FontUnderLine=True\nFontStrikeThru=True\n")
                                << true << true << true << "Courier 9.75 Pt. Underline Strike Thru";
        QTest::newRow("face not installed")
            << QByteArray("[Quillary Settings]\nFontName=No Such Face Qz\nFontSize=11\n") << false
            << false << false << "No Such Face Qz 11 Pt.";
        QTest::newRow("not numbers") << QByteArray("[Quillary Settings]\nRightJustify=yes\n"
                                                   "Log Errors=\nDon't Show Splash Screen=0\n")
                                     << false << false << false << "Tahoma 10 Pt.";
    }
    void opensFromSettings() {
        QFETCH(QByteArray, file);
        QFETCH(bool, right);
        QFETCH(bool, log);
        QFETCH(bool, noSplash);
        QFETCH(QString, fontText);
        if (!file.isNull())
            WriteFile(m_Path, file);
        Open();
        QCOMPARE(Check("chkRightJustify")->isChecked(), right);
        QCOMPARE(Check("chkLogErrors")->isChecked(), log);
        QCOMPARE(Check("chkDontShowSplashScreen")->isChecked(), noSplash);
        // The description names the face actually drawn: a stored face that is not
        // installed is replaced by the one the notes are shown in.
        const QString stored = m_Dialog->WorkingFont().family();
        const QString drawn = QFontInfo(m_Dialog->WorkingFont()).family();
        QVERIFY(fontText.startsWith(stored + ' '));
        QCOMPARE(CurFont()->text(), drawn + fontText.mid(stored.size()));
        QCOMPARE(CurFont()->toolTip().contains(stored + " is not installed"), stored != drawn);
        // The label shows the description in the font it describes.
        QCOMPARE(CurFont()->font().family(), m_Dialog->WorkingFont().family());
        QCOMPARE(CurFont()->font().pointSizeF(), m_Dialog->WorkingFont().pointSizeF());
        QCOMPARE(CurFont()->font().bold(), m_Dialog->WorkingFont().bold());
    }

    void okWithoutChangesRewritesAllNineKeys() {
        WriteFile(m_Path, kStored);
        Open();
        // Someone else changes the file while the dialog is open; OK writes our values back.
        WriteFile(m_Path, "[Quillary Settings]\nLog Errors=0\nFontName=Other\nUnrelated=7\n");
        Click("cmdDone");

        QCOMPARE(m_Dialog->result(), int(QDialog::Accepted));
        QVERIFY(!m_Dialog->isVisible());
        const auto values = ReadSection(m_Path);
        for (const QString& key : kNineKeys)
            QVERIFY2(values.contains(key), qPrintable(key));
        QCOMPARE(values.value("Log Errors"), QStringLiteral("1"));
        QCOMPARE(values.value("FontName"), QStringLiteral("DejaVu Serif"));
        QCOMPARE(values.value("FontSize"), QStringLiteral("12"));
        QCOMPARE(values.value("FontBold"), QStringLiteral("True"));
        QCOMPARE(values.value("Unrelated"), QStringLiteral("7"));
        QCOMPARE(m_RightJustifyCalls, QList<bool>{false});
        QCOMPARE(m_Calls, QStringList({"justify", "resize"}));
    }

    void okWithNoFileWritesDefaults() {
        Open();
        Click("cmdDone");
        const auto values = ReadSection(m_Path);
        const QMap<QString, QString> expected = {{"Don't Show Splash Screen", "0"},
                                                 {"Log Errors", "0"},
                                                 {"RightJustify", "0"},
                                                 {"FontName", "Tahoma"},
                                                 {"FontSize", "10"},
                                                 {"FontBold", "False"},
                                                 {"FontItalic", "False"},
                                                 {"FontStrikeThru", "False"},
                                                 {"FontUnderLine", "False"}};
        for (auto it = expected.begin(); it != expected.end(); ++it)
            QCOMPARE(values.value(it.key()), it.value());
    }

    void checkBoxesAndOk_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("key");
        QTest::newRow("right justify") << "chkRightJustify"
                                       << "RightJustify";
        QTest::newRow("log errors") << "chkLogErrors"
                                    << "Log Errors";
        QTest::newRow("no splash") << "chkDontShowSplashScreen"
                                   << "Don't Show Splash Screen";
        QTest::newRow("network HotSync") << "chkListenNetworkSync"
                                         << "Listen For Network HotSync";
    }
    void checkBoxesAndOk() {
        QFETCH(QString, box);
        QFETCH(QString, key);
        Open();
        ClickCheck(box);
        QVERIFY(Check(box)->isChecked());
        Click("cmdDone");
        QCOMPARE(ReadSection(m_Path).value(key), QStringLiteral("1"));
        QCOMPARE(m_Settings->GetSetting(key), QStringLiteral("1"));
        QCOMPARE(m_RightJustifyCalls, QList<bool>{key == QStringLiteral("RightJustify")});

        // And back off again in a second run of the dialog.
        m_Dialog.reset();
        m_RightJustifyCalls.clear();
        Open();
        QVERIFY(Check(box)->isChecked());
        ClickCheck(box);
        Click("cmdDone");
        QCOMPARE(ReadSection(m_Path).value(key), QStringLiteral("0"));
        QCOMPARE(m_RightJustifyCalls, QList<bool>{false});
    }

    void chosenFontIsStoredAndAppliedAtOnce() {
        QFont chosen(QStringLiteral("DejaVu Sans"));
        chosen.setPointSizeF(12);
        chosen.setBold(true);
        chosen.setUnderline(true);
        m_Services->fontAnswers.enqueue(chosen);
        Open();
        Click("cmdFont");

        QCOMPARE(m_Services->fontTitles, QStringList{"Choose Text Font"});
        QCOMPARE(m_Services->fontDialogs.size(), 1);
        QCOMPARE(m_Services->fontDialogs[0].family(), QStringLiteral("Tahoma"));
        QCOMPARE(m_Services->fontDialogs[0].pointSizeF(), 10.0);
        QCOMPARE(CurFont()->text(), QStringLiteral("DejaVu Sans 12 Pt. Bold Underline"));
        QVERIFY(CurFont()->font().bold());
        QCOMPARE(CurFont()->font().pointSizeF(), 12.0);

        // The main window re-applies the note font from the settings in ResizeMe: by then
        // the new font must be stored and written.
        QFont applied;
        QMap<QString, QString> onDisk;
        m_Dialog->SetResizeHandler([&] {
            applied = GetEditorFont(*m_Settings);
            onDisk = ReadSection(m_Path);
        });
        Click("cmdDone");
        QCOMPARE(applied.family(), QStringLiteral("DejaVu Sans"));
        QCOMPARE(applied.pointSizeF(), 12.0);
        QVERIFY(applied.bold());
        QVERIFY(applied.underline());
        QVERIFY(!applied.italic());
        QCOMPARE(onDisk.value("FontBold"), QStringLiteral("True"));
        QCOMPARE(onDisk.value("FontSize"), QStringLiteral("12"));
        QCOMPARE(onDisk.value("FontName"), QStringLiteral("DejaVu Sans"));
        QCOMPARE(onDisk.value("FontUnderLine"), QStringLiteral("True"));
        QCOMPARE(onDisk.value("FontItalic"), QStringLiteral("False"));
    }

    void fractionalSizeRoundTrips() {
        QFont chosen(QStringLiteral("DejaVu Sans"));
        chosen.setPointSizeF(9.75);
        m_Services->fontAnswers.enqueue(chosen);
        Open();
        Click("cmdFont");
        Click("cmdDone");
        QCOMPARE(ReadSection(m_Path).value("FontSize"), QStringLiteral("9.75"));
    }

    void cancelledChooserKeepsWorkingFont() {
        WriteFile(m_Path, kStored);
        Open();
        const QString before = CurFont()->text();
        Click("cmdFont"); // no scripted answer: the chooser is cancelled
        QCOMPARE(m_Services->fontDialogs.size(), 1);
        QCOMPARE(CurFont()->text(), before);
        QCOMPARE(m_Dialog->WorkingFont().family(), QStringLiteral("DejaVu Serif"));
        QCOMPARE(m_Dialog->WorkingFont().pointSizeF(), 12.0);
        Click("cmdDone");
        QCOMPARE(ReadSection(m_Path).value("FontName"), QStringLiteral("DejaVu Serif"));
        QCOMPARE(ReadSection(m_Path).value("FontItalic"), QStringLiteral("True"));
    }

    void pixelSizedChoiceKeepsPointSize() {
        QFont chosen(QStringLiteral("DejaVu Sans"));
        chosen.setPixelSize(20);
        m_Services->fontAnswers.enqueue(chosen);
        Open();
        Click("cmdFont");
        QCOMPARE(m_Dialog->WorkingFont().family(), QStringLiteral("DejaVu Sans"));
        QCOMPARE(m_Dialog->WorkingFont().pointSizeF(), 10.0);
        Click("cmdDone");
        QCOMPARE(ReadSection(m_Path).value("FontSize"), QStringLiteral("10"));
    }

    void cancelChangesNothing() {
        WriteFile(m_Path, kStored);
        Open();
        const QByteArray fileBefore = ReadBytes(m_Path);
        QFont chosen(QStringLiteral("DejaVu Sans Mono"));
        chosen.setPointSizeF(20);
        m_Services->fontAnswers.enqueue(chosen);
        Click("cmdFont");
        ClickCheck("chkRightJustify");
        ClickCheck("chkLogErrors");
        ClickCheck("chkDontShowSplashScreen");
        Click("cmdCancel");

        QCOMPARE(m_Dialog->result(), int(QDialog::Rejected));
        QVERIFY(!m_Dialog->isVisible());
        QCOMPARE(ReadBytes(m_Path), fileBefore);
        QVERIFY(m_Calls.isEmpty());
        for (const QString& key : kNineKeys)
            QCOMPARE(m_Settings->GetSetting(key), ReadSection(m_Path).value(key));
        // A later save of the store does not carry anything from the cancelled dialog.
        m_Settings->Save();
        QCOMPARE(ReadSection(m_Path).value("FontName"), QStringLiteral("DejaVu Serif"));
        QCOMPARE(ReadSection(m_Path).value("RightJustify"), QStringLiteral("0"));
    }

    void takesMainWindowIcon() {
        QWidget mainWindow;
        QPixmap pixmap(16, 16);
        pixmap.fill(Qt::red);
        mainWindow.setWindowIcon(QIcon(pixmap));
        m_Settings = std::make_unique<clsSettings>(m_Path);
        frmOptions dialog(*m_Services, *m_Settings, &mainWindow);
        QCOMPARE(dialog.windowIcon().cacheKey(), mainWindow.windowIcon().cacheKey());
    }

private:
    void Open() {
        if (!m_Settings)
            m_Settings = std::make_unique<clsSettings>(m_Path);
        m_Dialog = std::make_unique<frmOptions>(*m_Services, *m_Settings);
        m_Dialog->SetRightJustifyHandler([this](bool right) {
            m_RightJustifyCalls << right;
            m_Calls << QStringLiteral("justify");
        });
        m_Dialog->SetResizeHandler([this] { m_Calls << QStringLiteral("resize"); });
        m_Dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_Dialog.get()));
    }
    QCheckBox* Check(const QString& name) const { return m_Dialog->findChild<QCheckBox*>(name); }
    QLabel* CurFont() const { return m_Dialog->findChild<QLabel*>(QStringLiteral("lblCurFont")); }
    void Click(const QString& name) {
        auto* button = m_Dialog->findChild<QPushButton*>(name);
        QVERIFY2(button && button->isEnabled(), qPrintable(name));
        QTest::mouseClick(button, Qt::LeftButton);
    }
    void ClickCheck(const QString& name) {
        QCheckBox* box = Check(name);
        QVERIFY2(box, qPrintable(name));
        const bool before = box->isChecked();
        // On the indicator, which every style puts at the left.
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
        QCOMPARE(box->isChecked(), !before);
    }

    std::optional<QTemporaryDir> m_Dir;
    QString m_Path;
    std::unique_ptr<FontServices> m_Services;
    std::unique_ptr<clsSettings> m_Settings;
    std::unique_ptr<frmOptions> m_Dialog;
    QList<bool> m_RightJustifyCalls;
    QStringList m_Calls;
};

QTEST_MAIN(tst_frmOptions)
#include "tst_frmOptions.moc"
