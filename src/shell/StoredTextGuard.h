// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QKeyEvent;
class QPlainTextEdit;

namespace quillary {

// Keeps out of a multi-line text box what the handheld cannot store: characters outside
// Windows-1252, and typing or pasting past maxChars. The one filter of every such box (the
// note text, the insert texts).
// - A typed character that would not be stored is refused before it lands: cut afterwards
//   it would come back with Undo and be cut again, and the redo history would go with it.
// - What a paste, drop or input method adds is filtered after it lands; the cuts join the
//   edit that caused them, so one Undo takes back both.
// Only what was just added is cut; a longer text loaded into the box stays whole. What was
// left out is reported through the callback.
//
// Create it before connecting the box's own textChanged handlers: it filters first, and
// while it edits the box Filtering() is true (those handlers should then do nothing).
class StoredTextGuard : public QObject {
    Q_OBJECT
public:
    StoredTextGuard(QPlainTextEdit* edit, int maxChars, QString limitMessage,
                    std::function<void(const QString&)> report);

    bool Filtering() const { return m_Filtering; }
    // Do not filter the next change (the program loading a stored text).
    void SetLoading(bool loading) { m_Loading = loading; }

    // The box's text with LF line ends; no-break spaces stay (toPlainText would turn them
    // into plain spaces and change the stored bytes).
    static QString BoxText(const QPlainTextEdit* edit);

    // How many characters the box can take at the caret, the selection counting as free
    // (what is put there replaces it). Never below 0, also for a longer stored text.
    int Room() const;
    // Puts text (any line ends; the box keeps LF) at the caret, replacing the selection, as
    // one undo step, and leaves the caret after it. The filter runs on it as on a paste.
    // When the text does not fit whole nothing is inserted: false, *length the characters
    // it would need and *room what the box has.
    bool InsertWhole(const QString& text, int* length = nullptr, int* room = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool RefuseTypedText(const QKeyEvent* key);
    void OnContentsChange(int position, int removed, int added);
    void OnTextChanged();

    QPlainTextEdit* m_Edit;
    int m_MaxChars;
    QString m_LimitMessage;
    std::function<void(const QString&)> m_Report;
    bool m_Filtering = false;
    bool m_Loading = false;
    int m_ChangePos = 0;
    int m_ChangeAdded = 0;
};

} // namespace quillary
