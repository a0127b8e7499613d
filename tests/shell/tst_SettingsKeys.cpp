// SPDX-License-Identifier: GPL-3.0-or-later
// The table of settings keys: every key has its own text, keeps its value through a save
// and a fresh reading, and reads as its default when the file does not hold it.
#include "core/SettingsKeys.h"
#include "SettingsFileTest.h"
#include "core/clsSettings.h"
#include "storage/VersionStore.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using quillary::clsSettings;
using quillary::Config;
using quillary::SettingKey;
using quillary::SettingKeys;
using quillary::SettingType;

Q_DECLARE_METATYPE(Config)

namespace {

// A value of the key's type that differs from its default, as the typed setter writes it
// into the file.
QString SampleFor(const SettingKey& row) {
    switch (row.type) {
    case SettingType::Text:
        return {QStringLiteral("x%1 \u00e9 y").arg(int(row.key))};
    case SettingType::WholeNumber:
        return {QString::number(1000 + int(row.key))};
    case SettingType::Decimal:
        return {QStringLiteral("%1.25").arg(int(row.key))};
    case SettingType::OnOff:
        return {QString::fromLatin1(row.fallback) == QLatin1String("1") ? QStringLiteral("0")
                                                                        : QStringLiteral("1")};
    case SettingType::TrueFalse:
        return {QString::fromLatin1(row.fallback) == QLatin1String("True")
                    ? QStringLiteral("False")
                    : QStringLiteral("True")};
    }
    return {};
}

} // namespace

class tst_SettingsKeys : public SettingsFileTest {
    Q_OBJECT


    static void addKeyRows() {
        QTest::addColumn<Config>("key");
        for (const SettingKey& row : SettingKeys())
            QTest::newRow(row.name) << row.key;
    }

private slots:
    void init() { QFile::remove(path()); }

    // Lookup ignores letter case, so two keys differing only in case would be one key.
    void keyTextsAreUniqueAndStorable() {
        QSet<QString> seen;
        QStringList names;
        for (const SettingKey& row : SettingKeys())
            names << QString::fromLatin1(row.name);
        for (int entry = 0; entry < quillary::kRecentFileCount; ++entry)
            names << quillary::RecentFileKey(entry);
        for (const QString& name : names) {
            QVERIFY2(!seen.contains(name.toUpper()), qPrintable(name));
            seen.insert(name.toUpper());
            QVERIFY2(!name.isEmpty() && name == name.trimmed() && !name.contains('=') &&
                         !name.startsWith('[') && !name.startsWith(';') && !name.contains('\n') &&
                         !name.contains('\r'),
                     qPrintable(name));
        }
        int index = 0;
        for (const SettingKey& row : SettingKeys())
            QCOMPARE(int(row.key), index++);
    }

    void everyKeyRoundTrips_data() { addKeyRows(); }
    void everyKeyRoundTrips() {
        QFETCH(Config, key);
        const SettingKey& row = quillary::KeyInfo(key);
        const QString sample = SampleFor(row);
        {
            clsSettings s(path());
            switch (row.type) {
            case SettingType::WholeNumber:
                QVERIFY(s.SetInt(key, sample.toLongLong()));
                break;
            case SettingType::OnOff:
            case SettingType::TrueFalse:
                QVERIFY(s.SetFlag(key, !s.GetFlag(key)));
                break;
            default:
                QVERIFY(s.Set(key, sample));
            }
            s.Save();
        }
        QVERIFY2(fileText().contains(QString::fromLatin1(row.name) + '=' + sample + '\n'),
                 qPrintable(fileText()));
        clsSettings again(path());
        QCOMPARE(again.Get(key), sample);
        switch (row.type) {
        case SettingType::WholeNumber:
            QCOMPARE(again.GetInt(key), sample.toInt());
            break;
        case SettingType::Decimal:
            QCOMPARE(again.GetReal(key), sample.toDouble());
            break;
        case SettingType::OnOff:
            QCOMPARE(again.GetFlag(key), sample == QLatin1String("1"));
            break;
        case SettingType::TrueFalse:
            QCOMPARE(again.GetFlag(key), sample == QLatin1String("True"));
            break;
        case SettingType::Text:
            break;
        }
    }

