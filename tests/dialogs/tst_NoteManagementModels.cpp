// SPDX-License-Identifier: GPL-3.0-or-later
// The find window's search index and the note manager's order model on their own.
#include "dialogs/NoteOrderModel.h"
#include "dialogs/NoteSearchIndex.h"
#include "storage/clsDatabase.h"

#include <QTest>

using namespace quillary;

namespace {

void Fill(clsDatabase& db, const std::vector<std::string>& texts) {
    db.m_NewNoteTitle = [] { return std::string(); };
    db.AddNewDatabase();
    for (size_t i = 0; i < texts.size(); ++i) {
        db.AddNewRecord(int(i));
        db.GetRecordObject(int(i))->SetText(texts[i]);
    }
}

QStringList Texts(const NoteOrderModel& model) {
    QStringList texts;
    for (const auto& e : model.Entries())
        texts << e.text.trimmed();
    return texts;
}

} // namespace

class tst_NoteManagementModels : public QObject {
    Q_OBJECT

private slots:
    void foldsWindows1252Letters_data() {
        QTest::addColumn<int>("byte");
        QTest::addColumn<int>("upper");
        QTest::newRow("a") << 0x61 << 0x41;
        QTest::newRow("z") << 0x7A << 0x5A;
        QTest::newRow("A stays") << 0x41 << 0x41;
        QTest::newRow("e acute") << 0xE9 << 0xC9;
        QTest::newRow("a umlaut") << 0xE4 << 0xC4;
        QTest::newRow("thorn") << 0xFE << 0xDE;
        QTest::newRow("oe ligature") << 0x9C << 0x8C;
        QTest::newRow("s caron") << 0x9A << 0x8A;
        QTest::newRow("z caron") << 0x9E << 0x8E;
        QTest::newRow("y umlaut") << 0xFF << 0x9F;
        QTest::newRow("sharp s stays") << 0xDF << 0xDF;
        QTest::newRow("micro stays") << 0xB5 << 0xB5;
        QTest::newRow("division stays") << 0xF7 << 0xF7;
        QTest::newRow("undefined byte stays") << 0x81 << 0x81;
        QTest::newRow("digit stays") << 0x37 << 0x37;
    }
    void foldsWindows1252Letters() {
        QFETCH(int, byte);
        QFETCH(int, upper);
        QCOMPARE(int(NoteSearchIndex::Fold(static_cast<unsigned char>(byte))), upper);
    }

    void foldedCopiesFollowEdits() {
        clsDatabase db;
        Fill(db, {"alpha", "beta", "Gamma ray"});
        NoteSearchIndex index;
        QCOMPARE(index.Find(db, "A", false), (std::vector<int>{0, 1, 2}));
        QCOMPARE(index.Find(db, "GAMMA RAY", false), (std::vector<int>{2}));
        QVERIFY(!index.Changed(db));
        db.GetRecordObject(1)->SetText("gamma ray burst");
        QVERIFY(index.Changed(db));
        QCOMPARE(index.Find(db, "GAMMA RAY", false), (std::vector<int>{1, 2}));
        QCOMPARE(index.Find(db, "gamma ray", true), (std::vector<int>{1}));
        QVERIFY(!index.Changed(db));
        db.DeleteRecord(0);
        QVERIFY(index.Changed(db));
        QCOMPARE(index.Find(db, "", false), (std::vector<int>{0, 1}));
        // Long patterns take another search path.
        QCOMPARE(index.Find(db, "AMMA RAY BURST", false), (std::vector<int>{0}));
        QCOMPARE(index.Find(db, "amma ray burst!", false), (std::vector<int>{}));
    }

    void orderTextAndDropPositions_data() {
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<int>("before");
        QTest::addColumn<QStringList>("order");
        QTest::addColumn<bool>("changed");
        QTest::newRow("to the top")
            << QList<int>{2, 3} << 0 << QStringList{"C", "D", "A", "B", "E"} << true;
        QTest::newRow("to the end")
            << QList<int>{0, 2} << 5 << QStringList{"B", "D", "E", "A", "C"} << true;
        QTest::newRow("onto itself")
            << QList<int>{1, 2} << 2 << QStringList{"A", "B", "C", "D", "E"} << false;
        QTest::newRow("right after itself")
            << QList<int>{1, 2} << 3 << QStringList{"A", "B", "C", "D", "E"} << false;
        QTest::newRow("past the end")
            << QList<int>{0} << 99 << QStringList{"B", "C", "D", "E", "A"} << true;
        QTest::newRow("nothing selected")
            << QList<int>{} << 0 << QStringList{"A", "B", "C", "D", "E"} << false;
    }
    void orderTextAndDropPositions() {
        QFETCH(QList<int>, selected);
        QFETCH(int, before);
        QFETCH(QStringList, order);
        QFETCH(bool, changed);
        NoteOrderModel model;
        model.SetFirstLines({"A", "B", "C", "D", "E"});
        NoteOrderModel::Flags flags(5, 0);
        for (int r : selected)
            flags[size_t(r)] = 1;
        QCOMPARE(model.MoveSelectedTo(flags, before), changed);
        QCOMPARE(Texts(model), order);
        // The flags moved with their entries.
        for (int r = 0; r < 5; ++r) {
            const int original = model.Entries()[size_t(r)].record;
            QCOMPARE(bool(flags[size_t(r)]), selected.contains(original));
        }
        QStringList numbers;
        for (const QString& t : order)
            numbers << QString::number(t.at(0).unicode() - 'A');
        QCOMPARE(QString::fromStdString(model.OrderText()), numbers.join(','));
        QCOMPARE(model.IsIdentity(), !changed);
        model.RenumberRecords();
        QVERIFY(model.IsIdentity());
        QCOMPARE(Texts(model), order);
    }
};

QTEST_MAIN(tst_NoteManagementModels)
#include "tst_NoteManagementModels.moc"
