// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

#include <cstdint>

class QLabel;
class QPlainTextEdit;
class QWidget;

namespace quillary {

class NotesSession;
class StoredTextGuard;
class ctlDrawBox;

// The note being edited: its text box, its picture editor and the line over the picture
// that says when the stored picture cannot be shown. Loads a note of the session's
// database into the panes, keeps out of the text what the handheld cannot store (the
// shared StoredTextGuard), marks the note and the session changed as it is edited, and
// commits the panes back into the note. The window places the widgets.
class NoteEditorPane : public QObject {
    Q_OBJECT
public:
    static constexpr int kPictureSize = 500; // a blank picture's width and height

    NoteEditorPane(NotesSession& session, QWidget* parent);
    ~NoteEditorPane() override;

    QPlainTextEdit* TextEditor() const { return m_txtNote; }
    ctlDrawBox* PictureEditor() const { return m_drbNote; }
    QLabel* PictureProblem() const { return m_lblPictureProblem; }
    bool PictureUnreadable() const { return m_PictureUnreadable; }
    // The record shown in the panes; -1 for none.
    int Record() const { return m_Record; }

    // Shows the session's note at record, leaving the previous note's picture history;
    // the previous note must have been committed. -1: the panes keep what they show but
    // belong to no note (nothing is committed from them).
    void LoadNote(int record);
    // Moves the text and picture into the current note; false when the note could not
    // take the drawing (reported; the drawing stays in the editor, still unsaved).
    bool Commit();
    // After the current note was deleted: its panes go nowhere and its history is gone.
    void DropNote();
    // Keeps the shown picture with its note's history, then detaches the editor from it.
    void LeaveHistory();
    // Another file's or user's notes: every history goes.
    void ForgetHistories();

    // The text box's text with LF line ends.
    QString BoxText() const;
    // Puts text at the caret of the text box, replacing the selection, as one undo step
    // through the box's filter, and marks the note changed as typing does; the caret ends
    // after it. Only a text that fits whole goes in: otherwise, and with no note shown,
    // nothing changes and the result is false (*length and *room as
    // StoredTextGuard::InsertWhole gives them).
    bool InsertText(const QString& text, int* length = nullptr, int* room = nullptr);

signals:
    // A line for the status bar; an empty text clears the pane's own message.
    void statusMessage(const QString& text, int timeoutMs);
    // The text was edited (after the filter); record: the note, first line its new title.
    void noteTextEdited(int record, const QString& firstLine);
    // After any edit the filter let through: a message about the text may no longer apply.
    void textEdited();
    // The note's or the database's "changed since HotSync" state may have changed.
    void noteMarked();
    // The line over the picture appeared or went: the window lays the panes out again.
    void pictureProblemChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnTextChanged();
    void OnPictureChange();
    void ShowPictureProblem(const QString& text);
    QString NoteUiText() const;

    NotesSession& m_Session;
    QPlainTextEdit* m_txtNote = nullptr;
    ctlDrawBox* m_drbNote = nullptr;
    QLabel* m_lblPictureProblem = nullptr;
    StoredTextGuard* m_Guard = nullptr;
    int m_Record = -1;
    uint64_t m_PictureKey = 0; // serial of the note whose history the picture uses
    bool m_LoadingNote = false;
    bool m_PictureUnreadable = false; // the current note's stored picture could not be decoded
};

} // namespace quillary
