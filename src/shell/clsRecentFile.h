// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

class QAction;

namespace quillary {

class clsSettings;

// The four most recently used notes databases, kept in the settings as "Recent File0" to
// "Recent File3" (0 the most recent) and mirrored in four File menu entries.
class clsRecentFile {
public:
    // entries: the four menu actions (mnuRecentFile(0..3)); line: the separator after them
    // (mnuLine). Either may be empty/null for a caller without a menu.
    clsRecentFile(clsSettings& settings, QList<QAction*> entries, QAction* line);

    QString GetRecentFile(int entry) const;
    // Moves an existing file to the top (same file: equal when trimmed, ignoring case);
    // a missing or empty path only refreshes the menu.
    void PushRecentFile(const QString& path);
    void RemoveRecentFile(int entry);

private:
    QStringList Load() const;
    void Rebuild(const QStringList& entries);

    clsSettings& m_Settings;
    QList<QAction*> m_Entries;
    QAction* m_Line;
};

} // namespace quillary
