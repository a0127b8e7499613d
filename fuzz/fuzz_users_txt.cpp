// SPDX-License-Identifier: GPL-3.0-or-later
// users.txt: every line that is not blank or a comment gives either one user or one
// warning naming its line; the users read, written back one per line, read back the same.

#include "FuzzCheck.h"
#include "FuzzScratch.h"

#include "core/modKWBase.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

#include <cstdlib>

namespace {

struct User {
    qint32 id;
    QString name;
    QString directory;
    bool operator==(const User&) const = default;
};

QList<User> Users(const quillary::KWDeskLibrary& library) {
    QList<User> users;
    for (int i = 0; i < library.KWUmGetUserCount(); ++i) {
        const qint32 id = library.KWUmGetUserID(i);
        users.append({id, library.KWUmGetUserName(id), library.KWUmGetUserDirectory(id)});
    }
    return users;
}

// Lines a text-mode reader sees that hold more than blanks and are not comments.
int MeaningfulLines(const QByteArray& bytes) {
    int count = 0;
    for (const QByteArray& line : bytes.split('\n')) {
        const QString text = QString::fromUtf8(line).trimmed();
        if (!text.isEmpty() && !text.startsWith('#'))
            ++count;
    }
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto& scratch = quillary::fuzz::TheScratch();
    static const bool rooted = [&] {
        setenv("QUILLARY_DESKTOP_DIR", scratch.Path("desktop").c_str(), 1);
        std::filesystem::create_directories(scratch.Path("desktop"));
        return true;
    }();
    (void)rooted;
    scratch.Write("desktop/users.txt", data, size);
    quillary::KWDeskLibrary library(nullptr);
    const QList<User> users = Users(library);
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    FUZZ_CHECK(users.size() + library.Warnings().size() == MeaningfulLines(bytes));
    for (const QString& warning : library.Warnings())
        FUZZ_CHECK(warning.startsWith(QStringLiteral("users.txt line ")));

    QByteArray written;
    for (int i = 0; i < library.KWUmGetUserCount(); ++i) {
        const User& u = users.at(i);
        written +=
            QByteArray::number(u.id) + '\t' + u.name.toUtf8() + '\t' + u.directory.toUtf8() + '\n';
    }
    scratch.Write("desktop/users.txt", reinterpret_cast<const uint8_t*>(written.constData()),
                  size_t(written.size()));
    quillary::KWDeskLibrary again(nullptr);
    FUZZ_CHECK(again.Warnings().isEmpty());
    FUZZ_CHECK(Users(again) == users);
    return 0;
}
