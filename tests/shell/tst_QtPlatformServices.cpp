// SPDX-License-Identifier: GPL-3.0-or-later
// The real desktop's dialogs, answered by a person's keystrokes while they are up.
#include "shell/QtPlatformServices.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
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
};

QTEST_MAIN(tst_QtPlatformServices)
#include "tst_QtPlatformServices.moc"