    void recentFilesRoundTrip() {
        {
            clsSettings s(path());
            for (int entry = 0; entry < quillary::kRecentFileCount; ++entry)
                s.SetSetting(quillary::RecentFileKey(entry),
                             QStringLiteral("/n/%1.pdb").arg(entry));
            s.Save();
        }
        QVERIFY(fileText().contains("Recent File0=/n/0.pdb\n"));
        QVERIFY(fileText().contains("Recent File3=/n/3.pdb\n"));
        clsSettings again(path());
        QCOMPARE(again.GetSetting(quillary::RecentFileKey(2)), QString("/n/2.pdb"));
    }

    // Absent and present-but-empty both read as the default, and reading leaves "key=" in
    // the file as any reading does.
    void missingOrEmptyKeyReadsAsDefault_data() {
        QTest::addColumn<Config>("key");
        QTest::addColumn<bool>("presentEmpty");
        for (const SettingKey& row : SettingKeys()) {
            QTest::addRow("%s absent", row.name) << row.key << false;
            QTest::addRow("%s empty", row.name) << row.key << true;
        }
    }
    void missingOrEmptyKeyReadsAsDefault() {
        QFETCH(Config, key);
        QFETCH(bool, presentEmpty);
        const SettingKey& row = quillary::KeyInfo(key);
        const QString name = QString::fromLatin1(row.name);
        const QString fallback = QString::fromLatin1(row.fallback);
        if (presentEmpty)
            writeFile("[Quillary Settings]\n" + name.toLatin1() + "=\n");
        clsSettings s(path());
        QCOMPARE(s.Get(key), fallback);
        QVERIFY(!s.HasValue(key));
        switch (row.type) {
        case SettingType::WholeNumber: {
            bool ok = false;
            QCOMPARE(s.GetInt(key), fallback.toInt(&ok));
            QVERIFY2(ok, "a whole-number default is a whole number");
            break;
        }
        case SettingType::Decimal: {
            bool ok = false;
            QCOMPARE(s.GetReal(key), fallback.toDouble(&ok));
            QVERIFY2(ok, "a decimal default is a number");
            break;
        }
        case SettingType::OnOff:
            QVERIFY(fallback == QLatin1String("0") || fallback == QLatin1String("1"));
            QCOMPARE(s.GetFlag(key), fallback == QLatin1String("1"));
            break;
        case SettingType::TrueFalse:
            QVERIFY(fallback == QLatin1String("True") || fallback == QLatin1String("False"));
            QCOMPARE(s.GetFlag(key), fallback == QLatin1String("True"));
            break;
        case SettingType::Text:
            break;
        }
        QCOMPARE(fileText(), "[Quillary Settings]\n" + name + "=\n");
    }

    // The stored text of each type as the program understands it.
    void valuesReadByType_data() {
        QTest::addColumn<Config>("key");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QVariant>("expected");
        const Config onOff = Config::FindDisableAutoFind;
        QTest::newRow("on/off 1") << onOff << "1" << QVariant(true);
        QTest::newRow("on/off 0") << onOff << "0" << QVariant(false);
        QTest::newRow("on/off 0.7 rounds up") << onOff << "0.7" << QVariant(true);
        QTest::newRow("on/off 0.4 rounds down") << onOff << "0.4" << QVariant(false);
        QTest::newRow("on/off 2") << onOff << "2" << QVariant(true);
        QTest::newRow("on/off leading number") << onOff << "1abc" << QVariant(true);
        QTest::newRow("on/off word") << onOff << "yes" << QVariant(false);
        const Config shown = Config::ShowMainToolbar; // default True
        QTest::newRow("true/false False") << shown << "False" << QVariant(false);
        QTest::newRow("true/false any case") << shown << "fALSE" << QVariant(false);
        QTest::newRow("true/false number") << shown << "0" << QVariant(false);
        QTest::newRow("true/false -1") << shown << "-1" << QVariant(true);
        QTest::newRow("true/false unknown word keeps default")
            << shown << "maybe" << QVariant(true);
        const Config whole = Config::DefaultRecordIndex;
        QTest::newRow("whole 12abc") << whole << "12abc" << QVariant(12);
        QTest::newRow("whole rounds 2.6") << whole << "2.6" << QVariant(3);
        QTest::newRow("whole half to even 2.5") << whole << "2.5" << QVariant(2);
        QTest::newRow("whole negative") << whole << "-7" << QVariant(-7);
        QTest::newRow("whole kept in 32 bits") << whole << "99999999999" << QVariant(2147483647);
        QTest::newRow("whole junk is 0") << whole << "x" << QVariant(0);
        QTest::newRow("whole junk is 0, not the default")
            << Config::PrintNotesHigh << "x" << QVariant(0);
        const Config decimal = Config::PrintTopMargin;
        QTest::newRow("decimal leading number") << decimal << "0.75in" << QVariant(0.75);
        QTest::newRow("decimal exponent") << decimal << "1e1" << QVariant(10.0);
        QTest::newRow("decimal junk") << decimal << "in" << QVariant(0.0);
    }
    void valuesReadByType() {
        QFETCH(Config, key);
        QFETCH(QString, stored);
        QFETCH(QVariant, expected);
        writeFile("[Quillary Settings]\n" + quillary::KeyName(key).toUtf8() + '=' +
                  stored.toUtf8() + '\n');
        clsSettings s(path());
        switch (expected.typeId()) {
        case QMetaType::Bool:
            QCOMPARE(s.GetFlag(key), expected.toBool());
            break;
        case QMetaType::Int:
            QCOMPARE(s.GetInt(key), expected.toInt());
            break;
        default:
            QCOMPARE(s.GetReal(key), expected.toDouble());
        }
        QCOMPARE(s.Get(key), stored);
    }

