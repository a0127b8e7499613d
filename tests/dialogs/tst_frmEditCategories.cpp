// SPDX-License-Identifier: GPL-3.0-or-later
// The categories editor, opened through the main window's commands.
#include "NoteWindowsTestKit.h"

#include "dialogs/frmEditCategories.h"
#include "core/TextCodec.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>

using namespace quillary;
using namespace quillary::test;

namespace {

QListWidget* List(QDialog& d) {
    return d.findChild<QListWidget*>("lstCategories");
}
QLineEdit* NameBox(QDialog& d) {
    return d.findChild<QLineEdit*>("txtCatName");
}
QPushButton* Button(QDialog& d, const char* name) {
    return d.findChild<QPushButton*>(name);
}

QStringList Entries(QDialog& d) {
    QStringList texts;
    for (int r = 0; r < List(d)->count(); ++r)
        texts << List(d)->item(r)->text();
    return texts;
}

QList<int> EntryIndexes(QDialog& d) {
    QList<int> indexes;
    for (int r = 0; r < List(d)->count(); ++r)
        indexes << List(d)->item(r)->data(Qt::UserRole).toInt();
    return indexes;
}

// Replaces the whole name as typing over a selected name does.
void TypeName(QDialog& d, const QString& text) {
    QLineEdit* box = NameBox(d);
    QTest::mouseClick(box, Qt::LeftButton);
    box->selectAll();
    QTest::keyClicks(box, text);
}

// Opens the editor through the Record menu and runs `script` in it, then OK.
void Edit(MainWindowFixture& f, const std::function<void(QDialog&)>& script) {
    bool ran = false;
    f.services.dialogScripts.enqueue([&](QDialog& d) {
        QCOMPARE(d.windowTitle(), QString("Edit Categories"));
        script(d);
        ran = true;
        ClickButton(Button(d, "cmdDone"));
        QVERIFY(!d.isVisible());
    });
    Trigger(f.Window(), "mnuEditCategories");
    QVERIFY(ran);
}

} // namespace

class tst_frmEditCategories : public QObject {
    Q_OBJECT

private slots:
    void listsUserCategoriesAndAddsNumberedNames() {
        MainWindowFixture f;
        frmMain& w = StartWithNotes(f, Notes({"one"}));
        Edit(f, [&](QDialog& d) {
            QCOMPARE(Entries(d), QStringList({"Business", "Personal"}));
            QCOMPARE(EntryIndexes(d), QList<int>({1, 2}));
            QCOMPARE(List(d)->currentRow(), 0);
            QCOMPARE(NameBox(d)->text(), QString("Business"));

            ClickButton(Button(d, "cmdAdd"));
            QCOMPARE(Entries(d), QStringList({"Business", "Personal", "NewCategory"}));
            QCOMPARE(EntryIndexes(d).last(), 3);
            QCOMPARE(List(d)->currentRow(), 2);
            QCOMPARE(NameBox(d)->text(), QString("NewCategory"));
            QCOMPARE(NameBox(d)->selectedText(), QString("NewCategory")); // ready to overwrite
            ClickButton(Button(d, "cmdAdd"));
            QCOMPARE(Entries(d).last(), QString("NewCategory1"));
            QCOMPARE(EntryIndexes(d).last(), 4);

            // Typing over the selected name renames with every keystroke.
            QTest::keyClicks(NameBox(d), "Trav");
            QCOMPARE(f.Database().GetCategoryLabel(4), std::string("Trav"));
            QTest::keyClicks(NameBox(d), "el");
            QCOMPARE(Entries(d).last(), QString("Travel"));
        });
        QCOMPARE(Labels(f.Database()), std::vector<std::string>({"Unfiled", "Business", "Personal",
                                                                 "NewCategory", "Travel"}));
        // Adding and renaming are unsaved changes of the database.
        QCOMPARE(w.windowTitle().section(" - ", 0, 0), QString("Quillary*"));
    }

