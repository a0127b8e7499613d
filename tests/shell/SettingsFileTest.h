// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFile>
#include <QObject>
#include <QTemporaryDir>
#include <QTest>

// A settings file of the test's own, read and written as bytes around the store.
class SettingsFileTest : public QObject {
protected:
    QTemporaryDir m_Dir;
    QString path() const { return m_Dir.filePath("kestwin.ini"); }
    QString fileText() const {
        QFile f(path());
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    void writeFile(const QByteArray& text) {
        QFile f(path());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    }
};
