// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "storage/clsDatabase.h"
#include "storage/clsQuillaryItem.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <QTest>

#include <string>
#include <tuple>
#include <vector>

namespace quillary::test {

// Writes the desktop folder's users.txt: one (id, name, folder) per user, and creates the
// folders.
inline void WriteUsersFile(const QString& desktopDir,
                           const std::vector<std::tuple<qint32, QString, QString>>& users) {
    QString text;
    for (const auto& [id, name, folder] : users) {
        text += QString::number(id) + '\t' + name + '\t' + folder + '\n';
        QDir(desktopDir).mkpath(folder);
    }
    QFile f(QDir(desktopDir).filePath("users.txt"));
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text.toUtf8());
}

// Writes a notes database holding one note per text, as another program would: the file
// replaced is not kept as a version.
inline void WriteNotesFile(const QString& path, const std::vector<std::string>& texts) {
    clsDatabase db;
    db.m_NewNoteTitle = [] { return std::string("title - "); };
    db.AddNewDatabase();
    for (size_t i = 0; i < texts.size(); ++i) {
        db.AddNewRecord(int(i));
        db.GetRecordObject(int(i))->SetText(texts[i]);
    }
    db.SetFileName(path.toStdString());
    // Stands for the handheld's HotSync or another program, which keep no versions of ours.
    db.m_VersionPolicy.keep = false;
    std::string error;
    QVERIFY2(db.SaveDatabase({}, &error), error.c_str());
}

} // namespace quillary::test
