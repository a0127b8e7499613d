// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPageLayout>
#include <QPageSize>
#include <QString>

namespace quillary {

class clsSettings;

// The paper, orientation and printer a person chose with Page Setup's Printer button, as
// the settings keep them. The program's printer, its print dialog and the command-line
// PDF output all start from these, so the paper previewed is the paper printed.
class PaperSettings {
public:
    QPageSize size = DefaultSize();
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    QString printerName; // empty: the default printer

    // Reads the keys; a paper name nobody knows is the default paper, an orientation
    // other than "Landscape" is portrait. Never fails.
    static PaperSettings Read(clsSettings& settings);
    // Sets the keys (Save writes them). A paper without a standard name is not stored:
    // the stored paper stays as it was.
    void Write(clsSettings& settings) const;

    // Letter where the locale measures in inches, A4 elsewhere.
    static QPageSize DefaultSize();
    // A paper by its name or key as QPageSize knows it ("A4", "Letter", "legal"), case
    // ignored; false for an unknown name (size unchanged).
    static bool SizeByName(const QString& name, QPageSize& size);
    // The name stored for a paper ("Letter"), or "" when it has no standard one.
    static QString SizeName(const QPageSize& size);
};

} // namespace quillary
