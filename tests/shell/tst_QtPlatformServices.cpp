// SPDX-License-Identifier: GPL-3.0-or-later
// The real desktop's dialogs, answered by a person's keystrokes while they are up.
#include "shell/QtPlatformServices.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace quillary;

class tst_QtPlatformServices : public QObject {
    Q_OBJECT

private slots:
    // An archive goes into "an empty (or new) folder": the folder chooser takes the name
    // of a folder not made yet, as long as the folder it would go into exists.
    void folderChooserTakesANewFolderName_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("chosen"); // relative to the start folder; "" refused
        QTest::newRow("new folder") << "fresh"
                                    << "fresh";
        QTest::newRow("inside a folder that is not there") << "missing/fresh"
                                                           << "";
    }
    void folderChooserTakesANewFolderName() {
        QFETCH(QString, typed);
        QFETCH(QString, chosen);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        bool typedIn = false;
        bool refused = false; // said "not found", or kept its button greyed out
        int waited = 0;
        QTimer person;
        person.setInterval(20);
        connect(&person, &QTimer::timeout, this, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                refused = true;
                box->reject();
            } else if (auto* chooser = qobject_cast<QFileDialog*>(modal)) {
                if (refused) {
                    chooser->reject();
                } else if (typedIn && ++waited > 25) { // half a second: Return did nothing
                    refused = true;
                    chooser->reject();
                } else if (!typedIn) {
                    typedIn = true;
                    auto* name = chooser->findChild<QLineEdit*>("fileNameEdit");
                    QVERIFY(name);
                    // Typed from a call of its own: a message box Return brings up runs its
                    // loop there, and this timer must stay free to answer it.
                    QTimer::singleShot(0, name, [name, typed] {
                        name->setFocus();
                        QTest::keyClicks(name, typed);
                        QTest::keyClick(name, Qt::Key_Return);
                    });
                }
            }
        });
        person.start();
        QtPlatformServices services;
        const QString answer =
            services.chooseFolder("Select an empty folder for the archive:", dir.path());
        person.stop();
        QVERIFY(typedIn);
        if (chosen.isEmpty()) {
            QVERIFY(refused);
            QCOMPARE(answer, QString());
        } else {
            QVERIFY2(!refused, "the chooser refused the new name");
            QCOMPARE(QFileInfo(answer).absoluteFilePath(),
                     QFileInfo(QDir(dir.path()).filePath(chosen)).absoluteFilePath());
            QVERIFY(!QFileInfo::exists(answer)); // made by whoever writes there
        }
    }

    // The font chooser opened at a stored font and closed with OK as it opened gives back
    // the stored font: the same slant and weight (not the face's first style, which is
    // oblique for some faces), and a face that is not installed stays the stored one.
    void fontChooserRoundTrip_data() {
        QTest::addColumn<QString>("family");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<bool>("italic");
        QTest::newRow("DejaVu Sans") << "DejaVu Sans" << false << false;
        QTest::newRow("DejaVu Sans bold") << "DejaVu Sans" << true << false;
        QTest::newRow("DejaVu Sans italic") << "DejaVu Sans" << false << true;
        QTest::newRow("DejaVu Sans bold italic") << "DejaVu Sans" << true << true;
        QTest::newRow("DejaVu Serif") << "DejaVu Serif" << false << false;
        QTest::newRow("a face not installed") << "No Such Face Sans" << false << false;
        QTest::newRow("a face not installed, bold") << "No Such Face Sans" << true << false;
    }
    void fontChooserRoundTrip() {
        QFETCH(QString, family);
        QFETCH(bool, bold);
        QFETCH(bool, italic);
        if (family.startsWith(QLatin1String("DejaVu")) &&
            !QFontDatabase::families().contains(family))
            QSKIP("the DejaVu fonts are not installed");
        QFont stored(family);
        stored.setPointSizeF(10);
        stored.setBold(bold);
        stored.setItalic(italic);

        // The dialog as the chooser sets it up, read without showing it.
        const QFont start = QtPlatformServices::FontDialogStart(stored);
        QFontDialog dialog;
        dialog.setOption(QFontDialog::DontUseNativeDialog);
        dialog.setCurrentFont(start);
        const QFont shown = dialog.currentFont();
        QCOMPARE(shown.italic(), italic);
        QCOMPARE(shown.bold(), bold);
        QCOMPARE(shown.family(), QFontInfo(stored).family());
        const QFont answer = QtPlatformServices::FontDialogAnswer(stored, start, shown);
        QCOMPARE(answer.family(), family);
        QCOMPARE(answer.italic(), italic);
        QCOMPARE(answer.bold(), bold);
        QCOMPARE(answer.pointSizeF(), 10.0);

        // The whole way, through the real chooser closed with OK.
        QTimer person;
        person.setInterval(20);
        bool answered = false;
        connect(&person, &QTimer::timeout, this, [&] {
            if (auto* chooser = qobject_cast<QFontDialog*>(QApplication::activeModalWidget())) {
                answered = true;
                chooser->accept();
            }
        });
        person.start();
        QtPlatformServices services;
        const std::optional<QFont> chosen = services.chooseFont(stored, QStringLiteral("Font"));
        person.stop();
        QVERIFY(answered);
        QVERIFY(chosen);
        QCOMPARE(chosen->family(), family);
        QCOMPARE(chosen->italic(), italic);
        QCOMPARE(chosen->bold(), bold);
    }

    // Page Setup's Printer button: a setup dialog whose buttons say what they do, with the
    // printer, the paper and the orientation; OK sets them on the printer, Cancel does not.
    void printerSetupDialog_data() {
        QTest::addColumn<bool>("ok");
        QTest::newRow("OK") << true;
        QTest::newRow("Cancel") << false;
    }
    void printerSetupDialog() {
        QFETCH(bool, ok);
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setPageOrientation(QPageLayout::Portrait);
        QString title;
        QStringList buttons;
        QStringList printers;
        bool answered = false;
        QTimer person;
        person.setInterval(20);
        connect(&person, &QTimer::timeout, this, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || answered)
                return;
            answered = true;
            title = modal->windowTitle();
            for (QAbstractButton* b : modal->findChildren<QAbstractButton*>())
                if (qobject_cast<QPushButton*>(b))
                    buttons << b->text().remove(QLatin1Char('&'));
            auto* printerList = modal->findChild<QComboBox*>(QStringLiteral("cmbPrinter"));
            auto* paper = modal->findChild<QComboBox*>(QStringLiteral("cmbPaper"));
            auto* landscape = modal->findChild<QRadioButton*>(QStringLiteral("optLandscape"));
            if (!printerList || !paper || !landscape) {
                modal->close();
                return;
            }
            for (int i = 0; i < printerList->count(); ++i)
                printers << printerList->itemText(i);
            QCOMPARE(paper->currentText(), QPageSize(QPageSize::A4).name());
            paper->setCurrentIndex(paper->findText(QPageSize(QPageSize::Letter).name()));
            QTest::mouseClick(landscape, Qt::LeftButton);
            QTest::keyClick(modal, ok ? Qt::Key_Return : Qt::Key_Escape);
        });
        person.start();
        QtPlatformServices services;
        const bool accepted = services.printerSetup(&printer);
        person.stop();
        QVERIFY(answered);
        QCOMPARE(title, QStringLiteral("Printer Setup"));
        buttons.sort();
        QCOMPARE(buttons, (QStringList{"Cancel", "OK"}));
        // Every installed printer can be chosen (or the PDF file with none).
        for (const QString& name : QPrinterInfo::availablePrinterNames())
            QVERIFY(printers.contains(name));
        QVERIFY(!printers.isEmpty());
        QCOMPARE(accepted, ok);
        QCOMPARE(printer.pageLayout().pageSize().id(), ok ? QPageSize::Letter : QPageSize::A4);
        QCOMPARE(printer.pageLayout().orientation(),
                 ok ? QPageLayout::Landscape : QPageLayout::Portrait);
    }
};

QTEST_MAIN(tst_QtPlatformServices)
#include "tst_QtPlatformServices.moc"
