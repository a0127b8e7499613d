// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/SettingsKeys.h"

#include <QList>
#include <QString>

class QCheckBox;
class QDialog;
class QPushButton;
class QRadioButton;

namespace quillary {

class clsSettings;

// What the two import/export dialogs share: a group of options (objectName "optImport<index>"),
// the "delete existing records" check box, OK and Cancel, laid out on the dialog and set
// from the settings keys the dialog keeps its last choice in.
struct ImportOption {
    int index; // the value stored under the format key
    const char* caption; // with its access key ("&")
};

struct ImportOptionsBox {
    QList<QRadioButton*> options; // in the order given
    QCheckBox* chkNewDB = nullptr;
    QPushButton* cmdDone = nullptr;
    QPushButton* cmdCancel = nullptr;
};

ImportOptionsBox BuildImportOptionsBox(QDialog& dialog, const QList<ImportOption>& options,
                                       clsSettings& settings, Config formatKey, Config newDbKey);

} // namespace quillary
