// SPDX-License-Identifier: GPL-3.0-or-later
#include "NoteEditorPane.h"

#include "core/PlatformServices.h"
#include "core/TextCodec.h"
#include "core/modGlobals.h"
#include "draw/ctlDrawBox.h"
#include "session/NotesSession.h"
#include "session/PictureHistories.h"
#include "shell/StoredTextGuard.h"
#include "shell/WaitCursor.h"
#include "storage/clsBitmap.h"
#include "storage/clsDatabase.h"
#include "storage/clsQuillaryItem.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTimer>
#include <QUndoStack>

namespace quillary {

namespace {

const QString kStoredTextLimitMessage =
    QStringLiteral("A note holds at most 1999 characters; the rest was not added.");

// Notes keep LF line ends; the UI shows them as the text box's own line breaks.
QString ToUiText(const std::string& rawLf) {
    return FromCp1252(rawLf);
}

} // namespace

NoteEditorPane::NoteEditorPane(NotesSession& session, QWidget* parent)
    : QObject(parent), m_Session(session) {
    setObjectName(QStringLiteral("NoteEditorPane"));
    m_drbNote = new ctlDrawBox(&session.Services(), parent);
    m_drbNote->setObjectName(QStringLiteral("drbNote"));
    m_lblPictureProblem = new QLabel(parent);
    m_lblPictureProblem->setObjectName(QStringLiteral("lblPictureProblem"));
    m_lblPictureProblem->setWordWrap(true);
    m_lblPictureProblem->setAutoFillBackground(true);
    m_lblPictureProblem->setContentsMargins(4, 2, 4, 2);
    m_lblPictureProblem->setStyleSheet(
        QStringLiteral("QLabel { background: #fff3c4; color: black; border: 1px solid #c9a800; }"));
    m_lblPictureProblem->hide();

    m_txtNote = new QPlainTextEdit(parent);
    m_txtNote->setObjectName(QStringLiteral("txtNote"));
    m_txtNote->setAccessibleName(QStringLiteral("Note text"));
    m_txtNote->setTabChangesFocus(true); // as in every other field; notes hold no tabs
    // The filter first: the handlers below see only what it let through.
    m_Guard = new StoredTextGuard(m_txtNote, int(clsQuillaryItem::kMaxTextChars),
                                  kStoredTextLimitMessage,
                                  [this](const QString& m) { emit statusMessage(m, 8000); });
    m_txtNote->installEventFilter(this); // the Edit menu owns the clipboard keys
    connect(m_txtNote, &QPlainTextEdit::textChanged, this, &NoteEditorPane::OnTextChanged);
    connect(m_drbNote, &ctlDrawBox::Change, this, &NoteEditorPane::OnPictureChange);
}

NoteEditorPane::~NoteEditorPane() {
    m_drbNote->SetUndoStack(nullptr); // the histories may go before the editor
}

bool NoteEditorPane::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_txtNote && event->type() == QEvent::ShortcutOverride) {
        // Let the window's Cut/Copy/Paste/Select All run, so they reach the clipboard the
        // same way from every pane.
        auto* key = static_cast<QKeyEvent*>(event);
        for (auto standard :
             {QKeySequence::Copy, QKeySequence::Cut, QKeySequence::Paste, QKeySequence::SelectAll})
            if (key->matches(standard)) {
                event->ignore();
                return true;
            }
    }
    return QObject::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------
// Picture histories

void NoteEditorPane::LeaveHistory() {
    if (m_PictureKey)
        m_Session.Histories().Leave(m_PictureKey, m_drbNote->Picture());
    m_PictureKey = 0;
    m_drbNote->SetUndoStack(nullptr);
}

void NoteEditorPane::ForgetHistories() {
    m_PictureKey = 0;
    m_drbNote->SetUndoStack(nullptr);
    m_Session.Histories().Clear();
}

// ---------------------------------------------------------------------------------------
// Loading and committing

void NoteEditorPane::LoadNote(int record) {
    LeaveHistory();
    m_Record = record;
    if (record < 0)
        return;
    const clsQuillaryItem* note = m_Session.Database().GetRecordObject(record);
    clsBitmap picture;
    std::string error;
    if (!note->GetBitmap(picture, &error)) {
        // Show a blank picture; the note keeps its stored one unless it is redrawn.
        picture.InitializeBitmap(kPictureSize, kPictureSize, 1);
        ShowPictureProblem(QStringLiteral("This note's picture cannot be shown: ") +
                           QString::fromStdString(error) +
                           QStringLiteral(" It is kept as stored unless you draw a new one."));
    } else {
        ShowPictureProblem(QString());
    }
    m_drbNote->SetNoteBitmap(picture);
    m_drbNote->SetPictureSubject(QStringLiteral("note %1").arg(record + 1));
    m_PictureKey = note->Serial();
    m_drbNote->SetUndoStack(m_Session.Histories().StackFor(m_PictureKey, m_drbNote->Picture()));
    m_LoadingNote = true;
    m_Guard->SetLoading(true);
    m_txtNote->setPlainText(ToUiText(note->RawText()));
    m_Guard->SetLoading(false);
    m_LoadingNote = false;
    QTextCursor caret = m_txtNote->textCursor();
    caret.movePosition(QTextCursor::End);
    m_txtNote->setTextCursor(caret);
}