    void takenNamesAreNeverPassedThrough_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("atOnce"); // pasted whole instead of typed key by key
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("stored");
        QTest::newRow("another category, pasted") << "Business" << true << "Personal"
                                                  << "Personal";
        QTest::newRow("another category, typed") << "Business" << false << "Busines"
                                                 << "Busines";
        QTest::newRow("Unfiled") << "Unfiled" << true << "Personal"
                                 << "Personal";
        QTest::newRow("case differs") << "business" << true << "business"
                                      << "business";
        QTest::newRow("long name kept in full in the list")
            << "Holidays in the South" << false << "Holidays in the South"
            << "Holidays in the";
        QTest::newRow("first 15 characters taken") << "Business trips abroad" << true << "Personal"
                                                   << "Personal";
    }
    void takenNamesAreNeverPassedThrough() {
        QFETCH(QString, typed);
        QFETCH(bool, atOnce);
        QFETCH(QString, shown);
        QFETCH(QString, stored);
        MainWindowFixture f;
        StartWithNotes(f, Notes({"one"}), {"Business trips "});
        Edit(f, [&](QDialog& d) {
            ClickRow(List(d), 1); // Personal
            QCOMPARE(NameBox(d)->text(), QString("Personal"));
            if (atOnce) {
                QApplication::clipboard()->setText(typed);
                NameBox(d)->setFocus();
                NameBox(d)->selectAll();
                NameBox(d)->paste();
            } else {
                TypeName(d, typed);
            }
            QCOMPARE(NameBox(d)->text(), shown);
            QCOMPARE(List(d)->item(1)->text(), shown);
            QCOMPARE(QString::fromStdString(f.Database().GetCategoryLabel(2)), stored);
        });
        QCOMPARE(f.Database().GetCategoryLabel(1), std::string("Business"));
    }

    // A character the handheld cannot hold is left out with a word, as in every box whose
    // text is stored; the rest of the name is kept.
    void unstorableCharactersAreLeftOutAndNamed_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("atOnce");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("named");
        QTest::newRow("typed") << QString::fromUtf8("Zx漢y😀z") << false << "Zxyz"
                               << QString::fromUtf8("😀 (U+1F600)");
        QTest::newRow("pasted") << QString::fromUtf8("Caf€中") << true << QString::fromUtf8("Caf€")
                                << QString::fromUtf8("中 (U+4E2D)");
    }
    void unstorableCharactersAreLeftOutAndNamed() {
        QFETCH(QString, typed);
        QFETCH(bool, atOnce);
        QFETCH(QString, shown);
        QFETCH(QString, named);
        MainWindowFixture f;
        StartWithNotes(f, Notes({"one"}));
        Edit(f, [&](QDialog& d) {
            auto* found = qobject_cast<frmEditCategories*>(&d);
            QVERIFY(found);
            frmEditCategories& editor = *found;
            ClickRow(List(d), 1); // Personal
            QLineEdit* box = NameBox(d);
            QTest::mouseClick(box, Qt::LeftButton);
            box->selectAll();
            QVERIFY(editor.Message().isEmpty());
            if (atOnce) {
                QApplication::clipboard()->setText(typed);
                box->paste();
            } else {
                TypeCharacters(box, typed);
            }
            QCOMPARE(box->text(), shown);
            QCOMPARE(List(d)->item(1)->text(), shown);
            QCOMPARE(editor.Message(), QStringLiteral("The character ") + named +
                                           QStringLiteral(" cannot be stored on the handheld "
                                                          "and was left out."));
            QVERIFY(d.findChild<QLabel*>("lblMessage")->isVisible());
            // The word is about this name; another category starts without it.
            ClickRow(List(d), 0);
            QVERIFY(editor.Message().isEmpty());
        });
        QCOMPARE(f.Database().GetCategoryLabel(2), ToCp1252(shown));
    }

    void clearingTheNameKeepsTheCategory() {
        MainWindowFixture f;
        StartWithNotes(f, Notes({"one"}));
        Edit(f, [&](QDialog& d) {
            QLineEdit* box = NameBox(d);
            QTest::mouseClick(box, Qt::LeftButton);
            box->selectAll();
            QTest::keyClick(box, Qt::Key_Backspace);
            QCOMPARE(box->text(), QString());
            // An empty label would end the table and drop Personal with it.
            QCOMPARE(Labels(f.Database()),
                     std::vector<std::string>({"Unfiled", "Business", "Personal"}));
            QTest::keyClicks(box, "  ");
            QCOMPARE(Labels(f.Database()).size(), size_t(3));
            QTest::keyClicks(box, "Work");
            QCOMPARE(f.Database().GetCategoryLabel(1), std::string("Work"));
        });
    }

    void removingACategoryWithNotesAsksFirst() {
        MainWindowFixture f;
        frmMain& w = StartWithNotes(f, {{"b", 1}, {"p", 2}, {"t", 3}, {"u", 0}}, {"Travel"});
        Edit(f, [&](QDialog& d) {
            QCOMPARE(List(d)->currentRow(), 0); // Business
            f.services.messageAnswers << MsgResult::No;
            ClickButton(Button(d, "cmdRemove"));
            QCOMPARE(f.services.messages.size(), 1);
            const auto& asked = f.services.messages.last();
            QCOMPARE(asked.text,
                     QString("Deleting this category will cause 1 or more notes to be "
                             "moved to unfiled.\rDo you wish to delete this category?"));
            QCOMPARE(asked.title, QString("Quillary"));
            QCOMPARE(asked.buttons, MsgButtons::YesNo);
            QCOMPARE(asked.icon, MsgIcon::Exclamation);
            QCOMPARE(Entries(d), QStringList({"Business", "Personal", "Travel"}));
            QCOMPARE(f.Database().GetCategoryIndex(0), 1);

            f.services.messageAnswers << MsgResult::Yes;
            ClickButton(Button(d, "cmdRemove"));
            QCOMPARE(Entries(d), QStringList({"Personal", "Travel"}));
            QCOMPARE(EntryIndexes(d), QList<int>({1, 2}));
            QCOMPARE(List(d)->currentRow(), 0);
            QCOMPARE(NameBox(d)->text(), QString("Personal"));
            QCOMPARE(f.Database().GetCategoryIndex(0), 0);
            QCOMPARE(f.Database().GetCategoryIndex(1), 1);
            QCOMPARE(f.Database().GetCategoryIndex(2), 2);

            // Travel now has index 2: renaming its entry renames that category.
            ClickRow(List(d), 1);
            TypeName(d, "Trips");
            QCOMPARE(Labels(f.Database()),
                     std::vector<std::string>({"Unfiled", "Personal", "Trips"}));
        });
        QCOMPARE(w.windowTitle().section(" - ", 0, 0), QString("Quillary*"));
        QCOMPARE(w.StatusPanelTexts().at(0), QString("Unfiled")); // note "b" is shown
    }

    void removingAnUnusedCategoryAsksNothing() {
        MainWindowFixture f;
        frmMain& w = StartWithNotes(f, {{"p", 2}});
        Edit(f, [&](QDialog& d) {
            ClickButton(Button(d, "cmdRemove")); // Business: no notes
            QCOMPARE(f.services.messages.size(), 0);
            QCOMPARE(Entries(d), QStringList({"Personal"}));
            // The last entry removed: the one before it is selected; then none is left.
            f.services.messageAnswers << MsgResult::Yes;
            ClickButton(Button(d, "cmdRemove"));
            QCOMPARE(List(d)->count(), 0);
            QVERIFY(!NameBox(d)->isEnabled());
            ClickButton(Button(d, "cmdRemove")); // nothing selected: nothing happens
            QCOMPARE(f.services.messages.size(), 1);
        });
        QCOMPARE(Labels(f.Database()), std::vector<std::string>({"Unfiled"}));
        QCOMPARE(f.Database().GetCategoryIndex(0), 0);
        QCOMPARE(w.windowTitle().section(" - ", 0, 0), QString("Quillary*"));
    }

    void fifteenCategoriesAtMost() {
        MainWindowFixture f;
        std::vector<std::string> extra;
        for (int i = 3; i <= 15; ++i)
            extra.push_back("Cat" + std::to_string(i));
        frmMain& w = StartWithNotes(f, Notes({"one"}), extra);
        Edit(f, [&](QDialog& d) {
            QCOMPARE(List(d)->count(), 15);
            ClickButton(Button(d, "cmdAdd"));
            QCOMPARE(f.services.messages.size(), 1);
            QCOMPARE(f.services.messages.last().text,
                     QString("Category not added - you can only have 15 categories."));
            QCOMPARE(f.services.messages.last().title, QString("Quillary"));
            QCOMPARE(f.services.messages.last().buttons, MsgButtons::Ok);
            QCOMPARE(List(d)->count(), 15);
        });
        QCOMPARE(Labels(f.Database()).size(), size_t(16));
        QCOMPARE(w.windowTitle().section(" - ", 0, 0), QString("Quillary"));
    }

    void theNoteBeingEditedSurvivesTheEditor() {
        MainWindowFixture f;
        frmMain& w = StartWithNotes(f, Notes({"first", "second"}));
        w.NextNote();
        QTest::keyClicks(w.TextEditor(), " typed just now");
        Edit(f, [&](QDialog& d) { TypeName(d, "Work"); });
        QCOMPARE(w.CurrentNoteIndex(), 1);
        QCOMPARE(w.TextEditor()->toPlainText(), QString("second typed just now"));
        QCOMPARE(f.Database().GetRecordObject(1)->RawText(), std::string("second typed just now"));
    }

    void statusBarMenuOpensTheEditor() {
        MainWindowFixture f;
        frmMain& w = StartWithNotes(f, {{"b", 1}});
        auto* panel = w.statusBar()->findChild<QLabel*>("pnlCategory");
        QCOMPARE(panel->text(), QString("Business"));
        f.services.popupAnswers << 5; // "Edit Categories..."
        f.services.dialogScripts.enqueue([&](QDialog& d) {
            TypeName(d, "Office");
            ClickButton(Button(d, "cmdDone"));
        });
        QTest::mouseClick(panel, Qt::LeftButton);
        QCOMPARE(f.services.dialogsShown, QStringList({"frmEditCategories"}));
        QCOMPARE(panel->text(), QString("Office")); // the status follows the new name
        QVERIFY(f.services.messageTexts().filter("not available").isEmpty());
    }
};

QTEST_MAIN(tst_frmEditCategories)
#include "tst_frmEditCategories.moc"
