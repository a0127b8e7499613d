// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace quillary {

// The text inserts of one user's insert databases, read for choosing one to put into a
// note: database by database in the folder's order, each database's inserts in record
// order. Bitmap insert databases are left out (their inserts are pictures, which have no
// place in a note's text) and counted; a file that cannot be read is left out and named
// in Problems(), so one bad file costs only its own inserts. Reads only; shows nothing.
class SnippetCatalog {
public:
    struct Snippet {
        QString database; // the database's Palm name
        QString title;
        QString text; // LF line ends
    };

    // Reads the databases in folder (made when missing, as the insert database list does).
    void Load(const QString& folder);

    const std::vector<Snippet>& Snippets() const { return m_Snippets; }
    // One line per file or folder that could not be read, each naming it.
    const QStringList& Problems() const { return m_Problems; }
    // The Palm names of the bitmap insert databases that were left out.
    const QStringList& BitmapDatabases() const { return m_Bitmap; }

    // Indexes into Snippets() of the inserts whose title or text holds filter, ignoring
    // case but not accents (what was typed is what is looked for); all for an empty filter.
    std::vector<int> Matching(const QString& filter) const;

private:
    std::vector<Snippet> m_Snippets;
    QStringList m_Problems;
    QStringList m_Bitmap;
};

} // namespace quillary
