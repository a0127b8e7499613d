// SPDX-License-Identifier: GPL-3.0-or-later
#include "StoredTextGuard.h"

#include "core/TextCodec.h"

#include <QKeyEvent>
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
    edit->installEventFilter(this);
}

QString StoredTextGuard::BoxText(const QPlainTextEdit* edit) {
    QString text = edit->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QChar('\n')).replace(QChar::LineSeparator, QChar('\n'));
    return text;
}

int StoredTextGuard::Room() const {
    const qsizetype replaced = m_Edit->textCursor().selectedText().size();
    return int(std::max<qsizetype>(0, qsizetype(m_MaxChars) - (BoxText(m_Edit).size() - replaced)));
}

bool StoredTextGuard::InsertWhole(const QString& text, int* length, int* room) {
    // Counted as the note stores it: a line end is one character.
    QString lf = text;
    lf.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QChar('\r'), QChar('\n'));
    const int free = Room();
    if (length)
        *length = int(lf.size());
    if (room)
        *room = free;
    if (lf.size() > free || m_Edit->isReadOnly())
        return false;
    QTextCursor cursor = m_Edit->textCursor();
    cursor.beginEditBlock();
    cursor.insertText(lf);
    cursor.endEditBlock();
    // The filter has run (textChanged) and may have cut; the caret goes after what stayed.
    m_Edit->setTextCursor(cursor);
    return true;
}

bool StoredTextGuard::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_Edit && event->type() == QEvent::KeyPress &&
        RefuseTypedText(static_cast<QKeyEvent*>(event)))
        return true;
    return QObject::eventFilter(watched, event);
}

bool StoredTextGuard::RefuseTypedText(const QKeyEvent* key) {
    if (m_Edit->isReadOnly() || (key->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)))
        return false;
    const QString typed = key->text();
    if (typed.isEmpty())
        return false;
    for (const QChar ch : typed)
        if (!ch.isPrint() && !ch.isSurrogate())
            return false; // Return, Tab, Backspace and the like
    QString message;
    if (const char32_t bad = FirstUnstorableCharacter(typed)) {
        message = UnstorableCharacterMessage(bad);
    } else {
        const qsizetype replaced = m_Edit->textCursor().selectedText().size();
        if (BoxText(m_Edit).size() - replaced + typed.size() > qsizetype(m_MaxChars))
            message = m_LimitMessage;
    }
    if (message.isEmpty())
        return false;
    if (m_Report)
        m_Report(message);
    return true;
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
    // The cuts belong to the edit that caused them: one undo step takes back both. Edits
    // that need no cut keep their undo steps untouched.
    bool cutting = false;
    auto cut = [&](int from, int to) {
        if (!cutting)
            cursor.joinPreviousEditBlock();
        cutting = true;
        cursor.setPosition(from);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    };
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
            cut(pos, pos + length);
            end -= length;
            message = UnstorableCharacterMessage(cp);
        }
    }
    const int excess = int(BoxText(m_Edit).size()) - m_MaxChars;
    if (excess > 0) {
        const int insertedEnd = std::min(end, doc->characterCount() - 1);
        const int length = std::min(excess, insertedEnd - start);
        if (length > 0) {
            cut(insertedEnd - length, insertedEnd);
            message = m_LimitMessage;
        }
    }
    if (cutting)
        cursor.endEditBlock();
    m_ChangeAdded = 0;
    m_Filtering = false;
    if (!message.isEmpty() && m_Report)
        m_Report(message);
}

} // namespace quillary