    void flagsAreWrittenInTheirTypesForm() {
        clsSettings s(path());
        s.SetFlag(Config::LogErrors, true);
        s.SetFlag(Config::FontBold, true);
        s.SetFlag(Config::ImportNewDB, false);
        s.SetFlag(Config::PrintFontItalic, false);
        s.Save();
        QCOMPARE(fileText(), QString("[Quillary Settings]\nLog Errors=1\nFontBold=True\n"
                                     "ImportNewDB=0\nPrintFontItalic=False\n"));
    }

    // The start-up seeding writes the same file as ever: the keys in the same order.
    void seedingWritesTheSameFile() {
        clsSettings s(path());
        quillary::SeedStartupSettings(s);
        s.Save();
        QCOMPARE(fileText(), QString("[Quillary Settings]\n"
                                     "PrintNotesSelectedString=0\n"
                                     "PrintTopMargin=1\n"
                                     "PrintLeftMargin=1\n"
                                     "PrintRightMargin=1\n"
                                     "PrintBottomMargin=1\n"
                                     "PrintBitmapSizePercent=50\n"
                                     "PrintHeaderLeftOption=1\n"
                                     "PrintHeaderCenterOption=0\n"
                                     "PrintHeaderRightOption=4\n"
                                     "PrintFooterLeftOption=0\n"
                                     "PrintFooterCenterOption=6\n"
                                     "PrintFooterRightOption=0\n"));
    }

    // The README's table of keys stays in step with this one.
    void readmeListsEveryKey() {
        const QString source = qEnvironmentVariable("QUILLARY_SOURCE_DIR");
        if (source.isEmpty())
            QSKIP("QUILLARY_SOURCE_DIR is not set (ctest sets it)");
        QFile readme(source + QStringLiteral("/README.md"));
        QVERIFY(readme.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(readme.readAll());
        for (const SettingKey& row : SettingKeys())
            QVERIFY2(text.contains('`' + QString::fromLatin1(row.name) + '`'), row.name);
        QVERIFY(text.contains('`' + quillary::RecentFileKey(0) + '`'));
    }

    // The retention keys' defaults are the ones the version store applies.
    void versionDefaultsMatchTheVersionStore() {
        clsSettings s(path());
        QCOMPARE(s.GetInt(Config::VersionsToKeep), quillary::VersionRetention::kDefaultKeepLast);
        QCOMPARE(s.GetInt(Config::VersionDaysToKeep), quillary::VersionRetention::kDefaultKeepDays);
        const quillary::VersionRetention r =
            quillary::ParseVersionRetention(s.Get(Config::VersionsToKeep).toStdString(),
                                            s.Get(Config::VersionDaysToKeep).toStdString());
        QCOMPARE(r.keepLast, quillary::VersionRetention::kDefaultKeepLast);
        QCOMPARE(r.keepDays, quillary::VersionRetention::kDefaultKeepDays);
    }
};

QTEST_GUILESS_MAIN(tst_SettingsKeys)
#include "tst_SettingsKeys.moc"
