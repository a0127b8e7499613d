// SPDX-License-Identifier: GPL-3.0-or-later
#include "StoredTextGuard.h"

#include "core/TextCodec.h"

#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

namespace quillary {

StoredTextGuard::StoredTextGuard(QPlainTextEdit* edit, int maxChars, QString limitMessage,
                                 std::function<void(const QString&)> report)
    : QObject(edit), m_Edit(edit), m_MaxChars(maxChars), m_LimitMessage(std::move(limitMessage)),
      m_Report(std::move(report)) {
    connect(edit->document(), &QTextDocument::contentsChange, this,
            &StoredTextGuard::OnContentsChange);
    connect(edit, &QPlainTextEdit::textChanged, this, &StoredTextGuard::OnTextChanged);
}

QString StoredTextGuard::BoxText(const QPlainTextEdit* edit) {
    QString text = edit->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QChar('\n')).replace(QChar::LineSeparator, QChar('\n'));
    return text;
}

void StoredTextGuard::OnContentsChange(int position, int /*removed*/, int added) {
    if (m_Filtering)
        return;
    m_ChangePos = position;
    m_ChangeAdded = m_Loading ? 0 : added;
}

void StoredTextGuard::OnTextChanged() {
    if (m_Filtering || m_ChangeAdded <= 0)
        return;
    m_Filtering = true;
    QTextDocument* doc = m_Edit->document();
    QString message;
    QTextCursor cursor(doc);
    const int start = m_ChangePos;
    int end = std::min(m_ChangePos + m_ChangeAdded, doc->characterCount() - 1);
    for (int pos = end - 1; pos >= start; --pos) {
        const QChar ch = doc->characterAt(pos);
        char32_t cp = ch.unicode();
        int length = 1;
        if (ch.isLowSurrogate() && pos > start && doc->characterAt(pos - 1).isHighSurrogate()) {
            cp = QChar::surrogateToUcs4(doc->characterAt(pos - 1), ch);
            --pos;
            length = 2;
        }
        if (ch == QChar::ParagraphSeparator || ch == QChar::LineSeparator)
            continue;
        if (FirstUnstorableCharacter(QString::fromUcs4(&cp, 1)) != 0) {
            cursor.setPosition(pos);
            cursor.setPosition(pos + length, QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
            end -= length;
            message = UnstorableCharacterMessage(cp);
        }
    }
    const int excess = int(BoxText(m_Edit).size()) - m_MaxChars;
    if (excess > 0) {
        const int insertedEnd = std::min(end, doc->characterCount() - 1);
        const int cut = std::min(excess, insertedEnd - start);
        if (cut > 0) {
            cursor.setPosition(insertedEnd - cut);
            cursor.setPosition(insertedEnd, QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
            message = m_LimitMessage;
        }
    }
    m_ChangeAdded = 0;
    m_Filtering = false;
    if (!message.isEmpty() && m_Report)
        m_Report(message);
}

} // namespace quillary
