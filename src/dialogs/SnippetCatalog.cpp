// SPDX-License-Identifier: GPL-3.0-or-later
#include "SnippetCatalog.h"

#include "core/TextCodec.h"
#include "storage/InsertFolder.h"
#include "storage/clsInsertDatabase.h"

namespace quillary {

void SnippetCatalog::Load(const QString& folder) {
    m_Snippets.clear();
    m_Problems.clear();
    m_Bitmap.clear();
    std::vector<InsertDatabaseInfo> databases;
    std::vector<std::string> unreadable;
    std::string error;
    if (!GetInsertDatabaseList(folder.toStdString(), databases, &error, &unreadable))
        m_Problems << QString::fromStdString(error);
    for (const std::string& why : unreadable)
        m_Problems << QString::fromStdString(why);
    for (const InsertDatabaseInfo& info : databases) {
        const QString name = FromCp1252(info.name);
        if (info.type != "Inst") {
            m_Bitmap << name;
            continue;
        }
        clsInsertDatabase db;
        db.SetFileName(info.path);
        if (!db.OpenDatabase({}, &error)) {
            m_Problems << QString::fromStdString(error);
            continue;
        }
        for (int i = 0; i < db.GetNumRecords(); ++i) {
            const clsTextInsertItem* item = db.GetRecordObject(i);
            m_Snippets.push_back({name, FromCp1252(item->Title), FromCp1252(item->RawText())});
        }
    }
}

std::vector<int> SnippetCatalog::Matching(const QString& filter) const {
    std::vector<int> found;
    for (size_t i = 0; i < m_Snippets.size(); ++i) {
        const Snippet& s = m_Snippets[i];
        if (filter.isEmpty() || s.title.contains(filter, Qt::CaseInsensitive) ||
            s.text.contains(filter, Qt::CaseInsensitive))
            found.push_back(int(i));
    }
    return found;
}

} // namespace quillary
