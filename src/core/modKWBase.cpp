// SPDX-License-Identifier: GPL-3.0-or-later
#include "modKWBase.h"

#include "clsSettings.h"
#include "modGlobals.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

namespace quillary {

KWDeskLibrary::KWDeskLibrary(clsSettings* settings) : m_Settings(settings) { Reload(); }

QString KWDeskLibrary::KWUmGetRootDirectory() const {
    QString root = qEnvironmentVariable("QUILLARY_DESKTOP_DIR");
    if (root.isEmpty() && m_Settings)
        root = m_Settings->Get(Config::DesktopFolder);
    if (root.isEmpty())
        root = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
               QStringLiteral("/quillary/desktop");
    return QDir::cleanPath(root);
}

qint32 KWDeskLibrary::MakeUserId(const QString& name) {
    // FNV-1a, kept positive so it reads the same as signed or unsigned.
    quint32 h = 2166136261u;
    for (char c : name.toUtf8()) {
        h ^= static_cast<unsigned char>(c);
        h *= 16777619u;
    }
    return static_cast<qint32>(h & 0x7FFFFFFF);
}

void KWDeskLibrary::CreateDefaultUsersFile(const QString& path) {
    QString login = qEnvironmentVariable("USER");
    if (login.isEmpty())
        login = qEnvironmentVariable("LOGNAME");
    if (login.isEmpty())
        login = QStringLiteral("User");
    const QString folder = login;
    QDir(QFileInfo(path).absolutePath()).mkpath(folder);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        m_Warnings << QStringLiteral("Could not create ") + path + QStringLiteral(": ") +
                          file.errorString();
        return;
    }
    const QString text =
        QStringLiteral("# Quillary HotSync users: ID<TAB>name<TAB>folder (relative to this "
                       "folder)\n") +
        QString::number(MakeUserId(login)) + '\t' + login + '\t' + folder + '\n';
    file.write(text.toUtf8());
    if (!file.commit())
        m_Warnings << QStringLiteral("Could not create ") + path + QStringLiteral(": ") +
                          file.errorString();
}

void KWDeskLibrary::Reload() {
    m_Users.clear();
    m_Warnings.clear();
    const QString path = QDir(KWUmGetRootDirectory()).filePath(UsersFileName());
    if (!QFile::exists(path))
        CreateDefaultUsersFile(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_Warnings << QStringLiteral("Could not read ") + path + QStringLiteral(": ") +
                          file.errorString();
        return;
    }
    int lineNo = 0;
    while (!file.atEnd()) {
        ++lineNo;
        QString line = QString::fromUtf8(file.readLine());
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        if (line.trimmed().isEmpty() || line.trimmed().startsWith('#'))
            continue;
        const QStringList fields = line.split('\t');
        bool ok = false;
        const qlonglong id = fields.value(0).trimmed().toLongLong(&ok);
        QString problem;
        if (fields.size() != 3)
            problem = QStringLiteral("expected ID, name and folder separated by tabs");
        else if (!ok || id < INT32_MIN || id > UINT32_MAX)
            problem = QStringLiteral("the user ID is not a 32-bit number");
        else if (fields.at(1).isEmpty())
            problem = QStringLiteral("the user name is empty");
        if (!problem.isEmpty()) {
            m_Warnings << UsersFileName() + QStringLiteral(" line ") + QString::number(lineNo) +
                              QStringLiteral(": ") + problem + QStringLiteral(" (skipped)");
            continue;
        }
        // IDs above INT32_MAX are the same 32 bits read unsigned.
        m_Users.append({static_cast<qint32>(static_cast<quint32>(id)), fields.at(1),
                        fields.at(2)});
    }
}

bool KWDeskLibrary::AddUser(qint32 id, const QString& name, QString* directory,
                            QString* error) {
    auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    if (name.trimmed().isEmpty())
        return fail(QStringLiteral("the user name is empty"));
    for (QChar c : name)
        if (c.category() == QChar::Other_Control || c == QChar('/'))
            return fail(QStringLiteral("the user name \"") + name +
                        QStringLiteral("\" holds a character a file name cannot take"));
    // Another program (the window, a person's editor) may have changed the file since.
    Reload();
    for (const User& u : std::as_const(m_Users)) {
        if (u.id == id)
            return fail(QStringLiteral("the user ID ") + QString::number(quint32(id)) +
                        QStringLiteral(" belongs to ") + u.name);
        if (u.name == name)
            return fail(QStringLiteral("there is already a user named ") + name);
    }

    const QDir root(KWUmGetRootDirectory());
    // The folder follows the name; "." and ".." would be no folder of its own.
    QString base = name.trimmed();
    if (base.startsWith(QChar('.')))
        base.replace(0, 1, QChar('_'));
    QString folder = base;
    for (int n = 2; root.exists(folder); ++n)
        folder = base + QChar(' ') + QString::number(n);
    if (!root.mkpath(folder))
        return fail(QStringLiteral("could not create the folder ") + root.filePath(folder));

    const QString path = root.filePath(UsersFileName());
    QByteArray text;
    {
        QFile old(path);
        if (old.exists() && !old.open(QIODevice::ReadOnly)) {
            root.rmdir(folder);
            return fail(QStringLiteral("could not read ") + path + QStringLiteral(": ") +
                        old.errorString());
        }
        text = old.readAll();
    }
    if (!text.isEmpty() && !text.endsWith('\n'))
        text += '\n';
    text += (QString::number(id) + '\t' + name + '\t' + folder + '\n').toUtf8();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
        root.rmdir(folder);
        return fail(QStringLiteral("could not write ") + path + QStringLiteral(": ") +
                    file.errorString());
    }
    m_Users.append({id, name, folder});
    if (directory)
        *directory = folder;
    return true;
}

int KWDeskLibrary::KWUmGetUserCount() const { return int(m_Users.size()); }

qint32 KWDeskLibrary::KWUmGetUserID(int index) const {
    return index >= 0 && index < m_Users.size() ? m_Users.at(index).id : 0;
}

QString KWDeskLibrary::KWUmGetUserName(qint32 id) const {
    for (const User& u : m_Users)
        if (u.id == id)
            return u.name;
    return {};
}

QString KWDeskLibrary::KWUmGetUserDirectory(qint32 id) const {
    for (const User& u : m_Users)
        if (u.id == id)
            return u.directory;
    return {};
}

UserTable UserTable::Load(const KWDeskLibrary& library) {
    UserTable table;
    const int count = library.KWUmGetUserCount();
    for (int i = 0; i < count; ++i) {
        const qint32 id = library.KWUmGetUserID(i);
        table.ids << id;
        table.names << library.KWUmGetUserName(id);
        table.directories << library.KWUmGetUserDirectory(id);
    }
    return table;
}

QString GetUserDirectory(const KWDeskLibrary& library, const UserTable& users, int userIndex) {
    return AddBackslash(library.KWUmGetRootDirectory()) + users.directories.value(userIndex);
}

QString GetUserFileName(const KWDeskLibrary& library, const UserTable& users, int userIndex) {
    return AddBackslash(GetUserDirectory(library, users, userIndex)) + QStringLiteral("QL") +
           users.names.value(userIndex) + QStringLiteral(".pdb");
}

QString GetUserInsertFolder(const KWDeskLibrary& library, const UserTable& users,
                            int userIndex) {
    return AddBackslash(GetUserDirectory(library, users, userIndex)) +
           QStringLiteral("QLInsertPDB");
}

} // namespace quillary
