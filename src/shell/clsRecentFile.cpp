// SPDX-License-Identifier: GPL-3.0-or-later
#include "clsRecentFile.h"

#include "core/clsSettings.h"
#include "core/modGlobals.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>

namespace quillary {

namespace {
constexpr int kEntries = kRecentFileCount;
} // namespace

clsRecentFile::clsRecentFile(clsSettings& settings, QList<QAction*> entries, QAction* line)
    : m_Settings(settings), m_Entries(std::move(entries)), m_Line(line) {}

QString clsRecentFile::GetRecentFile(int entry) const {
    if (entry < 0 || entry >= kEntries)
        return {};
    return m_Settings.GetSetting(RecentFileKey(entry));
}

QStringList clsRecentFile::Load() const {
    QStringList entries;
    for (int i = 0; i < kEntries; ++i)
        entries << GetRecentFile(i);
    return entries;
}

void clsRecentFile::PushRecentFile(const QString& path) {
    QStringList entries = Load();
    if (!path.isEmpty() && QFileInfo(path).isFile()) {
        const QString wanted = path.trimmed().toUpper();
        int found = kEntries - 1; // none matches: the oldest drops out
        for (int i = 0; i < kEntries; ++i) {
            if (entries.at(i).trimmed().toUpper() == wanted) {
                found = i;
                break;
            }
        }
        for (int k = found; k >= 1; --k)
            entries[k] = entries.at(k - 1);
        entries[0] = path;
    }
    Rebuild(entries);
}

void clsRecentFile::RemoveRecentFile(int entry) {
    if (entry < 0 || entry >= kEntries)
        return;
    QStringList entries = Load();
    for (int k = entry; k < kEntries - 1; ++k)
        entries[k] = entries.at(k + 1);
    entries[kEntries - 1].clear();
    Rebuild(entries);
}

void clsRecentFile::Rebuild(const QStringList& entries) {
    bool changed = false;
    for (int i = 0; i < kEntries; ++i) {
        changed |= m_Settings.SetSetting(RecentFileKey(i), entries.at(i));
        if (QAction* action = m_Entries.value(i)) {
            action->setVisible(!entries.at(i).isEmpty());
            // The file's name first, then its folder shortened; the whole path as the
            // status tip. The digit is the entry's access key; a literal '&' stays one.
            const QFileInfo file(entries.at(i));
            QString shown = entries.at(i).isEmpty()
                                ? QString()
                                : file.fileName() + QStringLiteral("  (") +
                                      ShortenFolder(file.absolutePath()) + QChar(')');
            shown.replace(QChar('&'), QStringLiteral("&&"));
            action->setText(QChar('&') + QString::number(i + 1) + QChar(' ') + shown);
            action->setStatusTip(QDir::toNativeSeparators(entries.at(i)));
            action->setToolTip(QDir::toNativeSeparators(entries.at(i)));
        }
    }
    if (m_Line)
        m_Line->setVisible(!entries.at(0).isEmpty());
    // Opening, saving or rereading the file already on top changes nothing: no rewrite
    // (and flush) of the settings file each time.
    if (changed)
        m_Settings.Save();
}

} // namespace quillary
