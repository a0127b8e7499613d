// SPDX-License-Identifier: GPL-3.0-or-later
#include "TextSelection.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace quillary {

void SelectAllText(QLineEdit* edit) {
    if (edit)
        edit->selectAll();
}

void SelectAllText(QPlainTextEdit* edit) {
    if (edit)
        edit->selectAll();
}

void SelectAllText(QTextEdit* edit) {
    if (edit)
        edit->selectAll();
}

} // namespace quillary
