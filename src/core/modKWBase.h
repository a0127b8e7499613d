// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace quillary {

class clsSettings;

// The HotSync desktop's user manager. Users live in a plain text file "users.txt" in the
// desktop root folder, one user per line, three fields separated by tab characters:
//
//     <user ID, signed 32-bit decimal> TAB <user name> TAB <user folder, relative to the root>
//
// Blank lines and lines starting with '#' are ignored; broken lines are skipped and
// reported through Warnings(). The root folder is $QUILLARY_DESKTOP_DIR, else the setting
// "Desktop Folder", else the XDG data folder's quillary/desktop.
class KWDeskLibrary {
public:
    // settings may be null (then only the environment and the default are consulted).
    explicit KWDeskLibrary(clsSettings* settings);

    // Rereads the users file. On a first start without one, creates it with one user
    // named after the login account, and that user's folder.
    void Reload();

    int KWUmGetUserCount() const;
    qint32 KWUmGetUserID(int index) const;
    QString KWUmGetUserName(qint32 id) const;      // first user with that ID; "" if none
    QString KWUmGetUserDirectory(qint32 id) const; // relative to the root; "" if none
    QString KWUmGetRootDirectory() const;          // asked afresh on every call

    // Adds a user to the users file with a new folder of its own, named after the user and
    // made unique in the root. The file is rewritten crash-safely (temporary file, then
    // rename), keeping every line it had. Refuses (false, with the reason) an ID already in
    // use, a name the file or a file name cannot hold (empty, a tab, a line break, a
    // control character, "/"), or a name already taken. On success the user is in this
    // list too and *directory holds its folder name, relative to the root.
    bool AddUser(qint32 id, const QString& name, QString* directory, QString* error);

    // Problems met while reading the users file ("users.txt line 3: ...").
    QStringList Warnings() const { return m_Warnings; }

    static QString UsersFileName() { return QStringLiteral("users.txt"); }
    // A stable user ID derived from a name, for users the program creates itself.
    static qint32 MakeUserId(const QString& name);

private:
    struct User {
        qint32 id;
        QString name;
        QString directory;
    };
    void CreateDefaultUsersFile(const QString& path);

    clsSettings* m_Settings;
    QList<User> m_Users;
    QStringList m_Warnings;
};

// The user table: parallel lists addressed by user index, rebuilt on every window load.
struct UserTable {
    QStringList names;
    QList<qint32> ids;
    QStringList directories;

    static UserTable Load(const KWDeskLibrary& library);
    int Count() const { return int(ids.size()); }
};

// AddBackslash(root) + the user's folder name; no trailing separator.
QString GetUserDirectory(const KWDeskLibrary& library, const UserTable& users, int userIndex);
// The user's notes database: <user folder>/QL<user name>.pdb
QString GetUserFileName(const KWDeskLibrary& library, const UserTable& users, int userIndex);
// The user's insert database folder: <user folder>/QLInsertPDB
QString GetUserInsertFolder(const KWDeskLibrary& library, const UserTable& users, int userIndex);

} // namespace quillary
