// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QLineEdit;
class QPlainTextEdit;
class QTextEdit;

namespace quillary {

// Selects the whole text of an edit control; a null control is ignored.
void SelectAllText(QLineEdit* edit);
void SelectAllText(QPlainTextEdit* edit);
void SelectAllText(QTextEdit* edit);

} // namespace quillary