void NoteEditorPane::DropNote() {
    m_Session.Histories().Forget(m_PictureKey);
    m_PictureKey = 0;
    m_drbNote->SetUndoStack(nullptr);
    m_Record = -1;
    m_drbNote->SetDirtyFlag(false);
    m_PictureUnreadable = false;
}

void NoteEditorPane::ShowPictureProblem(const QString& text) {
    const bool wasShown = m_PictureUnreadable;
    m_PictureUnreadable = !text.isEmpty();
    m_lblPictureProblem->setText(text);
    m_lblPictureProblem->setVisible(m_PictureUnreadable);
    if (m_PictureUnreadable || wasShown)
        emit pictureProblemChanged();
    // In the status bar too, once the window is up: a message shown before the window
    // would leave the panels painted over it.
    QTimer::singleShot(0, this, [this, text] {
        if (!text.isEmpty() && m_lblPictureProblem->text() == text)
            emit statusMessage(text, 15000);
        else if (text.isEmpty())
            emit statusMessage(QString(), 0);
    });
}

QString NoteEditorPane::BoxText() const {
    return StoredTextGuard::BoxText(m_txtNote);
}

bool NoteEditorPane::InsertText(const QString& text, int* length, int* room) {
    if (m_Record < 0) {
        if (length)
            *length = int(text.size());
        if (room)
            *room = 0;
        return false;
    }
    return m_Guard->InsertWhole(text, length, room);
}

QString NoteEditorPane::NoteUiText() const {
    const clsQuillaryItem* note = m_Session.Database().GetRecordObject(m_Record);
    return note ? ToUiText(note->RawText()) : QString();
}

bool NoteEditorPane::Commit() {
    if (m_Record < 0)
        return true;
    WaitCursor wait;
    clsQuillaryItem* note = m_Session.Database().GetRecordObject(m_Record);
    if (!note)
        return true;
    bool stored = true;
    if (m_drbNote->DirtyFlag()) {
        std::string error;
        if (m_PictureUnreadable &&
            m_Session.Services().messageBox(
                QStringLiteral("The picture stored with this note could not be read.\r"
                               "Replace it with the picture you drew?"),
                kAppTitle, MsgButtons::YesNo, MsgIcon::Exclamation) != MsgResult::Yes) {
            // The stored bytes stay as they were read; the drawing is dropped.
            clsBitmap blank;
            blank.InitializeBitmap(kPictureSize, kPictureSize, 1);
            m_drbNote->SetNoteBitmap(blank);
            m_drbNote->UndoStack()->clear(); // its steps were made on the dropped drawing
        } else if (note->SetBitmap(m_drbNote->GetNoteBitmap(), &error)) {
            note->SetDirtyFlag(true);
            m_Session.MarkChanged();
            m_drbNote->SetDirtyFlag(false);
            ShowPictureProblem(QString());
        } else {
            // The drawing stays in the editor, marked unsaved, until it fits or is dropped.
            stored = false;
            m_Session.MarkChanged();
            m_Session.Services().messageBox(
                QString::fromStdString(error) +
                    QStringLiteral("\rThe drawing is kept in the picture box but not stored "
                                   "in the note."),
                kAppTitle, MsgButtons::Ok, MsgIcon::Exclamation);
        }
        emit noteMarked();
    }
    // Only a changed text is written back, so an untouched note keeps its exact bytes.
    const QString text = BoxText();
    if (text != NoteUiText())
        note->SetText(ToCp1252(text));
    return stored;
}

// ---------------------------------------------------------------------------------------
// Editing

void NoteEditorPane::OnTextChanged() {
    if (m_LoadingNote || m_Guard->Filtering())
        return;
    emit textEdited();
    if (m_Record < 0)
        return;
    const QString text = BoxText();
    if (text == NoteUiText())
        return;
    emit noteTextEdited(m_Record, GetFirstLine(QString(text).replace('\n', '\r')));
    m_Session.MarkChanged();
    m_Session.Database().GetRecordObject(m_Record)->SetDirtyFlag(true);
    emit noteMarked();
}

void NoteEditorPane::OnPictureChange() {
    if (!m_drbNote->DirtyFlag())
        return;
    clsQuillaryItem* note = m_Session.Database().GetRecordObject(m_Record);
    m_Session.MarkChanged();
    if (note)
        note->SetDirtyFlag(true);
    emit noteMarked();
}

} // namespace quillary
