// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/PaperSettings.h"

#include "core/clsSettings.h"

#include <QLocale>
#include <QSizeF>

namespace quillary {

QPageSize PaperSettings::DefaultSize() {
    return QPageSize(QLocale::system().measurementSystem() == QLocale::ImperialUSSystem
                         ? QPageSize::Letter
                         : QPageSize::A4);
}

bool PaperSettings::SizeByName(const QString& name, QPageSize& size) {
    const QString wanted = name.trimmed();
    if (wanted.isEmpty())
        return false;
    for (int id = 0; id <= int(QPageSize::LastPageSize); ++id) {
        const auto sizeId = QPageSize::PageSizeId(id);
        if (sizeId == QPageSize::Custom)
            continue;
        if (QPageSize::name(sizeId).compare(wanted, Qt::CaseInsensitive) == 0 ||
            QPageSize::key(sizeId).compare(wanted, Qt::CaseInsensitive) == 0) {
            size = QPageSize(sizeId);
            return true;
        }
    }
    return false;
}

QString PaperSettings::SizeName(const QPageSize& size) {
    // A printer's own paper of a standard size is stored by the standard name.
    const QPageSize::PageSizeId id =
        size.id() != QPageSize::Custom
            ? size.id()
            : QPageSize::id(size.size(QPageSize::Millimeter), QPageSize::Millimeter);
    return id == QPageSize::Custom ? QString() : QPageSize::key(id);
}

PaperSettings PaperSettings::Read(clsSettings& settings) {
    PaperSettings paper;
    QPageSize size;
    if (SizeByName(settings.Get(Config::PrintPaperSize), size))
        paper.size = size;
    paper.orientation = settings.Get(Config::PrintOrientation)
                                    .trimmed()
                                    .compare(QLatin1String("Landscape"), Qt::CaseInsensitive) == 0
                            ? QPageLayout::Landscape
                            : QPageLayout::Portrait;
    paper.printerName = settings.Get(Config::PrintPrinterName).trimmed();
    return paper;
}

void PaperSettings::Write(clsSettings& settings) const {
    const QString name = SizeName(size);
    if (!name.isEmpty())
        settings.Set(Config::PrintPaperSize, name);
    settings.Set(Config::PrintOrientation, orientation == QPageLayout::Landscape
                                               ? QStringLiteral("Landscape")
                                               : QStringLiteral("Portrait"));
    settings.Set(Config::PrintPrinterName, printerName);
}

} // namespace quillary
