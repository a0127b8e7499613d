// SPDX-License-Identifier: GPL-3.0-or-later
#include "ImportOptionsBox.h"

#include "core/clsSettings.h"

#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace quillary {

ImportOptionsBox BuildImportOptionsBox(QDialog& dialog, const QList<ImportOption>& options,
                                       clsSettings& settings, Config formatKey, Config newDbKey) {
    ImportOptionsBox box;
    auto* group = new QGroupBox(&dialog);
    auto* column = new QVBoxLayout(group);
    for (const ImportOption& o : options) {
        auto* button = new QRadioButton(QString::fromLatin1(o.caption), group);
        button->setObjectName(QStringLiteral("optImport%1").arg(o.index));
        column->addWidget(button);
        box.options << button;
    }
    box.options.first()->setChecked(true);
    box.chkNewDB =
        new QCheckBox(QStringLiteral("&Delete Existing Records Before Importing"), &dialog);
    box.chkNewDB->setObjectName(QStringLiteral("chkNewDB"));

    box.cmdDone = new QPushButton(QStringLiteral("&OK"), &dialog);
    box.cmdDone->setObjectName(QStringLiteral("cmdDone"));
    box.cmdDone->setDefault(true);
    box.cmdCancel = new QPushButton(QStringLiteral("&Cancel"), &dialog);
    box.cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    box.cmdCancel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(box.cmdDone);
    buttons->addWidget(box.cmdCancel);

    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(group);
    layout->addWidget(box.chkNewDB);
    layout->addLayout(buttons);

    box.chkNewDB->setChecked(settings.GetFlag(newDbKey));
    // Nothing stored keeps the first option, whatever the table's default.
    if (settings.HasValue(formatKey)) {
        const int stored = settings.GetInt(formatKey);
        for (int k = 0; k < options.size(); ++k)
            if (stored == options[k].index)
                box.options[k]->setChecked(true);
    }
    return box;
}

} // namespace quillary
