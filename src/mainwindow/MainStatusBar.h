// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QStatusBar>
#include <QStringList>

class QLabel;
class QToolButton;

namespace quillary {

// The status bar of the main window (and the find window). A message too long for the room its panels leave wraps
// onto more lines there, the bar growing while it shows, so that it can be read at any
// window width without taking the panels away.
class MainStatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit MainStatusBar(QWidget* parent = nullptr);

    // The main window's own parts: five panels about the note shown (category, database
    // size, note size, number of notes, record ID) and the report of the last reread
    // ("cmdNoteChanges"). The methods below need them.
    void AddNotePanels();

    // Shows the note's panels; a size or count of 0 leaves its panel as it was, a record
    // ID of 0 reads "New Record". Returns the width the bar needs so that the panels
    // never overlap.
    int ShowNoteStatus(const QString& category, qint64 dbSize, qint64 noteSize, int count,
                       quint32 recordId);
    QStringList PanelTexts() const;
    // The panel that shows (and, clicked, changes) the note's category.
    QLabel* CategoryPanel() const { return m_Panels.value(0); }

    // The report of the last reread: "" hides it; with notes to list, a click asks for them.
    void ShowReport(const QString& text, bool hasNotes);
    QToolButton* ReportButton() const { return m_cmdChanges; }

    // Where the message is drawn: from the left edge to the first panel shown.
    QRect MessageRect() const;
    // The lines the current message takes there (0 without a message; 1 when the room is
    // too narrow to wrap in, the message then cut and shown whole as the bar's tool tip).
    int MessageLines() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void childEvent(QChildEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    void categoryPanelClicked();
    void reportClicked();

private:
    void FitMessage();

    QList<QLabel*> m_Panels;
    QToolButton* m_cmdChanges = nullptr;
};

} // namespace quillary
